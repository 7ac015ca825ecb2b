#pragma once

#include "engine/EngineCodes.h"

#include <cstdint>
#include <optional>
#include <string>

struct AssemblyRecord;
struct ModuleRecord;

// What a connect reports, whichever front end made it: the status line for
// the engine's result and the warning box the connected module calls for.
// The main dialog and the command-line tool both show exactly these.
namespace connectreport {

// The main window's title and the maker's web address (the logo's link; the
// newer-release box names it).
inline constexpr const wchar_t* kTitle = L"Varnet - Pellworth";
inline constexpr const wchar_t* kMakerAddress = L"https://www.varnet.example/pellworth";

inline constexpr const wchar_t* kConnected = L"Connected to module.";
inline constexpr const wchar_t* kPortCannotBeOpened = L"Port cannot be opened!";

// The box for a module that runs SafeBoot.
inline constexpr const wchar_t* kIncorrectSoftwareText =
    L"The module is not running the correct software.\n\nYou must do an Update before the module "
    L"can be used!";
inline constexpr const wchar_t* kIncorrectSoftwareCaption = L"Incorrect Module software!";
// The boxes for a module whose release is not the selected one.
inline constexpr const wchar_t* kReleaseMismatchCaption = L"Release Mismatch!";
inline constexpr const wchar_t* kModuleOlderText =
    L"The Release Version of the module is older than Pellworth.\nThe ability to adjust the setup "
    L"parameters of the module has been removed.\n\nPlease Update the Module.";
std::wstring ModuleNewerText();

struct ConnectStatus {
    std::wstring text;    // the status line; empty: it is left as it is
    bool success = false; // the connection counts as made
};

// After Connect returned `result`. `connected` is the engine's state
// afterwards; `expectedSerialGiven` marks a reconnect to a known module, which
// reports a usable result silently.
ConnectStatus StatusAfterConnect(conn::Code result, bool connected, bool expectedSerialGiven);

struct WarningBox {
    std::wstring text;
    std::wstring caption;
};

// The box to show once a module is connected: SafeBoot runs, or (not on a
// reconnect) its release is older or newer than `selected`, the release the
// update page offers (null: none). Nothing when all is well.
std::optional<WarningBox> WarningAfterConnect(const ModuleRecord& module, bool expectedSerialGiven,
                                              const AssemblyRecord* selected);

} // namespace connectreport
