#pragma once

#include "descriptions/ModuleDescription.h"
#include "descriptions/ReleaseTable.h"
#include "maintenance/UpdateCodes.h"

#include <cstdint>
#include <functional>
#include <string>

class CCmdEngine;

// What the worker asks the GUI thread to do.
enum class GuiRequest : int32_t {
    None = 0,
    Configure = 1,
    ManualReboot = 2,
    WaitAndReconnect = 3,
    Call = 4, // runs the work handed to OnGuiThread
};

struct UpdateTiming {
    int32_t rebootCountdown = 40; // ticks before each reconnect attempt
    int32_t reconnectAttempts = 10;
    int32_t ferrinTries = 3; // Ferrin downloads in one run before giving up
};

// What a release update works towards. The run keeps its own copies: a
// reconnect or a configure makes the page reload its release table while the
// worker still needs the release.
struct ReleaseTarget {
    AssemblyRecord release;
    ModuleDescription desired;
    // The module's setup is read before the downloads erase it and written
    // back after them.
    bool keepSetup = true;
};

// What a procedure running on the worker thread may do with the run that owns
// it: post status, ask the GUI thread, download with abort and progress, and
// end the run. The run implements it, so the procedure needs nothing above.
class UpdateWorkerIF {
public:
    virtual ~UpdateWorkerIF() = default;

    virtual CCmdEngine& Engine() = 0;
    virtual const UpdateTiming& Timing() const = 0;
    // The main status line and connect boxes stay silent while the module reboots.
    virtual void SetQuiet(bool quiet) = 0;
    // A status text for the GUI thread to show; a failure's text stays on the page.
    virtual void Post(std::wstring text) = 0;
    virtual void PostFailure(std::wstring text) = 0;
    // Blocks until the GUI thread has served the request; its result.
    virtual upd::Code Ask(GuiRequest request, const std::string& reconnectSerial = {}) = 0;
    // Blocks until the GUI thread has run the work; false when the run was
    // shut down first and the work did not run.
    virtual bool OnGuiThread(std::function<void()> work) = 0;
    // What became of the module's setup: a sentence added to the run's final text.
    virtual void NoteSetup(std::wstring note) = 0;
    // Runs one engine download with the run's abort and progress.
    virtual eng::Code Download(const std::function<eng::Code()>& operation) = 0;
    virtual bool Cancelled() const = 0;
    // The last call of the procedure: the GUI thread closes the run with the report.
    virtual void Finish(upd::Code result, std::wstring finalMessage = {}) = 0;
};
