// The Lookup Table tab over a simulated module: what the combos and version
// texts show for the module and the selected release, the enabling, and a
// download run from the confirmation to the closing report.
#include "PageFixture.h"

#include "maintenance/pages/CLookupTable.h"

namespace {

using sim::Reply;

class LookupTableTest : public PageFixture<CLookupTable> {
protected:
    void MakePage() {
        page = std::make_unique<CLookupTable>(&services);
        page->SetTickInterval(10);
    }
    // A TARN at 1.0 with release 1.1 selected: the page shows table 0
    // ("Gamma") of FPGA 0 ("Main") with lut0-1.1.bin.
    void TarnWithRelease() {
        ConnectModule(sim::Profile::Tarn, {1, 0});
        SelectRelease(2, {1, 1});
        MakePage();
    }

    // FPGAs, tables, files, installed and desired version, as shown.
    QStringList Shown() const {
        return {Items(CLookupTable::kFpgaCombo), Items(CLookupTable::kTableCombo),
                Items(CLookupTable::kFileCombo), Text(CLookupTable::kInstalledVersion),
                Text(CLookupTable::kDesiredVersion)};
    }
    // Update, Browse and Abort enabled.
    std::vector<bool> Enabling() const {
        return {Enabled(CLookupTable::kUpdate), Enabled(CLookupTable::kBrowse),
                Enabled(CLookupTable::kAbort)};
    }
    void Browse(const std::wstring& path, int filterIndex = 1) {
        dialogs.ChooseFile(path, filterIndex);
        Click(CLookupTable::kBrowse);
    }
    // Slows every chunk so that a run is still going while the test acts.
    void StartSlowDownload() {
        module->Configure([](sim::Behaviour& b) { b.chunkSize = 64; });
        Reply slow;
        slow.delay = std::chrono::milliseconds(40);
        module->ScriptAlways(0x88, slow);
        Click(CLookupTable::kUpdate);
        ASSERT_TRUE(module->WaitForRequest(0x88, std::chrono::seconds(10)));
    }

    const std::vector<bool> kNothing{false, false, false};
    const std::vector<bool> kIdle{true, true, false};
    const std::vector<bool> kOwnRun{false, false, true};
};

// ---- What the page shows --------------------------------------------------------------------

TEST_F(LookupTableTest, ModulesWithoutTablesShowPlaceholdersAndBlockTheDownload) {
    // No module yet, and a module type without FPGAs.
    for (const bool connected : {false, true}) {
        page.reset();
        if (connected)
            ConnectModule(sim::Profile::None);
        else
            StartSession();
        MakePage();
        EXPECT_EQ(Shown(), (QStringList{"No FPGAs", "No LUTs", "No files", "None", "None"}));
        EXPECT_EQ(Enabling(), kNothing);
    }
}

TEST_F(LookupTableTest, AnFpgaWithoutTablesShowsNoLutsUntilAnotherIsChosen) {
    ConnectModule(sim::Profile::Orlan6);
    SelectRelease(1, {2, 1});
    engine->Module().FindFpga(1)->lookupTables.clear();
    MakePage();
    EXPECT_EQ(Enabling(), kIdle);
    Choose(CLookupTable::kFpgaCombo, "Output");
    EXPECT_EQ(Enabling(), kNothing);
    // "No files" is not a file: it is never remembered for the next visit.
    Choose(CLookupTable::kFpgaCombo, "Input");
    EXPECT_EQ(Items(CLookupTable::kFileCombo), "types/ORLAN6/images/fpga0-lut0-2.1.bin");
    Choose(CLookupTable::kFpgaCombo, "Output");
    Choose(CLookupTable::kFpgaCombo, "Input");
    EXPECT_EQ(page->FileEntry(1, 0), L"types/ORLAN6/images/fpga1-lut0-2.1.bin");
}

TEST_F(LookupTableTest, VersionsAndFilesFollowTheSelectedRelease) {
    TarnWithRelease();
    EXPECT_EQ(Shown(), (QStringList{"Main", "Gamma|Matrix", "types/TARN/images/lut0-1.1.bin", "1.0",
                                    "1.1"}));
    EXPECT_EQ(Enabling(), kIdle);
    Choose(CLookupTable::kTableCombo, "Matrix");
    EXPECT_EQ(Shown(), (QStringList{"Main", "Gamma|Matrix", "types/TARN/images/lut1-1.0.bin", "1.0",
                                    "1.0"}));

    // The module's record changed under the page (a reconnect, a type change):
    // a table or FPGA it no longer has shows "None" twice.
    engine->Module().FindFpga(0)->lookupTables.erase(1);
    page->UpdateControls();
    EXPECT_EQ(Shown()[3] + Shown()[4], "NoneNone");
    Choose(CLookupTable::kTableCombo, "Gamma");
    EXPECT_EQ(Shown()[3], "1.0");
    engine->Module().fpgas.erase(0);
    page->UpdateControls();
    EXPECT_EQ(Shown()[3] + Shown()[4], "NoneNone");
}

TEST_F(LookupTableTest, WithoutASelectedReleaseNothingIsOfferedAndDesiredIsNone) {
    ConnectModule(sim::Profile::Tarn, {1, 0});
    // A wished release the table has not.
    session.Selection().SetWish(frontend::ReleaseWish::Exact, {9, 9});
    session.RefreshRelease();
    MakePage();
    EXPECT_EQ(Text(CLookupTable::kDesiredVersion), "None");
    EXPECT_EQ(page->FileEntry(0, 0), L"");
    // Update without a file does nothing at all.
    module->ClearLog();
    Click(CLookupTable::kUpdate);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(page->IsRunning());
    EXPECT_EQ(Count(0xA1), 0u);
}

TEST_F(LookupTableTest, EnablingFollowsTheRunningImageAndOtherRuns) {
    TarnWithRelease();
    // Abort belongs to this page's own download only, never another page's run.
    const std::tuple<int32_t, bool, std::vector<bool>> cases[] = {
        {kRunningFerrin, false, kIdle},
        {kRunningSafeBoot, false, kNothing},
        {kRunningFerrin, true, kNothing},
    };
    for (const auto& [image, updateInProgress, enabling] : cases) {
        engine->Module().runningImage = image;
        engine->SetUpdateInProgress(updateInProgress);
        page->UpdateControls();
        EXPECT_EQ(Enabling(), enabling) << image << updateInProgress;
    }
    engine->SetUpdateInProgress(false);
}

TEST_F(LookupTableTest, BrowseRemembersAFilePerTable) {
    TarnWithRelease();
    const std::wstring chosen = WorkWide("custom.bin");
    WriteFile(Work("custom.bin"), SampleImage("1.5", 300));
    Browse(chosen, 2);
    EXPECT_EQ(Items(CLookupTable::kFileCombo), QString::fromStdWString(chosen));
    Choose(CLookupTable::kTableCombo, "Matrix");
    EXPECT_EQ(Items(CLookupTable::kFileCombo), "types/TARN/images/lut1-1.0.bin");
    Choose(CLookupTable::kTableCombo, "Gamma");
    EXPECT_EQ(Items(CLookupTable::kFileCombo), QString::fromStdWString(chosen));

    // A file that cannot be opened (or a folder) gets the file-error box and changes nothing.
    Browse(WorkWide("gone.bin"));
    fs::create_directory(Work("folder.bin"));
    Browse(WorkWide("folder.bin"));
    EXPECT_EQ(dialogs.fileErrors,
              (std::vector<std::wstring>{WorkWide("gone.bin"), WorkWide("folder.bin")}));
    EXPECT_EQ(page->FileEntry(0, 0), chosen);
}

// ---- Downloads ------------------------------------------------------------------------------

TEST_F(LookupTableTest, ADownloadChangesTheTableOnTheModuleAndTheInstalledText) {
    TarnWithRelease();
    bool inProgressDuringBox = false;
    dialogs.onBox = [&](const std::wstring&) {
        inProgressDuringBox = engine->IsUpdateInProgress();
    };
    engine->Channel().RequestAbort(); // stale: no chunk took it, so it must not stop this run
    Click(CLookupTable::kUpdate);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].buttons, MsgButtons::OkCancel);
    EXPECT_FALSE(inProgressDuringBox);
    EXPECT_TRUE(page->IsRunning());
    EXPECT_TRUE(engine->IsUpdateInProgress());
    EXPECT_EQ(Enabling(), kOwnRun);

    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Status(), L"Update completed successfully.");
    EXPECT_EQ(dialogs.BoxTexts().back(), L"Update Successful!");
    EXPECT_FALSE(engine->IsUpdateInProgress());
    EXPECT_EQ(module->State().fpgas[0].tables[0].version, (sim::Version{1, 1}));
    const auto transfers = module->Transfers();
    ASSERT_FALSE(transfers.empty());
    EXPECT_EQ(std::string(transfers.back().data.begin(), transfers.back().data.end()),
              ReadFile("types/TARN/images/lut0-1.1.bin"));
    EXPECT_EQ(Shown()[3], "1.1");
    EXPECT_EQ(Enabling(), kIdle);
}

TEST_F(LookupTableTest, RefusalsBeforeAnythingIsSent) {
    TarnWithRelease();
    const std::tuple<std::function<void()>, std::wstring, size_t> cases[] = {
        {[this] { dialogs.AnswerNext(MsgResult::Cancel); }, L"Update was cancelled!", 0},
        {[this] { engine->SetConnected(false); }, L"Not connected to a module.", 0},
        {[this] {
             WriteFile(Work("gone.bin"), "x");
             Browse(WorkWide("gone.bin"));
             fs::remove(Work("gone.bin"));
         },
         L"", 1},
    };
    for (const auto& [arrange, text, fileErrors] : cases) {
        SCOPED_TRACE(text);
        engine->SetConnected(true);
        dialogs.Clear();
        module->ClearLog();
        arrange();
        Click(CLookupTable::kUpdate);
        EXPECT_EQ(Status(), text);
        EXPECT_EQ(dialogs.fileErrors.size(), fileErrors);
        EXPECT_FALSE(page->IsRunning());
        EXPECT_FALSE(engine->IsUpdateInProgress());
        EXPECT_EQ(Enabling(), kIdle);
        EXPECT_EQ(Count(0xA1), 0u);
    }
}

TEST_F(LookupTableTest, ClosingReportNamesWhatWentWrong) {
    using Arrange = std::function<void()>;
    const auto answer = [this](uint8_t code, Reply reply) -> Arrange {
        return [this, code, reply] { module->ScriptAlways(code, reply); };
    };
    const Arrange shrinking = [this] {
        WriteFile(Work("shrinks.bin"), SampleImage("1.7", 600));
        Browse(WorkWide("shrinks.bin"));
    };
    // What to change before Update and while the question is up, and the status text.
    const std::tuple<Arrange, Arrange, std::wstring> cases[] = {
        {answer(0xA1, Reply::Reject()), {}, L"Connection error to module!"},
        {{}, [this] { engine->SetConnected(false); }, L"Not connected to a module!"},
        // The image shrinks after its size was taken.
        {shrinking, [this] { fs::resize_file(Work("shrinks.bin"), 100); }, L"File access error!"},
    };
    for (const auto& [arrange, duringBox, text] : cases) {
        SCOPED_TRACE(text);
        page.reset();
        dialogs.Clear();
        dialogs.onBox = {};
        TarnWithRelease();
        if (arrange)
            arrange();
        dialogs.onBox = [&](const std::wstring&) {
            if (duringBox && dialogs.boxes.empty())
                duringBox();
        };
        Click(CLookupTable::kUpdate);
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(Status(), text);
        // Only success has a box of its own.
        EXPECT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_FALSE(engine->IsUpdateInProgress());
        EXPECT_EQ(module->State().fpgas[0].tables[0].version, (sim::Version{1, 0}));
    }
    dialogs.onBox = {};
}

TEST_F(LookupTableTest, AbortClosingOrDestroyingStopsTheDownloadAtTheNextChunk) {
    enum Stop { kAbort, kCloseWindow, kDestroyPage };
    for (const Stop stop : {kAbort, kCloseWindow, kDestroyPage}) {
        SCOPED_TRACE(stop);
        page.reset();
        TarnWithRelease();
        EXPECT_TRUE(page->QueryClose()); // nothing running: no question
        StartSlowDownload();
        ASSERT_TRUE(SpinUntil([this] { return Enabled(CLookupTable::kAbort); }));
        EXPECT_EQ(Enabling(), kOwnRun);
        if (stop == kAbort) {
            Click(CLookupTable::kAbort);
            // The run is still closing: no second download may start meanwhile.
            EXPECT_EQ(Enabling(), kNothing);
            ASSERT_TRUE(WaitIdle());
            EXPECT_EQ(Status(), L"Update was aborted!");
            EXPECT_FALSE(engine->Channel().AbortRequested());
            EXPECT_EQ(Count(0x91), 1u);
            EXPECT_EQ(Shown()[3], "1.0");
            EXPECT_EQ(Enabling(), kIdle);
        } else if (stop == kCloseWindow) {
            dialogs.AnswerNext(MsgResult::No);
            EXPECT_FALSE(page->QueryClose());
            EXPECT_TRUE(page->IsRunning());
            EXPECT_EQ(dialogs.boxes.back().buttons, MsgButtons::YesNoDefaultNo);
            dialogs.AnswerNext(MsgResult::Yes);
            EXPECT_TRUE(page->QueryClose());
            EXPECT_FALSE(page->IsRunning());
        } else {
            page.reset();
        }
        EXPECT_FALSE(engine->IsUpdateInProgress());
        EXPECT_EQ(module->Transfers().back().end, sim::TransferRecord::End::Aborted);
        EXPECT_EQ(module->State().fpgas[0].tables[0].version, (sim::Version{1, 0}));
    }
}

} // namespace
