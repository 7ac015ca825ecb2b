#pragma once

#include "link/PortPresence.h"
#include "maintenance/UpdateCodes.h"
#include "maintenance/UpdateRunHostIF.h"
#include "maintenance/UpdateTexts.h"
#include "maintenance/UpdateWorkerIF.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class CCmdEngine;

// One update at a time: a manual download of one component or a release
// update, run on a worker thread. The GUI thread (the host's) starts runs,
// calls Tick() every 100 ms while one is going, and there serves what the
// worker asks of it (configure, manual reboot, reconnect), shows progress and
// status, and closes the run with its report.
//
// The host owns the run and must call Shutdown() in its own destructor, before
// its members go: Shutdown aborts a running download, releases a worker that
// waits for the GUI thread and joins it.
class UpdateRun : public UpdateWorkerIF {
public:
    explicit UpdateRun(UpdateRunHostIF& host, UpdateTiming timing = {});
    ~UpdateRun() override;
    UpdateRun(const UpdateRun&) = delete;
    UpdateRun& operator=(const UpdateRun&) = delete;

    // ---- GUI thread --------------------------------------------------------------------------

    // Starts the manual download of a component from a file the page has
    // tested and the operator has confirmed. False (with the file-error box)
    // when the file does not open, or while another run is going.
    bool StartManual(int32_t component, const std::wstring& path, bool releaseSelected);
    // Starts the release update worker (the start checks are StartReleaseUpdate).
    bool StartRelease(ReleaseTarget target, bool force);
    // The 100 ms tick: progress, status, closing, GUI requests.
    void Tick();
    // The manual "Abort": the running download (of either kind of run) ends
    // and the run closes with "Update was aborted!".
    void RequestAbort();

    bool IsRunning() const { return m_runState.load() != kRunIdle; }
    int32_t RunState() const { return m_runState.load(); }
    // Asks before the main window closes while a run is going; Yes aborts and
    // joins the run, No keeps the window open.
    bool QueryClose();
    // Aborts and joins a running worker and leaves the run idle without a report.
    void Shutdown();

    // Both bars 0, both texts "0.0%", both status texts empty.
    void ResetProgressDisplay();
    void ClearMailbox();

    // The outcome of the last closed run.
    upd::Code LastResult() const { return m_lastResult; }
    const std::wstring& LastFinalMessage() const { return m_lastFinalMessage; }

    UpdateRunHostIF& Host() { return m_host; }
    CCmdEngine& Engine() override { return m_engine; }
    const UpdateTiming& Timing() const override { return m_timing; }
    void SetQuiet(bool quiet) override { m_host.SetQuiet(quiet); }
    const ReleaseTarget& Target() const { return m_target; }
    bool Force() const { return m_force; }
    // Whether release updates keep the module's setup (on unless turned off).
    void SetKeepSetup(bool keep) { m_keepSetup = keep; }
    bool KeepSetup() const { return m_keepSetup; }
    // What became of the module's setup in the last closed run; empty when
    // nothing was said.
    const std::wstring& LastSetupNote() const { return m_lastSetupNote; }

    // ---- Worker thread -----------------------------------------------------------------------

    // Replaces the text of the status mailbox (also used by the GUI thread).
    void Post(std::wstring text) override;
    // Posts the text that says why the run is failing; Finish then posts no
    // text of its own.
    void PostFailure(std::wstring text) override;
    // Asks the GUI thread to serve a request and waits for its result code;
    // -17 when the run is shut down meanwhile.
    upd::Code Ask(GuiRequest request, const std::string& reconnectSerial = {}) override;
    bool OnGuiThread(std::function<void()> work) override;
    void NoteSetup(std::wstring note) override;
    // Runs one engine download unless the run is being shut down (-17).
    eng::Code Download(const std::function<eng::Code()>& operation) override;
    bool Cancelled() const override { return m_cancel.load(); }
    // Ends the worker's run: the next tick closes it. A failure leaves its
    // text (FailureText) as the run's status text unless PostFailure said why.
    void Finish(upd::Code result, std::wstring finalMessage = {}) override;

private:
    void Launch(int32_t runState, std::function<void()> work);
    void ManualWorker();
    void ServeRequest();
    void Answer(upd::Code result);
    void Close();
    void Report(int32_t state, upd::Code result, const std::wstring& message);
    void JoinWorker();
    // The closing text: the outcome and what became of the setup.
    std::wstring ClosingText(upd::Code result, const std::wstring& message) const;

    UpdateRunHostIF& m_host;
    CCmdEngine& m_engine;
    const UpdateTiming m_timing;

    // Run members: written by the worker before it sets the finished flag, read
    // by the GUI thread after it has seen the flag.
    std::atomic<int32_t> m_runState{kRunIdle};
    std::atomic<bool> m_finished{false};
    upd::Code m_result = upd::kOk;
    std::wstring m_finalMessage;
    bool m_force = false;
    bool m_keepSetup = true;
    std::wstring m_setupNote; // worker, before the finished flag

    // Set by the GUI thread before the worker starts, read by the worker.
    int32_t m_component = 0;
    bool m_releaseSelected = false;
    std::wstring m_path;
    std::ifstream m_stream;
    ReleaseTarget m_target;

    std::mutex m_mailboxMutex;
    std::wstring m_mailbox;
    bool m_failurePosted = false; // worker only

    // GUI request and its done event (manual reset). The worker sets the
    // request with its countdown and attempts, then waits; the GUI thread
    // serves it, clears it and sets the event.
    std::mutex m_requestMutex;
    std::condition_variable m_requestDone;
    GuiRequest m_request = GuiRequest::None;
    bool m_eventSet = false;
    upd::Code m_requestResult = upd::kOk;
    int32_t m_countdown = 0;
    int32_t m_attempts = 0;
    std::string m_reconnectSerial;
    uint16_t m_runPort = 0;         // the host's, when the run started
    CPortPresenceWatch m_portWatch; // set with a WaitAndReconnect request
    std::function<void()> m_call;

    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_downloading{false};
    bool m_inTick = false;
    std::thread m_worker;

    upd::Code m_lastResult = upd::kOk;
    std::wstring m_lastFinalMessage;
    std::wstring m_lastSetupNote;
};

// Drives a run from a host without an event loop (a command-line front end,
// tests): ticks every `tick` until the run has closed; false after `limit`.
bool DriveUntilClosed(UpdateRun& run, std::chrono::milliseconds tick,
                      std::chrono::milliseconds limit);
