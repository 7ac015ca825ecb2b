#include "cli/CCliRunHost.h"

#include "cli/CCliSession.h"
#include "cli/CConsole.h"
#include "cli/CTerminalDialogs.h"

CCliRunHost::CCliRunHost(CCliSession& session) : m_session(session) {}

CCmdEngine& CCliRunHost::Engine() {
    return m_session.Engine();
}

CDialogServicesIF& CCliRunHost::Dialogs() {
    return m_session.Dialogs();
}

void CCliRunHost::ReportError(const std::wstring& text) {
    m_session.ReportError(text);
}

bool CCliRunHost::Connect(const std::string& expectedSerial) {
    return m_session.Reconnect(expectedSerial);
}

void CCliRunHost::Disconnect() {
    m_session.Disconnect();
}

void CCliRunHost::SetQuiet(bool quiet) {
    // From the worker: the session keeps the flag in an atomic.
    m_session.SetQuiet(quiet);
}

PromptAnswer CCliRunHost::ConfirmReleaseUpdate(bool& force) {
    return m_session.Dialogs().ConfirmReleaseUpdate(force);
}

void CCliRunHost::ShowProgress(int32_t /*runState*/, int position, const std::wstring& percent) {
    // Every tick reports the progress, also while the module reboots: the bar
    // is drawn again only when it changes.
    if (!m_running || percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    m_session.Console().Progress(position, percent, {});
}

void CCliRunHost::ShowStatus(int32_t /*runState*/, const std::wstring& text) {
    if (text.empty() || text == m_lastStatus)
        return;
    m_lastStatus = text;
    m_log.push_back(text);
    m_session.Console().Err(text);
    m_lastPercent.clear(); // the line cleared the bar
}

void CCliRunHost::StartTicks() {
    m_running = true;
    m_lastStatus.clear();
    m_lastPercent.clear();
}

void CCliRunHost::StopTicks() {
    m_running = false;
    m_session.Console().EndProgress();
}
