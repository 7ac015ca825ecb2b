#pragma once

#include "descriptions/CModuleTypesLinux.h"
#include "descriptions/ModuleTypeNames.h"
#include "descriptions/XercesSession.h"
#include "engine/CAppIF.h"
#include "engine/CErrorReportIF.h"
#include "engine/ModuleOperationKind.h"
#include "frontend/ConnectReport.h"
#include "frontend/ModuleOperation.h"
#include "frontend/ReleaseSelection.h"
#include "link/CUSBSerialPort.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class CCmdEngine;
class CConfigBlockIF;
class CDialogServicesIF;

namespace frontend {

class ResultsLog;

// What a front end hears of its session. Calls come on the thread that
// caused them (status texts also from a download worker).
class SessionObserverIF {
public:
    virtual ~SessionObserverIF() = default;
    // The status line's new text (never while quiet).
    virtual void StatusChanged(const std::wstring& /*text*/) {}
    // The connected module changed (its type, its block, the release selection).
    virtual void ModuleChanged() {}
    virtual void IdentityChanged() {}
    // A connect or reconnect has ended, before any box about the module.
    virtual void Connected() {}
    // The connected module's port went away; said once, then the session is disconnected.
    virtual void ModuleLost() {}
};

// Makes the setup block of a module type for the engine (null for a type without one).
using SetupBlockMaker = std::function<std::unique_ptr<CConfigBlockIF>(ModuleTypeId, CCmdEngine*)>;

// The session with one module, whichever front end runs it: the XML library,
// the port, the type registry, the engine, one setup block per module type,
// the release selection, connecting and reconnecting, the watch on the
// connected port, the status line, and the results log's operation bracket.
// The program and pellworth-cli each hold one; a parallel run holds one per
// module. It keeps what the update runs rely on: the run's own port (a COM
// number follows the USB location, a device node may not survive a reboot)
// and one block per type, so what was read on this connection is what a run
// may write back.
class ModuleSession : public CAppIF, public CErrorReportIF {
public:
    struct Options {
        bool optionM = false;
        bool optionD = false;
        ModuleTypeId forcedType = kModuleTypeUnknown;
    };

    ModuleSession(CDialogServicesIF& dialogs, SetupBlockMaker makeBlock);
    ~ModuleSession() override;
    ModuleSession(const ModuleSession&) = delete;
    ModuleSession& operator=(const ModuleSession&) = delete;

    // Brings up the engine and the setup blocks; false with the text to show
    // when the XML library could not be started.
    bool Start(const Options& options, std::wstring& error);
    // Why the XML library could not be started; empty when it runs.
    std::wstring XmlError() const;
    bool Started() const { return m_engine != nullptr; }
    // Ends the connection and takes the engine and the blocks down (the
    // program's end); Start may follow.
    void Stop();

    CCmdEngine& Engine() { return *m_engine; }
    const CCmdEngine& Engine() const { return *m_engine; }
    CCmdEngine* EnginePointer() { return m_engine.get(); }
    CUSBSerialPort& Port() { return m_port; }
    CModuleTypesLinux& Registry() { return m_registry; }
    CDialogServicesIF& Dialogs() { return m_dialogs; }
    const Options& Settings() const { return m_options; }
    void SetObserver(SessionObserverIF* observer) { m_observer = observer; }
    // Records go there (null: none); the origin names this program.
    void SetResultsLog(ResultsLog* log, Origin origin);

    // ---- Connecting -----------------------------------------------------------------------

    // The operator's connect to COM<port>: it becomes the run's port. Shows
    // the warning box the module calls for. The result is the engine's
    // (conn::kNotConnected: the port could not be opened); true when the connection counts as made.
    bool Connect(uint16_t port, conn::Code* result = nullptr);
    // A run's reconnect after a reboot, on the run's own port only: the
    // module must have the serial (a blank one passes).
    bool Reconnect(const std::string& expectedSerial);
    // Ends the connection: the engine, the port watch and the port together.
    void Disconnect();
    // The port of the operator's last connect (0 before any).
    uint16_t RunPort() const { return m_runPort; }

    // ---- The port watch --------------------------------------------------------------------

    // A device node went away (the system's device manager said so): true
    // when it is the connected module's.
    bool DeviceRemoved(const std::filesystem::path& node, bool frontEndBusy);
    // Looks at the open port for a hang-up. While the front end is busy (a
    // box, a connect) or a run holds the engine, a loss waits for a later call.
    void CheckPort(bool frontEndBusy);
    bool Watching() const { return m_watchedDevice.has_value(); }

    // ---- The status line -------------------------------------------------------------------

    void ReportError(std::wstring text) override;
    std::wstring Status() const;
    // While quiet (a module reboots) the status line and the connect boxes are silent.
    void SetQuiet(bool quiet) { m_quiet.store(quiet); }
    bool IsQuiet() const { return m_quiet.load(); }

    // ---- The release selection -------------------------------------------------------------

    ReleaseSelection& Selection() { return m_selection; }
    const ReleaseSelection& Selection() const { return m_selection; }
    // Reads the release table again and chooses from it.
    void RefreshRelease();
    // The module's release verified against the table (255.255 when it does not match).
    VersionNumber InstalledRelease() const;

    // ---- Setup blocks ----------------------------------------------------------------------

    // The block of a module type; null for a type without a setup.
    CConfigBlockIF* SetupBlock(ModuleTypeId type);
    // The block of the connected module's type, or null.
    CConfigBlockIF* ModuleSetupBlock();

    // ---- The results log -------------------------------------------------------------------

    // An operation that changes the module starts sending to it; the module
    // record is taken as it is now.
    void OperationStarted(ModuleOperationKind kind, const std::wstring& file = {},
                          const std::wstring& component = {}, VersionNumber release = kNoVersion);
    // It ended: its record goes to the results log (nothing when none started).
    // The result is the number of its code, whichever range (Number()).
    void OperationEnded(int32_t result, const std::wstring& text);

    // ---- CAppIF ----------------------------------------------------------------------------

    void OnModuleChanged() override;
    void OnIdentityChanged() override;
    void OnDisconnected() override {}
    bool IsOptionM() override { return m_options.optionM; }
    bool IsOptionD() override { return m_options.optionD; }
    CModuleTypeXML* CreateModuleTypeReader() override;
    CAssembliesXML* CreateAssembliesReader() override;

private:
    bool ConnectPort(uint16_t port, const std::string& expectedSerial, conn::Code& result);
    void WatchPort();
    void LoseModule();

    CDialogServicesIF& m_dialogs;
    Options m_options;
    SetupBlockMaker m_makeBlock;
    SessionObserverIF* m_observer = nullptr;

    // The XML library comes first and goes last: every reader lives inside it.
    CXercesSession m_xml;
    CUSBSerialPort m_port;
    CModuleTypesLinux m_registry;
    std::unique_ptr<CCmdEngine> m_engine;
    // After the engine: they go first, detached while the engine still exists.
    std::map<ModuleTypeId, std::unique_ptr<CConfigBlockIF>> m_blocks;

    uint16_t m_runPort = 0;
    std::optional<std::filesystem::path> m_watchedDevice;
    bool m_lossPending = false;

    mutable std::mutex m_statusMutex;
    std::wstring m_status;
    std::atomic<bool> m_quiet{false};

    ReleaseSelection m_selection;

    ResultsLog* m_results = nullptr;
    Origin m_origin;
    std::optional<ModuleOperation> m_operation;
};

} // namespace frontend
