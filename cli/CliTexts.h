#pragma once

#include <cstdint>
#include <string>

// The program's texts that live in its widget code (main dialog, Update tab,
// Lookup Table tab, Setup pages) and that the command-line tool shows too.
// They are kept here, in one place, until the program has them in a core
// library; every other text the tool shows comes from the core libraries.
namespace clitext {

// The application's title: the caption of a box that names none.
inline constexpr const wchar_t* kTitle = L"Varnet - Pellworth";
inline constexpr const wchar_t* kMakerAddress = L"https://www.varnet.example/pellworth";
inline constexpr const wchar_t* kAttention = L"Attention!";

// Connecting (main dialog).
inline constexpr const wchar_t* kConnected = L"Connected to module.";
inline constexpr const wchar_t* kPortCannotBeOpened = L"Port cannot be opened!";
inline constexpr const wchar_t* kNotConnected = L"Not connected to a module.";
inline constexpr const wchar_t* kIncorrectSoftwareText =
    L"The module is not running the correct software.\n\nYou must do an Update before the module "
    L"can be used!";
inline constexpr const wchar_t* kIncorrectSoftwareCaption = L"Incorrect Module software!";
inline constexpr const wchar_t* kReleaseMismatchCaption = L"Release Mismatch!";
inline constexpr const wchar_t* kModuleOlderText =
    L"The Release Version of the module is older than Pellworth.\nThe ability to adjust the setup "
    L"parameters of the module has been removed.\n\nPlease Update the Module.";
std::wstring ModuleNewerText();

// The main dialog's status line after Connect returned `result`; `success`
// tells whether the program counts the connection as made.
struct ConnectStatus {
    std::wstring text; // may be empty
    bool success = false;
};
ConnectStatus ConnectStatusText(int32_t result, bool connected, bool expectedSerialGiven);

// Setup pages: why their controls are greyed out.
inline constexpr const wchar_t* kSetupSafeBoot =
    L"Module is running SafeBoot: controls are disabled!";
inline constexpr const wchar_t* kSetupReleaseMismatch =
    L"Release Versions do not match: controls are disabled!";
inline constexpr const wchar_t* kSetupWrongType =
    L"not proper form for module type: controls are disabled!";

// Update tab: the manual download's questions and results.
inline constexpr const wchar_t* kFerrinQuestion =
    L"Updating Ferrin erases the module configuration parameters.\nFPGA firmware may also need "
    L"to be updated.\nVersion number will update after rebooting module.\n\nAre you sure you "
    L"wish to do this?";
inline constexpr const wchar_t* kSafeBootQuestion =
    L"Updating SafeBoot erases Ferrin and the module configuration parameters.\nFPGA firmware "
    L"may also need to be updated.\nVersion number will update after rebooting module.\nNOTE: "
    L"This process cannot be aborted and must not be interrupted!.\n\nAre you sure you wish to "
    L"do this?";
inline constexpr const wchar_t* kFpgaQuestion =
    L"Updating the FPGA firmware erases the module configuration parameters.\nVersion number "
    L"will update after rebooting module.\n\nAre you sure you wish to do this?";
inline constexpr const wchar_t* kUpdateCancelled = L"Update was cancelled!";

// Release update: the questions that force components, and the outcome that
// is no failure.
inline constexpr const wchar_t* kDowngradeQuestionStart =
    L"Continuing with this update would actually downgrade the module";
inline constexpr const wchar_t* kForceAnywayQuestionStart =
    L"All components already updated to Release '";
inline constexpr const wchar_t* kNoUpdatesNeeded = L"No updates were needed.";
// The release update's confirmation dialog.
inline constexpr const wchar_t* kReleasePromptText =
    L"One or more components will be updated as needed.\nDo not disturb the selected module "
    L"until the update\nhas completed!";
inline constexpr const wchar_t* kReleasePromptForce = L"Force all components to be updated.";
inline constexpr const wchar_t* kReleasePromptQuestion = L"Proceed with the update?";
// The box that waits for the operator to reboot the module by hand.
inline constexpr const wchar_t* kManualRebootEnd = L"Press OK when this is done.";

// Lookup Table tab.
std::wstring LookupTableQuestion(const std::wstring& tableName, const std::wstring& fpgaName);
inline constexpr const wchar_t* kUpdateSuccessful = L"Update Successful!";

// ---- The tool's own texts ---------------------------------------------------------------------

inline constexpr const wchar_t* kSetupUnverified =
    L"The module's release could not be verified: controls are disabled!";
inline constexpr const wchar_t* kSetupNotWritten =
    L"The module did not keep the setup that was written to it.";
inline constexpr const wchar_t* kDownloadNeedsFerrin =
    L"Module is running SafeBoot: single downloads are disabled!";
inline constexpr const wchar_t* kSafeBootNoAbort =
    L"A SafeBoot download cannot be aborted; waiting for it to finish.";
inline constexpr const wchar_t* kNoTerminal =
    L"No terminal to answer this question (use --yes): answered No.";
inline constexpr const wchar_t* kDowngradeNeedsForce =
    L"A downgrade forces every component: answered No (use --force).";
std::wstring ReleaseNotInTable(const std::wstring& release, const std::wstring& typeName);

} // namespace clitext
