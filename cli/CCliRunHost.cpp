#include "cli/CCliRunHost.h"

#include "cli/CCliSession.h"
#include "cli/CConsole.h"
#include "cli/CTerminalDialogs.h"
#include "cli/CliTexts.h"
#include "engine/EngineCodes.h"
#include "link/PortPresence.h"
#include "maintenance/UpdateCodes.h"

#include <thread>

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
    return m_session.Module().Reconnect(expectedSerial);
}

uint16_t CCliRunHost::RunPort() {
    return m_session.Module().RunPort();
}

void CCliRunHost::Disconnect() {
    m_session.Module().Disconnect();
}

void CCliRunHost::SetQuiet(bool quiet) {
    // From the worker: the session keeps the flag in an atomic.
    m_session.Module().SetQuiet(quiet);
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

void CCliRunHost::RunStarted(ModuleOperationKind kind, const std::wstring& file,
                             const std::wstring& component, VersionNumber release) {
    m_session.Module().OperationStarted(kind, file, component, release);
}

void CCliRunHost::RunEnded(upd::Code result, const std::wstring& text) {
    m_session.Module().OperationEnded(Number(result), text);
}

upd::Code CCliRunHost::ModuleRebootedByHand() {
    using Clock = std::chrono::steady_clock;
    const uint16_t port = m_session.Module().RunPort();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(m_rebootWait).count();
    m_session.Console().Err(clitext::WaitingForReboot(port, seconds));
    CPortPresenceWatch watch(port);
    for (const auto end = Clock::now() + m_rebootWait; Clock::now() < end;) {
        if (m_interrupted && m_interrupted())
            return upd::kAborted;
        if (watch.Back())
            return upd::kOk;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return watch.WentAway() ? upd::kNotBack : upd::kNotRebooted;
}
