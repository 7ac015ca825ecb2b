#pragma once

#include "descriptions/CModuleTypesLinux.h"
#include "descriptions/XercesSession.h"
#include "engine/CAppIF.h"
#include "engine/CErrorReportIF.h"
#include "frontend/CPageServicesIF.h"
#include "frontend/ModuleOperation.h"
#include "frontend/ResultsLog.h"
#include "link/CUSBSerialPort.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CCmdEngine;
class COstrandDlg;
class CPageFactoryIF;

// The application: owns the serial port, the module type registry ("types" in
// the working directory), the command engine and the main dialog, and serves
// the engine and the pages. One exists for the life of the program; main()
// makes the QApplication first.
class COstrand : public CErrorReportIF, public CAppIF, public CPageServicesIF {
public:
    // dialogs: the dialog framework (message boxes, file dialogs, the GUI
    // thread); pages: makes the tab pages, null for the program's own. Neither
    // is owned; both outlive this object.
    explicit COstrand(CDialogServicesIF& dialogs, CPageFactoryIF* pages = nullptr);
    ~COstrand() override;
    COstrand(const COstrand&) = delete;
    COstrand& operator=(const COstrand&) = delete;

    // The whole run: Start, then the main dialog until it closes, then Finish.
    // Returns the program's exit code.
    int InitInstance(const std::vector<std::wstring>& args);

    // Start-up without running the dialog: parses the command line (the
    // program name not included), creates the engine and the main dialog, and
    // initialises the dialog (which discovers modules). False when nothing
    // could be created.
    bool Start(const std::vector<std::wstring>& args);
    // Runs the main dialog modally until it closes.
    int RunModal();
    // Deletes the dialog, then the engine (closing the port when it is open).
    void Finish();

    CUSBSerialPort& Port() { return m_port; }
    CModuleTypesLinux& Registry() { return m_registry; }
    COstrandDlg* MainDialog() { return m_dialog.get(); }
    int ForcedModuleType() const { return m_forcedModuleType; }
    // Why the XML library could not be started; empty when it runs.
    const std::wstring& XmlStartError() const { return m_xmlError; }

    // CErrorReportIF: the main status line.
    void ReportError(std::wstring text) override;

    // CAppIF
    void OnModuleChanged() override;
    void OnIdentityChanged() override;
    void OnDisconnected() override;
    bool IsOptionM() override { return m_optionM; }
    bool IsOptionD() override { return m_optionD; }
    CModuleTypeXML* CreateModuleTypeReader() override;
    CAssembliesXML* CreateAssembliesReader() override;

    // CPageServicesIF (each does nothing and answers false or null without a
    // main dialog).
    CCmdEngine* Engine() override { return m_engine.get(); }
    CDialogServicesIF& Dialogs() override { return m_dialogs; }
    void ReportError(const std::wstring& text) override;
    void UpdateControls() override;
    void SetQuiet(bool quiet) override;
    bool IsQuiet() override;
    bool Connect(const std::string& expectedSerial) override;
    uint16_t RunPort() override;
    void Disconnect() override;
    const AssemblyRecord* CurrentRelease() override;
    bool ReleaseMatches(VersionNumber version) override;
    bool ModuleEntryValid(const ModuleRecord& module) override;
    void OperationStarted(ModuleOperationKind kind, const std::wstring& file,
                          const std::wstring& component, VersionNumber release) override;
    void OperationEnded(int32_t result, const std::wstring& text) override;

    // The results log the program appends to (the default file).
    const frontend::ResultsLog& ResultsLog() const { return m_results; }

private:
    void ShowPortFailure(const std::wstring& text);

    // The XML library comes first and goes last: every reader lives inside it.
    CXercesSession m_xml;
    std::wstring m_xmlError;
    CUSBSerialPort m_port;
    CModuleTypesLinux m_registry;
    std::unique_ptr<CCmdEngine> m_engine;
    std::unique_ptr<COstrandDlg> m_dialog;
    bool m_optionM = false;
    bool m_optionD = false;
    int m_forcedModuleType = 0;

    CDialogServicesIF& m_dialogs;
    std::unique_ptr<CPageFactoryIF> m_ownPages;
    CPageFactoryIF* m_pages;

    frontend::ResultsLog m_results;
    frontend::Origin m_origin;
    std::optional<frontend::ModuleOperation> m_operation;
};
