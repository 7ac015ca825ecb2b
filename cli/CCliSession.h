#pragma once

#include "cli/CliArguments.h"
#include "descriptions/CModuleTypesLinux.h"
#include "descriptions/DataDirectory.h"
#include "descriptions/ModuleDescription.h"
#include "descriptions/ReleaseTable.h"
#include "descriptions/XercesSession.h"
#include "engine/CAppIF.h"
#include "engine/CErrorReportIF.h"
#include "engine/ModuleOperationKind.h"
#include "frontend/ModuleOperation.h"
#include "link/CUSBSerialPort.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>

class CCmdEngine;
class CConfigBlockIF;
class CConfigModTarn;
class CConfigModORLAN6;
class CConsole;
class CTerminalDialogs;

namespace frontend {
class ResultsLog;
}

// What the program's application object, main dialog and update page hold
// for one run of the tool: the XML library, the port, the type registry of
// "types", the engine, one setup block per module type, the status line and
// the release selection. The tool's main thread plays the program's GUI
// thread.
class CCliSession : public CAppIF, public CErrorReportIF {
public:
    CCliSession(const cli::Arguments& args, CConsole& console, CTerminalDialogs& dialogs);
    ~CCliSession() override;
    CCliSession(const CCliSession&) = delete;
    CCliSession& operator=(const CCliSession&) = delete;

    // Brings up the XML library and the engine; false with the text to show.
    bool Start(std::wstring& error);

    CCmdEngine& Engine() { return *m_engine; }
    CUSBSerialPort& Port() { return m_port; }
    CTerminalDialogs& Dialogs() { return m_dialogs; }
    CConsole& Console() { return m_console; }
    const cli::Arguments& Args() const { return m_args; }
    uint16_t PortNumber() const { return m_portNumber; }

    // ---- Connecting, as the main dialog does -----------------------------------------------

    // Opens COM<port> and connects; the status line gets the main dialog's
    // text and its boxes are shown. True when the connection is usable.
    bool Connect(uint16_t port, int32_t& result);
    // The release update's reconnect after a reboot, on the run's own port
    // only: the module must have the serial (a blank one passes).
    bool Reconnect(const std::string& expectedSerial);
    void Disconnect();

    // ---- The status line ------------------------------------------------------------------

    void ReportError(std::wstring text) override;
    const std::wstring& Status() const { return m_status; }
    // While quiet (a module reboots) the status line and connect boxes are silent.
    void SetQuiet(bool quiet) { m_quiet.store(quiet); }

    // ---- The release selection of the update page ------------------------------------------

    // The module type whose releases are offered: the module's when it has
    // one of its own, else the forced type.
    ModuleTypeId SelectedType() const { return m_selectedType; }
    const ReleaseTable& Releases() const { return m_releases; }
    // The release proposed for the module (or chosen with --release); null when none.
    const AssemblyRecord* SelectedRelease() const { return m_selected; }
    // --release named a release that the table has not for this board.
    bool ReleaseChoiceMissing() const { return m_releaseMissing; }
    const ModuleDescription& Desired() const { return m_desired; }
    // The module's release verified against the table (255.255 when it does not match).
    VersionNumber InstalledRelease() const;
    // Why the Setup page's controls would be greyed out; empty when they may be used.
    std::wstring SetupDisabledReason() const;

    // ---- Setup blocks ----------------------------------------------------------------------

    CConfigModTarn& TarnBlock() { return *m_tarn; }
    CConfigModORLAN6& Orlan6Block() { return *m_orlan6; }
    // The block of the connected module's type; null for other types.
    CConfigBlockIF* SetupBlock();

    // ---- The results log -------------------------------------------------------------------

    // An operation that changes the module starts sending to it; the module
    // record is taken as it is now. See frontend::ModuleOperation.
    void OperationStarted(ModuleOperationKind kind, const std::wstring& file = {},
                          const std::wstring& component = {}, VersionNumber release = kNoVersion);
    // That operation has ended: its record goes to the results log (nothing
    // when none was started).
    void OperationEnded(int32_t result, const std::wstring& text);

    // ---- CAppIF ----------------------------------------------------------------------------

    void OnModuleChanged() override;
    void OnIdentityChanged() override;
    void OnDisconnected() override {}
    bool IsOptionM() override { return m_args.optionM; }
    bool IsOptionD() override { return m_args.optionD; }
    CModuleTypeXML* CreateModuleTypeReader() override;
    CAssembliesXML* CreateAssembliesReader() override;

private:
    bool ConnectPort(uint16_t port, const std::string& expectedSerial, int32_t& result);
    void RefreshRelease();
    void ReportPortFailure(const std::wstring& text);

    const cli::Arguments& m_args;
    CConsole& m_console;
    CTerminalDialogs& m_dialogs;

    CXercesSession m_xml;
    CUSBSerialPort m_port;
    CModuleTypesLinux m_registry{datadir::DataFile(L"types")};
    std::unique_ptr<CCmdEngine> m_engine;
    // After the engine: they go first, while the engine still exists.
    std::unique_ptr<CConfigModTarn> m_tarn;
    std::unique_ptr<CConfigModORLAN6> m_orlan6;

    uint16_t m_portNumber = 0;
    std::wstring m_status;
    std::atomic<bool> m_quiet{false};

    ModuleTypeId m_selectedType = 0;
    ReleaseTable m_releases;
    const AssemblyRecord* m_selected = nullptr;
    bool m_releaseMissing = false;
    ModuleDescription m_desired;

    std::unique_ptr<frontend::ResultsLog> m_results;
    frontend::Origin m_origin;
    std::optional<frontend::ModuleOperation> m_operation;
};
