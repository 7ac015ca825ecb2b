#include "maintenance/pages/CLookupTable.h"
#include "maintenance/pages/ReturnKey.h"
#include "pages/WidgetKit.h"

#include "descriptions/InputFile.h"
#include "descriptions/ReleaseTable.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "frontend/CDialogServicesIF.h"
#include "frontend/CPageServicesIF.h"
#include "maintenance/ModuleOperations.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace {

using widgetkit::Named;
using widgetkit::Q;
using widgetkit::ReadOnlyEdit;
using widgetkit::W;

constexpr const wchar_t* kNoFpgas = L"No FPGAs";
constexpr const wchar_t* kNoLuts = L"No LUTs";
constexpr const wchar_t* kNoFiles = L"No files";
constexpr const wchar_t* kNone = L"None";
constexpr const wchar_t* kFilter = L"Lookup Table Files (*.bin)|*.bin|All Files (*.*)|*.*||";

std::optional<uint8_t> ItemId(const QComboBox* combo) {
    const QVariant data = combo->currentData();
    if (!data.isValid())
        return std::nullopt;
    return static_cast<uint8_t>(data.toInt());
}

} // namespace

// ---- Construction ---------------------------------------------------------------------------

CLookupTable::CLookupTable(CPageServicesIF* services, QWidget* parent)
    : CTabPage(parent), m_services(services), m_run(*services->Engine()) {
    setObjectName(QStringLiteral("pageLookupTable"));
    BuildControls();
    m_timer.setInterval(100);
    ConnectHandlers();
    ResetProgress();
    ReloadForModule();

    // Return is taken before anything else on the page sees it.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

CLookupTable::~CLookupTable() {
    // The worker uses the engine and the image; it is stopped and joined
    // before anything of the page goes.
    m_timer.stop();
    const CJoiningWorker joining(m_services->Dialogs());
    m_run.Shutdown();
}

void CLookupTable::BuildControls() {
    auto* layout = new QVBoxLayout(this);

    auto* tableGroup = new QGroupBox(QStringLiteral("Lookup Table Update"), this);
    {
        auto* grid = new QGridLayout(tableGroup);
        m_fpgaCombo = Named(new QComboBox(tableGroup), kFpgaCombo, "fpgaCombo");
        m_tableCombo = Named(new QComboBox(tableGroup), kTableCombo, "tableCombo");
        grid->addWidget(new QLabel(QStringLiteral("FPGA:"), tableGroup), 0, 0);
        grid->addWidget(m_fpgaCombo, 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("Table:"), tableGroup), 1, 0);
        grid->addWidget(m_tableCombo, 1, 1);
        grid->setColumnStretch(1, 1);
    }
    layout->addWidget(tableGroup);

    auto* versionGroup = new QGroupBox(QStringLiteral("Version"), this);
    {
        auto* grid = new QGridLayout(versionGroup);
        m_installed = ReadOnlyEdit(versionGroup, kInstalledVersion, "installedVersion");
        m_desired = ReadOnlyEdit(versionGroup, kDesiredVersion, "desiredVersion");
        grid->addWidget(new QLabel(QStringLiteral("Installed:"), versionGroup), 0, 0);
        grid->addWidget(m_installed, 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("Desired:"), versionGroup), 1, 0);
        grid->addWidget(m_desired, 1, 1);
        grid->setColumnStretch(1, 1);
    }
    layout->addWidget(versionGroup);

    auto* downloadGroup = new QGroupBox(QStringLiteral("Download"), this);
    {
        auto* grid = new QGridLayout(downloadGroup);
        m_fileCombo = Named(new QComboBox(downloadGroup), kFileCombo, "fileCombo");
        m_browse =
            Named(new QPushButton(QStringLiteral("Browse..."), downloadGroup), kBrowse, "browse");
        m_progress = Named(new QProgressBar(downloadGroup), kProgress, "progress");
        m_progress->setRange(0, 100);
        m_progress->setTextVisible(false);
        m_update =
            Named(new QPushButton(QStringLiteral("Update"), downloadGroup), kUpdate, "update");
        m_status = Named(new QLabel(downloadGroup), kStatus, "status");
        m_status->setVisible(false);
        m_percent = Named(new QLabel(downloadGroup), kPercent, "percent");
        m_abort = Named(new QPushButton(QStringLiteral("Abort"), downloadGroup), kAbort, "abort");
        for (QPushButton* button : {m_browse, m_update, m_abort})
            button->setAutoDefault(false);
        grid->addWidget(new QLabel(QStringLiteral("File:"), downloadGroup), 0, 0);
        grid->addWidget(m_fileCombo, 0, 1, 1, 2);
        grid->addWidget(m_browse, 0, 3);
        grid->addWidget(new QLabel(QStringLiteral("Progress:"), downloadGroup), 1, 0);
        grid->addWidget(m_progress, 1, 1, 1, 2);
        grid->addWidget(m_update, 1, 3);
        grid->addWidget(m_status, 2, 1);
        grid->addWidget(m_percent, 2, 2);
        grid->addWidget(m_abort, 2, 3);
        grid->setColumnStretch(1, 1);
    }
    layout->addWidget(downloadGroup);
    layout->addStretch(1);
}

void CLookupTable::ConnectHandlers() {
    // Operator choices only: refilling a combo is not a selection.
    connect(m_fpgaCombo, &QComboBox::activated, this, [this](int i) { OnFpgaSelected(i); });
    connect(m_tableCombo, &QComboBox::activated, this, [this](int i) { OnTableSelected(i); });
    connect(m_fileCombo, &QComboBox::activated, this, [this](int) { OnFileSelected(); });
    connect(m_browse, &QPushButton::clicked, this, [this] { OnBrowse(); });
    connect(m_update, &QPushButton::clicked, this, [this] { OnUpdate(); });
    connect(m_abort, &QPushButton::clicked, this, [this] { OnAbort(); });
    connect(&m_timer, &QTimer::timeout, this, [this] { OnTick(); });
}

// ---- Services to the main window ------------------------------------------------------------

void CLookupTable::ReloadForModule() {
    const ModuleRecord& module = m_services->Engine()->Module();
    m_fpgaCombo->clear();
    for (const auto& [id, fpga] : module.fpgas)
        m_fpgaCombo->addItem(Q(fpga.name), static_cast<int>(id));
    if (m_fpgaCombo->count() == 0)
        m_fpgaCombo->addItem(Q(kNoFpgas));
    m_fpgaCombo->setCurrentIndex(0);

    m_fileEntries.clear();
    if (const AssemblyRecord* release = m_services->CurrentRelease()) {
        for (const auto& [fpgaId, fpga] : release->fpgas)
            for (const auto& [tableId, table] : fpga.lookupTables)
                if (!table.fileName.empty())
                    m_fileEntries[{fpgaId, tableId}] = table.fileName;
    }

    FillTableCombo(SelectedFpga());
    UpdateControls();
}

void CLookupTable::UpdateControls() {
    ApplyEnableRules();
    ShowVersions();
}

bool CLookupTable::QueryClose() {
    if (!m_run.IsRunning())
        return true;
    const MsgResult answer = m_services->Dialogs().MessageBoxWhile(
        L"A lookup table download is in progress.\nClosing now stops it.\n\nDo you wish to "
        L"close anyway?",
        kAttentionCaption, MsgButtons::YesNoDefaultNo, MsgIcon::Exclamation,
        [this] { return m_run.IsRunning(); });
    // A download that ended while the question was open has reported its
    // outcome: the window stays so that the operator sees it.
    if (!m_run.IsRunning() || answer != MsgResult::Yes)
        return false;
    m_timer.stop();
    {
        const CJoiningWorker joining(m_services->Dialogs());
        m_run.Shutdown();
    }
    const eng::Code result = m_run.Close();
    m_services->OperationEnded(Number(result), CLookupTableRun::ResultText(result));
    ApplyBusyRule(false);
    return true;
}

std::wstring CLookupTable::FileEntry(uint8_t fpgaId, uint8_t tableId) const {
    const auto it = m_fileEntries.find({fpgaId, tableId});
    return it == m_fileEntries.end() ? std::wstring() : it->second;
}

// ---- Algorithms -----------------------------------------------------------------------------

void CLookupTable::FillTableCombo(std::optional<uint8_t> fpgaId) {
    m_tableCombo->clear();
    const ModuleRecord& module = m_services->Engine()->Module();
    const FpgaDescription* fpga = fpgaId ? module.FindFpga(*fpgaId) : nullptr;
    if (!fpga || fpga->lookupTables.empty()) {
        SetNoTables();
        return;
    }
    for (const auto& [id, table] : fpga->lookupTables)
        m_tableCombo->addItem(Q(table.name), static_cast<int>(id));
    m_tableCombo->setCurrentIndex(0);
    m_noTables = false;
    m_shownPair = Pair{*fpgaId, fpga->lookupTables.begin()->first};
    FillFileCombo(*m_shownPair);
}

void CLookupTable::SetNoTables() {
    m_noTables = true;
    m_shownPair.reset();
    m_tableCombo->clear();
    m_tableCombo->addItem(Q(kNoLuts));
    m_tableCombo->setCurrentIndex(0);
    m_fileCombo->clear();
    m_fileCombo->addItem(Q(kNoFiles));
    m_fileCombo->setCurrentIndex(0);
}

void CLookupTable::FillFileCombo(const Pair& pair) {
    m_fileCombo->clear();
    const std::wstring path = FileEntry(pair.first, pair.second);
    if (path.empty())
        return;
    // The item data marks a real file ("No files" has none).
    m_fileCombo->addItem(Q(path), Q(path));
    m_fileCombo->setCurrentIndex(0);
}

void CLookupTable::ApplyEnableRules() {
    const CCmdEngine& engine = *m_services->Engine();
    const int32_t image = engine.Module().runningImage;
    const bool blocked = image == kRunningSafeBoot || engine.IsUpdateInProgress() || m_noTables ||
                         m_busy || m_run.IsRunning();
    m_browse->setEnabled(!blocked);
    m_update->setEnabled(!blocked);
    // Abort stops this page's own download only: another page's run (the
    // release update cannot be aborted) is none of its business.
    m_abort->setEnabled(image == kRunningFerrin && !m_noTables && engine.IsUpdateInProgress() &&
                        m_run.IsRunning() && m_busy);
}

void CLookupTable::ShowVersions() {
    // The worker writes the table's version into the record when it is done;
    // until then the texts stay as they are.
    if (m_run.IsRunning() && !m_run.IsFinished())
        return;
    std::wstring installed = kNone;
    std::wstring desired = kNone;
    if (const auto pair = SelectedPair()) {
        const ModuleRecord& module = m_services->Engine()->Module();
        const FpgaDescription* fpga = module.FindFpga(pair->first);
        const LookupTableDescription* table = fpga ? fpga->FindLookupTable(pair->second) : nullptr;
        if (table) {
            desired = VersionText(m_services->DesiredTableVersion(pair->first, pair->second));
            installed = VersionText(table->version);
        }
    }
    m_installed->setText(Q(installed));
    m_desired->setText(Q(desired));
}

void CLookupTable::ApplyBusyRule(bool busy) {
    m_busy = busy;
    ApplyEnableRules();
}

void CLookupTable::ResetProgress() {
    ShowProgress(0.0f);
    m_status->clear();
    m_status->setVisible(false);
}

void CLookupTable::ShowProgress(float fraction) {
    m_progress->setValue(CLookupTableRun::BarPosition(fraction));
    m_percent->setText(Q(CLookupTableRun::PercentText(fraction)));
}

void CLookupTable::RememberSelectedFile() {
    if (m_shownPair && !m_noTables)
        m_fileEntries[*m_shownPair] = SelectedFile();
}

std::optional<uint8_t> CLookupTable::SelectedFpga() const {
    return ItemId(m_fpgaCombo);
}

std::optional<CLookupTable::Pair> CLookupTable::SelectedPair() const {
    const auto fpga = SelectedFpga();
    const auto table = ItemId(m_tableCombo);
    if (!fpga || !table || m_noTables)
        return std::nullopt;
    return Pair{*fpga, *table};
}

std::wstring CLookupTable::SelectedFile() const {
    if (m_noTables || m_fileCombo->currentIndex() < 0)
        return {};
    return m_fileCombo->currentData().toString().toStdWString();
}

bool CLookupTable::TestOpen(const std::wstring& path) {
    uint32_t size = 0;
    const int error = inputfile::CheckImage(WideToUtf8(path), size);
    if (error == 0)
        return true;
    m_services->Dialogs().ReportFileError(path, FileOperation::Open, error);
    return false;
}

// ---- Handlers -------------------------------------------------------------------------------

void CLookupTable::OnFpgaSelected(int) {
    m_services->ReportError(L"");
    ResetProgress();
    RememberSelectedFile();
    FillTableCombo(SelectedFpga());
    ApplyEnableRules();
    ShowVersions();
}

void CLookupTable::OnTableSelected(int) {
    m_services->ReportError(L"");
    ResetProgress();
    RememberSelectedFile();
    if (const auto pair = SelectedPair()) {
        m_shownPair = pair;
        FillFileCombo(*pair);
    }
    ApplyEnableRules();
    ShowVersions();
}

void CLookupTable::OnFileSelected() {
    m_services->ReportError(L"");
    ResetProgress();
    if (const std::wstring path = SelectedFile(); !path.empty())
        TestOpen(path);
    UpdateControls();
}

void CLookupTable::OnBrowse() {
    m_services->ReportError(L"");
    ResetProgress();
    const auto pair = SelectedPair();
    if (!pair)
        return;
    FileDialogRequest request;
    request.filter = kFilter;
    request.filterIndex = m_filterIndex;
    request.initialFolder = m_lastFolder;
    const FileDialogResult chosen = m_services->Dialogs().AskFile(request);
    if (!chosen.accepted || chosen.path.empty())
        return;
    m_filterIndex = chosen.filterIndex;
    if (const size_t slash = chosen.path.rfind(L'/'); slash != std::wstring::npos)
        m_lastFolder = chosen.path.substr(0, slash == 0 ? 1 : slash);
    if (!TestOpen(chosen.path))
        return;
    m_fileEntries[*pair] = chosen.path;
    m_shownPair = pair;
    FillFileCombo(*pair);
}

void CLookupTable::OnUpdate() {
    CCmdEngine& engine = *m_services->Engine();
    if (!engine.IsConnected()) {
        m_services->ReportError(L"Not connected to a module.");
        return;
    }
    m_services->ReportError(L"");
    ResetProgress();
    // One download at a time on the one engine, whichever page started it.
    if (m_run.IsRunning() || engine.IsUpdateInProgress()) {
        m_services->ReportError(L"Update is in-process! Update cancelled.");
        return;
    }
    const std::wstring path = SelectedFile();
    const auto pair = SelectedPair();
    if (path.empty() || !pair)
        return;
    ApplyBusyRule(true);
    const operations::LutStart started = operations::StartLookupTable(
        operations::PageContext(*m_services), m_run, path, pair->first, pair->second,
        m_tableCombo->currentText().toStdWString(), m_fpgaCombo->currentText().toStdWString());
    if (started == operations::LutStart::Started) {
        m_timer.start();
        ApplyEnableRules();
    } else {
        ApplyBusyRule(false);
    }
    m_services->UpdateControls();
}

void CLookupTable::OnAbort() {
    m_run.RequestAbort();
    ApplyBusyRule(false);
}

void CLookupTable::OnTick() {
    CCmdEngine& engine = *m_services->Engine();
    if (engine.IsConnected())
        ShowProgress(engine.GetProgress());
    if (m_run.IsFinished())
        CloseRun();
}

void CLookupTable::CloseRun() {
    // Stopped first: the closing box runs an event loop of its own.
    m_timer.stop();
    const eng::Code result =
        operations::FinishLookupTable(operations::PageContext(*m_services), m_run);
    if (result != eng::kOk) {
        const std::wstring text = CLookupTableRun::ResultText(result);
        // The page keeps saying how the download ended when the main status
        // line moves on (the module went away and was disconnected).
        ResetProgress();
        m_status->setText(Q(text));
        m_status->setVisible(true);
    }
    ApplyBusyRule(false);
    UpdateControls();
    m_services->UpdateControls();
}

// ---- Keys -----------------------------------------------------------------------------------

bool CLookupTable::eventFilter(QObject* watched, QEvent* event) {
    if (IsReturnKeyPress(event))
        return true; // Return never closes the page or presses a button
    return CTabPage::eventFilter(watched, event);
}

void CLookupTable::keyPressEvent(QKeyEvent* event) {
    if (IsReturnKeyPress(event))
        return event->accept();
    CTabPage::keyPressEvent(event);
}
