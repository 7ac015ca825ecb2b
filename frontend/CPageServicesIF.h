#pragma once

#include "descriptions/VersionNumber.h"
#include "engine/ModuleOperationKind.h"

#include <cstdint>
#include <string>

class CCmdEngine;
class CDialogServicesIF;
struct ModuleRecord;
struct AssemblyRecord;

// A page that sets this property (true) on its widget takes the Return key
// itself; the main dialog then leaves Return to it instead of dropping it.
inline constexpr const char* kHandlesReturnProperty = "pellworthHandlesReturn";

// What the tab pages need of the application and of each other (the update
// page owns the release selection). The application object implements it;
// page tests implement it themselves. Every call is made on the GUI thread.
class CPageServicesIF {
public:
    virtual ~CPageServicesIF() = default;

    virtual CCmdEngine* Engine() = 0;
    virtual CDialogServicesIF& Dialogs() = 0;
    // The main status line (dropped while quiet).
    virtual void ReportError(const std::wstring& text) = 0;
    virtual bool IsOptionM() = 0;
    virtual bool IsOptionD() = 0;

    virtual void UpdateControls() = 0;
    virtual void SetQuiet(bool quiet) = 0;
    virtual bool IsQuiet() = 0;
    virtual bool Connect(const std::string& expectedSerial) = 0;
    virtual void Disconnect() = 0;
    // The port the connected module is on (0 when none), watched by a run
    // while the module reboots.
    virtual uint16_t RunPort() { return 0; }

    // The update page's selected release, or null.
    virtual const AssemblyRecord* CurrentRelease() = 0;
    // The selected release exists and its release equals the version.
    virtual bool ReleaseMatches(VersionNumber version) = 0;
    // The module provably runs a release of the update page's table.
    virtual bool ModuleEntryValid(const ModuleRecord& module) = 0;

    // The results log. A page says when an operation that changes the module
    // starts sending to it (the module record is taken as it is then) and how
    // it ended; the application writes the record. file: the image, table,
    // setup or CSV file; component: what a download writes; release: where an
    // update goes. Ended without a start records nothing.
    virtual void OperationStarted(ModuleOperationKind /*kind*/, const std::wstring& /*file*/ = {},
                                  const std::wstring& /*component*/ = {},
                                  VersionNumber /*release*/ = kNoVersion) {}
    virtual void OperationEnded(int32_t /*result*/, const std::wstring& /*text*/) {}
};
