// The main dialog against simulated modules: discovery, tabs, connect and its
// results, device removal, the title and the small controls.

#include "AppTestSupport.h"

#include "maintenance/pages/CUpdate.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>

#include <thread>

namespace {

using namespace std::chrono_literals;

// The page stack holds each page widget in a scroll area of its own.
QScrollArea* ShownScrollArea(COstrandDlg& dlg) {
    return qobject_cast<QScrollArea*>(
        dlg.findChild<QStackedWidget*>(QStringLiteral("pageArea"))->currentWidget());
}

QWidget* ShownPage(COstrandDlg& dlg) {
    return ShownScrollArea(dlg)->widget();
}

TEST_F(AppMainDialogTest, TabsPagesAndTimeoutsFollowTheCommandLine) {
    using D = COstrandDlg;
    const wchar_t* tabTexts[] = {L"Update", L"Peek/Poke/CSV", L"Lookup Table", L"Setup"};
    struct Case {
        std::vector<std::wstring> args;
        std::vector<int> pageCodes; // of the tabs in order
        ModuleTypeId setupKey;
    };
    const Case cases[] = {
        {{}, {D::kUpdatePage, D::kSetupPage}, 0},
        {{L"-m", L"/TARN"}, {D::kUpdatePage, D::kSetupPage}, 2},
        {{L"-D"}, {D::kUpdatePage, D::kPeekPokePage, D::kLookupTablePage, D::kSetupPage}, 0},
    };
    for (const Case& c : cases) {
        StartApp(c.args);
        const bool optionD = c.pageCodes.size() == 4;
        auto* tabs = Control<QTabBar>(D::kTabControl);
        ASSERT_EQ(tabs->count(), int(c.pageCodes.size()));
        // The Setup tab is on show with the page of the (forced) module type.
        EXPECT_EQ(tabs->currentIndex(), tabs->count() - 1);
        EXPECT_EQ(ShownPage(Dlg()), Dlg().SetupPage(c.setupKey)->Widget());
        EXPECT_EQ(pages["setup2"]->reloads > 0, c.setupKey == 2);
        // Pages of tabs that do not exist are created and refreshed all the same.
        EXPECT_GT(pages["peekpoke"]->updates, 0);
        EXPECT_GT(pages["lookup"]->updates, 0);
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            EXPECT_EQ(tabs->tabText(i).toStdWString(), tabTexts[c.pageCodes[i]]);
            EXPECT_EQ(Dlg().CurrentPageCode(), c.pageCodes[i]);
        }
        tabs->setCurrentIndex(0);
        EXPECT_EQ(ShownPage(Dlg()), Dlg().UpdatePage()->Widget());

        auto* check = Control<QCheckBox>(D::kDisableTimeoutsCheck);
        EXPECT_EQ(!check->isHidden(), optionD);
        if (optionD) {
            check->click();
            EXPECT_FALSE(app->Port().TimeoutsEnabled());
            check->click();
            EXPECT_TRUE(app->Port().TimeoutsEnabled());
        }
        TearDown();
    }
}

TEST_F(AppMainDialogTest, TitleCarriesTheVersionTextAndAMissingFileIsReported) {
    StartApp();
    EXPECT_EQ(Dlg().windowTitle().toStdWString(), L"Varnet - Pellworth (0.44 test)");
    EXPECT_TRUE(dialogs.boxes.empty());
    TearDown();

    std::filesystem::rename("version", "version.away");
    StartApp();
    std::filesystem::rename("version.away", "version");
    EXPECT_EQ(dialogs.fileErrors, std::vector<std::wstring>{L"version"});
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find(L"'version'"), std::wstring::npos);
    EXPECT_EQ(Dlg().windowTitle().toStdWString(), L"Varnet - Pellworth ()");
}

// Discovery at start and on "Discover", a connection to the first entry, and
// its end.
TEST_F(AppMainDialogTest, DiscoverConnectAndDisconnect) {
    using D = COstrandDlg;
    StartApp();
    EXPECT_EQ(Status(), L"No appropriate devices were found!");
    EXPECT_FALSE(ConnectButton()->isEnabled());
    Dlg().OnConnectButton();
    EXPECT_EQ(Status(), L"No device is selected!");

    sim::SimulatedModule& tarn = AddModule();
    sim::SimulatedModule& orlan = AddModule(sim::Profile::Orlan6);
    sim::SimulatedModule& nameless = AddModule(
        sim::Profile::Tarn, [](sim::ModuleConfig& c) { c.state.name = std::string(8, '\0'); });
    Control<QPushButton>(D::kDiscoverButton)->click();
    EXPECT_EQ(Status(), L"Found 3 modules.");
    const std::vector<std::wstring> entries{Entry(tarn, L"SIM-TARN"), Entry(orlan, L"SIM-ORL6"),
                                            Entry(nameless, L"")};
    EXPECT_EQ(Entries(), entries);

    ConnectButton()->click();
    EXPECT_EQ(Status(), L"Connected to module.");
    EXPECT_FALSE(Control<QPushButton>(D::kDiscoverButton)->isEnabled());
    EXPECT_FALSE(Combo()->isEnabled());
    QString fields;
    for (int id : {D::kTypeEdit, D::kNameEdit, D::kAssemblyEdit, D::kSerialEdit})
        fields += Control<QLineEdit>(id)->text() + '|';
    EXPECT_EQ(fields, QStringLiteral("TARN|SIM-TARN|TARN-A01|00001234|"));
    // The TARN setup page is on show and has lent its block, which was fetched.
    EXPECT_EQ(ShownPage(Dlg()), Dlg().SetupPage(2)->Widget());
    EXPECT_GT(pages["setup2"]->reloads, 0);
    EXPECT_GT(pages["update"]->identityCopies, 0);
    EXPECT_TRUE(tarn.WaitForRequest(0x8C, 1s));
    EXPECT_EQ(dialogs.waitCursorDepth, 0);
    EXPECT_GT(dialogs.waitCursorUses, 0);

    // Back on the Setup tab, the page on show says why it is disabled.
    auto* tabs = Control<QTabBar>(D::kTabControl);
    tabs->setCurrentIndex(0);
    EXPECT_EQ(pages["setup2"]->disabledReasons, 0);
    tabs->setCurrentIndex(1);
    EXPECT_EQ(pages["setup2"]->disabledReasons, 1);
    EXPECT_EQ(pages["setup0"]->disabledReasons, 0);

    // Discovery while connected changes only the status.
    tarn.ClearLog();
    Dlg().Discover();
    EXPECT_EQ(Status(), L"Cannot discover while currently connected!");
    EXPECT_EQ(Entries(), entries);
    EXPECT_TRUE(app->Port().IsOpen());
    EXPECT_EQ(tarn.RequestCount(), 0u);

    ConnectButton()->click();
    EXPECT_EQ(Status(), L"Disconnected from module.");
    EXPECT_FALSE(Engine().IsConnected());
    EXPECT_FALSE(app->Port().IsOpen());
    EXPECT_EQ(ConnectButton()->text(), QStringLiteral("Connect"));
    EXPECT_TRUE(Combo()->isEnabled());
}

// Each result of the engine's connect as the operator sees it, with the box
// that follows: software that is not the module's own, or a release other
// than the update page's (the module runs 1.1).
TEST_F(AppMainDialogTest, ConnectResults) {
    const std::wstring failed = L"Connection to module failed: ";
    // A box as its caption and the word of its text that tells it apart.
    const std::wstring incorrect = L"Incorrect Module software!|must do an Update";
    const std::wstring older = L"Release Mismatch!|older";
    const std::wstring newer = L"Release Mismatch!|https://www.varnet.example/pellworth";
    const auto protocol2 = [](sim::ModuleConfig& c) { c.state.protocolVersion = 2; };
    const auto type7 = [](sim::ModuleConfig& c) { c.state.moduleType = 7; };
    const auto safeBoot = [](sim::ModuleConfig& c) {
        c.state.running = sim::RunningImage::SafeBoot;
    };
    struct Case {
        std::vector<std::wstring> args;
        std::function<void(sim::ModuleConfig&)> change;
        uint8_t refused; // a request the module rejects, 0: none
        std::string expectedSerial;
        VersionNumber selected; // the update page's release
        std::wstring status;
        bool connected;
        std::wstring box; // "caption|word"; empty: none
    };
    const Case cases[] = {
        {{}, protocol2, 0, "", {1, 1}, failed + L"Protocol mismatch", false, L""},
        {{}, type7, 0, "", {1, 1}, failed + L"Bad Module Type", false, L""},
        {{L"-m"}, type7, 0, "", {1, 1}, L"Connected to module.", true, L""},
        {{}, {}, 0, "ABCDEFGH", {1, 1}, failed + L"Wrong module", false, L""},
        {{}, {}, 0x81, "", {1, 1}, failed + L"No module information", false, L""},
        {{}, {}, 0x8C, "", {1, 1}, L"Connected to module: Bad config data", true, L""},
        {{}, safeBoot, 0, "", {1, 1}, L"Connected to module.", true, incorrect},
        {{}, {}, 0, "", {1, 2}, L"Connected to module.", true, older},
        {{}, {}, 0, "", {1, 0}, L"Connected to module.", true, newer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromStdWString(c.status + c.box).toStdString());
        sim::SimulatedModule& module = AddModule(sim::Profile::Tarn, c.change);
        if (c.refused)
            module.ScriptAlways(c.refused, sim::Reply::Reject());
        StartApp(c.args);
        pages["update"]->release = AssemblyRecord{};
        pages["update"]->release->release = c.selected;
        ASSERT_EQ(Combo()->count(), 1);
        EXPECT_EQ(app->Connect(c.expectedSerial), c.connected);
        EXPECT_EQ(Status(), c.status);
        EXPECT_EQ(Engine().IsConnected(), c.connected);
        // A connection keeps its port; a failure leaves nothing open.
        EXPECT_EQ(app->Port().IsOpen(), c.connected);
        EXPECT_EQ(ConnectButton()->text(),
                  c.connected ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
        ASSERT_EQ(dialogs.boxes.size(), c.box.empty() ? 0u : 1u);
        if (!c.box.empty()) {
            const size_t bar = c.box.find(L'|');
            EXPECT_EQ(dialogs.boxes[0].caption, c.box.substr(0, bar));
            EXPECT_NE(dialogs.boxes[0].text.find(c.box.substr(bar + 1)), std::wstring::npos);
        }
        EXPECT_EQ(!Control<QLabel>(COstrandDlg::kSafeBootWarning)->isHidden(), c.box == incorrect);
        // A module in SafeBoot has no type.
        EXPECT_TRUE(c.box != incorrect || Control<QLineEdit>(COstrandDlg::kTypeEdit)->text() ==
                                              QStringLiteral("Unknown"));
        if (c.connected) {
            // Quiet (a release update reconnecting): neither box nor status.
            app->Disconnect();
            dialogs.Clear();
            app->SetQuiet(true);
            EXPECT_TRUE(app->Connect({}));
            EXPECT_TRUE(dialogs.boxes.empty());
            EXPECT_EQ(Status(), L"Disconnected from module.");
            // A reconnect with a serial (the release update) compares no release.
            app->Disconnect();
            app->SetQuiet(false);
            EXPECT_TRUE(app->Connect("00001234"));
            EXPECT_EQ(dialogs.boxes.size(), c.box == incorrect ? 1u : 0u);
        }
        TearDown();
    }
}

// A device going away: another's changes nothing; the open port's ends the
// connection, through the system's notice or the port's hang-up. During an
// update the worker that owns the port meets the failure (its box is shown on
// the GUI thread) and the hang-up is left until the update is over.
TEST_F(AppMainDialogTest, DeviceRemoval) {
    sim::SimulatedModule& module = AddModule();
    const sim::SimulatedModule& stranger = AddModule(
        sim::Profile::Tarn, [](sim::ModuleConfig& c) { c.description = "USB Serial Converter"; });
    StartApp();
    // The port of a device that is not a module's is never opened.
    EXPECT_EQ(Entries(), std::vector<std::wstring>{Entry(module, L"SIM-TARN")});
    EXPECT_EQ(stranger.RequestCount(), 0u);
    const auto pollSome = [] {
        WaitUntil([] { return false; }, 4 * std::chrono::milliseconds(COstrandDlg::kHangUpPollMs));
    };

    ConnectButton()->click();
    ASSERT_TRUE(Engine().IsConnected());
    Dlg().OnDeviceRemoved("/dev/ttyACM7");
    Dlg().OnDeviceRemoved(stranger.DevicePath());
    pollSome();
    EXPECT_TRUE(Engine().IsConnected());
    EXPECT_EQ(Status(), L"Connected to module.");
    Dlg().OnDeviceRemoved(app->Port().GetDevicePath());
    EXPECT_EQ(Status(), L"Disconnected from module.");
    EXPECT_FALSE(app->Port().IsOpen());

    ConnectButton()->click();
    ASSERT_TRUE(Engine().IsConnected());
    Engine().SetUpdateInProgress(true);
    app->UpdateControls();
    EXPECT_FALSE(ConnectButton()->isEnabled());
    module.Unplug();
    ASSERT_TRUE(module.WaitUntilAway(5s));
    std::atomic<bool> done{false};
    std::thread worker([&] {
        std::string name;
        Engine().ReadName(name);
        done = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return done.load(); }, 30s));
    worker.join();
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_NE(dialogs.boxes[0].text.find(L"COM" + std::to_wstring(module.PortNumber())),
              std::wstring::npos);
    EXPECT_EQ(dialogs.boxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(dialogs.boxesOffGuiThread, 0);
    pollSome();
    EXPECT_TRUE(Engine().IsConnected());

    Engine().SetUpdateInProgress(false);
    EXPECT_TRUE(WaitUntil([&] { return Status() == L"Disconnected from module."; }));
    EXPECT_FALSE(Engine().IsConnected());
    EXPECT_FALSE(app->Port().IsOpen());
    EXPECT_EQ(ConnectButton()->text(), QStringLiteral("Connect"));
}

// The program's own Update page in the dialog, ticking fast.
CUpdate& FastUpdatePage(COstrandDlg& dlg) {
    auto* page = dynamic_cast<CUpdate*>(dlg.UpdatePage()->Widget());
    EXPECT_NE(page, nullptr);
    page->SetTickInterval(5ms);
    page->SetReleasePrompt([](bool& force) {
        force = true;
        return PromptAnswer::Yes;
    });
    return *page;
}

template <class Widget> Widget* PageControl(QWidget& page, int id) {
    return page.findChild<Widget*>(QStringLiteral("ctl%1").arg(id));
}

// A module unplugged during a download is one incident: one port failure box,
// the run's failure stays on the page, its bar is reset, and the dialog ends
// disconnected without the module in its list.
TEST_F(AppMainDialogTest, UnplugDuringADownloadIsOneIncident) {
    sim::SimulatedModule& module = AddModule();
    module.Script(0x88, sim::Reply::Unplug().After(2));
    StartApp({L"-d"}, true);
    ConnectButton()->click();
    ASSERT_TRUE(Engine().IsConnected());
    CUpdate& page = FastUpdatePage(Dlg());
    dialogs.Clear();
    PageControl<QPushButton>(page, CUpdate::kManualUpdate)->click();
    const std::filesystem::path device = app->Port().GetDevicePath();
    ASSERT_TRUE(module.WaitUntilAway(10s));
    // The system's notice of the removal comes while the worker still owns the port.
    Dlg().OnDeviceRemoved(device);
    EXPECT_TRUE(WaitUntil([&] { return !page.IsRunning() && !Engine().IsConnected(); }, 60s));
    ASSERT_EQ(dialogs.boxes.size(), 2u); // the confirmation, then the failure
    EXPECT_EQ(dialogs.boxes[1].text.find(L"An error occurred while reading from COM"), 0u);
    EXPECT_EQ(Status(), L"Disconnected from module.");
    EXPECT_EQ(PageControl<QLabel>(page, CUpdate::kManualStatus)->text(),
              QStringLiteral("Connection to module timed out!"));
    EXPECT_EQ(PageControl<QProgressBar>(page, CUpdate::kManualProgress)->value(), 0);
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(ConnectButton()->text(), QStringLiteral("Connect"));
}

// Enter neither closes the window nor presses a button, but the update
// page's name edit still writes the name on Return; Help shows the About box;
// the logo opens the maker's web site.
TEST_F(AppMainDialogTest, KeysHelpAndLogo) {
    sim::SimulatedModule& module = AddModule(sim::Profile::Tarn, [](sim::ModuleConfig& c) {
        c.state.release = {1, 0};
    });
    StartApp({}, true);
    ConnectButton()->click();
    ASSERT_TRUE(Engine().IsConnected());
    Dlg().show();
    auto* name = Control<QLineEdit>(COstrandDlg::kNameEdit);
    bool returned = false;
    QObject::connect(name, &QLineEdit::returnPressed, [&returned] { returned = true; });
    for (QWidget* target : std::initializer_list<QWidget*>{&Dlg(), ConnectButton(), name}) {
        for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            EXPECT_TRUE(QCoreApplication::sendEvent(target, &press));
        }
    }
    EXPECT_FALSE(returned);
    EXPECT_TRUE(Dlg().isVisible());
    EXPECT_TRUE(Engine().IsConnected());
    auto* pageName = Dlg().UpdatePage()->Widget()->findChild<QLineEdit*>(QStringLiteral("ctl1014"));
    ASSERT_NE(pageName, nullptr);
    pageName->setText(QStringLiteral("bench7"));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(pageName, &press);
    EXPECT_EQ(sim::TrimText(module.State().name), "bench7");
    EXPECT_EQ(Dlg().result(), 0);
    Dlg().hide();
    dialogs.Clear();

    Control<QPushButton>(COstrandDlg::kHelpButton)->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, L"Pellworth, Version 0.44");

    std::wstring opened;
    bool browser = true;
    Dlg().SetUrlOpener([&](const std::wstring& address) {
        opened = address;
        return browser;
    });
    Control<QAbstractButton>(COstrandDlg::kLogo)->click();
    EXPECT_EQ(opened, L"https://www.varnet.example/pellworth");
    EXPECT_NE(Status().find(opened), std::wstring::npos);
    browser = false;
    Control<QAbstractButton>(COstrandDlg::kLogo)->click();
    EXPECT_EQ(Status().rfind(L"No web browser", 0), 0u);
}

// At the size it asks for, the window shows each of the program's pages
// without scrolling, and that fits a 1366x768 screen with a title bar and a
// panel. Each page scrolls on its own and comes up at its top.
TEST_F(AppMainDialogTest, EveryPageFitsAnOrdinaryScreenAndScrollsOnItsOwn) {
    // The forced type selects its setup page without a module.
    for (const wchar_t* type : {L"-tarn", L"-orlan"}) {
        StartApp({L"-d", type}, true);
        const QSize wanted = Dlg().sizeHint();
        EXPECT_LE(wanted.width(), 1366);
        EXPECT_LE(wanted.height(), 700);
        Dlg().resize(wanted);
        Dlg().show();
        auto* tabs = Control<QTabBar>(COstrandDlg::kTabControl);
        for (int i = tabs->count() - 1; i >= 0; --i) {
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            const QSize page = ShownPage(Dlg())->sizeHint();
            const QSize room = ShownScrollArea(Dlg())->viewport()->size();
            EXPECT_TRUE(room.width() >= page.width() && room.height() >= page.height())
                << tabs->tabText(i).toStdString();
        }

        // Too low for the pages: the Setup page scrolled to its end leaves
        // the Update page at its top, and is at its top when shown again.
        Dlg().resize(wanted.width(), 300);
        tabs->setCurrentIndex(tabs->count() - 1);
        QCoreApplication::processEvents();
        QScrollBar* setup = ShownScrollArea(Dlg())->verticalScrollBar();
        EXPECT_GT(setup->maximum(), 0);
        setup->setValue(setup->maximum());
        tabs->setCurrentIndex(0);
        QScrollBar* update = ShownScrollArea(Dlg())->verticalScrollBar();
        EXPECT_NE(update, setup);
        EXPECT_EQ(update->value(), 0);
        tabs->setCurrentIndex(tabs->count() - 1);
        EXPECT_EQ(setup->value(), 0);
        TearDown();
    }
}

TEST_F(AppMainDialogTest, RunsUntilClosedUnlessAPageObjects) {
    app = std::make_unique<COstrand>(dialogs, this);
    int refusals = 0;
    std::function<void()> close = [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        // The update page keeps the window open once (a download running).
        pages["update"]->allowClose = refusals > 0;
        dialog->close();
        if (refusals++ == 0) {
            EXPECT_TRUE(dialog->isVisible());
            QTimer::singleShot(0, close);
        }
    };
    QTimer::singleShot(0, close);
    EXPECT_EQ(app->InitInstance({}), 0);
    EXPECT_EQ(refusals, 2);
    EXPECT_EQ(app->MainDialog(), nullptr);
    EXPECT_EQ(app->Engine(), nullptr);
}

} // namespace
