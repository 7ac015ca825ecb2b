#include "maintenance/UpdateRun.h"

#include "descriptions/InputFile.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"
#include "frontend/CDialogServicesIF.h"
#include "maintenance/ReleaseUpdate.h"
#include "maintenance/UpdateTexts.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cwchar>

namespace {

// Workers run one step below normal priority so the GUI stays responsive.
void LowerThreadPriority() {
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, tid);
    if (errno == 0)
        setpriority(PRIO_PROCESS, tid, nice + 1);
}

class InTick {
public:
    explicit InTick(bool& flag) : m_flag(flag) { m_flag = true; }
    ~InTick() { m_flag = false; }
    InTick(const InTick&) = delete;
    InTick& operator=(const InTick&) = delete;

private:
    bool& m_flag;
};

} // namespace

bool DriveUntilClosed(UpdateRun& run, std::chrono::milliseconds tick,
                      std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (run.IsRunning()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(tick);
        run.Tick();
    }
    return true;
}

UpdateRun::UpdateRun(UpdateRunHostIF& host, UpdateTiming timing)
    : m_host(host), m_engine(host.Engine()), m_timing(timing) {}

UpdateRun::~UpdateRun() {
    // The host has normally shut the run down already; this only makes sure no
    // worker outlives the run. No host call here: the host may be half gone.
    JoinWorker();
    if (m_runState.load() != kRunIdle)
        m_engine.SetUpdateInProgress(false);
}

// ---- Starting -------------------------------------------------------------------------------

void UpdateRun::Launch(int32_t runState, std::function<void()> work) {
    m_host.SetBusy(true);
    m_finished.store(false);
    m_result = upd::kOk;
    m_finalMessage.clear();
    m_failurePosted = false;
    m_setupNote.clear();
    m_cancel.store(false);
    m_runPort = m_host.RunPort();
    {
        std::lock_guard lock(m_requestMutex);
        m_request = GuiRequest::None;
        m_eventSet = false;
    }
    m_runState.store(runState);
    // The flag goes up before the worker starts, so no other page sends a
    // command while it downloads; the refresh runs before the worker too, so
    // the GUI never reads the module record while the worker writes it.
    m_engine.SetUpdateInProgress(true);
    // An abort meant for an earlier run, which no chunk boundary took, must not
    // stop this one.
    m_engine.Channel().ClearAbort();
    m_host.StartTicks();
    m_host.UpdateControls();
    // Before the worker: the host reads the module record as it was.
    if (runState == kRunManual)
        m_host.RunStarted(ModuleOperationKind::Download, m_path, ComponentText(m_component),
                          kNoVersion);
    else
        m_host.RunStarted(ModuleOperationKind::Update, {}, {}, m_target.release.release);
    m_worker = std::thread([work = std::move(work)] {
        LowerThreadPriority();
        work();
    });
}

bool UpdateRun::StartManual(int32_t component, const std::wstring& path, bool releaseSelected) {
    if (IsRunning() || m_worker.joinable())
        return false;
    uint32_t size = 0;
    if (const int error = inputfile::OpenImage(m_stream, WideToUtf8(path), size); error != 0) {
        m_host.Dialogs().ReportFileError(path, FileOperation::Open, error);
        return false;
    }
    m_component = component;
    m_releaseSelected = releaseSelected;
    m_path = path;
    Launch(kRunManual, [this] { ManualWorker(); });
    return true;
}

bool UpdateRun::StartRelease(ReleaseTarget target, bool force) {
    if (IsRunning() || m_worker.joinable())
        return false;
    m_target = std::move(target);
    m_target.keepSetup = m_keepSetup;
    m_force = force;
    Launch(kRunRelease, [this] { ReleaseUpdate(*this, m_target, m_force).Run(); });
    return true;
}

// ---- Worker side ----------------------------------------------------------------------------

void UpdateRun::Post(std::wstring text) {
    std::lock_guard lock(m_mailboxMutex);
    m_mailbox = std::move(text);
}

void UpdateRun::PostFailure(std::wstring text) {
    m_failurePosted = true;
    Post(std::move(text));
}

upd::Code UpdateRun::Ask(GuiRequest request, const std::string& reconnectSerial) {
    std::unique_lock lock(m_requestMutex);
    if (m_cancel.load())
        return upd::kAborted;
    m_reconnectSerial = reconnectSerial;
    m_countdown = m_timing.rebootCountdown;
    m_attempts = m_timing.reconnectAttempts;
    // Taken as the reboot starts, so a module that is quickly back is not
    // mistaken for one that never went away.
    m_portWatch = request == GuiRequest::WaitAndReconnect ? CPortPresenceWatch(m_runPort)
                                                          : CPortPresenceWatch();
    m_request = request;
    m_requestDone.wait(lock, [this] { return m_eventSet || m_cancel.load(); });
    if (!m_eventSet)
        return upd::kAborted;
    m_eventSet = false;
    return m_requestResult;
}

bool UpdateRun::OnGuiThread(std::function<void()> work) {
    {
        std::lock_guard lock(m_requestMutex);
        m_call = std::move(work);
    }
    const upd::Code result = Ask(GuiRequest::Call);
    std::lock_guard lock(m_requestMutex);
    m_call = nullptr;
    return result == upd::kOk;
}

void UpdateRun::NoteSetup(std::wstring note) {
    m_setupNote = std::move(note);
}

std::wstring UpdateRun::ClosingText(upd::Code result, const std::wstring& message) const {
    std::wstring text = result == upd::kOk ? message : FailureText(result, message);
    if (!m_setupNote.empty())
        text += (text.empty() ? L"" : L"\n") + m_setupNote;
    return text;
}

eng::Code UpdateRun::Download(const std::function<eng::Code()>& operation) {
    // Announce the download before testing for a shutdown: Shutdown sets the
    // cancel flag before it looks at this one, so either this sees the cancel
    // or Shutdown sees the download and aborts it.
    m_downloading.store(true);
    eng::Code result = eng::kAborted;
    if (!m_cancel.load())
        result = operation();
    m_downloading.store(false);
    return result;
}

void UpdateRun::Finish(upd::Code result, std::wstring finalMessage) {
    m_result = result;
    if (!finalMessage.empty())
        m_finalMessage = std::move(finalMessage);
    // The run's status text says how it ended: it stays when the main status
    // line moves on (the module goes away right after a failed download).
    if (result != upd::kOk && !m_failurePosted)
        Post(ClosingText(result, m_finalMessage));
    m_finished.store(true);
}

void UpdateRun::ManualWorker() {
    if (!m_engine.IsConnected())
        return Finish(upd::kNotConnected);
    const bool application = m_component == kComponentSafeBoot || m_component == kComponentFerrin;
    // Without a release the run would otherwise stay open: close it as a
    // failure that names the reason.
    if (application && !m_releaseSelected)
        return Finish(upd::kNoReleaseAvailable,
                      L"No release assembly is available for the selected module type.");

    m_stream.seekg(0, std::ios::end);
    const std::streamoff end = m_stream.tellg();
    m_stream.seekg(0, std::ios::beg);
    const auto size = static_cast<uint32_t>(std::clamp<std::streamoff>(end, 0, UINT32_MAX));

    m_engine.NameNextImage(m_path);
    const eng::Code result = Download([&] {
        switch (m_component) {
        case kComponentSafeBoot:
            return m_engine.DownloadSafeBoot(m_stream, size);
        case kComponentFerrin:
            return m_engine.DownloadFerrin(m_stream, size);
        default:
            return m_engine.DownloadFpga(static_cast<uint8_t>(m_component), m_stream, size);
        }
    });
    m_stream.close();
    if (result != eng::kOk)
        return Finish(FilterResult(result));
    Finish(upd::kOk, application
                         ? L"Reboot the module for the newly updated firmware to take effect!"
                         : L"FPGA firmware has been automatically reloaded into the FPGA.");
}

// ---- GUI thread -----------------------------------------------------------------------------

void UpdateRun::RequestAbort() {
    // The release update has no Abort of its own; the manual one (option d)
    // ends its running download too.
    if (IsRunning() && !m_finished.load())
        m_engine.Channel().RequestAbort();
}

void UpdateRun::ResetProgressDisplay() {
    m_host.ShowProgress(kRunIdle, 0, ProgressPercentText(0.0f));
    m_host.ShowStatus(kRunIdle, L"");
}

void UpdateRun::ClearMailbox() {
    std::lock_guard lock(m_mailboxMutex);
    m_mailbox.clear();
}

void UpdateRun::Tick() {
    // A box shown from here runs a nested event loop in which the timer fires again.
    if (m_inTick)
        return;
    InTick guard(m_inTick);

    const int32_t state = m_runState.load();
    // Read before the mailbox: the worker posts its last text before it sets
    // the flag, so a run closed here has shown that text.
    const bool finished = m_finished.load();
    if (m_engine.IsConnected()) {
        const float progress = m_engine.GetProgress();
        m_host.ShowProgress(state, ProgressPosition(progress), ProgressPercentText(progress));
    }
    // The status text shows while the module is away too: that is when the
    // reboot and reconnect texts matter.
    if (state == kRunManual || state == kRunRelease) {
        std::wstring text;
        {
            std::lock_guard lock(m_mailboxMutex);
            text.swap(m_mailbox);
        }
        if (!text.empty())
            m_host.ShowStatus(state, text);
    }
    if (finished) {
        Close();
        return;
    }
    ServeRequest();
}

void UpdateRun::Answer(upd::Code result) {
    {
        std::lock_guard lock(m_requestMutex);
        m_request = GuiRequest::None;
        m_requestResult = result;
        m_eventSet = true;
    }
    m_requestDone.notify_all();
}

void UpdateRun::ServeRequest() {
    GuiRequest request = GuiRequest::None;
    std::string serial;
    {
        std::lock_guard lock(m_requestMutex);
        request = m_request;
        serial = m_reconnectSerial;
    }
    switch (request) {
    case GuiRequest::None:
        return;
    case GuiRequest::Call: {
        std::function<void()> call;
        {
            std::lock_guard lock(m_requestMutex);
            call = m_call;
        }
        if (!call)
            return Answer(upd::kUnknown);
        call();
        return Answer(upd::kOk);
    }
    case GuiRequest::Configure: {
        upd::Code result = upd::kLinkError;
        if (m_engine.IsConnected()) {
            const uint8_t release[2] = {m_target.release.release.major,
                                        m_target.release.release.minor};
            result = FilterResult(m_engine.ChangeModuleType(m_target.desired.moduleType, release));
        }
        Answer(result);
        return;
    }
    case GuiRequest::ManualReboot: {
        {
            std::lock_guard lock(m_requestMutex);
            m_request = GuiRequest::None;
        }
        if (!m_engine.IsConnected())
            return Answer(upd::kLinkError);
        m_host.Disconnect();
        m_host.Dialogs().MessageBox(updatetext::ManualRebootText(), kAttentionCaption,
                                    MsgButtons::Ok, MsgIcon::Exclamation);
        if (m_runState.load() == kRunIdle)
            return; // shut down while the box was up
        // Reconnecting to a module that was not rebooted would download
        // Ferrin to it again.
        if (const upd::Code rebooted = m_host.ModuleRebootedByHand(); rebooted != upd::kOk)
            return Answer(rebooted);
        Post(L"Reconnecting to the module...");
        if (m_host.Connect(serial))
            return Answer(upd::kOk);
        // Another module came back in its place: say so, not "no link".
        const std::string& found = m_engine.Module().serial;
        return Answer(!found.empty() && found != serial ? upd::kWrongModule : upd::kLinkError);
    }
    case GuiRequest::WaitAndReconnect: {
        // The operator sees which attempt is coming: a connect blocks this
        // thread, so its text goes up on the tick before.
        const int32_t attempt = m_timing.reconnectAttempts - m_attempts + 1;
        --m_countdown;
        // A port seen gone and back holds the rebooted module: connect on the
        // next tick. One that never went away (a bridge that keeps its node)
        // waits the whole countdown, so the old firmware or a booting
        // SafeBoot is not caught early.
        if (m_countdown > 1 && m_portWatch.Back())
            m_countdown = 1;
        if (m_countdown > 1 && attempt == 1) {
            Post(L"Waiting for the module to reboot...");
            return;
        }
        if (m_countdown > 0) {
            Post(ReconnectingText(attempt, m_timing.reconnectAttempts));
            return;
        }
        upd::Code result = upd::kOk;
        if (!m_host.Connect(serial)) {
            --m_attempts;
            result = upd::kLinkError;
        }
        if (result == upd::kLinkError && m_attempts > 0) {
            // The next early attempt needs the port to go away and come back again.
            m_countdown = m_timing.rebootCountdown;
            m_portWatch.Rearm();
            return;
        }
        return Answer(result);
    }
    }
}

void UpdateRun::JoinWorker() {
    if (!m_worker.joinable())
        return;
    {
        std::lock_guard lock(m_requestMutex);
        m_cancel.store(true);
    }
    m_requestDone.notify_all();
    if (m_downloading.load())
        m_engine.Channel().RequestAbort();
    m_worker.join();
}

void UpdateRun::Shutdown() {
    if (m_worker.joinable() && !m_finished.load()) {
        // A worker that reports a lost port to the GUI thread must not wait
        // for this thread while it waits for the worker.
        const CJoiningWorker joining(m_host.Dialogs());
        JoinWorker();
    } else if (m_worker.joinable()) {
        m_worker.join();
    }
    if (m_runState.load() == kRunIdle)
        return;
    m_host.StopTicks();
    m_stream.close();
    m_lastResult = m_finished.load() ? m_result : upd::kAborted;
    m_lastFinalMessage = m_finalMessage;
    m_lastSetupNote = m_setupNote;
    m_host.RunEnded(m_lastResult, ClosingText(m_lastResult, m_lastFinalMessage));
    m_host.SetBusy(false);
    m_engine.SetUpdateInProgress(false);
    m_runState.store(kRunIdle);
    m_finished.store(false);
    m_force = false;
    m_cancel.store(false);
    std::lock_guard lock(m_requestMutex);
    m_request = GuiRequest::None;
    m_eventSet = false;
}

bool UpdateRun::QueryClose() {
    if (!IsRunning())
        return true;
    const MsgResult answer = m_host.Dialogs().MessageBoxWhile(
        L"An update is in progress.\nClosing now stops it and may leave the module "
        L"unusable.\n\nDo you wish to close anyway?",
        kAttentionCaption, MsgButtons::YesNoDefaultNo, MsgIcon::Exclamation,
        [this] { return IsRunning(); });
    // A run that ended while the question was open has reported its outcome:
    // the window stays so that the operator sees it.
    if (!IsRunning() || answer != MsgResult::Yes)
        return false;
    Shutdown();
    return true;
}

void UpdateRun::Close() {
    m_host.StopTicks();
    // The worker has set the finished flag as its last act; joining is quick.
    if (m_worker.joinable())
        m_worker.join();
    const int32_t state = m_runState.load();
    if (state == kRunManual)
        m_stream.close();
    m_lastResult = m_result;
    m_lastFinalMessage = m_finalMessage;
    m_lastSetupNote = m_setupNote;
    m_host.RunEnded(m_result, ClosingText(m_result, m_finalMessage));
    Report(state, m_result, m_finalMessage);
    m_host.SetBusy(false);
    m_engine.SetUpdateInProgress(false);
    m_runState.store(kRunIdle);
    m_finished.store(false);
    m_force = false;
    m_host.UpdateControls();
}

void UpdateRun::Report(int32_t state, upd::Code result, const std::wstring& message) {
    if (result == upd::kOk) {
        m_host.ShowProgress(state, 100, ProgressPercentText(1.0f));
        m_host.ReportError(L"Update completed successfully.");
        m_host.Dialogs().MessageBox(ClosingText(result, message),
                                    updatetext::kUpdateSuccessfulCaption, MsgButtons::Ok,
                                    MsgIcon::Exclamation);
        // The new SafeBoot or Ferrin runs only after a reboot.
        if (state == kRunManual &&
            (m_component == kComponentSafeBoot || m_component == kComponentFerrin))
            m_host.Disconnect();
        return;
    }
    // A failed run's bar does not stay where the download stopped.
    m_host.ShowProgress(state, 0, ProgressPercentText(0.0f));
    switch (result) {
    case upd::kNoReleaseSelected:
    case upd::kNoFpgaDefinition:
    case upd::kNoTableDefinition:
        m_host.Dialogs().MessageBox(message, kAttentionCaption, MsgButtons::Ok,
                                    MsgIcon::Exclamation);
        return;
    default:
        m_host.ReportError(ClosingText(result, message));
        return;
    }
}
