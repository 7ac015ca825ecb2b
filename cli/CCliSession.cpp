#include "cli/CCliSession.h"

#include "cli/CTerminalDialogs.h"
#include "cli/CliTexts.h"
#include "cli/LogCommand.h"
#include "descriptions/CAssembliesXML.h"
#include "descriptions/CModuleTypeXML.h"
#include "engine/CCmdEngine.h"
#include "frontend/ConnectReport.h"
#include "frontend/ResultsLog.h"
#include "maintenance/ReleaseUpdate.h"
#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/SetupPageRules.h"

#include <new>

CCliSession::CCliSession(const cli::Arguments& args, CConsole& console, CTerminalDialogs& dialogs)
    : m_args(args), m_console(console), m_dialogs(dialogs),
      m_results(cli::OpenResultsLog(args, console)),
      m_origin(frontend::ThisProgram("pellworth-cli")) {}

CCliSession::~CCliSession() {
    if (m_engine) {
        // The engine must not keep pointers to blocks that are going away.
        if (m_tarn)
            m_engine->Module().DetachBlockHandler(m_tarn.get());
        if (m_orlan6)
            m_engine->Module().DetachBlockHandler(m_orlan6.get());
        m_engine->SetConnected(false);
    }
    m_port.Close();
    m_port.SetErrorHandler(nullptr);
}

bool CCliSession::Start(std::wstring& error) {
    if (!m_xml.IsReady()) {
        error = L"Error during Xerces-c Initialization.\n  Exception message:" + m_xml.ErrorText();
        return false;
    }
    m_port.SetErrorHandler([this](const std::wstring& text) { ReportPortFailure(text); });
    m_selectedType = m_args.forcedModuleType;
    m_engine = std::make_unique<CCmdEngine>(&m_port, this, this, &m_registry,
                                            static_cast<ModuleTypeId>(m_args.forcedModuleType));
    m_tarn = std::make_unique<CConfigModTarn>(m_engine.get(), 0, 0);
    m_orlan6 = std::make_unique<CConfigModORLAN6>(m_engine.get(), 0, 0);
    // The engine selected the forced type while it was being built, before
    // there were blocks to attach.
    OnModuleChanged();
    return true;
}

void CCliSession::OperationStarted(ModuleOperationKind kind, const std::wstring& file,
                                   const std::wstring& component, VersionNumber release) {
    m_operation.emplace(m_origin, kind, m_portNumber, *m_engine, file, component, release);
}

void CCliSession::OperationEnded(int32_t result, const std::wstring& text) {
    if (!m_operation)
        return;
    // A log that cannot be written has been said; the module's operation stands.
    m_results->Append(m_operation->Record(result, text, *m_engine));
    m_operation.reset();
}

void CCliSession::ReportPortFailure(const std::wstring& text) {
    // The port reports one failure per incident.
    m_dialogs.MessageBox(text, {}, MsgButtons::Ok, MsgIcon::Error);
}

// ---- Status line --------------------------------------------------------------------------------

void CCliSession::ReportError(std::wstring text) {
    if (m_quiet.load())
        return;
    m_status = std::move(text);
}

// ---- Connecting ---------------------------------------------------------------------------------

bool CCliSession::ConnectPort(uint16_t port, const std::string& expectedSerial, int32_t& result) {
    result = -7;
    if (!m_port.Open(port)) {
        ReportError(connectreport::kPortCannotBeOpened);
        // The open closed the old port: whatever was connected is no longer.
        m_engine->SetConnected(false);
        return false;
    }
    m_portNumber = port;
    result = m_engine->Connect(expectedSerial);
    const bool connected = m_engine->IsConnected();
    const connectreport::ConnectStatus status =
        connectreport::StatusAfterConnect(result, connected, !expectedSerial.empty());
    if (!status.text.empty())
        ReportError(status.text);
    if (!connected) {
        m_port.Close();
        return false;
    }
    RefreshRelease();

    if (const auto box = connectreport::WarningAfterConnect(m_engine->Module(),
                                                            !expectedSerial.empty(), m_selected);
        box && !m_quiet.load())
        m_dialogs.MessageBox(box->text, box->caption, MsgButtons::Ok, MsgIcon::Exclamation);
    return status.success;
}

bool CCliSession::Connect(uint16_t port, int32_t& result) {
    return ConnectPort(port, {}, result);
}

bool CCliSession::Reconnect(const std::string& expectedSerial) {
    // Only ever the run's own port: a module that reboots comes back under
    // its number (numbers follow the USB location), and any other port is
    // another module, which a run must never touch.
    int32_t result = 0;
    return ConnectPort(m_portNumber, expectedSerial, result);
}

void CCliSession::Disconnect() {
    OnDisconnected();
    m_engine->SetConnected(false);
    if (m_port.IsOpen())
        m_port.Close();
}

// ---- Release selection --------------------------------------------------------------------------

void CCliSession::RefreshRelease() {
    const ModuleRecord& module = m_engine->Module();
    // A module in SafeBoot reports no type: the earlier choice stays, as on
    // the update page.
    if (module.moduleType == 1 || module.moduleType == 2) {
        m_selectedType = module.moduleType;
    }
    std::string board;
    if (m_engine->IsConnected() && (module.moduleType == 1 || module.moduleType == 2))
        board = module.assembly;

    m_releases = ReleaseTable{};
    m_engine->LoadReleasesOfType(m_selectedType, m_releases);
    VersionNumber wanted = kNoVersion; // the update page's choice
    if (m_args.release) {
        wanted = *m_args.release;
    } else if (m_args.latestRelease) {
        if (const AssemblyRecord* latest = FindLatest(m_releases))
            wanted = latest->release;
    }
    m_selected = SelectAssembly(m_releases, wanted, board);
    m_releaseMissing = (m_args.release || m_args.latestRelease) && !m_selected;
    m_desired = ModuleDescription{};
    if (m_selected) {
        CModuleTypeXML reader;
        LoadModuleDescription(m_desired, reader, m_selected->moduleTypeFile);
    }
}

VersionNumber CCliSession::InstalledRelease() const {
    return VerifyRelease(m_releases, m_engine->Module().IdentityView());
}

std::wstring CCliSession::SetupDisabledReason() const {
    const ModuleRecord& module = m_engine->Module();
    // The page of the module's own type is the one the program would show.
    const SetupBlocker blocker = FirstSetupBlocker(
        *m_engine, module.moduleType, m_selected && m_selected->release == module.release,
        IsModuleEntryValid(m_releases, module));
    return SetupBlockerText(blocker);
}

// ---- Setup blocks -------------------------------------------------------------------------------

CConfigBlockIF* CCliSession::SetupBlock() {
    switch (m_engine->Module().moduleType) {
    case 1:
        return m_orlan6.get();
    case 2:
        return m_tarn.get();
    default:
        return nullptr;
    }
}

// ---- CAppIF -------------------------------------------------------------------------------------

void CCliSession::OnModuleChanged() {
    // Called while the engine is being built: nothing to attach yet.
    if (!m_engine || !m_tarn || !m_orlan6)
        return;
    // The setup page of the module's type lends its block, as in the program.
    if (CConfigBlockIF* block = SetupBlock())
        m_engine->AttachConfigBlock(block);
}

void CCliSession::OnIdentityChanged() {}

CModuleTypeXML* CCliSession::CreateModuleTypeReader() {
    return new (std::nothrow) CModuleTypeXML();
}

CAssembliesXML* CCliSession::CreateAssembliesReader() {
    return new (std::nothrow) CAssembliesXML();
}
