#include "cli/ParallelUpdate.h"

#include "cli/CCliSession.h"
#include "cli/CConsole.h"
#include "cli/CInterruptWatch.h"
#include "cli/CLineSink.h"
#include "cli/CTerminalDialogs.h"
#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "cli/TerminalText.h"
#include "descriptions/XercesSession.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "frontend/Json.h"
#include "frontend/ModuleDiscovery.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;

std::wstring PortName(uint16_t port) {
    return L"COM" + std::to_wstring(port);
}

// One module's console: its lines go to the shared sink with "COM3: " in
// front, its progress and status into its live row. It has no keyboard:
// several runs cannot share one, so every question is answered by --yes and
// --force or else No.
class CModuleConsole : public CConsole {
public:
    CModuleConsole(CLineSink& sink, size_t row, uint16_t port)
        : CConsole(false), m_sink(sink), m_row(row), m_prefix(PortName(port) + L": ") {}

    // From the thread that drives the run, once the session has an engine.
    void Attach(CCliSession& session) {
        m_session = &session;
        m_driver = std::this_thread::get_id();
    }

    void Out(const std::wstring& text) override { m_sink.Lines(false, m_prefix, text); }
    void Err(const std::wstring& text) override {
        NoteSerial();
        if (m_sink.Live())
            m_sink.SetState(m_row, text);
        else
            m_sink.Lines(true, m_prefix, text);
    }
    void Progress(int /*position*/, const std::wstring& percent,
                  const std::wstring& /*label*/) override {
        NoteSerial();
        m_sink.SetPercent(m_row, percent);
    }
    void EndProgress() override {}

    const std::wstring& Prefix() const { return m_prefix; }

private:
    // The module record is read on the driving thread only: the reconnect
    // that changes it runs there too.
    void NoteSerial() {
        if (m_session && std::this_thread::get_id() == m_driver &&
            m_session->Engine().IsConnected())
            m_sink.SetSerial(m_row, WidenText(m_session->Engine().Module().serial));
    }

    CLineSink& m_sink;
    const size_t m_row;
    const std::wstring m_prefix;
    CCliSession* m_session = nullptr;
    std::thread::id m_driver;
};

// Everything of one module's update. Built and destroyed on the main thread
// (the XML library's set-up is not thread-safe), run on its own thread.
struct ModuleRun {
    ModuleRun(const Arguments& common, uint16_t portNumber, CLineSink& sink)
        : port(portNumber), args(common), row(sink.AddRow(PortName(portNumber))),
          console(sink, row, portNumber),
          dialogs(console, AnswerPolicy{common.yes, common.force}, common.json) {
        args.ports.clear();
        args.allPorts = false;
        args.port = portNumber;
        session = std::make_unique<CCliSession>(args, console, dialogs);
    }

    const uint16_t port;
    Arguments args;
    const size_t row;
    CModuleConsole console;
    CTerminalDialogs dialogs;
    std::unique_ptr<CCliSession> session;

    // The outcome, written by the module's thread before `done`.
    CommandOutput out;
    std::wstring status;
    std::wstring serial;
    std::chrono::milliseconds duration{0};
    std::atomic<bool> done{false};
    std::thread thread;
};

std::wstring Text(const JsonValue& data, const char* name) {
    const JsonValue* member = data.Get(name);
    const std::string* text = member ? member->AsString() : nullptr;
    return text ? Utf8ToWide(*text) : std::wstring();
}

// The module's result in one line: what the single update prints on success,
// else the text of its failure.
std::wstring ResultText(const ModuleRun& m, const std::vector<CTerminalDialogs::Box>& boxes) {
    if (m.out.exitCode == exitcode::kOk)
        return m.out.lines.empty() ? m.status : m.out.lines.front();
    if (!m.status.empty())
        return m.status;
    for (auto it = boxes.rbegin(); it != boxes.rend(); ++it)
        if (!it->question)
            return it->text;
    return L"failed (exit status " + std::to_wstring(m.out.exitCode) + L")";
}

std::wstring ResultWord(const ModuleRun& m) {
    switch (m.out.exitCode) {
    case exitcode::kOk:
        return m.out.data.Get("installedAfter") ? L"updated" : L"up to date";
    case exitcode::kNoConnection:
        return L"no connection";
    case exitcode::kDeclined:
        return L"declined";
    case exitcode::kInterrupted:
        return L"interrupted";
    default:
        return L"failed";
    }
}

std::wstring ReleaseBefore(const ModuleRun& m) {
    const std::wstring before = Text(m.out.data, "installedBefore");
    return before.empty() ? L"-" : before;
}

std::wstring ReleaseAfter(const ModuleRun& m) {
    const std::wstring after = Text(m.out.data, "installedAfter");
    return after.empty() ? ReleaseBefore(m) : after;
}

// What the single update prints when it ends, prefixed. On a terminal the
// status texts were in the live row only.
void PrintModuleResult(CLineSink& sink, const ModuleRun& m,
                       const std::vector<CTerminalDialogs::Box>& boxes) {
    const std::wstring& prefix = m.console.Prefix();
    const bool logged = !sink.Live() && !m.out.log.empty() && m.out.log.back() == m.status;
    const bool shown = PrintResult(
        m.out, boxes, m.status, logged,
        [&](const std::wstring& line) { sink.Lines(false, prefix, line); },
        [&](const std::wstring& line) { sink.Lines(true, prefix, line); });
    if (m.out.exitCode != exitcode::kOk && !shown)
        sink.Lines(true, prefix, ResultText(m, boxes));
}

std::wstring Seconds(std::chrono::milliseconds duration) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%.1f s", static_cast<double>(duration.count()) / 1000.0);
    return text;
}

void PrintSummary(CLineSink& sink, const std::vector<std::unique_ptr<ModuleRun>>& runs) {
    auto column = [](std::wstring text, size_t width) {
        text.resize(std::max(text.size() + 1, width), L' ');
        return text;
    };
    std::wstring table = column(L"Port", 7) + column(L"Serial", 10) + column(L"Before", 9) +
                         column(L"After", 9) + column(L"Result", 15) + L"Duration";
    size_t succeeded = 0;
    std::wstring failed;
    for (const auto& m : runs) {
        std::wstring duration = Seconds(m->duration);
        table += L"\n" + column(PortName(m->port), 7) +
                 column(m->serial.empty() ? L"-" : SerialText(m->serial), 10) +
                 column(ReleaseBefore(*m), 9) + column(ReleaseAfter(*m), 9) +
                 column(ResultWord(*m), 15) +
                 std::wstring(duration.size() < 8 ? 8 - duration.size() : 0, L' ') + duration;
        if (m->out.exitCode == exitcode::kOk)
            ++succeeded;
        else
            failed += (failed.empty() ? L"" : L", ") + PortName(m->port);
    }
    table += L"\n" + std::to_wstring(succeeded) + L" of " + std::to_wstring(runs.size()) +
             L" module" + (runs.size() == 1 ? L"" : L"s") + L" succeeded" +
             (failed.empty() ? L"." : L"; not " + failed + L".");
    sink.Lines(false, L"", table);
}

JsonValue ModuleJson(const ModuleRun& m, const std::vector<CTerminalDialogs::Box>& boxes) {
    JsonValue json = JsonValue::MakeObject();
    json.Set("port", static_cast<int>(m.port));
    json.Set("serial", m.serial);
    json.Set("ok", m.out.exitCode == exitcode::kOk);
    json.Set("exit", m.out.exitCode);
    json.Set("outcome", ResultWord(m));
    json.Set("text", ResultText(m, boxes));
    json.Set("status", m.status);
    json.Set("releaseBefore", ReleaseBefore(m));
    json.Set("releaseAfter", ReleaseAfter(m));
    json.Set("durationMs", static_cast<int64_t>(m.duration.count()));
    SetShownJson(json, boxes, m.out.log);
    // The single update's members: connection, release, installedBefore,
    // result, finalMessage, installedAfter.
    if (const JsonValue::Object* members = m.out.data.AsObject())
        for (const auto& [name, value] : *members)
            json.Set(name, value);
    return json;
}

void Drive(ModuleRun& m, const CInterruptWatch& watch, CLineSink& sink) {
    const auto start = Clock::now();
    std::wstring error;
    if (watch.Interrupted()) {
        // Ctrl-C before this module was touched: it is left as it is.
        m.out.exitCode = exitcode::kInterrupted;
        m.status = L"Interrupted before the update started.";
    } else if (!m.session->Start(error)) {
        m.out.exitCode = exitcode::kFailed;
        m.status = error;
    } else {
        m.console.Attach(*m.session);
        RunCommand(*m.session, m.out);
        m.status = m.session->Status();
        m.serial = WidenText(m.session->Engine().Module().serial);
        if (!m.out.usageError.empty()) {
            m.status = m.out.usageError;
            m.out.exitCode = exitcode::kUsage;
        }
    }
    m.duration = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    if (sink.Live()) {
        sink.SetSerial(m.row, m.serial);
        sink.SetState(m.row, m.out.exitCode == exitcode::kOk
                                 ? ResultWord(m)
                                 : ResultWord(m) + L": " + ResultText(m, m.dialogs.Boxes()));
    } else if (!m.args.json) {
        PrintModuleResult(sink, m, m.dialogs.Boxes());
    }
    m.done.store(true);
}

// The ports of every module discovery finds.
std::vector<uint16_t> DiscoverPorts(const Arguments& args, CConsole& console,
                                    const CInterruptWatch& watch, std::wstring& status) {
    CTerminalDialogs dialogs(console, AnswerPolicy{args.yes, args.force}, args.json);
    CCliSession session(args, console, dialogs);
    std::vector<uint16_t> ports;
    if (!session.Start(status))
        return ports;
    // Ctrl-C stops the discovery at the next port: a silent port costs a
    // probe's time-outs, and there may be many of them.
    const discovery::Result found = discovery::DiscoverModules(
        session.Engine(), session.Module().Port(), portnames::EnumeratePorts,
        [&watch] { return watch.Interrupted(); });
    if (watch.Interrupted())
        return {};
    status = discovery::StatusText(found);
    for (const std::wstring& entry : found.entries)
        if (const auto port = discovery::PortNumberOfEntry(entry))
            ports.push_back(*port);
    return ports;
}

} // namespace

int RunParallelUpdate(const Arguments& args, CConsole& console) {
    // Held for the whole run: the sessions' own set-ups and tear-downs on the
    // main thread only count.
    CXercesSession xml;
    // Ctrl-C from the first connect to the last run's end stops every run at
    // its next chunk boundary; no module is cut off in the middle of a frame.
    CInterruptWatch watch;
    CLineSink sink(console.ErrorIsTerminal());

    std::wstring discoveryStatus;
    const std::vector<uint16_t> ports =
        args.allPorts ? DiscoverPorts(args, console, watch, discoveryStatus) : args.ports;

    std::vector<std::unique_ptr<ModuleRun>> runs;
    for (const uint16_t port : ports)
        runs.push_back(std::make_unique<ModuleRun>(args, port, sink));
    for (auto& m : runs)
        m->thread = std::thread(Drive, std::ref(*m), std::cref(watch), std::ref(sink));
    const auto allDone = [&runs] {
        return std::all_of(runs.begin(), runs.end(), [](const auto& m) { return m->done.load(); });
    };
    while (!allDone()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        sink.Redraw();
    }
    for (auto& m : runs)
        m->thread.join();
    sink.EndRows();

    int exit = exitcode::kOk;
    if (watch.Interrupted())
        exit = exitcode::kInterrupted;
    else if (std::all_of(runs.begin(), runs.end(),
                         [](const auto& m) { return m->out.exitCode == exitcode::kNoConnection; }))
        exit = exitcode::kNoConnection; // also when there is no module at all
    else if (std::any_of(runs.begin(), runs.end(),
                         [](const auto& m) { return m->out.exitCode != exitcode::kOk; }))
        exit = exitcode::kFailed;

    if (args.json) {
        JsonValue json = JsonValue::MakeObject();
        json.Set("command", CommandName(Command::Update));
        json.Set("ok", exit == exitcode::kOk);
        json.Set("exit", exit);
        if (runs.empty())
            json.Set("error", discoveryStatus);
        JsonValue modules = JsonValue::MakeArray();
        for (const auto& m : runs)
            modules.Append(ModuleJson(*m, m->dialogs.Boxes()));
        json.Set("modules", std::move(modules));
        sink.Raw(clitext::JsonDocument(std::move(json)));
    } else if (runs.empty()) {
        sink.Lines(true, L"", discoveryStatus);
    } else {
        if (sink.Live())
            for (const auto& m : runs)
                PrintModuleResult(sink, *m, m->dialogs.Boxes());
        PrintSummary(sink, runs);
    }
    // The sessions go on this thread, as they came.
    runs.clear();
    return exit;
}

} // namespace cli
