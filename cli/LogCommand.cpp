#include "cli/LogCommand.h"

#include "cli/CConsole.h"
#include "cli/CliTexts.h"
#include "cli/ExitCodes.h"
#include "cli/TerminalText.h"
#include "descriptions/XmlText.h"
#include "frontend/ResultsLog.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace cli {

namespace {

using frontend::JsonValue;

std::wstring Wide(const std::string& utf8) {
    return Utf8ToWide(utf8);
}

// The release of a before or after member; "-" when it was not known.
std::string ReleaseOf(const JsonValue& record, const char* member) {
    const JsonValue* versions = record.Get(member);
    return versions ? versions->Text("release", "-") : "-";
}

std::wstring PortText(const JsonValue& record) {
    const JsonValue* port = record.Get("port");
    const std::optional<int64_t> number = port ? port->AsInteger() : std::nullopt;
    return number ? L"COM" + std::to_wstring(*number) : L"-";
}

// A log is anyone's file: every field is shown with its control characters
// escaped, so no line can rewrite the lines around it.
std::wstring TextLine(const JsonValue& record) {
    auto field = [&](const char* name) {
        const std::string text = record.Text(name);
        return text.empty() ? std::wstring(L"-") : VisibleText(Wide(text));
    };
    const std::string serial = record.Text("serial");
    return field("time") + L" " + field("command") + L" " + PortText(record) + L" " +
           (serial.empty() ? L"-" : SerialText(Wide(serial))) + L" " +
           VisibleText(Wide(ReleaseOf(record, "before"))) + L" -> " +
           VisibleText(Wide(ReleaseOf(record, "after"))) + L" " +
           VisibleText(Wide(record.Text("resultText")));
}

} // namespace

std::filesystem::path ResultsLogFile(const Arguments& args) {
    if (!args.logFile.empty())
        return std::filesystem::path(WideToUtf8(args.logFile));
    return frontend::ResultsLog::DefaultFile();
}

std::unique_ptr<frontend::ResultsLog> OpenResultsLog(const Arguments& args, CConsole& console) {
    if (args.noLog)
        return std::make_unique<frontend::ResultsLog>();
    return std::make_unique<frontend::ResultsLog>(
        ResultsLogFile(args), [&console](const std::string& file, const std::string& reason) {
            static std::atomic<bool> warned{false};
            if (!warned.exchange(true))
                console.Err(L"pellworth-cli: warning: cannot write the results log " + Wide(file) +
                            L": " + Wide(reason));
        });
}

int RunLog(const Arguments& args, CConsole& console) {
    const std::filesystem::path file = ResultsLogFile(args);
    frontend::ResultsLog::Contents contents;
    // No home and no --log: there is no log yet, as with a missing file.
    if (!file.empty())
        contents = frontend::ResultsLog::Read(file);
    if (contents.error != 0) {
        const std::wstring error = L"pellworth-cli: cannot read the results log " +
                                   Wide(file.string()) + L": " +
                                   Wide(std::strerror(contents.error));
        if (args.json) {
            JsonValue json = JsonValue::MakeObject();
            json.Set("command", "log");
            json.Set("ok", false);
            json.Set("exit", exitcode::kFailed);
            json.Set("error", error);
            console.OutRaw(clitext::JsonDocument(std::move(json)));
        }
        console.Err(error);
        return exitcode::kFailed;
    }
    // A record is written when its operation ends, stamped with its start:
    // runs side by side finish out of order, so the file's order is not the
    // time order. The times are all of one fixed-width form, so their text
    // order is time order.
    std::stable_sort(
        contents.records.begin(), contents.records.end(),
        [](const JsonValue& a, const JsonValue& b) { return a.Text("time") < b.Text("time"); });
    JsonValue array = JsonValue::MakeArray();
    // As an object like every other command's, with the records in it.
    for (const JsonValue& record : contents.records) {
        // "--serial blank" finds the fresh boards, as the list shows them.
        const std::wstring serial = Wide(record.Text("serial"));
        if (args.serial && serial != *args.serial && SerialText(serial) != *args.serial)
            continue;
        if (!args.since.empty() && record.Text("time") < args.since)
            continue;
        if (args.json)
            array.Append(record);
        else
            console.Out(TextLine(record));
    }
    if (args.json) {
        JsonValue json = JsonValue::MakeObject();
        json.Set("command", "log");
        json.Set("ok", true);
        json.Set("exit", exitcode::kOk);
        json.Set("records", std::move(array));
        json.Set("skipped", static_cast<int64_t>(contents.skipped));
        console.OutRaw(clitext::JsonDocument(std::move(json)));
    }
    if (contents.skipped > 0)
        console.Err(L"pellworth-cli: warning: skipped " + std::to_wstring(contents.skipped) +
                    L" bad line" + (contents.skipped == 1 ? L"" : L"s") + L" in " +
                    Wide(file.string()));
    return exitcode::kOk;
}

} // namespace cli
