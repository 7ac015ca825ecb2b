#include "app/COstrand.h"

#include "app/CDefaultPageFactory.h"
#include "app/COstrandDlg.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "frontend/CDialogServicesIF.h"
#include "frontend/CUSBCommandLineInfo.h"
#include "setups/SetupBlocks.h"

#include <iostream>

COstrand::COstrand(CDialogServicesIF& dialogs, CPageFactoryIF* pages)
    : SessionPageServices(m_session), m_dialogs(dialogs),
      m_results(frontend::ResultsLog::DefaultFile(),
                [this](const std::string& file, const std::string& reason) {
                    // Once a run, where the operator looks, never as a box per operation.
                    const std::wstring text = L"Results log not written: " + Utf8ToWide(file) +
                                              L": " + Utf8ToWide(reason);
                    std::cerr << "pellworth: warning: cannot write the results log " << file << ": "
                              << reason << '\n';
                    if (m_dialog)
                        m_dialog->ShowResultsLogWarning(text);
                }),
      m_session(dialogs, [](ModuleTypeId type, CCmdEngine* engine) {
          return MakeSetupBlock(type, engine);
      }) {
    if (!pages) {
        m_ownPages = std::make_unique<CDefaultPageFactory>();
        pages = m_ownPages.get();
    }
    m_pages = pages;
}

COstrand::~COstrand() {
    Finish();
}

int COstrand::InitInstance(const std::vector<std::wstring>& args) {
    if (!Start(args))
        return 1;
    RunModal();
    Finish();
    return 0;
}

bool COstrand::Start(const std::vector<std::wstring>& args) {
    CUSBCommandLineInfo info;
    info.ParseCommandLine(args);
    frontend::ModuleSession::Options options;
    options.optionM = info.m_optionM == 1;
    options.optionD = info.m_optionD == 1;
    options.forcedType = static_cast<ModuleTypeId>(info.m_forcedModuleType);
    std::wstring error;
    if (!m_session.Start(options, error)) {
        // Without the XML library no module type can be read; going on would
        // only fail later, less clearly.
        std::wcerr << error << L'\n';
        m_dialogs.MessageBox(error, {}, MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    m_session.SetResultsLog(&m_results, frontend::ThisProgram("pellworth"));
    m_dialog = std::make_unique<COstrandDlg>(*this, *m_pages);
    m_dialog->OnInitDialog();
    return true;
}

int COstrand::RunModal() {
    return m_dialog ? m_dialog->exec() : 0;
}

void COstrand::Finish() {
    m_dialog.reset();
    m_session.Stop();
}

void COstrand::UpdateControls() {
    if (m_dialog)
        m_dialog->UpdateControls();
}

void COstrand::Disconnect() {
    if (m_dialog)
        m_dialog->Disconnect();
}
