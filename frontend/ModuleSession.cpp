#include "frontend/ModuleSession.h"

#include "descriptions/CAssembliesXML.h"
#include "descriptions/CModuleTypeXML.h"
#include "descriptions/DataDirectory.h"
#include "engine/CCmdEngine.h"
#include "engine/CConfigBlockIF.h"
#include "frontend/CDialogServicesIF.h"
#include "frontend/ResultsLog.h"

#include <poll.h>

#include <new>

namespace frontend {

ModuleSession::ModuleSession(CDialogServicesIF& dialogs, SetupBlockMaker makeBlock)
    : m_dialogs(dialogs), m_makeBlock(std::move(makeBlock)),
      m_registry(datadir::DataFile(L"types")) {
    m_port.SetErrorHandler([this](const std::wstring& text) {
        // The port reports one failure per incident, on whichever thread uses
        // it; the dialogs take the box to their own thread and wait for it.
        m_dialogs.RunOnGuiThread(
            [this, text] { m_dialogs.MessageBox(text, {}, MsgButtons::Ok, MsgIcon::Error); }, true);
    });
}

ModuleSession::~ModuleSession() {
    Stop();
    m_port.SetErrorHandler(nullptr);
}

void ModuleSession::Stop() {
    if (m_engine) {
        // The engine must not keep pointers to blocks that are going away.
        for (const auto& [type, block] : m_blocks)
            m_engine->DetachConfigBlock(block.get());
        m_engine->SetConnected(false);
    }
    m_blocks.clear();
    m_engine.reset();
    m_watchedDevice.reset();
    m_lossPending = false;
    m_port.Close();
}

std::wstring ModuleSession::XmlError() const {
    if (m_xml.IsReady())
        return {};
    return L"Error during Xerces-c Initialization.\n  Exception message:" + m_xml.ErrorText();
}

bool ModuleSession::Start(const Options& options, std::wstring& error) {
    error = XmlError();
    if (!error.empty())
        return false;
    m_options = options;
    m_selection.SetType(options.forcedType);
    m_engine = std::make_unique<CCmdEngine>(&m_port, this, this, &m_registry, m_options.forcedType);
    if (m_makeBlock)
        for (const ModuleTypeRow& type : kModuleTypes)
            if (type.hasSetup)
                if (std::unique_ptr<CConfigBlockIF> block = m_makeBlock(type.id, m_engine.get()))
                    m_blocks.emplace(type.id, std::move(block));
    // The engine selected the forced type while it was being built, before
    // there were blocks to attach.
    OnModuleChanged();
    return true;
}

void ModuleSession::SetResultsLog(ResultsLog* log, Origin origin) {
    m_results = log;
    m_origin = std::move(origin);
}

// ---- Connecting ---------------------------------------------------------------------------------

bool ModuleSession::ConnectPort(uint16_t port, const std::string& expectedSerial,
                                conn::Code& result) {
    const bool reconnect = !expectedSerial.empty();
    result = conn::kNotConnected;
    if (port == 0 || !m_port.Open(port)) {
        // The operator learns which device and why (missing, busy, denied).
        std::wstring text = connectreport::kPortCannotBeOpened;
        if (port != 0)
            text += L" " + m_port.OpenFailureText();
        ReportError(text);
        // The open closed the old port: whatever was connected is no longer.
        Disconnect();
        if (m_observer)
            m_observer->Connected();
        return false;
    }
    WatchPort();
    {
        const CWaitCursor wait(m_dialogs);
        result = m_engine->Connect(expectedSerial);
    }
    const bool connected = m_engine->IsConnected();
    const connectreport::ConnectStatus status =
        connectreport::StatusAfterConnect(result, connected, reconnect);
    if (!status.text.empty())
        ReportError(status.text);
    std::optional<connectreport::WarningBox> box;
    if (!connected) {
        m_watchedDevice.reset();
        m_port.Close();
    } else {
        m_selection.FollowModule(m_engine->Module(), true);
        RefreshRelease();
        if (!IsQuiet())
            box = connectreport::WarningAfterConnect(m_engine->Module(), reconnect,
                                                     m_selection.Selected());
    }
    // The front end shows the module just connected before any box about it.
    if (m_observer)
        m_observer->Connected();
    if (box)
        m_dialogs.MessageBox(box->text, box->caption, MsgButtons::Ok, MsgIcon::Exclamation);
    return status.success;
}

bool ModuleSession::Connect(uint16_t port, conn::Code* result) {
    m_runPort = port;
    conn::Code own = conn::kOk;
    return ConnectPort(port, {}, result ? *result : own);
}

bool ModuleSession::Reconnect(const std::string& expectedSerial) {
    // Only ever the run's own port: a module that reboots comes back under
    // its number (numbers follow the USB location), and any other port is
    // another module, which a run must never touch.
    conn::Code result = conn::kOk;
    return ConnectPort(m_runPort, expectedSerial, result);
}

void ModuleSession::Disconnect() {
    OnDisconnected();
    if (m_engine)
        m_engine->SetConnected(false);
    m_watchedDevice.reset();
    m_lossPending = false;
    if (m_port.IsOpen())
        m_port.Close();
}

// ---- The port watch -----------------------------------------------------------------------------

void ModuleSession::WatchPort() {
    m_watchedDevice = m_port.GetDevicePath();
    m_lossPending = false;
}

void ModuleSession::LoseModule() {
    Disconnect();
    if (m_observer)
        m_observer->ModuleLost();
}

bool ModuleSession::DeviceRemoved(const std::filesystem::path& node, bool frontEndBusy) {
    if (!m_watchedDevice || *m_watchedDevice != node)
        return false;
    // Not under the code that uses the port (a connect, a box, a download
    // worker): the port would close beneath it. The next check handles it.
    if (frontEndBusy || (m_engine && m_engine->IsUpdateInProgress()))
        m_lossPending = true;
    else
        LoseModule();
    return true;
}

void ModuleSession::CheckPort(bool frontEndBusy) {
    if (!m_watchedDevice)
        return;
    if (frontEndBusy || (m_engine && m_engine->IsUpdateInProgress()))
        return; // a download worker owns the port; its own failures end the run
    if (m_lossPending)
        return LoseModule();
    const int fd = m_port.GetHandle();
    if (fd < 0)
        return;
    pollfd state{fd, 0, 0};
    if (::poll(&state, 1, 0) > 0 && (state.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        LoseModule();
}

// ---- The status line ----------------------------------------------------------------------------

void ModuleSession::ReportError(std::wstring text) {
    if (IsQuiet())
        return;
    {
        const std::lock_guard lock(m_statusMutex);
        m_status = text;
    }
    if (m_observer)
        m_observer->StatusChanged(text);
}

std::wstring ModuleSession::Status() const {
    const std::lock_guard lock(m_statusMutex);
    return m_status;
}

// ---- The release selection ----------------------------------------------------------------------

void ModuleSession::RefreshRelease() {
    if (m_engine)
        m_selection.Refresh(*m_engine);
}

VersionNumber ModuleSession::InstalledRelease() const {
    return m_selection.Installed(m_engine->Module());
}

// ---- Setup blocks -------------------------------------------------------------------------------

CConfigBlockIF* ModuleSession::SetupBlock(ModuleTypeId type) {
    const auto it = m_blocks.find(type);
    return it == m_blocks.end() ? nullptr : it->second.get();
}

CConfigBlockIF* ModuleSession::ModuleSetupBlock() {
    return m_engine ? SetupBlock(m_engine->Module().moduleType) : nullptr;
}

// ---- The results log ----------------------------------------------------------------------------

void ModuleSession::OperationStarted(ModuleOperationKind kind, const std::wstring& file,
                                     const std::wstring& component, VersionNumber release) {
    if (m_engine)
        m_operation.emplace(m_origin, kind, m_runPort, *m_engine, file, component, release);
}

void ModuleSession::OperationEnded(int32_t result, const std::wstring& text) {
    if (!m_operation || !m_engine)
        return;
    // A log that cannot be written has been said; the module's operation stands.
    if (m_results)
        m_results->Append(m_operation->Record(result, text, *m_engine));
    m_operation.reset();
}

// ---- CAppIF -------------------------------------------------------------------------------------

void ModuleSession::OnModuleChanged() {
    // Called while the engine is being built: nothing to attach yet.
    if (!m_engine)
        return;
    const ModuleRecord& module = m_engine->Module();
    // The block of the module's type is the one the engine reads and writes.
    if (CConfigBlockIF* block = SetupBlock(module.moduleType))
        m_engine->AttachConfigBlock(block);
    m_selection.FollowModule(module, m_engine->IsConnected());
    RefreshRelease();
    if (m_observer)
        m_observer->ModuleChanged();
}

void ModuleSession::OnIdentityChanged() {
    if (m_observer)
        m_observer->IdentityChanged();
}

CModuleTypeXML* ModuleSession::CreateModuleTypeReader() {
    return new (std::nothrow) CModuleTypeXML();
}

CAssembliesXML* ModuleSession::CreateAssembliesReader() {
    return new (std::nothrow) CAssembliesXML();
}

} // namespace frontend
