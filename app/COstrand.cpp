#include "app/COstrand.h"

#include "app/CDefaultPageFactory.h"
#include "app/COstrandDlg.h"
#include "descriptions/CAssembliesXML.h"
#include "descriptions/CModuleTypeXML.h"
#include "descriptions/DataDirectory.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "frontend/CDialogServicesIF.h"
#include "frontend/CUSBCommandLineInfo.h"

#include <iostream>
#include <new>

COstrand::COstrand(CDialogServicesIF& dialogs, CPageFactoryIF* pages)
    : m_registry(datadir::DataFile(L"types")), m_dialogs(dialogs),
      m_results(frontend::ResultsLog::DefaultFile(),
                [this](const std::string& file, const std::string& reason) {
                    // Once a run, where the operator looks, never as a box per operation.
                    const std::wstring text = L"Results log not written: " + Utf8ToWide(file) +
                                              L": " + Utf8ToWide(reason);
                    std::cerr << "pellworth: warning: cannot write the results log " << file << ": "
                              << reason << '\n';
                    if (m_dialog)
                        m_dialog->ShowResultsLogWarning(text);
                }) {
    if (!m_xml.IsReady())
        m_xmlError =
            L"Error during Xerces-c Initialization.\n  Exception message:" + m_xml.ErrorText();
    if (!pages) {
        m_ownPages = std::make_unique<CDefaultPageFactory>();
        pages = m_ownPages.get();
    }
    m_pages = pages;
    m_port.SetErrorHandler([this](const std::wstring& text) { ShowPortFailure(text); });
}

COstrand::~COstrand() {
    Finish();
    m_port.SetErrorHandler(nullptr);
}

int COstrand::InitInstance(const std::vector<std::wstring>& args) {
    if (!Start(args))
        return 1;
    RunModal();
    Finish();
    return 0;
}

bool COstrand::Start(const std::vector<std::wstring>& args) {
    if (!m_xmlError.empty()) {
        // Without the XML library no module type can be read; going on would
        // only fail later, less clearly.
        std::wcerr << m_xmlError << L'\n';
        m_dialogs.MessageBox(m_xmlError, {}, MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    CUSBCommandLineInfo info;
    info.ParseCommandLine(args);
    m_optionM = info.m_optionM == 1;
    m_optionD = info.m_optionD == 1;
    m_forcedModuleType = info.m_forcedModuleType;

    m_engine = std::make_unique<CCmdEngine>(&m_port, this, this, &m_registry,
                                            static_cast<ModuleTypeId>(m_forcedModuleType));
    m_origin = frontend::ThisProgram("pellworth");
    m_dialog = std::make_unique<COstrandDlg>(*this, *m_pages);
    m_dialog->OnInitDialog();
    return true;
}

int COstrand::RunModal() {
    return m_dialog ? m_dialog->exec() : 0;
}

void COstrand::Finish() {
    m_dialog.reset();
    m_engine.reset();
    m_port.Close();
}

void COstrand::ShowPortFailure(const std::wstring& text) {
    // Failures happen on whichever thread uses the port; the box belongs to
    // the GUI thread, and the caller waits for the operator as it would for
    // any box of its own.
    m_dialogs.RunOnGuiThread(
        [this, text] { m_dialogs.MessageBox(text, {}, MsgButtons::Ok, MsgIcon::Error); }, true);
}

// ---- CErrorReportIF and CAppIF -------------------------------------------------------------

void COstrand::ReportError(std::wstring text) {
    if (m_dialog)
        m_dialog->ReportStatus(text);
}

void COstrand::OnModuleChanged() {
    if (m_dialog)
        m_dialog->OnModuleChanged();
}

void COstrand::OnIdentityChanged() {
    if (m_dialog)
        m_dialog->OnIdentityChanged();
}

void COstrand::OnDisconnected() {}

CModuleTypeXML* COstrand::CreateModuleTypeReader() {
    return new (std::nothrow) CModuleTypeXML();
}

CAssembliesXML* COstrand::CreateAssembliesReader() {
    return new (std::nothrow) CAssembliesXML();
}

// ---- CPageServicesIF -----------------------------------------------------------------------

void COstrand::ReportError(const std::wstring& text) {
    if (m_dialog)
        m_dialog->ReportStatus(text);
}

void COstrand::UpdateControls() {
    if (m_dialog)
        m_dialog->UpdateControls();
}

void COstrand::SetQuiet(bool quiet) {
    if (m_dialog)
        m_dialog->SetQuiet(quiet);
}

bool COstrand::IsQuiet() {
    return m_dialog && m_dialog->IsQuiet();
}

bool COstrand::Connect(const std::string& expectedSerial) {
    return m_dialog && m_dialog->Connect(expectedSerial);
}

uint16_t COstrand::RunPort() {
    return m_dialog ? m_dialog->RunPort() : 0;
}

void COstrand::Disconnect() {
    if (m_dialog)
        m_dialog->Disconnect();
}

const AssemblyRecord* COstrand::CurrentRelease() {
    CUpdatePageIF* page = m_dialog ? m_dialog->UpdatePage() : nullptr;
    return page ? page->CurrentRelease() : nullptr;
}

bool COstrand::ReleaseMatches(VersionNumber version) {
    CUpdatePageIF* page = m_dialog ? m_dialog->UpdatePage() : nullptr;
    return page && page->ReleaseMatches(version);
}

void COstrand::OperationStarted(ModuleOperationKind kind, const std::wstring& file,
                                const std::wstring& component, VersionNumber release) {
    if (m_engine)
        m_operation.emplace(m_origin, kind, m_port.GetPortNumber(), *m_engine, file, component,
                            release);
}

void COstrand::OperationEnded(int32_t result, const std::wstring& text) {
    if (!m_operation || !m_engine)
        return;
    // A log that cannot be written is said once; the operation's outcome stands.
    m_results.Append(m_operation->Record(result, text, *m_engine));
    m_operation.reset();
}

bool COstrand::ModuleEntryValid(const ModuleRecord& module) {
    CUpdatePageIF* page = m_dialog ? m_dialog->UpdatePage() : nullptr;
    return page && page->ModuleEntryValid(module);
}
