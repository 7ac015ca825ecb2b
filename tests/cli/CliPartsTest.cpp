// The parts of pellworth-cli that decide without a module: the command line,
// the answers given without a terminal, the JSON text and what a terminal is
// shown.
#include "cli/CConsole.h"
#include "cli/CLineSink.h"
#include "cli/CTerminalDialogs.h"
#include "cli/CliArguments.h"
#include "cli/TerminalText.h"
#include "descriptions/XmlText.h"
#include "frontend/CUSBCommandLineInfo.h"
#include "frontend/Json.h"
#include "frontend/ProgramVersion.h"
#include "maintenance/UpdateTexts.h"
#include "simulator/ModsimOptions.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

namespace {

using cli::Arguments;
using cli::Command;

struct GoodLine {
    std::vector<std::string> args;
    std::function<void(const Arguments&)> check;
};

TEST(CliArguments, GoodLines) {
    const GoodLine lines[] = {
        {{"-D", "peek", "--port", "COM3", "spi control", "0x4A", "1000"},
         [](const Arguments& a) {
             EXPECT_TRUE(a.command == Command::Peek && a.optionD && a.optionM)
                 << "d implies m, as in the program";
             EXPECT_EQ(a.port, std::optional<uint16_t>(3));
             EXPECT_EQ(std::tie(a.interface, a.device, a.address),
                       std::tuple(1u, uint8_t{0x4A}, 0x1000u));
         }},
        {{"/tarn", "-ORLAN", "info", "--port=7"},
         [](const Arguments& a) {
             EXPECT_EQ(a.forcedModuleType, 1u) << "the later of tarn and orlan wins";
             EXPECT_TRUE(!a.optionM && a.port == 7);
         }},
        // Device paths and serials are turned into numbers when the run starts.
        {{"update", "--port", "3,/dev/serial/by-path/pci-0:1.2:1.0,COM4", "--yes"},
         [](const Arguments& a) {
             EXPECT_EQ(a.ports, (std::vector<uint16_t>{3, 4}));
             EXPECT_EQ(a.portPaths,
                       std::vector<std::wstring>{L"/dev/serial/by-path/pci-0:1.2:1.0"});
             EXPECT_TRUE(a.Parallel() && a.PortsToChoose());
         }},
        {{"info", "--serial", "00001234"},
         [](const Arguments& a) {
             EXPECT_EQ(a.moduleSerials, std::vector<std::wstring>{L"00001234"});
             EXPECT_TRUE(!a.Parallel() && !a.serial && !a.port) << "no log filter";
         }},
        {{"update", "--port", "2", "--release", "1.10", "--force", "--yes", "--json"},
         [](const Arguments& a) {
             EXPECT_TRUE(a.release == (VersionNumber{1, 10}));
             EXPECT_TRUE(a.command == Command::Update && a.force && a.yes && a.json);
         }},
        {{"-d", "download", "--port", "1", "lut", "1", "2", "--", "-image.bin"},
         [](const Arguments& a) {
             EXPECT_EQ(std::tie(a.downloadKind, a.fpgaId, a.tableId, a.file),
                       std::tuple(cli::DownloadKind::Lut, uint8_t{1}, uint8_t{2},
                                  std::wstring(L"-image.bin")));
         }},
        {{"-d", "poke", "--port", "1", "--no-peek", "JTAG", "0", "ffffff", "FF"},
         [](const Arguments& a) {
             EXPECT_EQ(std::tie(a.interface, a.address, a.value, a.noPeek),
                       std::tuple(3u, 0xFFFFFFu, uint8_t{0xFF}, true));
         }},
        {{"update", "--port", "3,COM4,7", "--yes"},
         [](const Arguments& a) {
             EXPECT_EQ(a.ports, (std::vector<uint16_t>{3, 4, 7}));
             EXPECT_TRUE(!a.port && a.Parallel());
         }},
        {{"log", "--serial", "00001234", "--since", "2024-02-29", "--log", "x.jsonl"},
         [](const Arguments& a) {
             EXPECT_TRUE(a.command == Command::Log && a.serial == L"00001234" &&
                         a.logFile == L"x.jsonl");
             EXPECT_EQ(a.since, "2024-02-29T00:00:00Z") << "a leap day, from midnight UTC";
         }},
        {{"setup", "--port", "1", "save", "/tmp/setup"},
         [](const Arguments& a) {
             EXPECT_TRUE(a.setupAction == cli::SetupAction::Save);
             EXPECT_EQ(a.file, L"/tmp/setup") << "a path is no flag";
         }},
    };
    for (const GoodLine& line : lines) {
        const cli::ParseResult result = cli::ParseArguments(line.args);
        ASSERT_TRUE(result.ok) << line.args[0] << ": "
                               << std::string(result.error.begin(), result.error.end());
        line.check(result.arguments);
    }
}

TEST(CliArguments, BadLinesNameTheProblem) {
    const struct {
        std::vector<std::string> args;
        std::wstring error;
    } lines[] = {
        {{"info"}, L"'info' needs --port"},
        {{"peek", "--port", "1", "I2C", "0", "0"}, L"needs option -d"},
        {{"-d", "poke", "--port", "1", "I2C", "0", "0", "1FF"}, L"is no value"},
        {{"update", "--port", "1", "--release", "0.0"}, L"is no release"},
        {{"info", "--port", "1", "--yes"}, L"'info' does not take --yes"},
        {{"--port"}, L"--port needs a port"},
        // --serial chooses modules as --port does: one or the other.
        {{"info", "--port", "1", "--serial", "00001234"}, L"exclude each other"},
        {{"info", "--serial", "A,B"}, L"is for 'update' only"},
        {{"update", "--serial", "A,A", "--yes"}, L"serial 'A' is listed twice"},
        {{"info", "--port", "1", "--port", "2"}, L"--port given twice"},
        // Several modules: update only, and only with --yes.
        {{"update", "--port", "3,4", "--force"}, L"needs --yes"},
        {{"info", "--port", "all"}, L"a port list or 'all' is for 'update' only"},
        {{"update", "--port", "3,COM3", "--yes"}, L"COM3 is listed twice"},
        {{"--log", "a", "--no-log", "info", "--port", "1"}, L"exclude each other"},
        {{"--no-log", "log"}, L"'log' reads a log"},
        {{"log", "--since", "2026-12-06T12:00:60Z"}, L"is no date"},
        // After "--" an option is a word: here one word too many.
        {{"info", "--port", "1", "--", "--json"}, L""},
        {{"info", "--port", "COM0"}, L""},
        {{"-d", "peek", "--port", "1", "I2C", "4a", "1000000"}, L""},
        {{"setup", "--port", "1", "erase"}, L""},
        {{"update", "--port", "1", "--release", "255.255"}, L""},
    };
    for (const auto& line : lines) {
        const cli::ParseResult result = cli::ParseArguments(line.args);
        EXPECT_FALSE(result.ok) << ::testing::PrintToString(line.args);
        EXPECT_FALSE(result.json);
        EXPECT_NE(result.error.find(line.error), std::wstring::npos)
            << std::string(result.error.begin(), result.error.end());
    }
}

TEST(CliArguments, RebootWaitIsAPositiveWholeNumberOfSeconds) {
    const std::pair<const char*, std::optional<long>> cases[] = {
        {nullptr, 120},
        {"", 120},
        {"7", 7},
        {"999999999", 999999999},
        {"0", {}},
        {"-1", {}},
        {"abc", {}},
        {" 5", {}},
        {"1e3", {}},
        {"1000000000", {}},
        {"100000000000000000000", {}},
    };
    for (const auto& [text, seconds] : cases) {
        const auto wait = cli::ParseRebootWait(text);
        EXPECT_EQ(wait ? std::optional<long>(wait->count()) : std::nullopt, seconds)
            << (text ? text : "unset");
    }
}

TEST(CliJson, QuotesAndKeepsOrder) {
    EXPECT_EQ(frontend::JsonQuote("a\"b\\c\n\x01\xC3\xA9"), "\"a\\\"b\\\\c\\n\\u0001\xC3\xA9\"");
    frontend::JsonValue object = frontend::JsonValue::MakeObject();
    object.Set("z", 1).Set("a", L"wide \u00E9").Set("z", true);
    object.Set("list", frontend::JsonValue::MakeArray().Append(frontend::JsonValue()).Append(-3));
    EXPECT_EQ(object.Write(), "{\"z\":true,\"a\":\"wide \xC3\xA9\",\"list\":[null,-3]}");
}

TEST(CliJson, ReadsWhatItWritesAndRefusesWhatIsNoJson) {
    const std::string good =
        " {\"a\":[1,-2,0.5,1e3,true,false,null],\"b\":{\"c\":\"\\u00e9\\ud83d\\ude00\\n\"}} ";
    std::string error;
    const auto value = frontend::JsonValue::Parse(good, error);
    ASSERT_TRUE(value) << error;
    EXPECT_EQ(
        value->Write(),
        "{\"a\":[1,-2,0.5,1000,true,false,null],\"b\":{\"c\":\"\xC3\xA9\xF0\x9F\x98\x80\\n\"}}");
    EXPECT_EQ(frontend::JsonValue::Parse(value->Write(), error)->Write(), value->Write());
    const struct {
        std::string text;
        std::string error;
    } bad[] = {
        {"", "unexpected end at byte 0"},
        {"{\"a\":1} x", "text after the value at byte 8"},
        {"{\"a\":1,\"a\":2}", "duplicate member \"a\" at byte 7"},
        {"\"\\ud800\"", "lone high surrogate at byte 7"},
        {"\"\xC0\xAF\"", "invalid UTF-8 at byte 1"},
        {std::string(65, '[') + std::string(65, ']'), "nesting deeper than 64 at byte 64"},
    };
    for (const auto& b : bad) {
        EXPECT_FALSE(frontend::JsonValue::Parse(b.text, error)) << b.text;
        EXPECT_EQ(error, b.error) << b.text;
    }
}

// Text from a module or a log reaches the terminal with every control
// character shown, in the live rows of a parallel update too.
TEST(CliText, ControlCharactersAreShownNotObeyed) {
    const struct {
        std::wstring text;
        std::wstring shown;
    } cases[] = {
        {L"\x1B]0;x\a", L"\\x1B]0;x\\x07"},                        // retitles the window
        {L"\r\x1B[Kall passed\n", L"\\x0D\\x1B[Kall passed\\x0A"}, // rewrites the line
        {L"\x7F\x9B"
         "2J\u00A0\u00E9",
         L"\\x7F\\x9B"
         "2J\u00A0\u00E9"}, // DEL and C1; Latin-1 stays
    };
    for (const auto& c : cases)
        EXPECT_EQ(cli::VisibleText(c.text), c.shown);
    EXPECT_EQ(cli::VisibleText(L"two\nlines\t", true), L"two\nlines\\x09");
    const CLineSink::Row row{L"COM3", std::wstring(8, L'\u00FF'), 2, 4, L"45.3%", L"\x1B[2J"};
    EXPECT_EQ(CLineSink::RowText(row), L"COM3   blank     component 2 of 4    45.3%   \\x1B[2J");
    // A narrow terminal keeps the state; only what does not fit at all is cut.
    const CLineSink::Row busy{L"COM12", L"00001234", 3, 7, L"45.3%", L"Updating FPGA 0"};
    EXPECT_EQ(CLineSink::RowText(busy, 40), L"COM12 3/7 45.3% Updating FPGA 0");
    EXPECT_EQ(CLineSink::RowText(busy, 20), L"COM12 3/7 45.3% Upda");
    // No drawing where it cannot be shown.
    for (const char* term : {"xterm", "dumb", "", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(cli::CanDraw(-1, term)) << "not a terminal";
    const int tty = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(tty, 0);
    EXPECT_EQ(std::tuple(cli::CanDraw(tty, "xterm"), cli::CanDraw(tty, "dumb"),
                         cli::CanDraw(tty, nullptr)),
              std::tuple(true, false, false));
    ::close(tty);
}

// Without a terminal every question gets the policy's answer, or No.
TEST(CliAnswers, PolicyDecidesWithoutATerminal) {
    // The questions as the release update asks them.
    const std::wstring downgrade = updatetext::DowngradeQuestion(L"1.1", L"1.0");
    const std::wstring forceAnyway = updatetext::ForceAnywayQuestion(L"1.1");
    const std::wstring ordinary = L"Updating Ferrin erases the module configuration parameters.";
    const struct {
        AnswerPolicy policy;
        const std::wstring* question;
        MsgButtons buttons;
        MsgResult answer;
    } cases[] = {
        {{false, false}, &ordinary, MsgButtons::YesNo, MsgResult::No},
        {{true, false}, &ordinary, MsgButtons::YesNo, MsgResult::Yes},
        {{false, true}, &ordinary, MsgButtons::OkCancel, MsgResult::Cancel},
        {{true, false}, &downgrade, MsgButtons::YesNo, MsgResult::No},
        {{true, false}, &forceAnyway, MsgButtons::YesNo, MsgResult::No},
        {{false, true}, &downgrade, MsgButtons::YesNo, MsgResult::Yes},
        {{true, true}, &forceAnyway, MsgButtons::YesNo, MsgResult::Yes},
    };
    CConsole console(false);
    for (const auto& c : cases) {
        CTerminalDialogs dialogs(console, c.policy, false);
        EXPECT_EQ(dialogs.MessageBox(*c.question, L"Attention!", c.buttons), c.answer)
            << c.policy.yes << c.policy.force << " "
            << std::string(c.question->begin(), c.question->begin() + 20);
        EXPECT_EQ(dialogs.Declined(), c.answer == MsgResult::No || c.answer == MsgResult::Cancel);
    }

    // The release update's own confirmation: --yes answers it, --force is passed on.
    for (const bool yes : {false, true})
        for (const bool force : {false, true}) {
            CTerminalDialogs dialogs(console, {yes, force}, false);
            bool passed = !force;
            EXPECT_EQ(dialogs.ConfirmReleaseUpdate(passed),
                      yes ? PromptAnswer::Yes : PromptAnswer::Unavailable);
            EXPECT_EQ(passed, force);
        }
}

using Options = std::set<std::string>;

Options OptionsIn(const std::string& text) {
    static const std::regex option(R"((^|[\s,|\["])(--?[a-zA-Z][a-zA-Z-]*))");
    Options found;
    for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it)
        found.insert((*it)[2]);
    return found;
}

// The options a --help text lists: the first column of its indented lines.
Options HelpOptions(const std::string& help) {
    Options found;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
        const size_t start = line.find_first_not_of(' ');
        if (start == 0 || start == std::string::npos || line[start] != '-')
            continue;
        found.merge(OptionsIn(line.substr(start, line.find("  ", start) - start)));
    }
    return found;
}

// The options a man page describes: the tags of its .TP paragraphs.
Options ManOptions(const std::filesystem::path& page) {
    std::ifstream in(page);
    Options found;
    bool tag = false;
    for (std::string line; std::getline(in, line); tag = line == ".TP") {
        if (!tag)
            continue;
        line = std::regex_replace(line, std::regex(R"(\\f[BIRP])"), "");
        found.merge(OptionsIn(std::regex_replace(line, std::regex(R"(\\-)"), "-")));
    }
    return found;
}

Options LongOnly(Options options) {
    std::erase_if(options, [](const std::string& o) { return !o.starts_with("--"); });
    return options;
}

std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        out += "exit " + std::to_string(WEXITSTATUS(::pclose(pipe)));
    }
    return out;
}

// --help, the man page and (for the tool) the completion list the same
// options; each program says its version, the program without a window.
TEST(CliDocs, HelpManPageAndCompletionAgree) {
    const std::filesystem::path docs = std::filesystem::path(PELLWORTH_DEMO_DIR) / ".." / "docs";
    std::ifstream completionFile(docs / "completion" / "pellworth-cli");
    std::string completion;
    for (std::string line; std::getline(completionFile, line);)
        if (line.find("flags=\"") != std::string::npos ||
            line.find("options=\"") != std::string::npos ||
            line.find("options+=\"") != std::string::npos)
            completion += line.substr(line.find('"')) + "\n";
    const Options tool = HelpOptions(WideToUtf8(cli::HelpText()));
    EXPECT_TRUE(tool.contains("--trace") && tool.contains("--version") && tool.contains("-tarn"));
    EXPECT_EQ(ManOptions(docs / "man" / "pellworth-cli.1"), tool);
    EXPECT_EQ(LongOnly(OptionsIn(completion)), LongOnly(tool));
    EXPECT_EQ(ManOptions(docs / "man" / "pellworth-modsim.1"), HelpOptions(sim::ModsimHelp()));
    EXPECT_EQ(ManOptions(docs / "man" / "pellworth.1"),
              HelpOptions(CUSBCommandLineInfo::HelpText()));

    const std::string version = kProgramVersion;
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
    std::vector<std::pair<std::string, std::string>> runs{
        {std::string(PELLWORTH_CLI) + " --version", "pellworth-cli " + version + "\nexit 0"},
        {std::string(PELLWORTH_MODSIM) + " --version", "pellworth-modsim " + version + "\nexit 0"}};
#ifdef PELLWORTH_PROGRAM
    runs.push_back(
        {noDisplay + PELLWORTH_PROGRAM " --version -d", "pellworth " + version + "\nexit 0"});
    runs.push_back({noDisplay + PELLWORTH_PROGRAM " -m --help",
                    CUSBCommandLineInfo::HelpText() + std::string("exit 0")});
#endif
    for (const auto& [command, expected] : runs)
        EXPECT_EQ(RunCommand(command + " 2>&1"), expected) << command;
}

} // namespace
