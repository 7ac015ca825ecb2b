#include "cli/Commands.h"

#include "cli/CCliRunHost.h"
#include "cli/CCliSession.h"
#include "cli/CConsole.h"
#include "cli/CInterruptWatch.h"
#include "cli/CTerminalDialogs.h"
#include "cli/CliTexts.h"
#include "cli/SetupView.h"
#include "cli/TerminalText.h"
#include "descriptions/InputFile.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"
#include "frontend/ConnectReport.h"
#include "frontend/ModuleDiscovery.h"
#include "frontend/ModuleOperation.h"
#include "maintenance/CLookupTableRun.h"
#include "maintenance/CPeekPokeText.h"
#include "maintenance/ModuleOperations.h"
#include "maintenance/ReleaseUpdate.h"
#include "maintenance/StartReleaseUpdate.h"
#include "maintenance/UpdateRun.h"
#include "maintenance/UpdateTexts.h"
#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/SetupBlocks.h"
#include "setups/SetupFileProcedures.h"
#include "setups/SetupPageRules.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace cli {

namespace {

// The program's update and lookup table pages tick every 100 ms.
constexpr auto kTick = std::chrono::milliseconds(100);

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

JsonValue ViewJson(const SetupView& view) {
    JsonValue json = JsonValue::MakeObject();
    json.Set("fpgaId", static_cast<int>(view.fpgaId));
    json.Set("blockId", static_cast<int>(view.blockId));
    json.Set("bytes", BlockBytesText(view));
    JsonValue fields = JsonValue::MakeArray();
    for (const SetupField& field : view.fields) {
        JsonValue f = JsonValue::MakeObject();
        f.Set("name", field.name);
        f.Set("value", field.value);
        f.Set("word", field.word);
        fields.Append(std::move(f));
    }
    json.Set("fields", std::move(fields));
    return json;
}

void AddViewLines(const SetupView& view, std::vector<std::wstring>& lines) {
    lines.push_back(L"Setup (FPGA " + std::to_wstring(view.fpgaId) + L", block " +
                    std::to_wstring(view.blockId) + L"): " + BlockBytesText(view));
    for (const SetupField& field : view.fields) {
        const std::wstring word = field.word.empty() ? L"(no word)" : L"\"" + field.word + L"\"";
        lines.push_back(L"  " + field.name + L" = " + std::to_wstring(field.value) + L" " + word);
    }
}

// The block of the connected module described; false when it has none of a known type.
bool Describe(CCliSession& session, SetupView& view, std::wstring& error) {
    CConfigBlockIF* block = session.Module().ModuleSetupBlock();
    if (const auto* tarn = dynamic_cast<const CConfigModTarn*>(block))
        return DescribeSetup(*tarn, view, error);
    if (const auto* orlan6 = dynamic_cast<const CConfigModORLAN6*>(block))
        return DescribeSetup(*orlan6, view, error);
    error = kSetupWrongTypeText;
    return false;
}

// The program ignores the result of a block write; a failure would then be
// reported as success. The write's answer is looked at and the block is read
// back instead: empty when the module holds it, else what went wrong.
std::wstring ModuleKeepsSetup(CCliSession& session) {
    CCmdEngine& engine = session.Engine();
    const CConfigBlockIF* block = session.Module().ModuleSetupBlock();
    if (!block || engine.LastBlockWrite() == CCmdEngine::kNoBlockWrite)
        return clitext::kSetupNotSent;
    if (engine.LastBlockWrite() != chan::kOk)
        return clitext::kSetupNotTaken;
    const std::unique_ptr<CConfigBlockIF> readBack = MakeSetupBlock(engine.Module().moduleType);
    if (!readBack || readBack->Read(engine.Channel()) == 0)
        return clitext::kSetupNotReadBack;
    return readBack->Encoded() == block->Encoded() ? std::wstring() : clitext::kSetupNotWritten;
}

class Runner {
public:
    Runner(CCliSession& session, CommandOutput& out)
        : m_session(session), m_args(session.Args()), m_engine(session.Engine()), m_out(out) {}

    void Run();

private:
    void Fail(int exitCode, const std::wstring& status = {}) {
        if (!status.empty())
            m_session.ReportError(status);
        m_out.exitCode = exitCode;
    }
    void UsageError(std::wstring text) {
        m_out.usageError = std::move(text);
        m_out.exitCode = exitcode::kUsage;
    }
    bool ConnectModule();

    void Ports();
    void Info();
    void Peek();
    void Poke();
    void Csv();
    void Setup();
    void SetupFile(bool save, CConfigBlockIF& block);
    void Download();
    void DownloadLookupTable();
    void Update();

    CCliSession& m_session;
    const Arguments& m_args;
    CCmdEngine& m_engine;
    CommandOutput& m_out;
    int32_t m_connectResult = 0;
};

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
    int32_t& result = m_connectResult;
    // What the main dialog shows while it connects is a warning: it goes out
    // at once rather than with the command's result.
    m_session.Dialogs().SetShowAtOnce(true);
    const bool connected = m_session.Module().Connect(*m_args.port, &result);
    m_session.Dialogs().SetShowAtOnce(false);

    JsonValue connection = JsonValue::MakeObject();
    connection.Set("port", static_cast<int>(*m_args.port));
    connection.Set("result", result);
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
        Describe(m_session, view, error)) {
        AddViewLines(view, lines);
        m_out.data.Set("setup", ViewJson(view));
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
    if (m_connectResult != 0 && !noTypeFile)
        return Fail(exitcode::kFailed, ConnectResultText(m_connectResult));
}

// ---- peek, poke, csv ----------------------------------------------------------------------------

void Runner::Peek() {
    if (!ConnectModule())
        return;
    uint8_t value = 0;
    const int32_t result = m_engine.Peek(m_args.interface, m_args.device, m_args.address, &value);
    m_out.data.Set("interface", peekpoke::InterfaceName(m_args.interface));
    m_out.data.Set("device", Hex(m_args.device, 2));
    m_out.data.Set("address", Hex(m_args.address, 6));
    m_out.data.Set("result", result);
    if (result != 0)
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
    int32_t result = m_engine.Poke(m_args.interface, m_args.device, m_args.address, m_args.value);
    m_out.data.Set("result", result);
    if (result != 0)
        return Fail(exitcode::kFailed, peekpoke::FailureText(result, L"Poke"));
    if (m_args.noPeek)
        return;
    // "No Peek After Poke" unchecked: the page reads the register back.
    uint8_t value = 0;
    result = m_engine.Peek(m_args.interface, m_args.device, m_args.address, &value);
    m_out.data.Set("result", result);
    if (result != 0)
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
    m_out.data.Set("result", load.result);
    if (load.result == eng::kPokeFileParse) {
        m_out.data.Set("line", load.error.line);
        m_out.data.Set("parseCode", load.error.code);
    }
    if (load.result != 0)
        return Fail(exitcode::kFailed);
    m_out.lines.push_back(load.text);
}

// ---- setup --------------------------------------------------------------------------------------

void Runner::Setup() {
    if (!ConnectModule())
        return;
    CConfigBlockIF* block = m_session.Module().ModuleSetupBlock();
    if (m_args.setupAction != SetupAction::Show) {
        // The Setup page's buttons are greyed out unless these hold.
        const std::wstring reason = m_session.SetupDisabledReason();
        if (!reason.empty())
            return Fail(exitcode::kFailed, reason);
    }
    if (!block)
        return Fail(exitcode::kFailed, kSetupWrongTypeText);
    // A block that could not be read holds factory values, not the module's
    // setup: showing or saving it would pass them off as the module's.
    const bool reads =
        m_args.setupAction == SetupAction::Show || m_args.setupAction == SetupAction::Save;
    if (reads && !m_engine.IsConfigurationValid())
        return Fail(exitcode::kFailed,
                    ConnectResultText(m_connectResult != 0 ? m_connectResult : -9));

    switch (m_args.setupAction) {
    case SetupAction::Show:
        break;
    case SetupAction::Save:
    case SetupAction::Load:
        SetupFile(m_args.setupAction == SetupAction::Save, *block);
        if (m_out.exitCode != exitcode::kOk)
            return;
        break;
    case SetupAction::Defaults:
        m_session.Module().OperationStarted(ModuleOperationKind::SetupDefaults);
        m_engine.ForgetLastBlockWrite();
        ResetSetupBlock(*block);
        if (const std::wstring failed = ModuleKeepsSetup(m_session); !failed.empty()) {
            m_session.Module().OperationEnded(eng::kUnknown, failed);
            return Fail(exitcode::kFailed, failed);
        }
        m_session.Module().OperationEnded(eng::kOk, kFactoryDefaultsLoadedText);
        break;
    }

    SetupView view;
    std::wstring error;
    if (!Describe(m_session, view, error))
        return Fail(exitcode::kFailed, error);
    if (m_args.setupAction == SetupAction::Show || m_args.setupAction == SetupAction::Defaults)
        AddViewLines(view, m_out.lines);
    m_out.data.Set("setup", ViewJson(view));
}

void Runner::SetupFile(bool save, CConfigBlockIF& block) {
    const ModuleTypeId type = m_engine.Module().moduleType;
    SetupFolderState folder;
    SetupFileContext context;
    context.dialogs = &m_session.Dialogs();
    context.reportStatus = [this](const std::wstring& text) { m_session.ReportError(text); };
    context.engine = &m_engine;
    context.filter = SetupFileFilter(type);
    context.folder = &folder;
    // The record ends once the module is known to hold the loaded block.
    context.writeStarted = [this](const std::wstring& file) {
        m_session.Module().OperationStarted(ModuleOperationKind::SetupLoad, file);
    };
    context.makeDocument = [type, &block] { return MakeSetupDocument(type, block); };
    // The file dialog chooses the file of the command line; the page's rule
    // then adds ".xml" unless the name ends with it.
    m_session.Dialogs().SetFileAnswer(m_args.file);
    std::wstring path = m_args.file;
    if (path.size() < 4 || path.compare(path.size() - 4, 4, L".xml") != 0)
        path += L".xml";
    m_out.data.Set("file", path);

    m_engine.ForgetLastBlockWrite();
    const bool done = save ? SaveSetupFile(context) : LoadSetupFile(context, block);
    if (!done)
        return Fail(m_session.Dialogs().Declined() ? exitcode::kDeclined : exitcode::kFailed);
    if (const std::wstring failed = save ? std::wstring() : ModuleKeepsSetup(m_session);
        !failed.empty()) {
        m_session.Module().OperationEnded(eng::kUnknown, failed);
        return Fail(exitcode::kFailed, failed);
    }
    m_session.Module().OperationEnded(eng::kOk, m_session.Status());
    m_out.lines.push_back(m_session.Status());
}

// ---- download -----------------------------------------------------------------------------------

void Runner::Download() {
    if (!ConnectModule())
        return;
    const ModuleRecord& module = m_engine.Module();
    int32_t component = kComponentFerrin;
    std::wstring name = L"ferrin";
    if (m_args.downloadKind == DownloadKind::SafeBoot) {
        component = kComponentSafeBoot;
        name = L"safeboot";
    } else if (m_args.downloadKind == DownloadKind::Fpga) {
        component = m_args.fpgaId;
        name = L"fpga";
    }
    m_out.data.Set("component", name);
    m_out.data.Set("file", m_args.file);
    // The Update tab's manual "Update" is enabled only while the module runs Ferrin.
    if (module.runningImage != kRunningFerrin)
        return Fail(exitcode::kFailed, clitext::kDownloadNeedsFerrin);
    if (component >= 0 && !module.FindFpga(m_args.fpgaId))
        return UsageError(L"the module has no FPGA with id " + std::to_wstring(m_args.fpgaId));

    switch (operations::CheckManualDownload(operations::SessionContext(m_session.Module()),
                                            component, m_args.file)) {
    case operations::ManualCheck::Ready:
        break;
    case operations::ManualCheck::Declined:
        return Fail(exitcode::kDeclined);
    case operations::ManualCheck::FileError:
    case operations::ManualCheck::TooLarge:
        return Fail(exitcode::kFailed);
    }

    CCliRunHost host(m_session);
    UpdateRun run(host);
    CInterruptWatch watch;
    if (!run.StartManual(component, m_args.file,
                         m_session.Module().Selection().Selected() != nullptr))
        return Fail(exitcode::kFailed);
    bool aborted = false;
    while (run.IsRunning()) {
        std::this_thread::sleep_for(kTick);
        if (watch.Interrupted() && !aborted) {
            aborted = true;
            // The page hides "Abort" for SafeBoot: that download must not be cut.
            if (component == kComponentSafeBoot)
                m_session.Console().Err(clitext::kSafeBootNoAbort);
            else
                run.RequestAbort();
        }
        run.Tick();
    }
    run.Shutdown();
    m_out.log = host.Log();
    const int32_t result = run.LastResult();
    m_out.data.Set("result", result);
    m_out.data.Set("finalMessage", run.LastFinalMessage());
    if (result == eng::kOk) {
        m_out.lines.push_back(run.LastFinalMessage());
        m_out.lines.push_back(m_session.Status());
        return;
    }
    if (result == eng::kAborted && watch.Interrupted())
        return Fail(exitcode::kInterrupted);
    Fail(exitcode::kFailed);
}

void Runner::DownloadLookupTable() {
    if (!ConnectModule())
        return;
    const ModuleRecord& module = m_engine.Module();
    m_out.data.Set("component", "lut");
    m_out.data.Set("file", m_args.file);
    // The Lookup Table page is blocked while the module runs SafeBoot.
    if (module.runningImage != kRunningFerrin)
        return Fail(exitcode::kFailed, clitext::kDownloadNeedsFerrin);
    const FpgaDescription* fpga = module.FindFpga(m_args.fpgaId);
    if (!fpga)
        return UsageError(L"the module has no FPGA with id " + std::to_wstring(m_args.fpgaId));
    const LookupTableDescription* table = fpga->FindLookupTable(m_args.tableId);
    if (!table)
        return UsageError(L"FPGA " + std::to_wstring(m_args.fpgaId) +
                          L" has no lookup table with id " + std::to_wstring(m_args.tableId));

    CLookupTableRun run(m_engine);
    const operations::Context context = operations::SessionContext(m_session.Module());
    switch (operations::StartLookupTable(context, run, m_args.file, m_args.fpgaId, m_args.tableId,
                                         table->name, fpga->name)) {
    case operations::LutStart::Started:
        break;
    case operations::LutStart::Declined:
        return Fail(exitcode::kDeclined);
    case operations::LutStart::OpenFailed:
    case operations::LutStart::NotStarted:
        return Fail(exitcode::kFailed);
    }
    CConsole& console = m_session.Console();
    CInterruptWatch watch;
    bool aborted = false;
    while (!run.IsFinished()) {
        std::this_thread::sleep_for(kTick);
        if (watch.Interrupted() && !aborted) {
            aborted = true;
            run.RequestAbort();
        }
        if (m_engine.IsConnected()) {
            const float progress = m_engine.GetProgress();
            console.Progress(CLookupTableRun::BarPosition(progress),
                             CLookupTableRun::PercentText(progress), {});
        }
    }
    console.EndProgress();
    const int32_t result = operations::FinishLookupTable(context, run);
    m_out.data.Set("result", result);
    if (result == eng::kOk) {
        m_out.lines.push_back(m_session.Status());
        return;
    }
    if (result == eng::kAborted && watch.Interrupted())
        return Fail(exitcode::kInterrupted);
    Fail(exitcode::kFailed);
}

// ---- update -------------------------------------------------------------------------------------

void Runner::Update() {
    if (!ConnectModule())
        return;
    const AssemblyRecord* release = m_session.Module().Selection().Selected();
    if (release)
        m_out.data.Set("release", ReleaseText(release->release));
    m_out.data.Set("installedBefore", ReleaseText(m_session.Module().InstalledRelease()));

    CCliRunHost host(m_session);
    UpdateRun run(host);
    run.SetKeepSetup(m_args.keepSetup);
    if (!StartReleaseUpdate(run, release, m_session.Module().Selection().Desired(),
                            m_session.Module().InstalledRelease())) {
        // Declining to force a module that is up to date is no failure.
        if (m_session.Status() == updatetext::kNoUpdatesNeeded) {
            m_out.lines.push_back(m_session.Status());
            m_out.data.Set("result", 0);
            return;
        }
        return Fail(m_session.Dialogs().Declined() ? exitcode::kDeclined : exitcode::kFailed);
    }

    CInterruptWatch watch;
    host.SetInterrupted([&watch] { return watch.Interrupted(); });
    host.SetRebootWait(m_args.rebootWait);
    bool stopped = false;
    while (run.IsRunning()) {
        std::this_thread::sleep_for(kTick);
        if (watch.Interrupted()) {
            // A release update has no Abort of its own: the run is stopped
            // (the running download aborted, a wait for the module ended).
            m_session.Console().Err(L"Interrupted: stopping the update.");
            stopped = true;
            run.Shutdown();
            break;
        }
        run.Tick();
    }
    run.Shutdown();
    m_session.Module().SetQuiet(false);
    m_out.log = host.Log();
    const int32_t result = run.LastResult();
    m_out.data.Set("result", result);
    m_out.data.Set("finalMessage", run.LastFinalMessage());
    m_out.data.Set("setupNote", run.LastSetupNote());
    m_out.data.Set("installedAfter", ReleaseText(m_session.Module().InstalledRelease()));
    if (stopped) {
        if (result != eng::kOk)
            return Fail(exitcode::kInterrupted, EngineCodeText(eng::kAborted));
        m_session.ReportError(EngineCodeText(eng::kOk));
    }
    if (result != eng::kOk)
        return Fail(exitcode::kFailed);
    m_out.lines.push_back(run.LastFinalMessage());
    if (!run.LastSetupNote().empty())
        m_out.lines.push_back(run.LastSetupNote());
    m_out.lines.push_back(m_session.Status());
}

} // namespace

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
