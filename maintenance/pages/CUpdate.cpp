#include "maintenance/pages/CUpdate.h"
#include "maintenance/pages/CUpdateHost.h"
#include "pages/WidgetKit.h"

#include "descriptions/CModuleTypeXML.h"
#include "descriptions/CModuleTypes.h"
#include "descriptions/InputFile.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"
#include "frontend/CDialogServicesIF.h"
#include "frontend/CPageServicesIF.h"
#include "maintenance/ModuleOperations.h"
#include "maintenance/ReleaseUpdate.h"
#include "maintenance/StartReleaseUpdate.h"
#include "maintenance/UpdatePageRules.h"
#include "maintenance/UpdateTexts.h"
#include "maintenance/pages/CReleaseUpdatePromptDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <fstream>

namespace {

using widgetkit::Named;
using widgetkit::Q;
using widgetkit::ReadOnlyEdit;
using widgetkit::W;

constexpr const wchar_t* kNotConnected = L"Not connected to a module.";
constexpr int32_t kNoComponent = INT32_MIN;
constexpr int kNoLutsData = -1;

constexpr const wchar_t* kApplicationFilter =
    L"Cypress Regular IIC Files (*.iic)|*.iic|All Files (*.*)|*.*||";

// Browse filters by the FPGA's programming interface (2 SPI Config, 3 JTAG).
struct InterfaceFilter {
    int32_t interface;
    const wchar_t* filter;
};
constexpr InterfaceFilter kFpgaFilters[] = {
    {2, L"Altera Active Serial Files (*.rpd)|*.rpd|All Files (*.*)|*.*||"},
    {3, L"JTAG Files (*.ace)|*.ace|All Files (*.*)|*.*||"},
};
constexpr const wchar_t* kAnyFileFilter = L"All Files (*.*)|*.*||";

// Module texts are fixed fields; what follows a zero byte is padding.
std::wstring ModuleText(const std::string& field) {
    return WidenText(field.substr(0, field.find('\0')));
}

bool IsApplication(int32_t component) {
    return component == kComponentFerrin || component == kComponentSafeBoot;
}

} // namespace

// ---- Construction ---------------------------------------------------------------------------

CUpdate::CUpdate(CPageServicesIF* services, QWidget* parent)
    : CTabPage(parent), m_services(services) {
    setObjectName(QStringLiteral("pageUpdate"));
    BuildControls();
    m_host = std::make_unique<Host>(*this);
    m_run = std::make_unique<UpdateRun>(*m_host);
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, [this] { m_run->Tick(); });
    ConnectHandlers();

    m_nameEdit->setMaxLength(8);
    m_assemblyEdit->setMaxLength(9);
    m_serialEdit->setMaxLength(8);
    m_releaseStatus->clear();
    m_manualStatus->clear();
    FillModuleTypeCombo();
    RefreshRelease();
    ApplyBusyRule(false);
    m_run->ResetProgressDisplay();

    // Return is taken before anything else on the page sees it.
    setProperty(kHandlesReturnProperty, true);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

CUpdate::~CUpdate() {
    // The worker uses the engine and the host; it is stopped and joined
    // before anything of the page goes.
    m_timer.stop();
    m_run->Shutdown();
}

void CUpdate::ConnectHandlers() {
    // Button clicks of 1036, 1027, 1028, 1029, 1030, 1083, 1084, 1085, 1026.
    const std::pair<QPushButton*, void (CUpdate::*)()> buttons[] = {
        {m_browse, &CUpdate::OnBrowse},
        {m_manualUpdate, &CUpdate::OnManualUpdate},
        {m_manualAbort, &CUpdate::OnManualAbort},
        {m_releaseUpdate, &CUpdate::OnReleaseUpdate},
        {m_assemblyEnter, &CUpdate::OnAssemblyEnter},
        {m_serialEnter, &CUpdate::OnSerialEnter},
        {m_nameEnter, &CUpdate::OnNameEnter},
        {m_setModuleType, &CUpdate::OnSetModuleType},
    };
    for (const auto& [button, handler] : buttons)
        connect(button, &QPushButton::clicked, this,
                [this, handler = handler] { (this->*handler)(); });
    // The release "Abort" only reads the controls: a release update cannot be aborted.

    connect(m_fileCombo, &QComboBox::activated, this, [this] { OnFileSelected(); });
    connect(m_firmwareCombo, &QComboBox::activated, this, [this] { OnComponentSelected(); });
    connect(m_moduleTypeCombo, &QComboBox::activated, this, [this] { OnModuleTypeSelected(); });
    // The installed version beside each of these follows its selection.
    connect(m_fpgaCombo, &QComboBox::activated, this, [this] { UpdateControls(); });
    connect(m_tableCombo, &QComboBox::activated, this, [this] { UpdateControls(); });
}

// ---- Services -------------------------------------------------------------------------------

VersionNumber CUpdate::InstalledRelease() const {
    return m_services->Selection().Installed(m_services->Engine()->Module());
}

const AssemblyRecord* CUpdate::CurrentRelease() const {
    return m_services->Selection().Selected();
}

const ModuleDescription& CUpdate::DesiredDescription() const {
    return m_services->Selection().Desired();
}

const ReleaseTable& CUpdate::Releases() const {
    return m_services->Selection().Table();
}

void CUpdate::SetReleasePrompt(std::function<PromptAnswer(bool&)> prompt) {
    m_prompt = std::move(prompt);
}

void CUpdate::SetTickInterval(std::chrono::milliseconds interval) {
    m_timer.setInterval(static_cast<int>(interval.count()));
}

void CUpdate::CopyIdentity() {
    const CCmdEngine& engine = *m_services->Engine();
    const ModuleRecord& module = engine.Module();
    if (engine.IsConnected() && HasSetupBlock(module.moduleType)) {
        const std::pair<QLineEdit*, const std::string*> fields[] = {
            {m_nameEdit, &module.name},
            {m_assemblyEdit, &module.assembly},
            {m_serialEdit, &module.serial}};
        for (const auto& [edit, text] : fields)
            if (const std::wstring wide = ModuleText(*text); !wide.empty())
                edit->setText(Q(wide));
    }
    // A failed run's bar and status belong to the module it ran on; a
    // reconnect inside a run keeps them.
    if (engine.IsConnected() && !m_run->IsRunning())
        m_run->ResetProgressDisplay();
    RefreshRelease();
}

void CUpdate::ReloadForModule() {
    SelectModuleTypeOfRecord();
    RefreshRelease();
}

// ---- Algorithms -----------------------------------------------------------------------------

bool CUpdate::ModuleRunsFerrin() const {
    return m_services->Engine()->Module().runningImage == kRunningFerrin;
}

ModuleTypeId CUpdate::SelectedModuleType() const {
    const int index = m_moduleTypeCombo->currentIndex();
    return index < 0 ? 0 : m_moduleTypeCombo->itemData(index).toUInt();
}

int32_t CUpdate::SelectedComponent() const {
    const int index = m_firmwareCombo->currentIndex();
    return index < 0 ? kNoComponent : m_firmwareCombo->itemData(index).toInt();
}

std::wstring* CUpdate::FileEntrySlot(int32_t component) {
    if (component == kComponentSafeBoot)
        return &m_safeBootFile;
    if (component == kComponentFerrin)
        return &m_ferrinFile;
    if (component >= 0 && component <= 255)
        return &m_fpgaFiles[static_cast<uint8_t>(component)];
    return nullptr;
}

std::wstring CUpdate::FileEntry(int32_t component) const {
    if (component == kComponentSafeBoot)
        return m_safeBootFile;
    if (component == kComponentFerrin)
        return m_ferrinFile;
    if (component >= 0 && component <= 255)
        if (const auto it = m_fpgaFiles.find(static_cast<uint8_t>(component));
            it != m_fpgaFiles.end())
            return it->second;
    return {};
}

void CUpdate::FillModuleTypeCombo() {
    QSignalBlocker block(m_moduleTypeCombo);
    m_moduleTypeCombo->clear();
    if (const CModuleTypes* registry = m_services->Engine()->Registry())
        for (const auto& [type, directory] : registry->Directories())
            m_moduleTypeCombo->addItem(Q(ModuleTypeName(type)), static_cast<uint>(type));
    m_moduleTypeCombo->setCurrentIndex(-1);
    SelectModuleTypeOfRecord();
}

void CUpdate::SelectModuleTypeOfRecord() {
    // The session's selection follows the module (a module in SafeBoot reports
    // no type, and the previous choice stays); the list shows its type.
    CCmdEngine& engine = *m_services->Engine();
    frontend::ReleaseSelection& selection = m_services->Selection();
    selection.FollowModule(engine.Module(), engine.IsConnected());
    if (HasSetupBlock(selection.Type())) {
        QSignalBlocker block(m_moduleTypeCombo);
        m_moduleTypeCombo->setCurrentIndex(
            m_moduleTypeCombo->findText(Q(ModuleTypeName(selection.Type()))));
    }
    m_moduleTypeIndex = m_moduleTypeCombo->currentIndex();
}

void CUpdate::RefreshRelease() {
    CCmdEngine& engine = *m_services->Engine();
    frontend::ReleaseSelection& selection = m_services->Selection();
    selection.SetType(SelectedModuleType());
    selection.SetBoard(ModuleTextBytes(W(m_assemblyEdit->text())));
    selection.Refresh(engine);
    const AssemblyRecord* selected = selection.Selected();
    m_desiredRelease->setText(selected ? Q(VersionText(selected->release))
                                       : QStringLiteral("Unknown"));

    const bool ferrinOrAbsent = !engine.IsConnected() || ModuleRunsFerrin();
    if (!selected) {
        m_safeBootFile.clear();
        m_ferrinFile.clear();
        m_fpgaFiles.clear();
    } else {
        m_ferrinFile = selected->ferrin.fileName;
        // A module in SafeBoot keeps the SafeBoot and FPGA files chosen before.
        if (ferrinOrAbsent) {
            m_safeBootFile = selected->safeBoot.fileName;
            m_fpgaFiles.clear();
            for (const auto& [fpgaId, fpga] : selection.Desired().fpgas)
                m_fpgaFiles[fpgaId] = selected->FpgaFile(fpgaId);
        }
    }
    FillComponentCombos(ferrinOrAbsent);
    FillFileCombo();
    UpdateControls();
}

void CUpdate::FillComponentCombos(bool ferrinOrAbsent) {
    QSignalBlocker b1(m_firmwareCombo);
    QSignalBlocker b2(m_fpgaCombo);
    QSignalBlocker b3(m_tableCombo);
    m_firmwareCombo->clear();
    m_fpgaCombo->clear();
    m_tableCombo->clear();
    if (!CurrentRelease())
        return;
    if (ferrinOrAbsent) {
        for (const auto& [fpgaId, fpga] : DesiredDescription().fpgas) {
            m_firmwareCombo->addItem(Q(fpga.name), static_cast<int>(fpgaId));
            m_fpgaCombo->addItem(Q(fpga.name), static_cast<int>(fpgaId));
            // Table ids repeat between FPGAs: the item data carries both.
            for (const auto& [tableId, table] : fpga.lookupTables)
                m_tableCombo->addItem(Q(table.name), (static_cast<int>(fpgaId) << 8) | tableId);
        }
    }
    if (m_tableCombo->count() == 0)
        m_tableCombo->addItem(QStringLiteral("No LUTs"), kNoLutsData);
    m_firmwareCombo->addItem(QStringLiteral("Ferrin"), kComponentFerrin);
    m_firmwareCombo->addItem(QStringLiteral("SafeBoot"), kComponentSafeBoot);
    m_firmwareCombo->setCurrentIndex(0);
    m_fpgaCombo->setCurrentIndex(0);
    m_tableCombo->setCurrentIndex(0);
}

void CUpdate::FillFileCombo() {
    QSignalBlocker block(m_fileCombo);
    m_fileCombo->clear();
    const std::wstring entry = FileEntry(SelectedComponent());
    if (!entry.empty()) {
        m_fileCombo->addItem(Q(entry));
        m_fileCombo->setCurrentIndex(0);
    }
}

void CUpdate::ApplyBusyRule(bool busy) {
    m_busy = busy;
    ApplyRules();
}

UpdatePageState CUpdate::RuleState() const {
    const CCmdEngine& engine = *m_services->Engine();
    UpdatePageState state;
    state.optionM = m_services->IsOptionM();
    state.optionD = m_services->IsOptionD();
    state.ferrin = engine.Module().runningImage == kRunningFerrin;
    state.inProgress = engine.IsUpdateInProgress();
    state.busy = m_busy;
    state.safeBootChosen = SelectedComponent() == kComponentSafeBoot;
    return state;
}

void CUpdate::ApplyRules() {
    const UpdatePageState state = RuleState();
    const std::pair<UpdateControl, QWidget*> shown[] = {
        {UpdateControl::HardwareGroup, m_hardwareGroup},
        {UpdateControl::ModuleTypeGroup, m_moduleTypeGroup},
        {UpdateControl::VersionsGroup, m_versionsGroup},
        {UpdateControl::FirmwareUpdateGroup, m_firmwareUpdateGroup},
        {UpdateControl::VersionGroup, m_versionGroup},
        {UpdateControl::DownloadGroup, m_downloadGroup},
        {UpdateControl::ManualAbortShown, m_manualAbort},
    };
    for (const auto& [control, widget] : shown)
        widget->setVisible(UpdateControlAllowed(control, state));
    const std::pair<UpdateControl, QWidget*> enabled[] = {
        {UpdateControl::NameEdit, m_nameEdit},
        {UpdateControl::NameEnter, m_nameEnter},
        {UpdateControl::SerialEdit, m_serialEdit},
        {UpdateControl::SerialEnter, m_serialEnter},
        {UpdateControl::AssemblyEnter, m_assemblyEnter},
        {UpdateControl::SetModuleType, m_setModuleType},
        {UpdateControl::FirmwareCombo, m_firmwareCombo},
        {UpdateControl::FileCombo, m_fileCombo},
        {UpdateControl::Browse, m_browse},
        {UpdateControl::ManualUpdate, m_manualUpdate},
        {UpdateControl::ManualAbort, m_manualAbort},
        {UpdateControl::ReleaseUpdate, m_releaseUpdate},
        {UpdateControl::KeepSetup, m_keepSetup},
    };
    for (const auto& [control, widget] : enabled)
        widget->setEnabled(UpdateControlAllowed(control, state));
    m_releaseAbort->setEnabled(false);
}

void CUpdate::UpdateControls() {
    const CCmdEngine& engine = *m_services->Engine();
    const ModuleRecord& module = engine.Module();
    const int32_t component = SelectedComponent();
    ApplyRules();

    if (engine.IsConnected()) {
        m_nameEdit->setText(Q(ModuleText(module.name)));
        m_assemblyEdit->setText(Q(ModuleText(module.assembly)));
        m_serialEdit->setText(Q(ModuleText(module.serial)));
    }
    m_installedRelease->setText(Q(ReleaseText(InstalledRelease())));

    m_safeBootVersion->setText(Q(VersionText(module.safeBoot.version)));
    m_ferrinVersion->setText(Q(VersionText(module.ferrin.version)));
    std::wstring fpgaText = L"None";
    if (m_fpgaCombo->currentIndex() >= 0)
        if (const FpgaDescription* fpga =
                module.FindFpga(static_cast<uint8_t>(m_fpgaCombo->currentData().toInt())))
            fpgaText = VersionText(fpga->firmware.version);
    m_fpgaVersion->setText(Q(fpgaText));
    std::wstring tableText = L"None";
    if (const int tableData =
            m_tableCombo->currentIndex() >= 0 ? m_tableCombo->currentData().toInt() : kNoLutsData;
        tableData != kNoLutsData)
        if (const FpgaDescription* fpga = module.FindFpga(static_cast<uint8_t>(tableData >> 8)))
            if (const LookupTableDescription* table =
                    fpga->FindLookupTable(static_cast<uint8_t>(tableData & 0xFF)))
                tableText = VersionText(table->version);
    m_tableVersion->setText(Q(tableText));

    std::wstring installed;
    std::wstring desired;
    if (IsApplication(component)) {
        const bool ferrinComponent = component == kComponentFerrin;
        installed = VersionText(ferrinComponent ? module.ferrin.version : module.safeBoot.version);
        desired = !CurrentRelease()
                      ? L"None"
                      : VersionText(ferrinComponent ? CurrentRelease()->ferrin.version
                                                    : CurrentRelease()->safeBoot.version);
    } else if (component != kNoComponent) {
        const auto fpgaId = static_cast<uint8_t>(component);
        const FpgaDescription* fpga = module.FindFpga(fpgaId);
        installed = fpga ? VersionText(fpga->firmware.version) : L"None";
        desired = CurrentRelease() && CurrentRelease()->HasFpga(fpgaId)
                      ? VersionText(CurrentRelease()->FpgaVersion(fpgaId))
                      : L"None";
    }
    m_installedVersion->setText(Q(installed));
    m_desiredVersion->setText(Q(desired));
}

bool CUpdate::TestOpen(const std::wstring& path) {
    uint32_t size = 0;
    const int error = inputfile::CheckImage(WideToUtf8(path), size);
    if (error == 0)
        return true;
    m_services->Dialogs().ReportFileError(path, FileOperation::Open, error);
    return false;
}

// ---- Handlers -------------------------------------------------------------------------------

void CUpdate::OnBrowse() {
    m_services->ReportError(L"");
    m_run->ResetProgressDisplay();
    const int32_t component = SelectedComponent();
    std::wstring* entry = FileEntrySlot(component);
    if (!entry)
        return;
    const int kind = IsApplication(component) ? 0 : 1;
    FileDialogRequest request;
    request.filter = kApplicationFilter;
    if (kind == 1) {
        request.filter = kAnyFileFilter;
        const int32_t interface =
            DesiredDescription().FirmwareInterface(static_cast<uint8_t>(component));
        for (const InterfaceFilter& f : kFpgaFilters)
            if (f.interface == interface)
                request.filter = f.filter;
    }
    request.filterIndex = m_filterIndex[kind];
    request.initialFolder = m_lastFolder[kind];
    const FileDialogResult chosen = m_services->Dialogs().AskFile(request);
    if (!chosen.accepted)
        return;
    m_filterIndex[kind] = chosen.filterIndex;
    m_lastFolder[kind] =
        Utf8ToWide(std::filesystem::path(WideToUtf8(chosen.path)).parent_path().string());
    if (!TestOpen(chosen.path))
        return;
    *entry = chosen.path;
    FillFileCombo();
}

void CUpdate::OnFileSelected() {
    m_services->ReportError(L"");
    m_run->ResetProgressDisplay();
    if (m_fileCombo->currentIndex() >= 0)
        TestOpen(W(m_fileCombo->currentText()));
}

void CUpdate::OnComponentSelected() {
    m_services->ReportError(L"");
    m_run->ResetProgressDisplay();
    FillFileCombo();
    UpdateControls();
}

void CUpdate::OnManualUpdate() {
    CCmdEngine& engine = *m_services->Engine();
    if (m_run->IsRunning() || engine.IsUpdateInProgress())
        return;
    if (!engine.IsConnected()) {
        m_services->ReportError(kNotConnected);
        return;
    }
    m_services->ReportError(L"");
    m_run->ResetProgressDisplay();
    if (m_fileCombo->currentIndex() < 0)
        return;
    const std::wstring path = W(m_fileCombo->currentText());
    const int32_t component = SelectedComponent();
    ApplyBusyRule(true);
    if (operations::CheckManualDownload(operations::PageContext(*m_services), component, path) !=
        operations::ManualCheck::Ready) {
        ApplyBusyRule(false);
    } else if (!m_run->StartManual(component, path, CurrentRelease() != nullptr)) {
        ApplyBusyRule(false);
    } else {
        // The Abort sits below the Update just pressed: where the window is
        // too low for the page, it is scrolled into view.
        for (QWidget* above = parentWidget(); above; above = above->parentWidget()) {
            if (auto* scroll = qobject_cast<QScrollArea*>(above)) {
                scroll->ensureWidgetVisible(m_manualAbort);
                break;
            }
        }
    }
    m_services->UpdateControls();
}

void CUpdate::OnManualAbort() {
    m_run->RequestAbort();
    ApplyBusyRule(false);
}

void CUpdate::OnReleaseUpdate() {
    m_run->SetKeepSetup(m_keepSetup->isChecked());
    StartReleaseUpdate(*m_run, CurrentRelease(), DesiredDescription(), InstalledRelease());
}

void CUpdate::OnNameEnter() {
    WriteIdentity(operations::IdentityField::Name, m_nameEdit);
}

void CUpdate::OnSerialEnter() {
    WriteIdentity(operations::IdentityField::Serial, m_serialEdit);
}

void CUpdate::OnAssemblyEnter() {
    WriteIdentity(operations::IdentityField::Assembly, m_assemblyEdit);
}

void CUpdate::WriteIdentity(operations::IdentityField field, const QLineEdit* edit) {
    // Return in a field reaches here while its Enter is greyed: a download holds the engine.
    if (m_services->Engine()->IsUpdateInProgress())
        return;
    operations::WriteIdentity(operations::PageContext(*m_services), field,
                              ModuleTextBytes(W(edit->text())));
    // The assembly entered chooses the release, written to a module or not.
    if (field == operations::IdentityField::Assembly)
        RefreshRelease();
    m_services->UpdateControls();
}

void CUpdate::OnModuleTypeSelected() {
    m_services->ReportError(L"");
    if (m_moduleTypeCombo->currentIndex() == m_moduleTypeIndex)
        return;
    m_moduleTypeIndex = m_moduleTypeCombo->currentIndex();
    RefreshRelease();
}

void CUpdate::OnSetModuleType() {
    CCmdEngine& engine = *m_services->Engine();
    if (!engine.IsConnected()) {
        m_services->ReportError(kNotConnected);
        return;
    }
    if (engine.IsUpdateInProgress())
        return;
    m_services->ReportError(L"");
    if (m_moduleTypeCombo->currentIndex() < 0) {
        m_services->ReportError(L"No module type selection has been made.");
        return;
    }
    if (!CurrentRelease()) {
        m_services->ReportError(L"No release assembly is available for the selected module type.");
        return;
    }
    const uint8_t release[2] = {CurrentRelease()->release.major, CurrentRelease()->release.minor};
    engine.ChangeModuleType(SelectedModuleType(), release);
    m_services->UpdateControls();
}

// ---- Return key -----------------------------------------------------------------------------

bool CUpdate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return CTabPage::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return CTabPage::eventFilter(watched, event);
    if (watched == m_nameEdit)
        OnNameEnter();
    else if (watched == m_assemblyEdit)
        OnAssemblyEnter();
    else if (watched == m_serialEdit)
        OnSerialEnter();
    return true; // Return never activates anything else on the page
}

void CUpdate::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return event->accept();
    CTabPage::keyPressEvent(event);
}
