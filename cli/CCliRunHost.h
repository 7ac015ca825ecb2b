#pragma once

#include "maintenance/UpdateRunHostIF.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class CCliSession;

// The host of an update run in the tool: the session's engine, dialogs,
// status line and reconnect, the run's status texts as lines on standard
// error and its progress as a bar (on a terminal only).
class CCliRunHost : public UpdateRunHostIF {
public:
    explicit CCliRunHost(CCliSession& session);

    CCmdEngine& Engine() override;
    CDialogServicesIF& Dialogs() override;
    void ReportError(const std::wstring& text) override;
    void UpdateControls() override {}
    bool Connect(const std::string& expectedSerial) override;
    void Disconnect() override;
    void SetQuiet(bool quiet) override;
    uint16_t RunPort() override;
    PromptAnswer ConfirmReleaseUpdate(bool& force) override;
    void ShowProgress(int32_t runState, int position, const std::wstring& percent) override;
    void ShowStatus(int32_t runState, const std::wstring& text) override;
    void StartTicks() override;
    void StopTicks() override;
    // Watches the module's port until it has gone away and come back, at
    // most the reboot wait.
    upd::Code ModuleRebootedByHand() override;
    // The run's record in the session's results log.
    void RunStarted(ModuleOperationKind kind, const std::wstring& file,
                    const std::wstring& component, VersionNumber release) override;
    void RunEnded(upd::Code result, const std::wstring& text) override;
    // Ctrl-C, asked while the tool waits for the operator.
    void SetInterrupted(std::function<bool()> interrupted) {
        m_interrupted = std::move(interrupted);
    }
    void SetRebootWait(std::chrono::milliseconds wait) { m_rebootWait = wait; }

    // Every status text the run showed, in order.
    const std::vector<std::wstring>& Log() const { return m_log; }

private:
    CCliSession& m_session;
    bool m_running = false;
    std::wstring m_lastStatus;
    std::wstring m_lastPercent;
    std::vector<std::wstring> m_log;
    std::function<bool()> m_interrupted;
    std::chrono::milliseconds m_rebootWait{std::chrono::seconds(120)};
};
