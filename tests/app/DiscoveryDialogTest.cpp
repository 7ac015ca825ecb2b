// Discovery as the main dialog runs it: at start and on "Discover".

#include "MainDialogFixture.h"

#include "engine/CCmdEngine.h"

#include <QCheckBox>

namespace {

using namespace std::chrono_literals;

TEST_F(AppMainDialogTest, OneModuleIsFoundAtStart) {
    sim::SimulatedModule& module = AddModule();
    StartApp();
    EXPECT_EQ(Status(), L"Found 1 module.");
    EXPECT_EQ(Entries(), std::vector<std::wstring>{Entry(module, L"SIM-TARN")});
    EXPECT_EQ(Combo()->currentIndex(), 0);
    EXPECT_FALSE(app->Port().IsOpen());
    EXPECT_EQ(dialogs.waitCursorDepth, 0);
}

TEST_F(AppMainDialogTest, ThreeModulesAndNamesAsTheyRead) {
    StartApp();
    EXPECT_EQ(Status(), L"No appropriate devices were found!");
    sim::SimulatedModule& tarn = AddModule();
    sim::SimulatedModule& orlan = AddModule(sim::Profile::Orlan6);
    sim::SimulatedModule& nameless = AddModule(
        sim::Profile::Tarn, [](sim::ModuleConfig& c) { c.state.name = std::string(8, '\0'); });
    Control<QPushButton>(COstrandDlg::kDiscoverButton)->click();
    EXPECT_EQ(Status(), L"Found 3 modules.");
    EXPECT_EQ(Entries(),
              (std::vector<std::wstring>{Entry(tarn, L"SIM-TARN"), Entry(orlan, L"SIM-ORL6"),
                                         Entry(nameless, L"")}));
}

TEST_F(AppMainDialogTest, PortsOfOtherDevicesAreNeverOpened) {
    sim::SimulatedModule& stranger = AddModule(
        sim::Profile::Tarn, [](sim::ModuleConfig& c) { c.description = "USB Serial Converter"; });
    StartApp();
    EXPECT_EQ(Status(), L"No appropriate devices were found!");
    EXPECT_EQ(Combo()->count(), 0);
    sim::SimulatedModule& module = AddModule();
    Dlg().Discover();
    EXPECT_EQ(Status(), L"Found 1 module.");
    EXPECT_EQ(Entries(), std::vector<std::wstring>{Entry(module, L"SIM-TARN")});
    EXPECT_EQ(stranger.RequestCount(), 0u);
}

TEST_F(AppMainDialogTest, DiscoveryWhileConnectedChangesOnlyTheStatus) {
    sim::SimulatedModule& module = AddModule();
    StartApp();
    ASSERT_TRUE(ConnectTo(module));
    AddModule(sim::Profile::Orlan6);
    const std::vector<std::wstring> entries = Entries();
    module.ClearLog();

    Dlg().Discover();
    EXPECT_EQ(Status(), L"Cannot discover while currently connected!");
    EXPECT_EQ(Entries(), entries);
    EXPECT_TRUE(Engine().IsConnected());
    EXPECT_TRUE(app->Port().IsOpen());
    EXPECT_EQ(module.RequestCount(), 0u);
}

// A module that does not answer is probed with the normal time-outs even
// when they are switched off, and the choice is back afterwards.
TEST_F(AppMainDialogTest, DisabledTimeoutsAreRestoredAfterDiscovery) {
    sim::SimulatedModule& silent = AddModule();
    silent.ScriptAlways(0x80, sim::Reply::Silence());
    sim::SimulatedModule& module = AddModule();
    StartApp({L"-d"});
    EXPECT_EQ(Entries(), std::vector<std::wstring>{Entry(module, L"SIM-TARN")});

    auto* check = Control<QCheckBox>(COstrandDlg::kDisableTimeoutsCheck);
    check->click();
    ASSERT_TRUE(check->isChecked());
    EXPECT_FALSE(app->Port().TimeoutsEnabled());

    const auto start = std::chrono::steady_clock::now();
    Dlg().Discover();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);
    EXPECT_EQ(Status(), L"Found 1 module.");
    EXPECT_FALSE(app->Port().TimeoutsEnabled());
    EXPECT_TRUE(silent.WaitForRequest(0x80, 1s));

    check->click();
    EXPECT_TRUE(app->Port().TimeoutsEnabled());
}

} // namespace
