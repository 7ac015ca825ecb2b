// The main dialog against simulated modules: tabs, connect and its results,
// device removal, the title and the small controls.

#include "MainDialogFixture.h"

#include "engine/CCmdEngine.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>

namespace {

using namespace std::chrono_literals;

std::vector<std::wstring> TabTexts(QTabBar* tabs) {
    std::vector<std::wstring> texts;
    for (int i = 0; i < tabs->count(); ++i)
        texts.push_back(tabs->tabText(i).toStdWString());
    return texts;
}

QWidget* ShownPage(COstrandDlg& dlg) {
    return dlg.findChild<QStackedWidget*>(QStringLiteral("pageArea"))->currentWidget();
}

TEST_F(AppMainDialogTest, TabsAndDisableTimeoutsFollowOptionD) {
    struct Case {
        std::vector<std::wstring> args;
        std::vector<std::wstring> tabs;
        bool disableTimeoutsShown;
    };
    const Case cases[] = {
        {{}, {L"Update", L"Setup"}, false},
        {{L"-m"}, {L"Update", L"Setup"}, false},
        {{L"-D"}, {L"Update", L"Peek/Poke/CSV", L"Lookup Table", L"Setup"}, true},
    };
    for (const Case& c : cases) {
        StartApp(c.args);
        auto* tabs = Control<QTabBar>(COstrandDlg::kTabControl);
        EXPECT_EQ(TabTexts(tabs), c.tabs);
        // The Setup tab is on show with the Unknown module's page.
        EXPECT_EQ(tabs->currentIndex(), tabs->count() - 1);
        EXPECT_EQ(Dlg().CurrentPageCode(), COstrandDlg::kSetupPage);
        EXPECT_EQ(ShownPage(Dlg()), Dlg().SetupPage(0)->Widget());
        EXPECT_EQ(!Control<QCheckBox>(COstrandDlg::kDisableTimeoutsCheck)->isHidden(),
                  c.disableTimeoutsShown);
        EXPECT_TRUE(Control<QLabel>(COstrandDlg::kSafeBootWarning)->isHidden());
        // Pages of tabs that do not exist are created and refreshed all the same.
        EXPECT_GT(pages.logs["peekpoke"].updates, 0);
        EXPECT_GT(pages.logs["lookup"].updates, 0);
        app.reset();
        pages.logs.clear();
    }
}

TEST_F(AppMainDialogTest, SwitchingTabsShowsEachPage) {
    StartApp({L"-d"});
    auto* tabs = Control<QTabBar>(COstrandDlg::kTabControl);
    const std::pair<int, int> visits[] = {{0, COstrandDlg::kUpdatePage},
                                          {1, COstrandDlg::kPeekPokePage},
                                          {2, COstrandDlg::kLookupTablePage},
                                          {3, COstrandDlg::kSetupPage}};
    for (const auto& [tab, code] : visits) {
        tabs->setCurrentIndex(tab);
        EXPECT_EQ(Dlg().CurrentPageCode(), code);
    }
    tabs->setCurrentIndex(0);
    EXPECT_EQ(ShownPage(Dlg()), Dlg().UpdatePage()->Widget());
}

TEST_F(AppMainDialogTest, TitleCarriesTheVersionText) {
    directory.WriteVersion(std::string("0.44 test\0junk", 14));
    StartApp();
    EXPECT_EQ(Dlg().windowTitle().toStdWString(), L"Varnet - Pellworth (0.44 test)");
    EXPECT_TRUE(dialogs.fileErrors.empty());
}

TEST_F(AppMainDialogTest, MissingVersionFileGivesFileErrorAndEmptyParentheses) {
    directory.RemoveVersion();
    StartApp();
    EXPECT_EQ(dialogs.fileErrors, std::vector<std::wstring>{L"version"});
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find(L"'version'"), std::wstring::npos);
    EXPECT_EQ(Dlg().windowTitle().toStdWString(), L"Varnet - Pellworth ()");
}

TEST_F(AppMainDialogTest, ConnectWithEmptyComboSaysNoDeviceIsSelected) {
    StartApp();
    EXPECT_EQ(Combo()->count(), 0);
    EXPECT_EQ(Status(), L"No appropriate devices were found!");
    EXPECT_FALSE(ConnectButton()->isEnabled());
    Dlg().OnConnectButton();
    EXPECT_EQ(Status(), L"No device is selected!");
    EXPECT_FALSE(Engine().IsConnected());
    EXPECT_FALSE(app->Port().IsOpen());
}

TEST_F(AppMainDialogTest, ConnectShowsTheModuleAndDisconnectEndsIt) {
    sim::SimulatedModule& module = AddModule();
    StartApp();
    ASSERT_EQ(Entries(), std::vector<std::wstring>{Entry(module, L"SIM-TARN")});
    EXPECT_TRUE(ConnectButton()->isEnabled());

    ConnectButton()->click();
    EXPECT_EQ(Status(), L"Connected to module.");
    EXPECT_TRUE(Engine().IsConnected());
    EXPECT_EQ(ConnectButton()->text(), QStringLiteral("Disconnect"));
    EXPECT_FALSE(Control<QPushButton>(COstrandDlg::kDiscoverButton)->isEnabled());
    EXPECT_FALSE(Combo()->isEnabled());
    const std::pair<int, const char*> shown[] = {{COstrandDlg::kTypeEdit, "TARN"},
                                                 {COstrandDlg::kNameEdit, "SIM-TARN"},
                                                 {COstrandDlg::kAssemblyEdit, "TARN-A01"},
                                                 {COstrandDlg::kSerialEdit, "00001234"}};
    for (const auto& [id, text] : shown)
        EXPECT_EQ(Control<QLineEdit>(id)->text(), QString::fromLatin1(text)) << id;
    // The TARN setup page is on show and has lent its block, which was fetched.
    EXPECT_EQ(Dlg().CurrentSetupKey(), 2u);
    EXPECT_EQ(ShownPage(Dlg()), Dlg().SetupPage(2)->Widget());
    EXPECT_GT(pages.logs["setup2"].reloads, 0);
    EXPECT_GT(pages.logs["update"].identityCopies, 0);
    EXPECT_TRUE(module.WaitForRequest(0x8C, 1s));
    EXPECT_EQ(dialogs.waitCursorDepth, 0);
    EXPECT_GT(dialogs.waitCursorUses, 0);
    EXPECT_TRUE(dialogs.boxes.empty());

    ConnectButton()->click();
    EXPECT_EQ(Status(), L"Disconnected from module.");
    EXPECT_FALSE(Engine().IsConnected());
    EXPECT_FALSE(app->Port().IsOpen());
    EXPECT_EQ(ConnectButton()->text(), QStringLiteral("Connect"));
    EXPECT_TRUE(Combo()->isEnabled());
}

// Each result of the engine's connect, as the operator sees it.
TEST_F(AppMainDialogTest, ConnectResults) {
    struct Case {
        const char* what;
        std::vector<std::wstring> args;
        std::function<void(sim::ModuleConfig&)> change;
        std::function<void(sim::SimulatedModule&)> script;
        std::string expectedSerial;
        std::wstring status;
        bool connected;
    };
    const Case cases[] = {
        {"plain", {}, {}, {}, "", L"Connected to module.", true},
        {"protocol 2",
         {},
         [](sim::ModuleConfig& c) { c.state.protocolVersion = 2; },
         {},
         "",
         L"Connection to module failed: Protocol mismatch",
         false},
        {"type 7",
         {},
         [](sim::ModuleConfig& c) { c.state.moduleType = 7; },
         {},
         "",
         L"Connection to module failed: Bad Module Type",
         false},
        {"type 7 with m",
         {L"-m"},
         [](sim::ModuleConfig& c) { c.state.moduleType = 7; },
         {},
         "",
         L"Connected to module.",
         true},
        {"other serial",
         {},
         {},
         {},
         "ABCDEFGH",
         L"Connection to module failed: Wrong module",
         false},
        {"same serial", {}, {}, {}, "00001234", L"Connected to module.", true},
        {"identity refused",
         {},
         {},
         [](sim::SimulatedModule& m) { m.ScriptAlways(0x81, sim::Reply::Reject()); },
         "",
         L"Connection to module failed: No module information",
         false},
        {"block refused",
         {},
         {},
         [](sim::SimulatedModule& m) { m.ScriptAlways(0x8C, sim::Reply::Reject()); },
         "",
         L"Connected to module: Bad config data",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::SimulatedModule& module = AddModule(sim::Profile::Tarn, c.change);
        if (c.script)
            c.script(module);
        StartApp(c.args);
        ASSERT_EQ(Combo()->count(), 1);
        EXPECT_EQ(app->Connect(c.expectedSerial), c.connected);
        EXPECT_EQ(Status(), c.status);
        EXPECT_EQ(Engine().IsConnected(), c.connected);
        // A connection keeps its port; a failure leaves nothing open.
        EXPECT_EQ(app->Port().IsOpen(), c.connected);
        EXPECT_EQ(ConnectButton()->text(),
                  c.connected ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
        EXPECT_TRUE(dialogs.boxes.empty());
        TearDown();
        dialogs.Clear();
    }
}

TEST_F(AppMainDialogTest, SafeBootModuleWarns) {
    AddModule(sim::Profile::Tarn,
              [](sim::ModuleConfig& c) { c.state.running = sim::RunningImage::SafeBoot; });
    StartApp();
    ConnectButton()->click();
    EXPECT_EQ(Status(), L"Connected to module.");
    EXPECT_TRUE(Engine().IsConnected());
    EXPECT_FALSE(Control<QLabel>(COstrandDlg::kSafeBootWarning)->isHidden());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, L"Incorrect Module software!");
    EXPECT_EQ(dialogs.boxes[0].text, L"The module is not running the correct software.\n\nYou "
                                     L"must do an Update before the module can be used!");
    EXPECT_EQ(Control<QLineEdit>(COstrandDlg::kTypeEdit)->text(), QStringLiteral("Unknown"));

    // Quiet (a release update reconnecting): neither box nor status.
    ConnectButton()->click();
    dialogs.Clear();
    app->SetQuiet(true);
    EXPECT_TRUE(app->IsQuiet());
    EXPECT_TRUE(app->Connect({}));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(Status(), L"Disconnected from module.");
}

TEST_F(AppMainDialogTest, ReleaseOfTheUpdatePageIsComparedAfterConnect) {
    struct Case {
        VersionNumber selected;
        const wchar_t* textStart; // null: no box
    };
    const Case cases[] = {
        {{1, 2}, L"The Release Version of the module is older than Pellworth."},
        {{1, 0}, L"The Release Version of the module is newer than Pellworth."},
        {{1, 1}, nullptr},
    };
    for (const Case& c : cases) {
        AddModule(); // release 1.1
        AssemblyRecord record;
        record.release = c.selected;
        pages.initialRelease = record;
        StartApp();
        ConnectButton()->click();
        EXPECT_EQ(Status(), L"Connected to module.");
        if (!c.textStart) {
            EXPECT_TRUE(dialogs.boxes.empty());
        } else {
            ASSERT_EQ(dialogs.boxes.size(), 1u);
            EXPECT_EQ(dialogs.boxes[0].caption, L"Release Mismatch!");
            EXPECT_EQ(dialogs.boxes[0].text.rfind(c.textStart, 0), 0u);
        }
        // A reconnect with a serial (the release update) compares nothing.
        ConnectButton()->click();
        dialogs.Clear();
        EXPECT_TRUE(app->Connect("00001234"));
        EXPECT_TRUE(dialogs.boxes.empty());
        TearDown();
        dialogs.Clear();
    }
}

TEST_F(AppMainDialogTest, UnpluggingTheConnectedModuleDisconnects) {
    sim::SimulatedModule& module = AddModule();
    StartApp();
    ASSERT_TRUE(ConnectTo(module));
    module.Unplug();
    ASSERT_TRUE(module.WaitUntilAway(5s));
    EXPECT_TRUE(WaitUntil([&] { return Status() == L"Disconnected from module."; }));
    EXPECT_FALSE(Engine().IsConnected());
    EXPECT_FALSE(app->Port().IsOpen());
    EXPECT_EQ(ConnectButton()->text(), QStringLiteral("Connect"));
}

TEST_F(AppMainDialogTest, RemovalOfAnotherDeviceChangesNothing) {
    sim::SimulatedModule& connected = AddModule();
    sim::SimulatedModule& other = AddModule(sim::Profile::Orlan6);
    StartApp();
    ASSERT_TRUE(ConnectTo(connected));
    const std::wstring status = Status();
    const std::filesystem::path otherDevice = other.DevicePath();

    other.Unplug();
    ASSERT_TRUE(other.WaitUntilAway(5s));
    Dlg().OnDeviceRemoved("/dev/ttyACM7");
    Dlg().OnDeviceRemoved(otherDevice);
    PumpEvents(4 * std::chrono::milliseconds(COstrandDlg::kHangUpPollMs));
    EXPECT_TRUE(Engine().IsConnected());
    EXPECT_TRUE(app->Port().IsOpen());
    EXPECT_EQ(Status(), status);

    // The system's notice for the open port's device ends the connection.
    Dlg().OnDeviceRemoved(app->Port().GetDevicePath());
    EXPECT_EQ(Status(), L"Disconnected from module.");
    EXPECT_FALSE(app->Port().IsOpen());
}

TEST_F(AppMainDialogTest, RemovalDuringAnUpdateIsLeftToTheUpdate) {
    sim::SimulatedModule& module = AddModule();
    StartApp();
    ASSERT_TRUE(ConnectTo(module));
    Engine().SetUpdateInProgress(true);
    app->UpdateControls();
    EXPECT_FALSE(ConnectButton()->isEnabled());
    module.Unplug();
    ASSERT_TRUE(module.WaitUntilAway(5s));
    PumpEvents(4 * std::chrono::milliseconds(COstrandDlg::kHangUpPollMs));
    EXPECT_TRUE(Engine().IsConnected());
    Engine().SetUpdateInProgress(false);
    EXPECT_TRUE(WaitUntil([&] { return !Engine().IsConnected(); }));
}

TEST_F(AppMainDialogTest, ForcedModuleTypeShowsItsSetupPage) {
    StartApp({L"-m", L"/TARN"});
    EXPECT_EQ(app->ForcedModuleType(), 2);
    EXPECT_EQ(Dlg().CurrentSetupKey(), 2u);
    EXPECT_EQ(ShownPage(Dlg()), Dlg().SetupPage(2)->Widget());
    EXPECT_GT(pages.logs["setup2"].reloads, 0);
}

TEST_F(AppMainDialogTest, SetupTabReportsWhyItsPageIsDisabled) {
    sim::SimulatedModule& module = AddModule();
    StartApp();
    ASSERT_TRUE(ConnectTo(module));
    auto* tabs = Control<QTabBar>(COstrandDlg::kTabControl);
    tabs->setCurrentIndex(0);
    EXPECT_EQ(pages.logs["setup2"].disabledReasons, 0);
    tabs->setCurrentIndex(1);
    EXPECT_EQ(pages.logs["setup2"].disabledReasons, 1);
    EXPECT_EQ(pages.logs["setup0"].disabledReasons, 0);
}

TEST_F(AppMainDialogTest, EnterNeitherClosesNorPresses) {
    AddModule();
    StartApp();
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
    EXPECT_FALSE(Engine().IsConnected());
    Dlg().hide();
}

TEST_F(AppMainDialogTest, HelpShowsAboutAndLogoOpensTheWebSite) {
    StartApp();
    Control<QPushButton>(COstrandDlg::kHelpButton)->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, L"Pellworth, Version 0.44");

    std::vector<std::wstring> opened;
    Dlg().SetUrlOpener([&opened](const std::wstring& address) {
        opened.push_back(address);
        return true;
    });
    Control<QAbstractButton>(COstrandDlg::kLogo)->click();
    EXPECT_EQ(opened, std::vector<std::wstring>{COstrandDlg::kMakerAddress});
    EXPECT_NE(Status().find(COstrandDlg::kMakerAddress), std::wstring::npos);

    Dlg().SetUrlOpener([](const std::wstring&) { return false; });
    Control<QAbstractButton>(COstrandDlg::kLogo)->click();
    EXPECT_EQ(Status().rfind(L"No web browser", 0), 0u);
}

// The program's own pages plug into the dialog through the default factory.
TEST_F(AppMainDialogTest, ProgramPagesPlugIn) {
    AddModule(sim::Profile::Tarn, [](sim::ModuleConfig& c) { c.state.release = {1, 0}; });
    app = std::make_unique<COstrand>(dialogs);
    ASSERT_TRUE(app->Start({}));
    ConnectButton()->click();
    EXPECT_EQ(Status(), L"Connected to module.");
    QWidget* setup = Dlg().SetupPage(2)->Widget();
    EXPECT_EQ(ShownPage(Dlg()), setup);
    EXPECT_NE(setup->findChild<QWidget*>(QStringLiteral("ctl1038")),
              nullptr); // "Auto" video format
    EXPECT_NE(Dlg().UpdatePage()->Widget()->findChild<QWidget*>(QStringLiteral("ctl1029")),
              nullptr); // release "Update"
    // The TARN page lent its block and the connect fetched it.
    const ParamBlockDescription* block = Engine().Module().FindParamBlock(0, 0);
    ASSERT_NE(block, nullptr);
    EXPECT_NE(block->block, nullptr);
    EXPECT_TRUE(Engine().IsConfigurationValid());
}

// The update page's Return rule works inside the main dialog, which drops
// Return everywhere else.
TEST_F(AppMainDialogTest, ReturnInTheUpdatePageNameEditWritesTheName) {
    sim::SimulatedModule& module = AddModule(sim::Profile::Tarn, [](sim::ModuleConfig& c) {
        c.state.release = {1, 0};
    });
    app = std::make_unique<COstrand>(dialogs);
    ASSERT_TRUE(app->Start({}));
    ConnectButton()->click();
    ASSERT_TRUE(Engine().IsConnected());
    auto* name = Dlg().UpdatePage()->Widget()->findChild<QLineEdit*>(QStringLiteral("ctl1014"));
    ASSERT_NE(name, nullptr);
    name->setText(QStringLiteral("bench7"));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(name, &press);
    EXPECT_EQ(sim::TrimText(module.State().name), "bench7");
    EXPECT_EQ(Dlg().result(), 0);
}

TEST_F(AppMainDialogTest, RunsUntilClosedUnlessAPageObjects) {
    app = std::make_unique<COstrand>(dialogs, &pages);
    int refusals = 0;
    std::function<void()> close = [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        // The update page keeps the window open once (a download running).
        pages.updatePage->allowClose = refusals > 0;
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

TEST_F(AppMainDialogTest, ServicesWithoutMainDialog) {
    COstrand bare(dialogs, &pages);
    EXPECT_FALSE(bare.IsQuiet());
    EXPECT_EQ(bare.CurrentRelease(), nullptr);
    EXPECT_FALSE(bare.ReleaseMatches({1, 1}));
    EXPECT_FALSE(bare.Connect({}));
    EXPECT_EQ(bare.Engine(), nullptr);
    bare.SetQuiet(true);
    EXPECT_FALSE(bare.IsQuiet());
    static_cast<CErrorReportIF&>(bare).ReportError(L"dropped");
    bare.Disconnect();
    bare.UpdateControls();
}

} // namespace
