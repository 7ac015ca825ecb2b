#pragma once

#include "frontend/CPageServicesIF.h"
#include "frontend/ModuleSession.h"

// The page services over a session: what the pages ask for is the session's
// (engine, dialogs, status line, options, quiet flag, run port, release
// selection, setup blocks, results-log bracket), and a run's reconnect goes
// through the session's own rule. A front end adds its window's refresh and
// may route the disconnect through its window.
class SessionPageServices : public CPageServicesIF {
public:
    explicit SessionPageServices(frontend::ModuleSession& session) : m_session(session) {}

    frontend::ModuleSession& Session() { return m_session; }

    CCmdEngine* Engine() override { return m_session.EnginePointer(); }
    CDialogServicesIF& Dialogs() override { return m_session.Dialogs(); }
    void ReportError(const std::wstring& text) override { m_session.ReportError(text); }
    bool IsOptionM() override { return m_session.IsOptionM(); }
    bool IsOptionD() override { return m_session.IsOptionD(); }
    void UpdateControls() override {}
    void SetQuiet(bool quiet) override { m_session.SetQuiet(quiet); }
    bool IsQuiet() override { return m_session.IsQuiet(); }
    // A run's reconnect: the run's own port, whatever entry a list shows.
    bool Connect(const std::string& expectedSerial) override;
    void Disconnect() override;
    uint16_t RunPort() override { return m_session.RunPort(); }
    frontend::ReleaseSelection& Selection() override { return m_session.Selection(); }
    CConfigBlockIF* SetupBlock(ModuleTypeId type) override { return m_session.SetupBlock(type); }
    void OperationStarted(ModuleOperationKind kind, const std::wstring& file,
                          const std::wstring& component, VersionNumber release) override {
        m_session.OperationStarted(kind, file, component, release);
    }
    void OperationEnded(int32_t result, const std::wstring& text) override {
        m_session.OperationEnded(result, text);
    }

private:
    frontend::ModuleSession& m_session;
};
