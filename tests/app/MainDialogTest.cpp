// The main dialog against simulated modules: discovery, tabs, connect and its
// results, device removal, the title and the small controls.

#include "AppTestSupport.h"
#include "pages/WidgetKit.h"

#include "descriptions/DataDirectory.h"
#include "maintenance/pages/CUpdate.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// The page stack holds each page widget in a scroll area of its own.
QWidget* ShownPage(COstrandDlg& dlg) {
    return qobject_cast<QScrollArea*>(
               dlg.findChild<QStackedWidget*>(QStringLiteral("pageArea"))->currentWidget())
        ->widget();
}

TEST_F(AppMainDialogTest, TabsPagesAndTimeoutsFollowTheCommandLine) {
    using D = COstrandDlg;
    struct Case {
        std::vector<std::wstring> args;
        std::vector<int> pageCodes; // of the tabs in order
        ModuleTypeId setupKey;
        const char* data = ""; // --data
    };
    const Case cases[] = {
        {{}, {D::kUpdatePage, D::kSetupPage}, 0},
        {{L"-m", L"/TARN"}, {D::kUpdatePage, D::kSetupPage}, 2},
        {{L"-D"}, {D::kUpdatePage, D::kPeekPokePage, D::kLookupTablePage, D::kSetupPage}, 0},
        {{}, {D::kUpdatePage, D::kSetupPage}, 0, PELLWORTH_DEMO_DIR},
    };
    for (const Case& c : cases) {
        datadir::Use(c.data);
        StartApp(c.args);
        // Sample data are said in the title and under the status line.
        const bool sample = *c.data != '\0';
        EXPECT_EQ(Dlg().windowTitle().endsWith(QStringLiteral(" - SAMPLE DATA")), sample);
        EXPECT_EQ(Control<QLabel>(D::kDataNotice)->isHidden(), !sample);
        const bool optionD = c.pageCodes.size() == 4;
        auto* tabs = Control<QTabBar>(D::kTabControl);
        ASSERT_EQ(tabs->count(), int(c.pageCodes.size()));
        // The Setup tab is on show with the page of the (forced) module type.
        EXPECT_EQ(tabs->currentIndex(), tabs->count() - 1);
        EXPECT_EQ(ShownPage(Dlg()), Dlg().SetupPage(c.setupKey));
        EXPECT_EQ(pages["setup2"]->reloads > 0, c.setupKey == 2);
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            EXPECT_EQ(Dlg().CurrentPageCode(), c.pageCodes[i]);
        }

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
    datadir::Use({});
}

// Discovery at start and on "Discover", a connection to the first entry, and
// its end.
TEST_F(AppMainDialogTest, DiscoverConnectAndDisconnect) {
    using D = COstrandDlg;
    StartApp();
    EXPECT_EQ(Status(), L"No appropriate devices were found!");
    EXPECT_FALSE(ConnectButton()->isEnabled());

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
    EXPECT_EQ(Control<QLineEdit>(D::kSerialEdit)->text(), QStringLiteral("00001234"));
    // The TARN setup page is on show and has lent its block, which was fetched.
    EXPECT_EQ(ShownPage(Dlg()), Dlg().SetupPage(2));
    EXPECT_GT(pages["setup2"]->reloads, 0);
    EXPECT_GT(pages["update"]->identityCopies, 0);
    EXPECT_TRUE(tarn.WaitForRequest(0x8C, 1s));

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
    EXPECT_TRUE(Combo()->isEnabled());

    // Held by another program: the status line says which device and why.
    CUSBSerialPort holder;
    ASSERT_TRUE(holder.Open(tarn.PortNumber()));
    const size_t boxes = dialogs.boxes.size();
    ConnectButton()->click();
    EXPECT_EQ(Status(), L"Port cannot be opened! COM" + std::to_wstring(tarn.PortNumber()) + L" (" +
                            holder.GetDevicePath().wstring() +
                            L") is busy: another program holds it.");
    EXPECT_EQ(dialogs.boxes.size(), boxes);
    EXPECT_FALSE(Engine().IsConnected());
}

// Each result of the engine's connect as the operator sees it, with the box
// that follows: software that is not the module's own, or a release other
// than the selected one (1.1 here).
TEST_F(AppMainDialogTest, ConnectResults) {
    const std::wstring failed = L"Connection to module failed: ";
    // A box as its caption and the word of its text that tells it apart.
    const std::wstring incorrect = L"Incorrect Module software!|must do an Update";
    const std::wstring older = L"Release Mismatch!|older";
    const auto type7 = [](sim::ModuleConfig& c) { c.state.moduleType = 7; };
    const auto safeBoot = [](sim::ModuleConfig& c) {
        c.state.running = sim::RunningImage::SafeBoot;
    };
    const auto behind = [](sim::ModuleConfig& c) { c.state.release = {1, 0}; };
    struct Case {
        std::vector<std::wstring> args;
        std::function<void(sim::ModuleConfig&)> change;
        uint8_t refused;            // a request the module rejects, 0: none
        std::string expectedSerial; // a run's reconnect after a connect
        std::wstring status;
        bool connected;
        std::wstring box; // "caption|word"; empty: none
    };
    const Case cases[] = {
        {{}, type7, 0, "", failed + L"Bad Module Type", false, L""},
        {{L"-m"}, type7, 0, "", L"Connected to module.", true, L""},
        {{}, {}, 0, "ABCDEFGH", failed + L"Wrong module", false, L""},
        {{}, {}, 0x8C, "", L"Connected to module: Bad config data", true, L""},
        {{}, safeBoot, 0, "", L"Connected to module.", true, incorrect},
        {{}, behind, 0, "", L"Connected to module.", true, older},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromStdWString(c.status + c.box).toStdString());
        sim::SimulatedModule& module = AddModule(sim::Profile::Tarn, c.change);
        if (c.refused)
            module.ScriptAlways(c.refused, sim::Reply::Reject());
        StartApp(c.args);
        app->Session().Selection().SetWish(frontend::ReleaseWish::Exact, {1, 1});
        ASSERT_EQ(Combo()->count(), 1);
        if (!c.expectedSerial.empty()) {
            ASSERT_TRUE(app->MainDialog()->Connect());
            app->Disconnect();
            dialogs.Clear();
        }
        EXPECT_EQ(c.expectedSerial.empty() ? app->MainDialog()->Connect()
                                           : app->Connect(c.expectedSerial),
                  c.connected);
        EXPECT_EQ(Status(), c.status);
        EXPECT_EQ(Engine().IsConnected(), c.connected);
        // A connection keeps its port; a failure leaves nothing open.
        EXPECT_EQ(app->Port().IsOpen(), c.connected);
        ASSERT_EQ(dialogs.boxes.size(), c.box.empty() ? 0u : 1u)
            << testing::PrintToString(dialogs.BoxTexts());
        if (!c.box.empty()) {
            const size_t bar = c.box.find(L'|');
            EXPECT_EQ(dialogs.boxes[0].caption, c.box.substr(0, bar));
            EXPECT_NE(dialogs.boxes[0].text.find(c.box.substr(bar + 1)), std::wstring::npos);
        }
        EXPECT_EQ(!Control<QLabel>(COstrandDlg::kSafeBootWarning)->isHidden(), c.box == incorrect);
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

// At connect the window shows the module before any box about it, and the
// shown Setup page says why it is greyed: for a module one release behind
// the program's, what to do.
TEST_F(AppMainDialogTest, ConnectShowsTheModuleBeforeItsBoxAndWhySetupIsGreyed) {
    // The demo's working directory: only the latest release, the module one behind.
    namespace fs = std::filesystem;
    const fs::path previous = fs::current_path();
    const fs::path demo =
        fs::temp_directory_path() / ("pellworth-demo-" + std::to_string(getpid()));
    fs::create_directories(demo);
    fs::create_directory_symlink(fs::path(PELLWORTH_DEMO_DIR) / "types", demo / "types");
    std::ofstream(demo / "version") << "0.44 test";
    fs::current_path(demo);
    AddModule(sim::Profile::Tarn, [](sim::ModuleConfig& c) { c.state.serial = "00004321"; },
              {1, 0});
    StartApp({}, true);
    ASSERT_EQ(Dlg().CurrentPageCode(), COstrandDlg::kSetupPage);
    std::wstring serialAtBox;
    dialogs.onBox = [&] {
        serialAtBox = Control<QLineEdit>(COstrandDlg::kSerialEdit)->text().toStdWString();
    };
    EXPECT_TRUE(app->MainDialog()->Connect());
    ASSERT_EQ(dialogs.boxes.size(), 1u) << testing::PrintToString(dialogs.BoxTexts());
    EXPECT_EQ(dialogs.boxes[0].caption, L"Release Mismatch!");
    EXPECT_EQ(serialAtBox, L"00004321");
    EXPECT_EQ(Status(), L"The module has an older release: run Update.");
    dialogs.onBox = {};
    TearDown();
    fs::current_path(previous);
    fs::remove_all(demo);
}

// A device going away: another's changes nothing; the open port's ends the
// connection. During an update the worker that owns the port meets the
// failure (UnplugDuringADownloadIsOneIncident).
TEST_F(AppMainDialogTest, DeviceRemoval) {
    const sim::SimulatedModule& module = AddModule();
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

    // No disconnecting while an update runs.
    ConnectButton()->click();
    Engine().SetUpdateInProgress(true);
    app->UpdateControls();
    EXPECT_FALSE(ConnectButton()->isEnabled());
    Engine().SetUpdateInProgress(false);
    app->Disconnect();

    // Unplugged, the module leaves the list; plugged in again, it comes back.
    sim::SimulatedModule& replugged = *modules.front();
    replugged.Unplug();
    const auto pollWait = 3 * std::chrono::milliseconds(COstrandDlg::kPresencePollMs);
    EXPECT_TRUE(WaitUntil([&] { return Entries().empty(); }, pollWait));
    replugged.Plug();
    EXPECT_TRUE(WaitUntil(
        [&] { return Entries() == std::vector<std::wstring>{Entry(module, L"SIM-TARN")}; },
        pollWait));
}

// The program's own Update page in the dialog, ticking fast.
CUpdate& FastUpdatePage(COstrandDlg& dlg) {
    auto* page = dynamic_cast<CUpdate*>(dlg.UpdatePage());
    EXPECT_NE(page, nullptr);
    page->SetTickInterval(5ms);
    page->SetReleasePrompt([](bool& force) {
        force = true;
        return PromptAnswer::Yes;
    });
    return *page;
}

template <class Widget> Widget* PageControl(QWidget& page, int id) {
    return widgetkit::FindControl<Widget>(&page, id);
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
    EXPECT_EQ(dialogs.boxesOffGuiThread, 0);
    EXPECT_EQ(dialogs.boxes[1].text.find(L"An error occurred while reading from COM"), 0u);
    EXPECT_EQ(Status(), L"Disconnected from module.");
    EXPECT_FALSE(PageControl<QLabel>(page, CUpdate::kManualStatus)->text().isEmpty());
    EXPECT_EQ(PageControl<QProgressBar>(page, CUpdate::kManualProgress)->value(), 0);
    EXPECT_TRUE(Entries().empty());
}

// Closing the window during a download's erase, as the module is lost: the
// worker's report of the lost port must not wait for the GUI thread while it
// joins the worker, and the window closes once the port has failed.
TEST_F(AppMainDialogTest, ClosingDuringAnEraseNeverWaitsOnItself) {
    sim::SimulatedModule& module = AddModule();
    // A long erase, then the module is gone: no answer, no port.
    sim::Reply erase = sim::Reply::Pending(8);
    erase.pendingInterval = 150ms;
    erase.cutAfter = 0;
    erase.disconnect = sim::Reply::Disconnect::AfterAnswer;
    for (uint8_t start : {0x85, 0x86, 0x87})
        module.Script(start, erase);
    StartApp({L"-d"}, true);
    ConnectButton()->click();
    ASSERT_TRUE(Engine().IsConnected());
    CUpdate& page = FastUpdatePage(Dlg());
    Dlg().show();
    PageControl<QPushButton>(page, CUpdate::kManualUpdate)->click();
    ASSERT_TRUE(WaitUntil([&] {
        const auto requests = module.Requests();
        return std::any_of(requests.begin(), requests.end(), [](const sim::LoggedRequest& r) {
            return r.Code() >= 0x85 && r.Code() <= 0x87;
        });
    }));
    dialogs.Clear();
    dialogs.AnswerNext(MsgResult::Yes);
    const auto start = std::chrono::steady_clock::now();
    {
        const Watchdog watchdog("closing during an erase", 30s);
        Dlg().close();
    }
    EXPECT_FALSE(Dlg().isVisible());
    EXPECT_FALSE(page.IsRunning());
    EXPECT_TRUE(module.WaitUntilAway(0s)); // the port failed while the window closed
    EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.boxes[0].buttons, MsgButtons::YesNoDefaultNo);
}

// Enter and Escape neither close the window nor press a button, but the
// update page's name edit still writes the name on Return.
TEST_F(AppMainDialogTest, EnterNeitherClosesNorPresses) {
    sim::SimulatedModule& module = AddModule(sim::Profile::Tarn, [](sim::ModuleConfig& c) {
        c.state.release = {1, 0};
    });
    StartApp({}, true);
    ConnectButton()->click();
    ASSERT_TRUE(Engine().IsConnected());
    Dlg().show();
    for (QWidget* target : std::initializer_list<QWidget*>{&Dlg(), ConnectButton()}) {
        for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Escape)}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            EXPECT_TRUE(QCoreApplication::sendEvent(target, &press));
        }
    }
    EXPECT_TRUE(Dlg().isVisible());
    EXPECT_TRUE(Engine().IsConnected());
    auto* pageName = widgetkit::FindControl<QLineEdit>(Dlg().UpdatePage(), CUpdate::kNameEdit);
    ASSERT_NE(pageName, nullptr);
    pageName->setText(QStringLiteral("bench7"));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(pageName, &press);
    EXPECT_EQ(sim::TrimText(module.State().name), "bench7");
    EXPECT_EQ(Dlg().result(), 0);
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
