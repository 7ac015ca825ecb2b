#include "cli/Commands.h"
#include "cli/CommandRunner.h"

#include "cli/CCliSession.h"
#include "cli/CConsole.h"
#include "cli/CTerminalDialogs.h"
#include "cli/CliTexts.h"
#include "cli/SetupView.h"
#include "cli/TerminalText.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"
#include "frontend/ConnectReport.h"
#include "frontend/ModuleDiscovery.h"
#include "frontend/ModuleOperation.h"
#include "maintenance/CPeekPokeText.h"
#include "maintenance/ModuleOperations.h"
#include "maintenance/ReleaseUpdate.h"
#include "maintenance/UpdateTexts.h"

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

// A version the tool was given: always its two numbers.
std::wstring Pair(const VersionNumber& version) {
    return std::to_wstring(version.major) + L"." + std::to_wstring(version.minor);
}

std::wstring Hex(uint32_t value, int digits) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%0*X", digits, value);
    return text;
}

std::wstring RunningText(int32_t runningImage) {
    switch (runningImage) {
    case kRunningSafeBoot:
        return L"SafeBoot";
    case kRunningFerrin:
        return L"Ferrin";
    default:
        return L"unknown";
    }
}

} // namespace

void Runner::Run() {
    switch (m_args.command) {
    case Command::Ports:
        return Ports();
    case Command::Info:
        return Info();
    case Command::Peek:
        return Peek();
    case Command::Poke:
        return Poke();
    case Command::Csv:
        return Csv();
    case Command::Setup:
        return Setup();
    case Command::Download:
        return m_args.downloadKind == DownloadKind::Lut ? DownloadLookupTable() : Download();
    case Command::Update:
        return Update();
    case Command::Log:
        return; // main reads the log without a session (LogCommand.h)
    }
}

bool Runner::ConnectModule() {
    conn::Code& result = m_connectResult;
    // What the main dialog shows while it connects is a warning: it goes out
    // at once rather than with the command's result.
    m_session.Dialogs().SetShowAtOnce(true);
    const bool connected = m_session.Module().Connect(*m_args.port, &result);
    m_session.Dialogs().SetShowAtOnce(false);

    JsonValue connection = JsonValue::MakeObject();
    connection.Set("port", static_cast<int>(*m_args.port));
    connection.Set("result", Number(result));
    connection.Set("text", ConnectResultText(result));
    connection.Set("status", m_session.Status());
    m_out.data.Set("connection", std::move(connection));
    if (!connected) {
        m_out.exitCode = exitcode::kNoConnection;
        return false;
    }
    if (!m_session.Status().empty() && m_session.Status() != connectreport::kConnected &&
        !m_args.json)
        m_session.Console().Err(m_session.Status());
    if (m_session.Module().Selection().WishMissing()) {
        const std::wstring release = m_args.release ? Pair(*m_args.release) : L"latest";
        Fail(exitcode::kFailed,
             clitext::ReleaseNotInTable(release,
                                        ModuleTypeName(m_session.Module().Selection().Type())));
        return false;
    }
    // Every page operation starts with an empty status line.
    m_session.ReportError(L"");
    return true;
}

// ---- ports --------------------------------------------------------------------------------------

void Runner::Ports() {
    const discovery::Result result =
        discovery::DiscoverModules(m_engine, m_session.Module().Port());
    m_session.ReportError(discovery::StatusText(result));
    JsonValue modules = JsonValue::MakeArray();
    for (size_t i = 0; i < result.entries.size(); ++i) {
        const std::wstring& entry = result.entries[i];
        const portnames::PortInfo& port = result.ports[i];
        // Which device a number stands for: its node, and for a USB device
        // its location (what the number follows) and its own serial string.
        std::wstring where = L": " + Utf8ToWide(port.node.string());
        where += port.simulated ? L", simulated" : L", USB " + Utf8ToWide(port.location);
        if (!port.usbSerial.empty())
            where += L", USB serial " + Utf8ToWide(port.usbSerial);
        // The entry carries the module's name: a line break in it is shown too.
        m_out.lines.push_back(VisibleText(entry + where));
        JsonValue module = JsonValue::MakeObject();
        module.Set("port", static_cast<int>(discovery::PortNumberOfEntry(entry).value_or(0)));
        module.Set("entry", entry);
        const size_t open = entry.find(L" (");
        module.Set("name", open == std::wstring::npos
                               ? std::wstring()
                               : entry.substr(open + 2, entry.size() - open - 3));
        module.Set("device", port.node.string());
        module.Set("usbLocation", port.location.empty() ? JsonValue() : JsonValue(port.location));
        module.Set("usbSerial", port.usbSerial.empty() ? JsonValue() : JsonValue(port.usbSerial));
        module.Set("simulated", port.simulated);
        modules.Append(std::move(module));
    }
    m_out.data.Set("modules", std::move(modules));
    if (result.entries.empty())
        m_out.exitCode = exitcode::kFailed;
}

// ---- info ---------------------------------------------------------------------------------------

void Runner::Info() {
    if (!ConnectModule())
        return;
    const ModuleRecord& module = m_engine.Module();
    const AssemblyRecord* selected = m_session.Module().Selection().Selected();
    const std::wstring connection = ConnectResultText(m_connectResult);
    const std::wstring typeName = ModuleTypeName(module.moduleType);
    const std::wstring verified = ReleaseText(m_session.Module().InstalledRelease());
    const std::wstring desired = selected ? ReleaseText(selected->release) : L"Unknown";

    std::vector<std::wstring>& lines = m_out.lines;
    lines.push_back(L"Connection: " + connection);
    lines.push_back(L"Port: COM" + std::to_wstring(m_session.Module().RunPort()));
    lines.push_back(L"Module type: " +
                    (typeName.empty() ? std::to_wstring(module.moduleType) : typeName));
    // The module's own bytes, each on its line whatever they hold.
    lines.push_back(L"Name: " + VisibleText(WidenText(module.name)));
    lines.push_back(L"Assembly: " + VisibleText(WidenText(module.assembly)));
    lines.push_back(L"Serial: " + SerialText(WidenText(module.serial)));
    lines.push_back(L"Running: " + RunningText(module.runningImage));
    lines.push_back(L"Release: " + ReleaseText(module.release) + L" (verified " + verified + L")");
    lines.push_back(L"Desired release: " + desired);
    lines.push_back(L"SafeBoot: " + VersionText(module.safeBoot.version));
    lines.push_back(L"Ferrin: " + VersionText(module.ferrin.version));

    JsonValue json = JsonValue::MakeObject();
    json.Set("type", module.moduleType);
    json.Set("typeName", typeName);
    json.Set("name", WidenText(module.name));
    json.Set("assembly", WidenText(module.assembly));
    json.Set("serial", WidenText(module.serial));
    json.Set("running", RunningText(module.runningImage));
    json.Set("release", ReleaseText(module.release));
    json.Set("verifiedRelease", verified);
    json.Set("desiredRelease", desired);
    json.Set("safeBoot", VersionText(module.safeBoot.version));
    json.Set("ferrin", VersionText(module.ferrin.version));
    json.Set("configurationValid", m_engine.IsConfigurationValid());
    for (const auto& [fpgaId, fpga] : module.fpgas) {
        lines.push_back(L"FPGA " + std::to_wstring(fpgaId) + L" " + fpga.name + L": " +
                        VersionText(fpga.firmware.version));
        for (const auto& [tableId, table] : fpga.lookupTables)
            lines.push_back(L"  Lookup table " + std::to_wstring(tableId) + L" " + table.name +
                            L": " + VersionText(table.version));
    }
    json.Set("fpgas", frontend::ModuleOperation::FpgaVersions(module));
    m_out.data.Set("module", std::move(json));

    SetupView view;
    std::wstring error;
    if (m_session.Module().ModuleSetupBlock() && m_engine.IsConfigurationValid() &&
        DescribeModuleSetup(m_session, view, error)) {
        AddSetupViewLines(view, lines);
        m_out.data.Set("setup", SetupViewJson(view));
    }
    // A healthy module of a release the program has no type file for: all
    // that can be read was read; its setup cannot be, and an update helps.
    const bool noTypeFile = m_connectResult == CCmdEngine::kConnectNoDescription;
    if (noTypeFile)
        lines.push_back(clitext::SetupNotShown(ReleaseText(module.release)));
    m_out.data.Set("needsUpdate",
                   noTypeFile || (selected && selected->release.Value() > module.release.Value()));
    // What was shown is what could be read; a script must not take it as the
    // whole identity.
    m_out.data.Set("identityComplete", m_engine.IsIdentityComplete());
    if (!m_engine.IsIdentityComplete())
        return Fail(exitcode::kFailed, clitext::kIdentityIncomplete);
    if (m_connectResult != conn::kOk && !noTypeFile)
        return Fail(exitcode::kFailed, ConnectResultText(m_connectResult));
}

// ---- peek, poke, csv ----------------------------------------------------------------------------

void Runner::Peek() {
    if (!ConnectModule())
        return;
    uint8_t value = 0;
    const eng::Code result = m_engine.Peek(m_args.interface, m_args.device, m_args.address, &value);
    m_out.data.Set("interface", peekpoke::InterfaceName(m_args.interface));
    m_out.data.Set("device", Hex(m_args.device, 2));
    m_out.data.Set("address", Hex(m_args.address, 6));
    m_out.data.Set("result", Number(result));
    if (result != eng::kOk)
        return Fail(exitcode::kFailed, peekpoke::FailureText(result, L"Peek"));
    m_out.data.Set("value", peekpoke::ByteText(value));
    m_out.lines.push_back(peekpoke::ByteText(value));
}

void Runner::Poke() {
    if (!ConnectModule())
        return;
    m_out.data.Set("interface", peekpoke::InterfaceName(m_args.interface));
    m_out.data.Set("device", Hex(m_args.device, 2));
    m_out.data.Set("address", Hex(m_args.address, 6));
    m_out.data.Set("written", peekpoke::ByteText(m_args.value));
    eng::Code result = m_engine.Poke(m_args.interface, m_args.device, m_args.address, m_args.value);
    m_out.data.Set("result", Number(result));
    if (result != eng::kOk)
        return Fail(exitcode::kFailed, peekpoke::FailureText(result, L"Poke"));
    if (m_args.noPeek)
        return;
    // "No Peek After Poke" unchecked: the page reads the register back.
    uint8_t value = 0;
    result = m_engine.Peek(m_args.interface, m_args.device, m_args.address, &value);
    m_out.data.Set("result", Number(result));
    if (result != eng::kOk)
        return Fail(exitcode::kFailed, peekpoke::FailureText(result, L"Peek"));
    m_out.data.Set("readBack", peekpoke::ByteText(value));
    m_out.lines.push_back(peekpoke::ByteText(value));
}

void Runner::Csv() {
    if (!ConnectModule())
        return;
    m_out.data.Set("file", m_args.file);
    const operations::CsvLoad load =
        operations::LoadCsv(operations::SessionContext(m_session.Module()), m_args.file);
    if (!load.opened || load.readFailed)
        return Fail(exitcode::kFailed);
    m_out.data.Set("result", Number(load.result));
    if (load.result == eng::kPokeFileParse) {
        m_out.data.Set("line", load.error.line);
        m_out.data.Set("parseCode", Number(load.error.code));
    }
    if (load.result != eng::kOk)
        return Fail(exitcode::kFailed);
    m_out.lines.push_back(load.text);
}

void SetShownJson(JsonValue& json, const std::vector<CTerminalDialogs::Box>& boxes,
                  const std::vector<std::wstring>& log) {
    JsonValue messages = JsonValue::MakeArray();
    for (const CTerminalDialogs::Box& box : boxes) {
        JsonValue message = JsonValue::MakeObject();
        message.Set("caption", box.caption);
        message.Set("text", box.text);
        if (box.question)
            message.Set("answer", box.answer == MsgResult::Yes || box.answer == MsgResult::Ok);
        messages.Append(std::move(message));
    }
    json.Set("messages", std::move(messages));
    JsonValue lines = JsonValue::MakeArray();
    for (const std::wstring& line : log)
        lines.Append(line);
    json.Set("log", std::move(lines));
}

bool PrintResult(const CommandOutput& output, const std::vector<CTerminalDialogs::Box>& boxes,
                 const std::wstring& status, bool statusLogged,
                 const std::function<void(const std::wstring&)>& out,
                 const std::function<void(const std::wstring&)>& err) {
    const bool success = output.exitCode == exitcode::kOk;
    const auto inLines = [&output](const std::wstring& text) {
        return std::find(output.lines.begin(), output.lines.end(), text) != output.lines.end();
    };
    for (const std::wstring& line : output.lines)
        if (!line.empty())
            out(line);
    std::wstring lastShown;
    bool anythingShown = false;
    for (const CTerminalDialogs::Box& box : boxes) {
        if (box.printed) {
            anythingShown = true;
            continue;
        }
        if (success && inLines(box.text))
            continue;
        err(box.text);
        lastShown = box.text;
        anythingShown = true;
    }
    if (!status.empty() && status != lastShown && !statusLogged && !(success && inLines(status))) {
        err(status);
        anythingShown = true;
    }
    return anythingShown;
}

void RunCommand(CCliSession& session, CommandOutput& out) {
    Runner(session, out).Run();
}

} // namespace cli
