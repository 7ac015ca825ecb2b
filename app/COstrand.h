#pragma once

#include "frontend/ModuleSession.h"
#include "frontend/ResultsLog.h"
#include "frontend/SessionPageServices.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CCmdEngine;
class COstrandDlg;
class CPageFactoryIF;

// The application: owns the session with the module (port, type registry,
// engine, setup blocks, release selection) and the main dialog, and serves
// the pages. One exists for the life of the program; main() makes the
// QApplication first. The pages are served by the session's page services;
// the main dialog adds its refresh and its own disconnect.
class COstrand : public SessionPageServices {
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

    CUSBSerialPort& Port() { return m_session.Port(); }
    CModuleTypesLinux& Registry() { return m_session.Registry(); }
    COstrandDlg* MainDialog() { return m_dialog.get(); }
    int ForcedModuleType() const { return m_session.Settings().forcedType; }
    // Why the XML library could not be started; empty when it runs.
    std::wstring XmlStartError() const { return m_session.XmlError(); }

    // The main dialog's refresh, and its disconnect (which says so on the status line).
    void UpdateControls() override;
    void Disconnect() override;

    // The results log the program appends to (the default file).
    const frontend::ResultsLog& ResultsLog() const { return m_results; }

private:
    CDialogServicesIF& m_dialogs;
    frontend::ResultsLog m_results;
    frontend::ModuleSession m_session;
    std::unique_ptr<COstrandDlg> m_dialog;

    std::unique_ptr<CPageFactoryIF> m_ownPages;
    CPageFactoryIF* m_pages;
};
