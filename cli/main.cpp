// pellworth-cli: the program's operations for scripts and production benches,
// on the same core libraries and with the same texts as the program.
#include "cli/CCliSession.h"
#include "cli/CConsole.h"
#include "cli/CInterruptWatch.h"
#include "cli/CTerminalDialogs.h"
#include "cli/CliArguments.h"
#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "cli/LogCommand.h"
#include "cli/ParallelUpdate.h"
#include "cli/PortChoice.h"
#include "descriptions/DataDirectory.h"
#include "descriptions/XmlText.h"
#include "frontend/Json.h"
#include "frontend/ProgramVersion.h"
#include "link/AppendFile.h"
#include "link/WireTrace.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using cli::CommandOutput;
using frontend::JsonValue;

int UsageFailure(CConsole& console, const cli::ParseResult& parsed, const std::wstring& error) {
    const std::wstring usage = cli::UsageLine(parsed.command);
    if (parsed.json) {
        JsonValue json = JsonValue::MakeObject();
        json.Set("command",
                 parsed.command ? JsonValue(cli::CommandName(*parsed.command)) : JsonValue());
        json.Set("ok", false);
        json.Set("exit", cli::exitcode::kUsage);
        json.Set("error", error);
        json.Set("usage", usage);
        console.OutRaw(clitext::JsonDocument(std::move(json)));
    }
    console.Err(L"pellworth-cli: " + error);
    console.Err(usage);
    return cli::exitcode::kUsage;
}

// What the program would have shown; a failure that showed nothing says its status.
void PrintText(CConsole& console, const CommandOutput& out,
               const std::vector<CTerminalDialogs::Box>& boxes, const std::wstring& status) {
    // An update run's last status text was printed as it came.
    const bool logged = !out.log.empty() && out.log.back() == status;
    const bool shown = cli::PrintResult(
        out, boxes, status, logged, [&console](const std::wstring& line) { console.Out(line); },
        [&console](const std::wstring& line) { console.Err(line); });
    if (out.exitCode != cli::exitcode::kOk && !shown)
        console.Err(L"pellworth-cli: failed (exit status " + std::to_wstring(out.exitCode) + L")");
}

void PrintJson(CConsole& console, cli::Command command, const CommandOutput& out,
               const std::vector<CTerminalDialogs::Box>& boxes, const std::wstring& status) {
    JsonValue json = JsonValue::MakeObject();
    json.Set("command", cli::CommandName(command));
    json.Set("ok", out.exitCode == cli::exitcode::kOk);
    json.Set("exit", out.exitCode);
    json.Set("status", status);
    if (out.exitCode != cli::exitcode::kOk) {
        // The text the program shows for the failure: its status line, else its last box.
        std::wstring error = status;
        for (auto it = boxes.rbegin(); error.empty() && it != boxes.rend(); ++it)
            if (!it->question)
                error = it->text;
        json.Set("error", error);
    }
    cli::SetShownJson(json, boxes, out.log);
    if (const JsonValue::Object* members = out.data.AsObject())
        for (const auto& [name, value] : *members)
            json.Set(name, value);
    console.OutRaw(clitext::JsonDocument(std::move(json)));
}

// A run that stops before its command: the text, and the same as JSON.
int StopRun(CConsole& console, const cli::Arguments& arguments, int exitCode,
            const std::wstring& text) {
    if (arguments.json) {
        JsonValue json = JsonValue::MakeObject();
        json.Set("command", cli::CommandName(arguments.command));
        json.Set("ok", false);
        json.Set("exit", exitCode);
        json.Set("error", text);
        console.OutRaw(clitext::JsonDocument(std::move(json)));
    }
    console.Err(L"pellworth-cli: " + text);
    return exitCode;
}

} // namespace

int main(int argc, char** argv) {
    CInterruptWatch::Install();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const cli::ParseResult parsed = cli::ParseArguments(args);
    CConsole console;
    if (parsed.help) {
        console.OutRaw(WideToUtf8(cli::HelpText()));
        return cli::exitcode::kOk;
    }
    if (parsed.version) {
        console.OutRaw(std::string("pellworth-cli ") + kProgramVersion + "\n");
        return cli::exitcode::kOk;
    }
    if (!parsed.ok)
        return UsageFailure(console, parsed, parsed.error);

    cli::Arguments arguments = parsed.arguments;
    // A trace asked for and not written would be missed only when it is
    // needed: refused before any port is opened.
    const std::string trace = WideToUtf8(arguments.traceFile);
    if (const int error =
            trace.empty() ? wiretrace::StartFromEnvironment() : wiretrace::Start(trace))
        return UsageFailure(console, parsed,
                            L"cannot write the wire trace '" +
                                Utf8ToWide(trace.empty() ? std::getenv("PELLWORTH_TRACE") : trace) +
                                L"': " + Utf8ToWide(std::string(appendfile::Reason(error))));
    // A wait that cannot be meant is refused before any port is opened.
    if (arguments.command == cli::Command::Update) {
        const char* wait = std::getenv("PELLWORTH_REBOOT_WAIT");
        const auto seconds = cli::ParseRebootWait(wait);
        if (!seconds)
            return UsageFailure(console, parsed,
                                L"PELLWORTH_REBOOT_WAIT must be a whole number of seconds from 1 "
                                L"to 999999999, not '" +
                                    Utf8ToWide(wait) + L"'");
        arguments.rebootWait = *seconds;
    }
    // Reading the results log needs neither a module nor the working directory.
    if (arguments.command == cli::Command::Log)
        return cli::RunLog(arguments, console);
    // The release data are chosen once, before any session reads them. A
    // folder named on purpose that holds none is a bad argument; no release
    // data at all leaves an update nothing to send, so it stops before it
    // opens a port.
    const datadir::Choice& data = datadir::Use(WideToUtf8(arguments.dataDir));
    if (!data.error.empty())
        return UsageFailure(console, parsed, Utf8ToWide(data.error));
    if (const std::string notice = datadir::Notice(data); !notice.empty())
        console.Err(L"pellworth-cli: " + Utf8ToWide(notice));
    if (!data.Found() && arguments.command == cli::Command::Update)
        return StopRun(console, arguments, cli::exitcode::kFailed,
                       L"No release data: nothing was sent.");
    if (arguments.PortsToChoose()) {
        const cli::PortChoice choice = cli::ChoosePorts(arguments, console);
        if (!choice.ok)
            return StopRun(console, arguments, choice.exitCode, choice.error);
    }
    if (arguments.Parallel())
        return cli::RunParallelUpdate(arguments, console);
    CTerminalDialogs dialogs(console, AnswerPolicy{arguments.yes, arguments.force}, arguments.json);
    CommandOutput out;
    std::wstring status;
    {
        CCliSession session(arguments, console, dialogs);
        std::wstring error;
        if (session.Start(error)) {
            cli::RunCommand(session, out);
            status = session.Status();
        } else {
            out.exitCode = cli::exitcode::kFailed;
            status = error;
        }
    }
    if (!out.usageError.empty())
        return UsageFailure(console, parsed, out.usageError);

    const std::vector<CTerminalDialogs::Box> boxes = dialogs.Boxes();
    if (arguments.json)
        PrintJson(console, arguments.command, out, boxes, status);
    else
        PrintText(console, out, boxes, status);
    return out.exitCode;
}
