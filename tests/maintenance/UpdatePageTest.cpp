// The Update tab against the simulator: what the options show, what a module
// and a run enable, Browse, manual downloads, identity writes and the Return
// key, the module type, a release update through the page, closing during a
// run, and the confirmation dialog. What the run does is the run's tests'.
#include "PageFixture.h"
#include "pages/WidgetKit.h"

#include "maintenance/pages/CReleaseUpdatePromptDlg.h"
#include "maintenance/pages/CUpdate.h"

#include <QCheckBox>
#include <QScrollArea>

namespace {

using namespace std::chrono_literals;
using sim::Profile;

class UpdatePageTest : public PageFixture<CUpdate> {
protected:
    // A module at a release, the page, and the operator's connect.
    void Open(Profile profile, sim::Version at, bool m = true, bool d = true,
              const std::function<void(sim::ModuleConfig&)>& change = {}) {
        page.reset();
        optionM = m;
        optionD = d;
        StartAt(profile, at, change);
        page = std::make_unique<CUpdate>(&services);
        page->SetTickInterval(5ms);
        page->SetReleasePrompt([this](bool& force) {
            ++prompts;
            force = false;
            return PromptAnswer::Yes;
        });
        ConnectSession();
        module->ClearLog();
    }
    // Release 1.1 only (assemblies 2, any board, and 3, board B7).
    void KeepOnlyTarnRelease11() {
        EditFile(Work("types/TARN/assembly.xml"), "<Assembly id=\"1\">[\\s\\S]*?</Assembly>", "");
    }

    void ExpectEnabled(std::initializer_list<int> ids, bool enabled) {
        for (const int id : ids)
            EXPECT_EQ(Enabled(id), enabled) << id;
    }

    int prompts = 0;
};

// ---- Visibility and enabling ----------------------------------------------------------------

TEST_F(UpdatePageTest, GroupsFollowTheOptions) {
    // The groups that write to the module: module type (-m), firmware update
    // and download (-d); the release update's Abort is never shown.
    const std::tuple<bool, bool, std::vector<bool>> cases[] = {
        {false, false, {false, false, false, false}},
        {true, false, {true, false, false, false}},
        {false, true, {false, true, true, false}},
    };
    for (const auto& [m, d, shown] : cases) {
        Open(Profile::Tarn, {1, 0}, m, d);
        std::vector<bool> visible;
        for (int id : {CUpdate::kModuleTypeGroup, CUpdate::kFirmwareUpdateGroup,
                       CUpdate::kDownloadGroup, CUpdate::kReleaseAbort})
            visible.push_back(!Ctl(id)->isHidden());
        EXPECT_EQ(visible, shown) << "m " << m << " d " << d;
    }
    // Abort goes with every component but SafeBoot.
    Choose(CUpdate::kFirmwareCombo, "SafeBoot");
    EXPECT_TRUE(Ctl(CUpdate::kManualAbort)->isHidden());
    Choose(CUpdate::kFirmwareCombo, "Ferrin");
    EXPECT_FALSE(Ctl(CUpdate::kManualAbort)->isHidden());
}

TEST_F(UpdatePageTest, ModuleInFerrinEnablesTheWritesAndServesTheOtherPages) {
    Open(Profile::Tarn, {1, 0});
    // The demo table's lowest release is the one proposed.
    EXPECT_EQ(Texts({CUpdate::kDesiredRelease, CUpdate::kInstalledRelease, CUpdate::kSerialEdit}),
              (QStringList{"1.0", "1.0", "00001234"}));
    EXPECT_EQ(Items(CUpdate::kFirmwareCombo), "Main|Ferrin|SafeBoot");
    // Each component downloads its own file.
    EXPECT_EQ(Items(CUpdate::kFileCombo), "types/TARN/images/fpga0-1.0.rpd");
    Choose(CUpdate::kFirmwareCombo, "Ferrin");
    EXPECT_EQ(Items(CUpdate::kFileCombo), "types/TARN/images/ferrin-1.0.bin");
    ExpectEnabled({CUpdate::kManualUpdate, CUpdate::kBrowse, CUpdate::kFileCombo,
                   CUpdate::kNameEnter, CUpdate::kSerialEnter, CUpdate::kReleaseUpdate},
                  true);
    ExpectEnabled({CUpdate::kManualAbort}, false);

    // The services the other pages use; an unverified module is no valid entry below.
    const frontend::ReleaseSelection& selection = session.Selection();
    EXPECT_EQ(std::make_pair(selection.TableVersion(0, 1), selection.TableVersion(0, 9)),
              std::make_pair(VersionNumber{1, 0}, kNoVersion));
    EXPECT_EQ(std::make_tuple(selection.Matches({1, 0}), selection.Matches({1, 1}),
                              selection.EntryValid(engine->Module())),
              std::make_tuple(true, false, true));
    // A module whose FPGA differs from its release: installed "Unknown".
    Open(Profile::Tarn, {1, 0}, true, true, [](sim::ModuleConfig& c) {
        c.state.fpgas[0].revision = {1, 7};
    });
    EXPECT_EQ(Text(CUpdate::kInstalledRelease), "Unknown");
    EXPECT_FALSE(session.Selection().EntryValid(engine->Module()));
}

TEST_F(UpdatePageTest, ModuleRunningSafeBootOffersOnlyFerrinAndSafeBoot) {
    // Known as TARN from an earlier connect, now in SafeBoot.
    Open(Profile::Tarn, {1, 0});
    module->UpdateState([](sim::ModuleState& s) {
        s.running = sim::RunningImage::SafeBoot;
        s.ferrinValid = false;
    });
    ASSERT_TRUE(services.Connect(""));
    EXPECT_EQ(engine->Module().runningImage, kRunningSafeBoot);
    EXPECT_EQ(Items(CUpdate::kFirmwareCombo), "Ferrin|SafeBoot");
    ExpectEnabled({CUpdate::kManualUpdate, CUpdate::kBrowse, CUpdate::kFileCombo,
                   CUpdate::kNameEdit, CUpdate::kNameEnter, CUpdate::kSerialEdit,
                   CUpdate::kSerialEnter},
                  false);
    ExpectEnabled({CUpdate::kReleaseUpdate}, true);
}

// ---- Browse ---------------------------------------------------------------------------------

TEST_F(UpdatePageTest, BrowseSetsTheComponentsFileOrNothing) {
    Open(Profile::Tarn, {1, 0});
    Choose(CUpdate::kFirmwareCombo, "Ferrin");
    const std::wstring chosen = WorkWide("types/TARN/images/ferrin-1.1.bin");
    dialogs.ChooseFile(chosen, 2);
    Click(CUpdate::kBrowse);
    // One filter as a sample: an application image is an IIC file.
    EXPECT_EQ(dialogs.fileRequests.back().filter,
              L"Cypress Regular IIC Files (*.iic)|*.iic|All Files (*.*)|*.*||");
    EXPECT_EQ(page->FileEntry(kComponentFerrin), chosen);
    // A file that does not open changes nothing.
    Choose(CUpdate::kFirmwareCombo, "Main");
    dialogs.ChooseFile(L"/no/such/file.rpd");
    Click(CUpdate::kBrowse);
    EXPECT_EQ(dialogs.fileErrors, std::vector<std::wstring>{L"/no/such/file.rpd"});
    EXPECT_EQ(page->FileEntry(0), L"types/TARN/images/fpga0-1.0.rpd");
}

// ---- Manual downloads -----------------------------------------------------------------------

TEST_F(UpdatePageTest, ManualDownloadAsksFirstThenRunsAndReports) {
    const std::pair<QString, const wchar_t*> questions[] = {
        {"SafeBoot", updatetext::kSafeBootQuestion},
        {"Main", updatetext::kFpgaQuestion},
        {"Ferrin", updatetext::kFerrinQuestion}};
    Open(Profile::Tarn, {1, 0});
    for (const auto& [component, question] : questions) {
        Choose(CUpdate::kFirmwareCombo, component);
        dialogs.Clear();
        dialogs.AnswerNext(MsgResult::No);
        Click(CUpdate::kManualUpdate);
        EXPECT_EQ(dialogs.BoxTexts(), std::vector<std::wstring>{question});
        EXPECT_EQ(Status(), updatetext::kUpdateCancelled);
        EXPECT_FALSE(page->IsRunning());
        EXPECT_TRUE(Enabled(CUpdate::kManualUpdate));
    }

    // Ferrin, answered Yes: the run, its report, and the disconnect for the reboot.
    dialogs.Clear();
    Click(CUpdate::kManualUpdate);
    EXPECT_TRUE(page->IsRunning());
    ExpectEnabled({CUpdate::kManualUpdate, CUpdate::kReleaseUpdate}, false);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(module->Transfers().size(), 1u);
    EXPECT_FALSE(engine->IsConnected());
}

TEST_F(UpdatePageTest, ManualAbortAndTheBusyRule) {
    Open(Profile::Tarn, {1, 0}, true, true, [](sim::ModuleConfig& c) {
        c.behaviour.eraseFrames = 40;
        c.behaviour.pendingInterval = 50ms;
    });
    // In a window too low for the page the Abort is scrolled into view.
    QScrollArea window;
    window.setWidget(page.get());
    window.resize(page->sizeHint().width() + 40, 120);
    window.show();
    Click(CUpdate::kManualUpdate); // the FPGA
    ASSERT_TRUE(page->IsRunning());
    EXPECT_TRUE(Enabled(CUpdate::kManualAbort));
    const auto* abort = Ctl<QPushButton>(CUpdate::kManualAbort);
    EXPECT_TRUE(window.viewport()->rect().contains(
        QRect(abort->mapTo(window.viewport(), QPoint(0, 0)), abort->size())));
    Click(CUpdate::kManualAbort);
    EXPECT_FALSE(Enabled(CUpdate::kManualAbort));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Status(), L"Update was aborted!");
    EXPECT_TRUE(engine->IsConnected());
    EXPECT_TRUE(Enabled(CUpdate::kManualUpdate));
    window.takeWidget();
}

// ---- Identity, Return key, module type ------------------------------------------------------

TEST_F(UpdatePageTest, EnterButtonsAndReturnKeyWriteTheIdentity) {
    KeepOnlyTarnRelease11();
    Open(Profile::Tarn, {1, 0});
    // The fields are cut to the module's 8 characters; the assembly selects
    // the release's board variant.
    const std::tuple<int, int, const char*, std::string sim::ModuleState::*, bool, int> cases[] = {
        {CUpdate::kNameEdit, CUpdate::kNameEnter, "NEWNAME", &sim::ModuleState::name, false, 0},
        {CUpdate::kSerialEdit, CUpdate::kSerialEnter, "999900001", &sim::ModuleState::serial, true,
         0},
        {CUpdate::kAssemblyEdit, CUpdate::kAssemblyEnter, "B7", &sim::ModuleState::assembly, false,
         3},
        {CUpdate::kAssemblyEdit, CUpdate::kAssemblyEnter, "B71", &sim::ModuleState::assembly, true,
         2},
    };
    for (const auto& [edit, button, typed, field, returnKey, variant] : cases) {
        Ctl<QLineEdit>(edit)->setText(typed);
        if (returnKey)
            PressKey(Ctl<QLineEdit>(edit), Qt::Key_Return);
        else
            Click(button);
        EXPECT_EQ(sim::TrimText(module->State().*field), std::string(typed).substr(0, 8)) << typed;
        EXPECT_TRUE(!variant || (page->CurrentRelease() && page->CurrentRelease()->id == variant));
    }
    // A name with bytes from 0x80, as the edit shows it, goes back unchanged.
    Ctl<QLineEdit>(CUpdate::kNameEdit)->setText(QString::fromStdWString(WidenText("Cam\xE9ra1")));
    Click(CUpdate::kNameEnter);
    EXPECT_EQ(sim::TrimText(module->State().name), "Cam\xE9ra1");

    // Return anywhere else does nothing at all.
    module->ClearLog();
    dialogs.Clear();
    PressKey(Ctl<QPushButton>(CUpdate::kReleaseUpdate), Qt::Key_Return);
    PressKey(Ctl<QComboBox>(CUpdate::kFirmwareCombo), Qt::Key_Return);
    PressKey(page.get(), Qt::Key_Return);
    EXPECT_EQ(module->RequestCount(), 0u);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(page->IsRunning());

    services.Disconnect();
    Click(CUpdate::kSerialEnter);
    EXPECT_EQ(Status(), L"Not connected to a module.");
}

TEST_F(UpdatePageTest, ModuleTypeSelectionAndSet) {
    Open(Profile::Tarn, {1, 0});
    EXPECT_EQ(Ctl<QComboBox>(CUpdate::kModuleTypeCombo)->currentText(), "TARN");
    Choose(CUpdate::kModuleTypeCombo, "ORLAN6");
    EXPECT_EQ(Text(CUpdate::kDesiredRelease), "2.0");

    Click(CUpdate::kSetModuleType);
    ASSERT_EQ(Count(0x9F), 1u);
    EXPECT_EQ(Frames(0x9F)[0].back(), 1);
    EXPECT_EQ(module->State().release, (sim::Version{2, 0}));
    EXPECT_EQ(engine->Module().moduleType, 1u);

    // No release for the type, then no type: nothing is written.
    module->ClearLog();
    fs::remove(Work("types/TARN/assembly.xml"));
    Choose(CUpdate::kModuleTypeCombo, "TARN");
    Click(CUpdate::kSetModuleType);
    EXPECT_EQ(Status(), L"No release assembly is available for the selected module type.");
    Ctl<QComboBox>(CUpdate::kModuleTypeCombo)->setCurrentIndex(-1);
    Click(CUpdate::kSetModuleType);
    EXPECT_EQ(Count(0x9F), 0u);
}

// ---- Release update through the page, closing -----------------------------------------------

TEST_F(UpdatePageTest, ReleaseUpdateThroughThePage) {
    KeepOnlyTarnRelease11();
    Open(Profile::Tarn, {1, 0});
    Click(CUpdate::kReleaseUpdate);
    EXPECT_EQ(prompts, 1);
    ASSERT_TRUE(page->IsRunning());
    EXPECT_TRUE(engine->IsUpdateInProgress());
    // Nothing else may write to the module while the run owns the port.
    const std::initializer_list<int> writes = {CUpdate::kReleaseUpdate, CUpdate::kManualUpdate,
                                               CUpdate::kBrowse,        CUpdate::kNameEnter,
                                               CUpdate::kSerialEnter,   CUpdate::kAssemblyEnter,
                                               CUpdate::kSetModuleType, CUpdate::kFirmwareCombo};
    ExpectEnabled(writes, false);
    ASSERT_TRUE(WaitIdle());

    EXPECT_EQ(Status(), L"Update completed successfully.");
    EXPECT_EQ(Text(CUpdate::kInstalledRelease), "1.1");
    ExpectEnabled(writes, true);
    // The quiet flag was set and cleared on the GUI thread (the services check).
    ASSERT_FALSE(quiet.empty());
    EXPECT_TRUE(quiet.front());
    EXPECT_FALSE(quiet.back());
}

TEST_F(UpdatePageTest, ClosingThePageDuringARun) {
    KeepOnlyTarnRelease11();
    Open(Profile::Tarn, {1, 0}, true, true,
         [](sim::ModuleConfig& c) { c.behaviour.rebootDelay = 1h; });
    Click(CUpdate::kReleaseUpdate);
    ASSERT_TRUE(SpinUntil([this] { return !module->IsPresent(); }));
    // The page goes (the main window closes anyway; its question is the
    // run's tests'): the worker, waiting for the reconnect, is released and joined.
    EXPECT_TRUE(page->IsRunning());
    const auto start = Clock::now();
    page.reset();
    EXPECT_LT(Clock::now() - start, 20s);
    EXPECT_FALSE(engine->IsUpdateInProgress());
}

TEST_F(UpdatePageTest, PromptDialogGivesTheAnswerAndTheForceChoice) {
    for (const bool yes : {true, false}) {
        CReleaseUpdatePromptDlg dlg;
        auto* box =
            widgetkit::FindControl<QCheckBox>(&dlg, CReleaseUpdatePromptDlg::kForceCheckBox);
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(box->isChecked());
        dlg.open();
        box->setChecked(true);
        (yes ? dlg.YesButton() : dlg.NoButton())->click();
        EXPECT_EQ(dlg.result(), yes ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(dlg.ForceChoice(), 1);
    }
}

} // namespace
