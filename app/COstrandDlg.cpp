#include "app/COstrandDlg.h"

#include "app/COstrand.h"
#include "app/CPageFactoryIF.h"
#include "app/CPlaceholderPages.h"
#include "descriptions/DataDirectory.h"
#include "descriptions/ReleaseTable.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"
#include "frontend/CDialogServicesIF.h"
#include "frontend/ConnectReport.h"
#include "frontend/ModuleDiscovery.h"
#include "frontend/ProgramVersion.h"
#include "frontend/VersionFile.h"
#include "pages/WidgetKit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using widgetkit::Q;

// A page in a scroll area of its own, so that each keeps its own position.
// Its size hint is the whole page's: the window asks for the room that shows
// every page without scrolling, and FitToScreen bounds that by the screen.
class PageScrollArea : public QScrollArea {
public:
    explicit PageScrollArea(QWidget* page) {
        setWidget(page);
        setWidgetResizable(true);
        setFrameShape(QFrame::NoFrame);
    }
    QSize sizeHint() const override {
        const int frame = 2 * frameWidth();
        return widget() ? widget()->sizeHint() + QSize(frame, frame) : QScrollArea::sizeHint();
    }
};

// Operations that may show boxes run inside one; a removal seen meanwhile waits.
class BusyScope {
public:
    explicit BusyScope(int& depth) : m_depth(depth) { ++m_depth; }
    ~BusyScope() { --m_depth; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    int& m_depth;
};

} // namespace

COstrandDlg::COstrandDlg(COstrand& app, CPageFactoryIF& pages)
    : m_app(app), m_pages(pages),
      m_deviceWatcher([this](const std::filesystem::path& node) { OnDeviceRemoved(node); },
                      [this](const std::filesystem::path& node) { OnDeviceAdded(node); }),
      m_openUrl([](const std::wstring& address) {
          return QDesktopServices::openUrl(QUrl(QString::fromStdWString(address)));
      }) {
    widgetkit::Named(this, 136, QStringLiteral("mainWindow"));
    setWindowTitle(Q(kTitle));
    setWindowIcon(QIcon(QStringLiteral(":/pellworth/pellworth.png")));
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);
    BuildControls();
    // Only this window's own controls: the pages come later.
    for (QWidget* control : findChildren<QWidget*>())
        if (const int number = widgetkit::ControlNumber(control); number != 0)
            m_controls.emplace(number, control);

    // The session looks at its port for a hang-up; a loss waits while a box
    // or a connect is under way.
    m_hangUpTimer.setInterval(kHangUpPollMs);
    QObject::connect(&m_hangUpTimer, &QTimer::timeout,
                     [this] { m_app.Session().CheckPort(InNestedOperation()); });
    m_presenceTimer.setInterval(kPresencePollMs);
    QObject::connect(&m_presenceTimer, &QTimer::timeout, [this] {
        DropAbsentModules();
        FindReplugged();
    });
    qApp->installEventFilter(this);
    m_app.Session().SetObserver(this);
    m_hangUpTimer.start();
}

COstrandDlg::~COstrandDlg() {
    m_app.Session().SetObserver(nullptr);
    qApp->removeEventFilter(this);
    m_hangUpTimer.stop();
    m_presenceTimer.stop();
    // Pages go before the page area that holds their widgets.
    for (CTabPage* page : Pages())
        delete page;
}

// ---- Initialisation --------------------------------------------------------------------------

void COstrandDlg::OnInitDialog() {
    ReadVersionTitle();
    CreatePagesAndTabs();
    FitToScreen();
    ReportStatus(L"");
    if (m_moduleCombo->count() > 0)
        m_moduleCombo->setCurrentIndex(0);
    ApplyTimeouts();
    // Without the system's notifications a USB module's removal is still seen
    // as a hang-up of its port.
    m_deviceWatcher.Start();
    m_presenceTimer.start();
    // The engine selected the forced module type before this window existed;
    // its setup page is the one to show.
    if (CCmdEngine* engine = m_app.Engine(); engine && engine->Module().moduleType != m_setupKey)
        ModuleChanged();
    UpdateControls();
    Discover();
}

void COstrandDlg::ReadVersionTitle() {
    // Sample data and missing release data are said where the operator
    // always sees them: in the title and on a line under the status line.
    const datadir::Choice& releaseData = datadir::Current();
    const std::string notice = datadir::Notice(releaseData);
    m_dataNotice->setText(Q(Utf8ToWide(notice)));
    m_dataNotice->setVisible(!notice.empty());
    if (!releaseData.Found()) {
        setWindowTitle(Q(std::wstring(kTitle) + L" (no release data)"));
        return;
    }
    const std::wstring path = datadir::DataFile(L"version");
    const versionfile::Result version = versionfile::Read(WideToUtf8(path));
    if (!version.opened)
        m_app.Dialogs().ReportFileError(path, FileOperation::Open, version.systemError);
    setWindowTitle(Q(std::wstring(kTitle) + L" (" + WidenText(version.text) + L")" +
                     (releaseData.sample ? L" - SAMPLE DATA" : L"")));
}

void COstrandDlg::CreatePagesAndTabs() {
    for (const ModuleTypeRow& type : kModuleTypes)
        m_setupPages[type.id] = AdoptPage(m_pages.CreateSetupPage(type.id, m_app));
    m_updatePage = AdoptPage(m_pages.CreateUpdatePage(m_app));
    m_peekPokePage = AdoptPage(m_pages.CreatePeekPokePage(m_app));
    m_lookupTablePage = AdoptPage(m_pages.CreateLookupTablePage(m_app));

    const QSignalBlocker quiet(m_tabs);
    InsertTab(0, L"Update", kUpdatePage);
    if (m_app.IsOptionD()) {
        InsertTab(1, L"Peek/Poke/CSV", kPeekPokePage);
        InsertTab(2, L"Lookup Table", kLookupTablePage);
    }
    m_setupKey = 0;
    InsertTab(3, L"Setup", kSetupPage);

    m_currentTab = m_pageToTab.at(kSetupPage);
    m_tabs->setCurrentIndex(m_currentTab);
    ShowCurrentPage();
}

CTabPage* COstrandDlg::AdoptPage(std::unique_ptr<CTabPage> made) {
    CTabPage* page = made ? made.release() : new CPlaceholderPage();
    auto* scroll = new PageScrollArea(page);
    m_pageArea->addWidget(scroll);
    m_pageScrolls[page] = scroll;
    return page;
}

std::vector<CTabPage*> COstrandDlg::Pages() const {
    std::vector<CTabPage*> pages;
    for (CTabPage* page : {m_updatePage.data(), m_peekPokePage.data(), m_lookupTablePage.data()})
        if (page)
            pages.push_back(page);
    for (const auto& [key, page] : m_setupPages)
        if (page)
            pages.push_back(page);
    return pages;
}

void COstrandDlg::FitToScreen() {
    // As large as the largest page needs (the size hint), but never larger
    // than the screen (a little is left for the title bar); beyond that the
    // pages scroll.
    QSize wanted = sizeHint();
    if (const QScreen* display = screen()) {
        // The height leaves room for the title bar; the width needs only the frame.
        const QSize available = display->availableGeometry().size();
        const QSize room(available.width() * 99 / 100, available.height() * 95 / 100);
        // A page cut off in one direction scrolls: leave room for its scroll bar.
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        if (wanted.height() > room.height())
            wanted.rwidth() += bar;
        if (wanted.width() > room.width())
            wanted.rheight() += bar;
        wanted = wanted.boundedTo(room);
    }
    resize(wanted);
}

void COstrandDlg::InsertTab(int position, const wchar_t* text, PageCode code) {
    const int index = m_tabs->insertTab(std::min(position, m_tabs->count()), Q(text));
    m_tabToPage[index] = code;
    m_pageToTab[code] = index;
}

QWidget* COstrandDlg::PageWidget(PageCode code) const {
    switch (code) {
    case kUpdatePage:
        return m_updatePage;
    case kPeekPokePage:
        return m_peekPokePage;
    case kLookupTablePage:
        return m_lookupTablePage;
    case kSetupPage: {
        const auto it = m_setupPages.find(m_setupKey);
        return it == m_setupPages.end() ? nullptr : it->second.data();
    }
    }
    return nullptr;
}

int COstrandDlg::CurrentPageCode() const {
    const auto it = m_tabToPage.find(m_currentTab);
    return it == m_tabToPage.end() ? -1 : it->second;
}

QWidget* COstrandDlg::Control(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

CTabPage* COstrandDlg::SetupPage(ModuleTypeId key) {
    const auto it = m_setupPages.find(key);
    return it == m_setupPages.end() ? nullptr : it->second.data();
}

void COstrandDlg::ShowCurrentPage() {
    const int code = CurrentPageCode();
    if (code < 0)
        return;
    QWidget* page = PageWidget(static_cast<PageCode>(code));
    const auto it = m_pageScrolls.find(page);
    if (it == m_pageScrolls.end())
        return;
    // A page comes up at its top, whatever was scrolled before.
    QScrollArea* scroll = it->second;
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->minimum());
    scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->minimum());
    m_pageArea->setCurrentWidget(scroll);
}

void COstrandDlg::ApplyTimeouts() {
    CUSBSerialPort& port = m_app.Port();
    if (m_app.IsOptionD() && m_disableTimeouts->isChecked())
        port.DisableTimeouts();
    else
        port.EnableTimeouts();
}

// ---- Control refresh and status ------------------------------------------------------------

void COstrandDlg::UpdateControls() {
    CCmdEngine* engine = m_app.Engine();
    if (!engine)
        return;
    const bool connected = engine->IsConnected();
    const ModuleRecord& module = engine->Module();

    m_connectButton->setText(connected ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
    m_connectButton->setEnabled(m_moduleCombo->currentIndex() >= 0 &&
                                !engine->IsUpdateInProgress());
    // While a run is going the list stays as it is, connected or not: its
    // reconnect goes to the run's own port, whatever entry is selected.
    const bool running = engine->IsUpdateInProgress();
    m_discoverButton->setEnabled(!connected && !running);
    m_moduleCombo->setEnabled(!connected && !running);
    m_safeBootWarning->setVisible(module.runningImage == kRunningSafeBoot);
    m_typeEdit->setText(Q(ModuleTypeName(module.moduleType)));
    m_nameEdit->setText(Q(WidenText(module.name)));
    m_assemblyEdit->setText(Q(WidenText(module.assembly)));
    m_serialEdit->setText(Q(WidenText(module.serial)));
    m_disableTimeouts->setVisible(m_app.IsOptionD());

    // Pages of tabs that are not shown are kept up to date as well.
    if (m_updatePage)
        m_updatePage->UpdateControls();
    if (m_peekPokePage)
        m_peekPokePage->UpdateControls();
    if (m_lookupTablePage)
        m_lookupTablePage->UpdateControls();
    if (HasSetupBlock(m_setupKey))
        if (CTabPage* setup = SetupPage(m_setupKey))
            setup->UpdateControls();
}

void COstrandDlg::ReportStatus(const std::wstring& text) {
    m_app.Session().ReportError(text);
}

void COstrandDlg::StatusChanged(const std::wstring& text) {
    m_statusLine->setText(Q(text));
}

void COstrandDlg::ShowResultsLogWarning(const std::wstring& text) {
    m_resultsLogWarning->setText(Q(text));
    m_resultsLogWarning->setVisible(true);
}

// ---- Discovery -----------------------------------------------------------------------------

void COstrandDlg::Discover() {
    CCmdEngine* engine = m_app.Engine();
    if (!engine)
        return;
    if (engine->IsUpdateInProgress()) {
        ReportStatus(L"An update is in progress: discovery waits until it has ended.");
        return;
    }
    ReportStatus(discovery::kLookingText);
    if (engine->IsConnected()) {
        ReportStatus(discovery::kConnectedText);
        return;
    }
    // The run blocks the window; show the text before it starts.
    m_statusLine->repaint();
    const BusyScope busy(m_busy);
    m_moduleCombo->clear();
    discovery::Result result;
    {
        const CWaitCursor wait(m_app.Dialogs());
        result = discovery::DiscoverModules(*engine, m_app.Port());
    }
    for (const std::wstring& entry : result.entries)
        m_moduleCombo->addItem(Q(entry));
    if (m_moduleCombo->count() > 0)
        m_moduleCombo->setCurrentIndex(0);
    ReportStatus(discovery::StatusText(result));
    UpdateControls();
}

// ---- Connection ----------------------------------------------------------------------------

void COstrandDlg::OnConnectButton() {
    ReportStatus(L"");
    CCmdEngine* engine = m_app.Engine();
    if (engine && engine->IsConnected())
        Disconnect();
    else
        Connect();
}

bool COstrandDlg::Connect() {
    if (!m_app.Engine())
        return false;
    if (m_moduleCombo->currentIndex() < 0) {
        ReportStatus(L"No device is selected!");
        return false;
    }
    const BusyScope busy(m_busy);
    const auto number = discovery::PortNumberOfEntry(m_moduleCombo->currentText().toStdWString());
    return m_app.Session().Connect(number.value_or(0));
}

void COstrandDlg::Connected() {
    // The module group shows the module just connected before any box about it.
    UpdateControls();
    if (m_updatePage)
        m_updatePage->CopyIdentity();
    const CCmdEngine* engine = m_app.Engine();
    if (engine && engine->IsConnected() && !m_app.Session().IsQuiet())
        ReportSetupBlocked();
}

void COstrandDlg::Disconnect() {
    if (!m_app.Engine())
        return;
    {
        const CWaitCursor wait(m_app.Dialogs());
        m_app.Session().Disconnect();
    }
    ReportStatus(L"Disconnected from module.");
    UpdateControls();
}

void COstrandDlg::OnDisableTimeouts() {
    if (m_disableTimeouts->isChecked())
        m_app.Port().DisableTimeouts();
    else
        m_app.Port().EnableTimeouts();
}

// ---- Module changes ------------------------------------------------------------------------

void COstrandDlg::ModuleChanged() {
    CCmdEngine* engine = m_app.Engine();
    if (!engine || m_setupPages.empty())
        return; // before the pages exist
    if (m_updatePage)
        m_updatePage->ReloadForModule();
    if (m_app.IsOptionD() && m_lookupTablePage)
        m_lookupTablePage->ReloadForModule();

    ModuleTypeId key = engine->Module().moduleType;
    if (!m_setupPages.contains(key))
        key = 0;
    if (key != m_setupKey) {
        m_setupKey = key;
        if (CurrentPageCode() == kSetupPage)
            ShowCurrentPage();
    }
    if (HasSetupBlock(key))
        if (CTabPage* setup = SetupPage(key))
            setup->ReloadForModule();
}

void COstrandDlg::IdentityChanged() {
    if (m_updatePage)
        m_updatePage->CopyIdentity();
}

// ---- Tabs ----------------------------------------------------------------------------------

void COstrandDlg::OnTabSelChange() {
    const int selected = m_tabs->currentIndex();
    if (selected < 0 || selected == m_currentTab)
        return;
    m_currentTab = selected;
    ShowCurrentPage();
    if (CurrentPageCode() == kSetupPage && HasSetupBlock(m_setupKey))
        if (CTabPage* setup = SetupPage(m_setupKey))
            setup->ReportDisabledReason();
}

void COstrandDlg::ReportSetupBlocked() {
    // The shown Setup page names why it is greyed, as when its tab is chosen;
    // a page that is not greyed leaves the connect's text.
    if (CurrentPageCode() != kSetupPage || !HasSetupBlock(m_setupKey))
        return;
    CTabPage* setup = SetupPage(m_setupKey);
    if (!setup)
        return;
    const QString connectText = m_statusLine->text();
    setup->ReportDisabledReason();
    if (m_statusLine->text().isEmpty())
        m_statusLine->setText(connectText);
}

// ---- Device removal ------------------------------------------------------------------------

bool COstrandDlg::InNestedOperation() const {
    const QWidget* modal = QApplication::activeModalWidget();
    return m_busy > 0 || (modal && modal != this);
}

void COstrandDlg::OnDeviceRemoved(const std::filesystem::path& deviceNode) {
    if (!m_app.Session().DeviceRemoved(deviceNode, InNestedOperation()))
        DropAbsentModules();
}

void COstrandDlg::ModuleLost() {
    ReportStatus(L"Disconnected from module.");
    UpdateControls();
    DropAbsentModules();
}

void COstrandDlg::OnDeviceAdded(const std::filesystem::path& /*deviceNode*/) {
    FindReplugged();
}

void COstrandDlg::FindReplugged() {
    // A USB module plugged in again keeps its number, and a simulated one
    // comes back under its own: once a dropped number is there again, the
    // list is found again. Not while connected (the list is frozen), during
    // an update, or under a box or a connect; the next poll does it then.
    const CCmdEngine* engine = m_app.Engine();
    if (m_droppedPorts.empty() || !engine || engine->IsConnected() ||
        engine->IsUpdateInProgress() || InNestedOperation())
        return;
    const bool back = std::any_of(m_droppedPorts.begin(), m_droppedPorts.end(),
                                  [](uint16_t n) { return portnames::ResolvePort(n).has_value(); });
    if (!back)
        return;
    m_droppedPorts.clear();
    Discover();
}

void COstrandDlg::DropAbsentModules() {
    // While connected the list is frozen, and during an update a rebooting
    // module is away for a while and must be found again under its entry.
    const CCmdEngine* engine = m_app.Engine();
    if (!engine || engine->IsConnected() || engine->IsUpdateInProgress() || m_busy > 0)
        return;
    bool dropped = false;
    for (int i = m_moduleCombo->count() - 1; i >= 0; --i) {
        const auto number = discovery::PortNumberOfEntry(m_moduleCombo->itemText(i).toStdWString());
        if (number && !portnames::ResolvePort(*number)) {
            m_moduleCombo->removeItem(i);
            m_droppedPorts.insert(*number);
            dropped = true;
        }
    }
    if (dropped)
        UpdateControls();
}

// ---- About, logo, keys ---------------------------------------------------------------------

void COstrandDlg::OnAbout() {
    m_app.Dialogs().MessageBox(kAboutText + std::wstring(kProgramVersionText), L"About Pellworth",
                               MsgButtons::Ok, MsgIcon::Information);
}

void COstrandDlg::OnLogoClicked() {
    const std::wstring address = kMakerAddress;
    if (m_openUrl && m_openUrl(address))
        ReportStatus(L"Opening the Varnet web site " + address + L" in your web browser.");
    else
        ReportStatus(L"No web browser could be started for " + address + L".");
}

void COstrandDlg::done(int result) {
    for (CTabPage* page : Pages())
        if (!page->QueryClose())
            return;
    QDialog::done(result);
}

bool COstrandDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // Enter never closes the dialog or presses a button here; other
            // windows (message boxes, drop-down lists) keep it.
            const auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->window() == this) {
                // A page with a Return rule of its own sees the key first.
                for (const QWidget* w = widget; w && w != this; w = w->parentWidget())
                    if (w->property(kHandlesReturnProperty).toBool())
                        return false;
                return true;
            }
        }
        // Escape never closes the main window: a stray press, or one meant
        // for a box that has just gone, would end the program unasked.
        if (key->key() == Qt::Key_Escape) {
            const auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->window() == this)
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
