#include "cli/CliArguments.h"
#include "cli/CliTexts.h"

#include "descriptions/ModuleTypeNames.h"
#include "descriptions/XmlText.h"
#include "frontend/CUSBCommandLineInfo.h"
#include "link/PortNames.h"
#include "maintenance/CPeekPokeText.h"

#include <algorithm>
#include <array>
#include <cwctype>

namespace cli {

namespace {

// What a command takes besides its words. Options a command does not take
// are refused rather than ignored: a script that passes --force to the wrong
// command should hear about it.
enum Takes : unsigned {
    kPort = 1,
    kYes = 2,
    kForce = 4,
    kRelease = 8,
    kNoPeek = 16,
    kNeedsD = 32,     // an engineering command: the program shows it with option d only
    kLogs = 64,       // changes the module: a record goes to the results log
    kFilters = 128,   // --serial and --since (the log command)
    kKeepSetup = 256, // --no-keep-setup
};

struct CommandDef {
    Command command;
    const wchar_t* name;
    const wchar_t* words;
    unsigned takes;
};

constexpr std::array<CommandDef, 9> kCommands{{
    {Command::Ports, L"ports", L"", 0},
    {Command::Info, L"info", L"[--release X.Y]", kPort | kRelease},
    {Command::Peek, L"peek", L"INTERFACE DEVICE ADDRESS", kPort | kNeedsD},
    {Command::Poke, L"poke", L"[--no-peek] INTERFACE DEVICE ADDRESS VALUE",
     kPort | kNoPeek | kNeedsD},
    {Command::Csv, L"csv", L"FILE", kPort | kNeedsD | kLogs},
    {Command::Setup, L"setup", L"[--release X.Y] [--yes] show | save FILE | load FILE | defaults",
     kPort | kYes | kRelease | kLogs},
    {Command::Download, L"download",
     L"[--yes] ferrin FILE | safeboot FILE | fpga ID FILE | lut ID TABLE FILE",
     kPort | kYes | kRelease | kNeedsD | kLogs},
    {Command::Update, L"update", L"[--force] [--release X.Y|latest] [--no-keep-setup] [--yes]",
     kPort | kYes | kForce | kRelease | kLogs | kKeepSetup},
    {Command::Log, L"log", L"[--serial S] [--since DATE]", kFilters},
}};

const CommandDef& Def(Command command) {
    return *std::find_if(kCommands.begin(), kCommands.end(),
                         [command](const CommandDef& d) { return d.command == command; });
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(static_cast<wint_t>(x)) ==
                      std::towlower(static_cast<wint_t>(y));
           });
}

// "-m", "/D", "-Tarn": one of the program's flags (prefix "-" or "/", any case).
bool IsProgramFlag(const std::wstring& arg) {
    if (arg.size() < 2 || (arg[0] != L'-' && arg[0] != L'/'))
        return false;
    const std::wstring flag = arg.substr(1);
    return SameIgnoringCase(flag, L"m") || SameIgnoringCase(flag, L"d") ||
           ModuleTypeFromFlag(flag) != kModuleTypeUnknown;
}

bool AllDigits(const std::wstring& text) {
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

std::optional<uint16_t> ParsePort(const std::wstring& text) {
    if (AllDigits(text))
        return portnames::ParsePortName(L"COM" + text);
    if (text.size() > 3 && SameIgnoringCase(text.substr(0, 3), L"COM"))
        return portnames::ParsePortName(L"COM" + text.substr(3));
    return std::nullopt;
}

// A device node or a link to one: /dev/ttyACM0, /dev/serial/by-id/..., ./ttyX.
bool IsDevicePath(const std::wstring& text) {
    return text.find(L'/') != std::wstring::npos;
}

std::optional<uint32_t> ParseDecimal(const std::wstring& text, uint32_t max) {
    if (!AllDigits(text))
        return std::nullopt;
    const unsigned long value = std::stoul(text);
    if (value > max)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

// Two decimal numbers 0..255 joined by a point; "no version" (0.0, 255.255) is none.
std::optional<VersionNumber> ParseRelease(const std::wstring& text) {
    const size_t dot = text.find(L'.');
    if (dot == std::wstring::npos)
        return std::nullopt;
    const auto major = ParseDecimal(text.substr(0, dot), 255);
    const auto minor = ParseDecimal(text.substr(dot + 1), 255);
    if (!major || !minor)
        return std::nullopt;
    const VersionNumber release{static_cast<uint8_t>(*major), static_cast<uint8_t>(*minor)};
    if (release.IsNone())
        return std::nullopt;
    return release;
}

// Hexadecimal as the Peek/Poke page takes it (at most `digits` digits), with
// an optional 0x in front as in the CSV file.
std::optional<uint32_t> ParseHex(std::wstring text, size_t digits) {
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X'))
        text = text.substr(2);
    if (text.empty() || !peekpoke::AcceptHexText(text, digits))
        return std::nullopt;
    return peekpoke::ReadHexText(text);
}

// The interface by its name; letter case does not matter on the command line.
std::optional<uint32_t> ParseInterface(const std::wstring& text) {
    for (uint32_t i = 0; i < 4; ++i)
        if (SameIgnoringCase(text, peekpoke::InterfaceName(i)))
            return i;
    return std::nullopt;
}

class Parser {
public:
    explicit Parser(ParseResult& result) : m_result(result), m_args(result.arguments) {}

    bool Parse(const std::vector<std::string>& raw);

private:
    bool Fail(std::wstring text) {
        m_result.error = std::move(text);
        return false;
    }
    bool TakeOption(const std::wstring& arg, const std::vector<std::wstring>& all, size_t& i);
    bool ParseWords(const std::vector<std::wstring>& words);
    bool CheckOptions(const CommandDef& def);
    bool ParsePortList(const std::wstring& list);
    bool SplitSerials(const std::wstring& list);

    ParseResult& m_result;
    Arguments& m_args;
    CUSBCommandLineInfo m_flags;
    bool m_portSeen = false;
    bool m_yesSeen = false;
    bool m_forceSeen = false;
    bool m_noKeepSetupSeen = false;
    bool m_releaseSeen = false;
    bool m_noPeekSeen = false;
    bool m_noLogSeen = false;
};

bool Parser::TakeOption(const std::wstring& arg, const std::vector<std::wstring>& all, size_t& i) {
    // "--name=value" or "--name value".
    std::wstring name = arg;
    std::optional<std::wstring> value;
    if (const size_t eq = arg.find(L'='); eq != std::wstring::npos) {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
    }
    auto needValue = [&]() -> bool {
        if (value)
            return true;
        if (i + 1 >= all.size())
            return false;
        value = all[++i];
        return true;
    };
    auto noValue = [&]() { return !value.has_value(); };

    if (name == L"--json" && noValue()) {
        m_args.json = true;
    } else if (name == L"--yes" && noValue()) {
        m_yesSeen = m_args.yes = true;
    } else if (name == L"--force" && noValue()) {
        m_forceSeen = m_args.force = true;
    } else if (name == L"--no-keep-setup" && noValue()) {
        m_noKeepSetupSeen = true;
        m_args.keepSetup = false;
    } else if (name == L"--no-peek" && noValue()) {
        m_noPeekSeen = m_args.noPeek = true;
    } else if (name == L"--no-log" && noValue()) {
        m_noLogSeen = m_args.noLog = true;
    } else if (name == L"--log") {
        if (!m_args.logFile.empty())
            return Fail(L"--log given twice");
        if (!needValue() || value->empty())
            return Fail(L"--log needs a file name");
        m_args.logFile = *value;
    } else if (name == L"--data") {
        if (!m_args.dataDir.empty())
            return Fail(L"--data given twice");
        if (!needValue() || value->empty())
            return Fail(L"--data needs a folder");
        m_args.dataDir = *value;
    } else if (name == L"--trace") {
        if (!m_args.traceFile.empty())
            return Fail(L"--trace given twice");
        if (!needValue() || value->empty())
            return Fail(L"--trace needs a file name");
        m_args.traceFile = *value;
    } else if (name == L"--serial") {
        if (m_args.serial)
            return Fail(L"--serial given twice");
        if (!needValue() || value->empty())
            return Fail(L"--serial needs a serial number");
        m_args.serial = *value;
    } else if (name == L"--since") {
        if (!m_args.since.empty())
            return Fail(L"--since given twice");
        if (!needValue())
            return Fail(L"--since needs a date (YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ)");
        const std::optional<std::string> since = ParseUtcTime(*value);
        if (!since)
            return Fail(L"'" + *value + L"' is no date (YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ, UTC)");
        m_args.since = *since;
    } else if (name == L"--port") {
        // Which of two ports was meant cannot be guessed.
        if (m_portSeen)
            return Fail(L"--port given twice");
        if (!needValue())
            return Fail(L"--port needs a port (3, COM3 or a device path)");
        m_portSeen = true;
        if (SameIgnoringCase(*value, L"all")) {
            m_args.allPorts = m_args.listForm = true;
        } else if (value->find(L',') != std::wstring::npos) {
            m_args.listForm = true;
            if (!ParsePortList(*value))
                return false;
        } else if (IsDevicePath(*value)) {
            m_args.portPaths.push_back(*value);
        } else {
            m_args.port = ParsePort(*value);
            if (!m_args.port)
                return Fail(L"'" + *value + L"' is no port (3, COM3 or a device path)");
        }
    } else if (name == L"--release") {
        if (m_releaseSeen)
            return Fail(L"--release given twice");
        if (!needValue())
            return Fail(L"--release needs a release (X.Y or latest)");
        m_releaseSeen = true;
        if (*value == L"latest") {
            m_args.latestRelease = true;
            m_args.release.reset();
        } else {
            m_args.latestRelease = false;
            m_args.release = ParseRelease(*value);
            if (!m_args.release)
                return Fail(L"'" + *value + L"' is no release (X.Y or latest)");
        }
    } else {
        return Fail(L"unknown option '" + arg + L"'");
    }
    return true;
}

// "3,COM4,7": every port once.
bool Parser::ParsePortList(const std::wstring& list) {
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(L',', start);
        const std::wstring item = list.substr(start, comma - start);
        const auto port = ParsePort(item);
        if (!port && IsDevicePath(item)) {
            m_args.portPaths.push_back(item);
        } else if (!port) {
            return Fail(L"'" + item + L"' in '" + list +
                        L"' is no port (3, COM3 or a device path)");
        } else if (std::find(m_args.ports.begin(), m_args.ports.end(), *port) !=
                   m_args.ports.end()) {
            return Fail(L"COM" + std::to_wstring(*port) + L" is listed twice in '" + list + L"'");
        } else {
            m_args.ports.push_back(*port);
        }
        if (comma == std::wstring::npos)
            return true;
        start = comma + 1;
    }
}

// "S" or "S1,S2": every serial once; a list is several modules at once.
bool Parser::SplitSerials(const std::wstring& list) {
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(L',', start);
        const std::wstring item = list.substr(start, comma - start);
        if (item.empty())
            return Fail(L"'" + list + L"' holds an empty serial");
        if (std::find(m_args.moduleSerials.begin(), m_args.moduleSerials.end(), item) !=
            m_args.moduleSerials.end())
            return Fail(L"serial '" + item + L"' is listed twice in '" + list + L"'");
        m_args.moduleSerials.push_back(item);
        if (comma == std::wstring::npos)
            break;
        m_args.listForm = true;
        start = comma + 1;
    }
    return true;
}

bool Parser::Parse(const std::vector<std::string>& raw) {
    std::vector<std::wstring> all;
    all.reserve(raw.size());
    for (const std::string& arg : raw)
        all.push_back(Utf8ToWide(arg));
    // Known before anything can fail, so that the failure comes as JSON too;
    // a "--json" after "--" is a word, not an option.
    for (const std::wstring& arg : all) {
        if (arg == L"--")
            break;
        if (arg == L"--json")
            m_result.json = true;
    }

    std::vector<std::wstring> words;
    bool optionsEnded = false;
    for (size_t i = 0; i < all.size(); ++i) {
        const std::wstring& arg = all[i];
        if (optionsEnded) {
            words.push_back(arg);
        } else if (arg == L"--") {
            optionsEnded = true;
        } else if (arg == L"--help" || arg == L"-h") {
            m_result.help = true;
            return true;
        } else if (arg == L"--version") {
            m_result.version = true;
            return true;
        } else if (IsProgramFlag(arg)) {
            m_flags.ParseParam(arg.substr(1), true, i + 1 == all.size());
        } else if (arg.size() > 1 && arg[0] == L'-') {
            if (!TakeOption(arg, all, i))
                return false;
        } else {
            words.push_back(arg);
        }
    }
    m_args.optionM = m_flags.m_optionM == 1;
    m_args.optionD = m_flags.m_optionD == 1;
    m_args.forcedModuleType = static_cast<uint32_t>(m_flags.m_forcedModuleType);

    if (words.empty())
        return Fail(L"no command given");
    const auto def = std::find_if(kCommands.begin(), kCommands.end(),
                                  [&](const CommandDef& d) { return words[0] == d.name; });
    if (def == kCommands.end())
        return Fail(L"unknown command '" + words[0] + L"'");
    m_args.command = def->command;
    m_result.command = def->command;
    if (!CheckOptions(*def))
        return false;
    return ParseWords({words.begin() + 1, words.end()});
}

bool Parser::CheckOptions(const CommandDef& def) {
    const std::wstring name = def.name;
    const struct {
        bool seen;
        unsigned bit;
        const wchar_t* option;
    } options[] = {
        {m_portSeen, kPort, L"--port"},        {m_yesSeen, kYes, L"--yes"},
        {m_forceSeen, kForce, L"--force"},     {m_releaseSeen, kRelease, L"--release"},
        {m_noPeekSeen, kNoPeek, L"--no-peek"}, {m_noKeepSetupSeen, kKeepSetup, L"--no-keep-setup"}};
    for (const auto& option : options)
        if (option.seen && (def.takes & option.bit) == 0)
            return Fail(L"'" + name + L"' does not take " + option.option);
    if ((def.takes & kFilters) == 0 && !m_args.since.empty())
        return Fail(L"'" + name + L"' does not take --since");
    // Elsewhere --serial chooses the modules, as --port does.
    if ((def.takes & kFilters) == 0 && m_args.serial) {
        if ((def.takes & kPort) == 0)
            return Fail(L"'" + name + L"' does not take --serial");
        if (m_portSeen)
            return Fail(L"--port and --serial exclude each other");
        if (!SplitSerials(*m_args.serial))
            return false;
        m_args.serial.reset();
    }
    if (m_noLogSeen && !m_args.logFile.empty())
        return Fail(L"--log and --no-log exclude each other");
    if (m_noLogSeen && def.command == Command::Log)
        return Fail(L"'log' reads a log: --no-log leaves it none");
    if ((def.takes & kPort) != 0 && !m_args.port && !m_args.Parallel() && !m_args.PortsToChoose())
        return Fail(L"'" + name + L"' needs --port or --serial");
    if (m_args.Parallel() && def.command != Command::Update)
        return Fail(L"'" + name +
                    L"' works on one module: a port list or 'all' is for 'update' only");
    // Each module's questions would come at once from several runs: only
    // answers given beforehand can serve them.
    if (m_args.Parallel() && !m_args.yes)
        return Fail(L"updating several modules at once needs --yes (a downgrade or forcing also "
                    L"--force); no module was touched");
    if (m_args.latestRelease && def.command != Command::Update)
        return Fail(L"--release latest is for 'update' only");
    if ((def.takes & kNeedsD) != 0 && !m_args.optionD)
        return Fail(L"'" + name +
                    L"' is an engineering command: it needs option -d, as in the "
                    L"program");
    return true;
}

bool Parser::ParseWords(const std::vector<std::wstring>& words) {
    auto count = [&](size_t wanted) {
        return words.size() == wanted
                   ? true
                   : Fail(words.size() < wanted ? L"too few arguments" : L"too many arguments");
    };
    switch (m_args.command) {
    case Command::Ports:
    case Command::Info:
    case Command::Update:
    case Command::Log:
        return count(0);
    case Command::Peek:
    case Command::Poke: {
        if (!count(m_args.command == Command::Peek ? 3 : 4))
            return false;
        const auto interface = ParseInterface(words[0]);
        if (!interface)
            return Fail(L"'" + words[0] +
                        L"' is no interface (I2C, \"SPI Control\", \"SPI Config\", JTAG)");
        const auto device = ParseHex(words[1], peekpoke::kDeviceDigits);
        if (!device)
            return Fail(L"'" + words[1] + L"' is no device (1 or 2 hexadecimal digits)");
        const auto address = ParseHex(words[2], peekpoke::kAddressDigits);
        if (!address)
            return Fail(L"'" + words[2] + L"' is no address (1 to 6 hexadecimal digits)");
        m_args.interface = *interface;
        m_args.device = static_cast<uint8_t>(*device);
        m_args.address = *address;
        if (m_args.command == Command::Poke) {
            const auto value = ParseHex(words[3], peekpoke::kDataDigits);
            if (!value)
                return Fail(L"'" + words[3] + L"' is no value (1 or 2 hexadecimal digits)");
            m_args.value = static_cast<uint8_t>(*value);
        }
        return true;
    }
    case Command::Csv:
        if (!count(1))
            return false;
        m_args.file = words[0];
        return true;
    case Command::Setup: {
        if (words.empty())
            return Fail(L"too few arguments");
        const std::wstring& action = words[0];
        if (action == L"show" || action == L"defaults") {
            m_args.setupAction = action == L"show" ? SetupAction::Show : SetupAction::Defaults;
            return count(1);
        }
        if (action == L"save" || action == L"load") {
            m_args.setupAction = action == L"save" ? SetupAction::Save : SetupAction::Load;
            if (!count(2))
                return false;
            m_args.file = words[1];
            return words[1].empty() ? Fail(L"the file name is empty") : true;
        }
        return Fail(L"unknown setup action '" + action + L"'");
    }
    case Command::Download: {
        if (words.empty())
            return Fail(L"too few arguments");
        const std::wstring& kind = words[0];
        auto id = [&](const std::wstring& text, const wchar_t* what, uint8_t& out) {
            const auto number = ParseDecimal(text, 255);
            if (!number)
                return Fail(L"'" + text + L"' is no " + what + L" id (0 to 255)");
            out = static_cast<uint8_t>(*number);
            return true;
        };
        if (kind == L"ferrin" || kind == L"safeboot") {
            m_args.downloadKind = kind == L"ferrin" ? DownloadKind::Ferrin : DownloadKind::SafeBoot;
            if (!count(2))
                return false;
        } else if (kind == L"fpga") {
            m_args.downloadKind = DownloadKind::Fpga;
            if (!count(3) || !id(words[1], L"FPGA", m_args.fpgaId))
                return false;
        } else if (kind == L"lut") {
            m_args.downloadKind = DownloadKind::Lut;
            if (!count(4) || !id(words[1], L"FPGA", m_args.fpgaId) ||
                !id(words[2], L"lookup table", m_args.tableId))
                return false;
        } else {
            return Fail(L"unknown download '" + kind + L"'");
        }
        m_args.file = words.back();
        return m_args.file.empty() ? Fail(L"the file name is empty") : true;
    }
    }
    return Fail(L"unknown command");
}

} // namespace

std::optional<std::string> ParseUtcTime(const std::wstring& text) {
    // Only the two forms, digit for digit: anything else is a typing error.
    const bool dateOnly = text.size() == 10;
    if (!dateOnly && text.size() != 20)
        return std::nullopt;
    const std::wstring pattern = L"dddd-dd-ddTdd:dd:ddZ";
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= L'0' && text[i] <= L'9';
        if (pattern[i] == L'd' ? !digit : text[i] != pattern[i])
            return std::nullopt;
    }
    auto number = [&](size_t at, size_t digits) { return std::stoi(text.substr(at, digits)); };
    const int year = number(0, 4);
    const int month = number(5, 2);
    const int day = number(8, 2);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1] + (month == 2 && leap ? 1 : 0))
        return std::nullopt;
    if (!dateOnly && (number(11, 2) > 23 || number(14, 2) > 59 || number(17, 2) > 59))
        return std::nullopt;
    return WideToUtf8(dateOnly ? text + L"T00:00:00Z" : text);
}

std::optional<std::chrono::seconds> ParseRebootWait(const char* value) {
    if (!value || !*value)
        return std::chrono::seconds(120);
    const std::string_view text(value);
    if (text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const long seconds = std::stol(std::string(text));
    if (seconds < 1)
        return std::nullopt;
    return std::chrono::seconds(seconds);
}

ParseResult ParseArguments(const std::vector<std::string>& args) {
    ParseResult result;
    Parser parser(result);
    result.ok = parser.Parse(args);
    return result;
}

const wchar_t* CommandName(Command command) {
    return Def(command).name;
}

std::wstring UsageLine(std::optional<Command> command) {
    const std::wstring prefix =
        L"usage: pellworth-cli [-m|-d] [-tarn|-orlan] [--json] [--data DIR] ";
    if (!command)
        return prefix + L"COMMAND ... (pellworth-cli --help lists the commands)";
    const CommandDef& def = Def(*command);
    std::wstring line = prefix;
    if ((def.takes & kNeedsD) != 0)
        line = L"usage: pellworth-cli -d [-tarn|-orlan] [--json] [--data DIR] ";
    if ((def.takes & kLogs) != 0)
        line += L"[--log FILE|--no-log] ";
    if ((def.takes & kFilters) != 0)
        line = L"usage: pellworth-cli [--json] [--log FILE] ";
    line += def.name;
    if ((def.takes & kPort) != 0)
        line += L" --port N|--serial S";
    if (*def.words != L'\0')
        line += std::wstring(L" ") + def.words;
    return line;
}

std::wstring HelpText() {
    std::wstring text =
        L"pellworth-cli: configure and update Varnet modules from scripts and benches.\n"
        L"Release data (types/, version) come from --data DIR, else $PELLWORTH_DATA, else\n"
        L"the working directory when it holds types/, else /usr/share/pellworth (the\n"
        L"vendor's release-data package). Sample data (a SAMPLE-DATA file beside types/)\n"
        L"are said on standard error and in the results log.\n\n";
    for (const CommandDef& def : kCommands)
        text += L"  " + UsageLine(def.command).substr(7) + L"\n";
    text += L"\n";
    text += clitext::kOptionsHelp;
    return text;
}

} // namespace cli
