#include "cli/LogCommand.h"

#include "cli/CConsole.h"
#include "cli/ExitCodes.h"
#include "descriptions/XmlText.h"
#include "frontend/ResultsLog.h"

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

std::wstring TextLine(const JsonValue& record) {
    auto field = [&](const char* name) {
        const std::string text = record.Text(name);
        return Wide(text.empty() ? "-" : text);
    };
    return field("time") + L" " + field("command") + L" " + PortText(record) + L" " +
           field("serial") + L" " + Wide(ReleaseOf(record, "before")) + L" -> " +
           Wide(ReleaseOf(record, "after")) + L" " + Wide(record.Text("resultText"));
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
            console.OutRaw(json.Write() + "\n");
        }
        console.Err(error);
        return exitcode::kFailed;
    }
    JsonValue array = JsonValue::MakeArray();
    for (const JsonValue& record : contents.records) {
        if (args.serial && Wide(record.Text("serial")) != *args.serial)
            continue;
        // The times are all of one fixed-width form: their text order is time order.
        if (!args.since.empty() && record.Text("time") < args.since)
            continue;
        if (args.json)
            array.Append(record);
        else
            console.Out(TextLine(record));
    }
    if (args.json)
        console.OutRaw(array.Write() + "\n");
    if (contents.skipped > 0)
        console.Err(L"pellworth-cli: warning: skipped " + std::to_wstring(contents.skipped) +
                    L" bad line" + (contents.skipped == 1 ? L"" : L"s") + L" in " +
                    Wide(file.string()));
    return exitcode::kOk;
}

} // namespace cli
