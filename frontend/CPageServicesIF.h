#pragma once

#include "descriptions/ModuleTypeNames.h"
#include "descriptions/VersionNumber.h"
#include "engine/ModuleOperationKind.h"
#include "frontend/ReleaseSelection.h"

#include <cstdint>
#include <string>

class CCmdEngine;
class CConfigBlockIF;
class CDialogServicesIF;
struct ModuleRecord;
struct AssemblyRecord;

// A page that sets this property (true) on its widget takes the Return key
// itself; the main dialog then leaves Return to it instead of dropping it.
inline constexpr const char* kHandlesReturnProperty = "pellworthHandlesReturn";

// What the tab pages need of the program: the session's engine, release
// selection, setup blocks, status line and results log, and the main
// window's refresh. SessionPageServices implements it over a session; the
// application and the page tests use that. Every call is made on the GUI thread.
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

    // The release the module is brought to (the Update page shows and changes it).
    virtual frontend::ReleaseSelection& Selection() = 0;
    // The selected release, or null.
    virtual const AssemblyRecord* CurrentRelease() { return Selection().Selected(); }
    // The selected release exists and its release equals the version.
    virtual bool ReleaseMatches(VersionNumber version) { return Selection().Matches(version); }
    // The module provably runs a release of the selection's table.
    virtual bool ModuleEntryValid(const ModuleRecord& module) {
        return Selection().EntryValid(module);
    }
    // The selected release's version of a lookup table (255.255 without one).
    virtual VersionNumber DesiredTableVersion(uint8_t fpgaId, uint8_t tableId) {
        return Selection().TableVersion(fpgaId, tableId);
    }
    // The setup block of a module type (one for the whole session), or null.
    virtual CConfigBlockIF* SetupBlock(ModuleTypeId type) = 0;

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
