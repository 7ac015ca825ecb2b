#pragma once

#include "descriptions/VersionNumber.h"
#include "engine/ModuleOperationKind.h"
#include "maintenance/UpdateCodes.h"

#include <cstdint>
#include <string>

class CCmdEngine;
class CDialogServicesIF;

// How the confirmation of a release update ended.
enum class PromptAnswer { Yes, No, Unavailable };

// What an update run needs of the program that hosts it: the Update tab in the
// GUI, or a command-line front end. "GUI thread" is the thread that starts runs
// and calls UpdateRun::Tick; the worker thread calls only Engine() and SetQuiet().
class UpdateRunHostIF {
public:
    virtual ~UpdateRunHostIF() = default;

    // The engine; the worker downloads through it while the GUI thread waits.
    virtual CCmdEngine& Engine() = 0;
    // Boxes and the standard file-error report (GUI thread).
    virtual CDialogServicesIF& Dialogs() = 0;
    // The main status line (GUI thread).
    virtual void ReportError(const std::wstring& text) = 0;
    // The main window's control refresh (GUI thread).
    virtual void UpdateControls() = 0;
    // Reopens the module's port and connects; the module must have the serial
    // unless it is empty. True when the connect succeeded (GUI thread).
    virtual bool Connect(const std::string& expectedSerial) = 0;
    virtual void Disconnect() = 0;
    // The port the module is on when a run starts, watched through the
    // module's reboot so it is reconnected as soon as it is back; 0 when
    // not known, and the run waits its fixed countdown (GUI thread).
    virtual uint16_t RunPort() { return 0; }
    // Silences the main status line while the module reboots. Called on the
    // WORKER thread: hand it over without waiting for the GUI thread.
    virtual void SetQuiet(bool quiet) = 0;
    // The release update's confirmation: Yes with the force choice, No, or
    // Unavailable when it cannot be shown (GUI thread).
    virtual PromptAnswer ConfirmReleaseUpdate(bool& force) = 0;

    // Display of a run (GUI thread). runState 1 is the manual download's bar,
    // text and status, 2 the release update's, 0 both.
    virtual void ShowProgress(int32_t runState, int position, const std::wstring& percent) = 0;
    virtual void ShowStatus(int32_t runState, const std::wstring& text) = 0;
    // The busy rule: manual Update disabled and manual Abort enabled while busy.
    virtual void SetBusy(bool /*busy*/) {}
    // Tick() is wanted every 100 ms from StartTicks until StopTicks.
    virtual void StartTicks() {}
    virtual void StopTicks() {}
    // After the operator was told to reboot the module by hand (and the box
    // was answered): upd::kOk when the module may be reconnected. A front end
    // without an operator at a box waits here until the module has gone away
    // and come back, and otherwise gives why not: upd::kNotRebooted (never
    // went away), upd::kNotBack (went away, stayed away) or eng::kAborted
    // (the wait was interrupted) (GUI thread).
    virtual upd::Code ModuleRebootedByHand() { return upd::kOk; }

    // A run is about to send to the module, and no worker runs yet (GUI
    // thread): a Download of the component ("Ferrin", "FPGA 0") from the
    // file, or an Update to the release. For the results log.
    virtual void RunStarted(ModuleOperationKind /*kind*/, const std::wstring& /*file*/,
                            const std::wstring& /*component*/, VersionNumber /*release*/) {}
    // That run has ended, before its report is shown (GUI thread): its result
    // and the text that says how it ended.
    virtual void RunEnded(upd::Code /*result*/, const std::wstring& /*text*/) {}
};
