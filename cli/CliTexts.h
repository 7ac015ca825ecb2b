#pragma once

#include "frontend/Json.h"

#include <cstdint>
#include <string>

// The tool's own texts: what only a command line has to say. Every text the
// program shows as well comes from the core libraries.
namespace clitext {

inline constexpr const wchar_t* kSetupNotWritten =
    L"The module did not keep the setup that was written to it.";
inline constexpr const wchar_t* kSetupNotSent = L"The setup was not sent to the module.";
inline constexpr const wchar_t* kSetupNotTaken =
    L"The module did not take the setup that was sent to it.";
inline constexpr const wchar_t* kSetupNotReadBack =
    L"The setup was sent, but the module did not answer when it was read back: whether it "
    L"kept it is not known.";
// info: a read of the identification went unanswered.
inline constexpr const wchar_t* kIdentityIncomplete =
    L"The module did not answer every identification read: what is shown is incomplete.";
inline constexpr const wchar_t* kDownloadNeedsFerrin =
    L"Module is running SafeBoot: single downloads are disabled!";
inline constexpr const wchar_t* kSafeBootNoAbort =
    L"A SafeBoot download cannot be aborted; waiting for it to finish.";
inline constexpr const wchar_t* kNoTerminal =
    L"No terminal to answer this question (use --yes): answered No.";
inline constexpr const wchar_t* kDowngradeNeedsForce =
    L"A downgrade forces every component: answered No (use --force).";
std::wstring ReleaseNotInTable(const std::wstring& release, const std::wstring& typeName);
// info on a module of a release without a type file.
std::wstring SetupNotShown(const std::wstring& release);
// The manual reboot: the tool watches the port instead of asking.
std::wstring WaitingForReboot(uint16_t port, long long seconds);

// The version of the --json output's form; a script checks it before it
// reads further. Raised whenever a member changes meaning or shape.
inline constexpr int kJsonFormatVersion = 2;
// A top-level --json object as the line the tool prints, with its formatVersion.
std::string JsonDocument(frontend::JsonValue json);

} // namespace clitext
