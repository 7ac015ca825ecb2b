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

// The options and exit statuses of --help, after the commands.
inline constexpr const wchar_t* kOptionsHelp =
    L"  -m, -d, -tarn, -orlan  the program's flags (-d for the engineering commands)\n"
    L"  --data DIR             the release data's folder (it holds types/)\n"
    L"  --port N               the module's port: 3, COM3 or a device path such as\n"
    L"                         /dev/ttyACM0 or /dev/serial/by-path/... (see 'ports')\n"
    L"  --port 3,4,7 | all     update only: those modules (or every one found) at once,\n"
    L"                         each on its own port; needs --yes\n"
    L"  --json                 one JSON object on standard output, with its formatVersion\n"
    L"  --yes                  answer the questions Yes (not those that force)\n"
    L"  --force                update every component; answer the forcing questions Yes\n"
    L"  --release X.Y          the release to work with instead of the one proposed\n"
    L"  --no-keep-setup        update: leave the module's setup as the downloads leave\n"
    L"                         it (by default it is read first and written back)\n"
    L"  --no-peek              poke without reading the register back\n"
    L"  --log FILE             the results log to append to or read (default\n"
    L"                         $XDG_STATE_HOME/pellworth/results.jsonl, else\n"
    L"                         ~/.local/state/pellworth/results.jsonl)\n"
    L"  --no-log               record nothing in the results log\n"
    L"  --trace FILE           append every write, read and purge at the port to FILE\n"
    L"                         (also $PELLWORTH_TRACE=FILE)\n"
    L"  --serial S             the module with serial S, instead of --port (it connects\n"
    L"                         to every module to read its serial; S1,S2 for update\n"
    L"                         with several at once); log: only the records of serial S\n"
    L"  --since DATE           log: only the records from DATE on (YYYY-MM-DD or\n"
    L"                         YYYY-MM-DDTHH:MM:SSZ, UTC)\n"
    L"  -h, --help             print this text and exit\n"
    L"  --version              print the version and exit\n\n"
    L"Exit status: 0 success, 1 failure, 2 bad argument, 3 no connection, 4 declined,\n"
    L"130 interrupted.\n";

} // namespace clitext
