#pragma once

#include "descriptions/VersionNumber.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The command line of pellworth-cli. Everything is checked here, before the
// tool opens a port: a bad argument never reaches the module.
namespace cli {

enum class Command { Ports, Info, Peek, Poke, Csv, Setup, Download, Update, Log };
enum class SetupAction { Show, Save, Load, Defaults };
enum class DownloadKind { Ferrin, SafeBoot, Fpga, Lut };

struct Arguments {
    Command command = Command::Ports;

    // The program's flags, with the program's meaning (CUSBCommandLineInfo).
    bool optionM = false;
    bool optionD = false;
    uint32_t forcedModuleType = 0;

    bool json = false;
    std::optional<uint16_t> port;
    // update only: several modules at once, --port 3,4,7 or --port all (every
    // module discovery finds). port is then empty.
    std::vector<uint16_t> ports;
    bool allPorts = false;
    // --port with a device path (/dev/ttyACM0, /dev/serial/by-id/...), or
    // --serial S / S1,S2 on a command that works on modules: turned into
    // port or ports when the run starts (cli/PortChoice.h).
    std::vector<std::wstring> portPaths;
    std::vector<std::wstring> moduleSerials;
    // The list form was given (a comma, or all): several modules at once.
    bool listForm = false;
    bool yes = false;
    bool force = false;
    bool noPeek = false;
    // update: the module's setup is read before the downloads and written back after.
    bool keepSetup = true;
    // --release X.Y, or --release latest.
    std::optional<VersionNumber> release;
    bool latestRelease = false;

    // peek / poke.
    uint32_t interface = 0;
    uint8_t device = 0;
    uint32_t address = 0;
    uint8_t value = 0;
    // csv, setup save/load, download.
    std::wstring file;
    SetupAction setupAction = SetupAction::Show;
    DownloadKind downloadKind = DownloadKind::Ferrin;
    uint8_t fpgaId = 0;
    uint8_t tableId = 0;

    bool Parallel() const { return listForm; }
    // The port is known only when the run starts (a path or a serial).
    bool PortsToChoose() const { return !portPaths.empty() || !moduleSerials.empty(); }
    // The results log: --log FILE, none with --no-log, else the default file.
    std::wstring logFile;
    bool noLog = false;
    // --data DIR: the release data's folder (empty: the usual places).
    std::wstring dataDir;
    // --trace FILE: the wire trace (empty: $PELLWORTH_TRACE, if set).
    std::wstring traceFile;
    // log: --serial S (other commands: moduleSerials), and --since as
    // "YYYY-MM-DDTHH:MM:SSZ" (UTC).
    std::optional<std::wstring> serial;
    std::string since;
    // update: how long a module rebooted by hand may take ($PELLWORTH_REBOOT_WAIT).
    std::chrono::seconds rebootWait{120};
};

struct ParseResult {
    bool ok = false;
    bool help = false;    // --help: print the reference and succeed
    bool version = false; // --version: print the version and succeed
    Arguments arguments;
    std::wstring error;             // what is wrong, when not ok
    std::optional<Command> command; // the command named, if any (for its usage line)
    bool json = false;              // --json was seen, even on a bad line
};

// Parses the parameters after the program name (UTF-8, as main receives them).
ParseResult ParseArguments(const std::vector<std::string>& args);

// "usage: pellworth-cli ..." for one command, or for all when none is named.
std::wstring UsageLine(std::optional<Command> command);
// $PELLWORTH_REBOOT_WAIT: unset or empty is 120 s, else a whole number of
// seconds from 1 to 999999999 (digits only); none for anything else.
std::optional<std::chrono::seconds> ParseRebootWait(const char* value);
// The whole command-line reference (--help).
std::wstring HelpText();
const wchar_t* CommandName(Command command);
// "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM:SSZ" as the latter; none when no such UTC time.
std::optional<std::string> ParseUtcTime(const std::wstring& text);

} // namespace cli
