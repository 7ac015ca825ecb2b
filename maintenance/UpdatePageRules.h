#pragma once

// When the Update page shows a group and lets a control be used, from the
// program's options and the module's state: Qt-free, so the rules are tested
// as a table without widgets.

struct UpdatePageState {
    bool optionM = false;
    bool optionD = false;
    bool ferrin = false;         // the module runs Ferrin
    bool inProgress = false;     // a download holds the engine
    bool busy = false;           // the page's manual download is asked for or runs
    bool safeBootChosen = false; // the manual download's component is SafeBoot
};

enum class UpdateControl {
    // Shown or hidden.
    HardwareGroup,
    ModuleTypeGroup,
    VersionsGroup,
    FirmwareUpdateGroup,
    VersionGroup,
    DownloadGroup,
    ManualAbortShown,
    // Enabled or greyed.
    NameEdit,
    NameEnter,
    SerialEdit,
    SerialEnter,
    AssemblyEnter,
    SetModuleType,
    FirmwareCombo,
    FileCombo,
    Browse,
    ManualUpdate,
    ManualAbort,
    ReleaseUpdate,
    KeepSetup,
};

// A group or the manual Abort: shown; any other control: enabled.
bool UpdateControlAllowed(UpdateControl control, const UpdatePageState& state);
