// The Lookup Table tab over a simulated module: what the combos and version
// texts show for the module and the selected release, the enabling, and a
// download run from the confirmation to the closing report.
#include "PageFixture.h"

#include "maintenance/CLookupTable.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <memory>

namespace {

using sim::Reply;

std::vector<std::wstring> Items(QComboBox* combo) {
    std::vector<std::wstring> items;
    for (int i = 0; i < combo->count(); ++i)
        items.push_back(combo->itemText(i).toStdWString());
    return items;
}

std::wstring Text(QLineEdit* edit) {
    return edit->text().toStdWString();
}

// The operator picks an entry.
void Choose(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A table image the simulator takes for the version in its first line.
std::string TableImage(const std::string& version, size_t size) {
    std::string image = "SAMPLE-IMAGE " + version + "\n";
    image.resize(size, '\x5A');
    return image;
}

class LookupTableTest : public PageFixture {
protected:
    void MakePage() {
        versions = std::make_unique<TestVersions>(services);
        page = std::make_unique<CLookupTable>(&services, versions.get());
        page->SetTickInterval(10);
        services.pages = {[this] { page->UpdateControls(); }};
    }
    void TearDown() override {
        page.reset();
        PageFixture::TearDown();
    }

    QComboBox* Fpgas() { return Control<QComboBox>(page.get(), CLookupTable::kFpgaCombo); }
    QComboBox* Tables() { return Control<QComboBox>(page.get(), CLookupTable::kTableCombo); }
    QComboBox* Files() { return Control<QComboBox>(page.get(), CLookupTable::kFileCombo); }
    QLineEdit* Installed() {
        return Control<QLineEdit>(page.get(), CLookupTable::kInstalledVersion);
    }
    QLineEdit* Desired() { return Control<QLineEdit>(page.get(), CLookupTable::kDesiredVersion); }
    QPushButton* Button(int id) { return Control<QPushButton>(page.get(), id); }
    bool Enabled(int id) { return Button(id)->isEnabled(); }

    // A TARN at 1.0 with release 1.1 selected, the page made and showing
    // table 0 ("Gamma") of FPGA 0 ("Main") with lut0-1.1.bin.
    void TarnWithRelease() {
        ConnectModule(sim::Profile::Tarn, {1, 0});
        SelectRelease(2, {1, 1});
        MakePage();
    }
    // Slows every chunk so that a run is still going while the test acts.
    void SlowChunks() {
        module->Configure([](sim::Behaviour& b) { b.chunkSize = 64; });
        Reply slow;
        slow.delay = std::chrono::milliseconds(40);
        module->ScriptAlways(0x88, slow);
    }
    bool WaitClosed() {
        return SpinUntil([this] { return !page->IsRunning(); });
    }

    std::unique_ptr<TestVersions> versions;
    std::unique_ptr<CLookupTable> page;
};

// ---- What the page shows --------------------------------------------------------------------

TEST_F(LookupTableTest, ModulesWithoutTablesShowPlaceholdersAndBlockTheDownload) {
    struct Case {
        const char* name;
        std::function<void()> setUp;
    };
    const Case cases[] = {
        {"no module yet", [this] { EngineWithoutModule(); }},
        {"module type without FPGAs", [this] { ConnectModule(sim::Profile::None); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        page.reset();
        module.reset();
        c.setUp();
        MakePage();
        EXPECT_EQ(Items(Fpgas()), std::vector<std::wstring>{L"No FPGAs"});
        EXPECT_EQ(Items(Tables()), std::vector<std::wstring>{L"No LUTs"});
        EXPECT_EQ(Items(Files()), std::vector<std::wstring>{L"No files"});
        EXPECT_FALSE(Enabled(CLookupTable::kUpdate));
        EXPECT_FALSE(Enabled(CLookupTable::kBrowse));
        EXPECT_FALSE(Enabled(CLookupTable::kAbort));
        EXPECT_EQ(Text(Installed()), L"None");
        EXPECT_EQ(Text(Desired()), L"None");
    }
}

TEST_F(LookupTableTest, AnFpgaWithoutTablesShowsNoLutsUntilAnotherIsChosen) {
    ConnectModule(sim::Profile::Orlan6);
    SelectRelease(1, {2, 1});
    engine->Module().FindFpga(1)->lookupTables.clear();
    MakePage();
    EXPECT_EQ(Items(Fpgas()), (std::vector<std::wstring>{L"Input", L"Output"}));
    EXPECT_EQ(Items(Tables()), std::vector<std::wstring>{L"Gamma"});
    EXPECT_TRUE(Enabled(CLookupTable::kUpdate));

    Choose(Fpgas(), 1);
    EXPECT_EQ(Items(Tables()), std::vector<std::wstring>{L"No LUTs"});
    EXPECT_EQ(Items(Files()), std::vector<std::wstring>{L"No files"});
    EXPECT_FALSE(Enabled(CLookupTable::kUpdate));
    EXPECT_FALSE(Enabled(CLookupTable::kBrowse));
    EXPECT_EQ(Text(Installed()), L"None");
    // "No files" is not a file: it is never remembered for the next visit.
    Choose(Fpgas(), 0);
    EXPECT_EQ(Items(Tables()), std::vector<std::wstring>{L"Gamma"});
    EXPECT_EQ(Items(Files()), std::vector<std::wstring>{L"types/ORLAN6/images/fpga0-lut0-2.1.bin"});
    EXPECT_TRUE(Enabled(CLookupTable::kUpdate));
    EXPECT_EQ(Text(Installed()), L"2.1");
    Choose(Fpgas(), 1);
    Choose(Fpgas(), 0);
    EXPECT_EQ(page->FileEntry(1, 0), L"types/ORLAN6/images/fpga1-lut0-2.1.bin");
}

TEST_F(LookupTableTest, VersionsAndFilesFollowTheSelectedRelease) {
    TarnWithRelease();
    EXPECT_EQ(Items(Fpgas()), std::vector<std::wstring>{L"Main"});
    EXPECT_EQ(Items(Tables()), (std::vector<std::wstring>{L"Gamma", L"Matrix"}));
    EXPECT_EQ(Items(Files()), std::vector<std::wstring>{L"types/TARN/images/lut0-1.1.bin"});
    EXPECT_EQ(Text(Installed()), L"1.0");
    EXPECT_EQ(Text(Desired()), L"1.1");
    EXPECT_TRUE(Enabled(CLookupTable::kUpdate));
    EXPECT_TRUE(Enabled(CLookupTable::kBrowse));
    EXPECT_FALSE(Enabled(CLookupTable::kAbort));

    Choose(Tables(), 1);
    EXPECT_EQ(Items(Files()), std::vector<std::wstring>{L"types/TARN/images/lut1-1.0.bin"});
    EXPECT_EQ(Text(Installed()), L"1.0");
    EXPECT_EQ(Text(Desired()), L"1.0");
}

TEST_F(LookupTableTest, WithoutASelectedReleaseNothingIsOfferedAndDesiredIs255) {
    ConnectModule(sim::Profile::Tarn, {1, 0});
    MakePage();
    EXPECT_EQ(Text(Desired()), L"255.255");
    EXPECT_EQ(Text(Installed()), L"1.0");
    EXPECT_EQ(Files()->count(), 0);
    EXPECT_EQ(page->FileEntry(0, 0), L"");

    // Update without a file does nothing at all.
    module->ClearLog();
    Button(CLookupTable::kUpdate)->click();
    EXPECT_TRUE(services.dialogs.boxes.empty());
    EXPECT_FALSE(page->IsRunning());
    EXPECT_EQ(Count(0xA1), 0u);
}

TEST_F(LookupTableTest, AMissingDefinitionShowsNoneTwice) {
    struct Case {
        const char* name;
        std::function<void(ModuleRecord&)> remove;
    };
    const Case cases[] = {
        {"table", [](ModuleRecord& m) { m.FindFpga(0)->lookupTables.erase(0); }},
        {"FPGA", [](ModuleRecord& m) { m.fpgas.erase(0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        page.reset();
        module.reset();
        TarnWithRelease();
        ASSERT_EQ(Text(Installed()), L"1.0");
        // The module's record changed under the page (a reconnect, a type change).
        c.remove(engine->Module());
        page->UpdateControls();
        EXPECT_EQ(Text(Installed()), L"None");
        EXPECT_EQ(Text(Desired()), L"None");
    }
}

TEST_F(LookupTableTest, EnablingFollowsTheRunningImageAndOtherRuns) {
    TarnWithRelease();
    struct Case {
        const char* name;
        int32_t image;
        bool updateInProgress;
        bool enabled;
    };
    const Case cases[] = {
        {"Ferrin", kRunningFerrin, false, true},
        {"SafeBoot", kRunningSafeBoot, false, false},
        {"another page's run", kRunningFerrin, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine->Module().runningImage = c.image;
        engine->SetUpdateInProgress(c.updateInProgress);
        page->UpdateControls();
        EXPECT_EQ(Enabled(CLookupTable::kUpdate), c.enabled);
        EXPECT_EQ(Enabled(CLookupTable::kBrowse), c.enabled);
        // Abort belongs to this page's own download only.
        EXPECT_FALSE(Enabled(CLookupTable::kAbort));
    }
    engine->SetUpdateInProgress(false);
}

TEST_F(LookupTableTest, BrowseRemembersAFilePerTable) {
    TarnWithRelease();
    const std::wstring chosen = scratch.Write("custom.bin", TableImage("1.5", 300));
    services.dialogs.ChooseFile(chosen, 2);
    Button(CLookupTable::kBrowse)->click();
    ASSERT_EQ(services.dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(services.dialogs.fileRequests[0].filter,
              L"Lookup Table Files (*.bin)|*.bin|All Files (*.*)|*.*||");
    EXPECT_EQ(Items(Files()), std::vector<std::wstring>{chosen});

    Choose(Tables(), 1);
    EXPECT_EQ(Items(Files()), std::vector<std::wstring>{L"types/TARN/images/lut1-1.0.bin"});
    Choose(Tables(), 0);
    EXPECT_EQ(Items(Files()), std::vector<std::wstring>{chosen});

    // The next dialog opens where the last one ended; a file that cannot be
    // opened gets the file-error box and changes nothing.
    services.dialogs.ChooseFile(scratch.Wide("gone.bin"));
    Button(CLookupTable::kBrowse)->click();
    ASSERT_EQ(services.dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(services.dialogs.fileRequests[1].filterIndex, 2);
    const std::string folder = scratch.Path().string();
    EXPECT_EQ(services.dialogs.fileRequests[1].initialFolder,
              std::wstring(folder.begin(), folder.end()));
    EXPECT_EQ(services.dialogs.fileErrors, std::vector<std::wstring>{scratch.Wide("gone.bin")});
    std::filesystem::create_directory(scratch.Path() / "folder.bin");
    services.dialogs.ChooseFile(scratch.Wide("folder.bin"));
    Button(CLookupTable::kBrowse)->click();
    EXPECT_EQ(services.dialogs.fileErrors.size(), 2u);
    EXPECT_EQ(page->FileEntry(0, 0), chosen);
}

// ---- Downloads ------------------------------------------------------------------------------

TEST_F(LookupTableTest, ADownloadChangesTheTableOnTheModuleAndTheInstalledText) {
    TarnWithRelease();
    bool inProgressDuringBox = false;
    services.dialogs.onBox = [&](const std::wstring&) {
        inProgressDuringBox = engine->IsUpdateInProgress();
    };
    Button(CLookupTable::kUpdate)->click();
    ASSERT_EQ(services.dialogs.boxes.size(), 1u);
    const auto& question = services.dialogs.boxes[0];
    EXPECT_EQ(question.text, L"Updating Lookup Table 'Gamma' of FPGA 'Main'.\nAre you sure you "
                             L"wish to do this?");
    EXPECT_EQ(question.caption, L"Attention!");
    EXPECT_EQ(question.buttons, MsgButtons::OkCancel);
    EXPECT_EQ(question.icon, MsgIcon::Exclamation);
    EXPECT_FALSE(inProgressDuringBox);
    EXPECT_TRUE(page->IsRunning());
    EXPECT_TRUE(engine->IsUpdateInProgress());
    EXPECT_FALSE(Enabled(CLookupTable::kUpdate));
    EXPECT_FALSE(Enabled(CLookupTable::kBrowse));

    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(services.Status(), L"Update completed successfully.");
    ASSERT_EQ(services.dialogs.boxes.size(), 2u);
    EXPECT_EQ(services.dialogs.boxes[1].text, L"Update Successful!");
    EXPECT_EQ(services.dialogs.boxes[1].caption, L""); // the application's title
    EXPECT_EQ(services.dialogs.boxes[1].buttons, MsgButtons::Ok);
    EXPECT_FALSE(engine->IsUpdateInProgress());

    const auto state = module->State();
    EXPECT_EQ(state.fpgas[0].tables[0].version, (sim::Version{1, 1}));
    const auto transfers = module->Transfers();
    ASSERT_FALSE(transfers.empty());
    const std::string sent(transfers.back().data.begin(), transfers.back().data.end());
    EXPECT_EQ(sent, ReadBytes("types/TARN/images/lut0-1.1.bin"));
    EXPECT_EQ(Text(Installed()), L"1.1");
    EXPECT_EQ(Control<QLabel>(page.get(), CLookupTable::kPercent)->text(),
              QStringLiteral("100.0%"));
    EXPECT_TRUE(Enabled(CLookupTable::kUpdate));
    EXPECT_FALSE(Enabled(CLookupTable::kAbort));
}

TEST_F(LookupTableTest, CancellingTheConfirmationSendsNothing) {
    TarnWithRelease();
    module->ClearLog();
    services.dialogs.AnswerNext(MsgResult::Cancel);
    Button(CLookupTable::kUpdate)->click();
    EXPECT_EQ(services.Status(), L"Update was cancelled!");
    EXPECT_FALSE(page->IsRunning());
    EXPECT_FALSE(engine->IsUpdateInProgress());
    EXPECT_TRUE(Enabled(CLookupTable::kUpdate));
    EXPECT_EQ(Count(0xA1), 0u);
}

TEST_F(LookupTableTest, RefusalsBeforeAnythingIsSent) {
    TarnWithRelease();
    struct Case {
        const char* name;
        std::function<void()> setUp;
        std::wstring status;
        size_t fileErrors;
    };
    const Case cases[] = {
        {"not connected", [this] { engine->SetConnected(false); }, L"Not connected to a module.",
         0},
        {"file gone",
         [this] {
             const std::wstring gone = scratch.Write("gone.bin", "x");
             services.dialogs.ChooseFile(gone);
             Button(CLookupTable::kBrowse)->click();
             std::filesystem::remove(scratch.Path() / "gone.bin");
         },
         L"", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine->SetConnected(true);
        services.dialogs.Clear();
        module->ClearLog();
        c.setUp();
        Button(CLookupTable::kUpdate)->click();
        EXPECT_EQ(services.Status(), c.status);
        EXPECT_EQ(services.dialogs.fileErrors.size(), c.fileErrors);
        EXPECT_FALSE(page->IsRunning());
        EXPECT_FALSE(engine->IsUpdateInProgress());
        EXPECT_EQ(Count(0xA1), 0u);
    }
}

TEST_F(LookupTableTest, ClosingReportNamesWhatWentWrong) {
    struct Case {
        const char* name;
        std::function<void()> arrange; // before Update
        std::function<void()> duringBox;
        std::wstring status;
    };
    const Case cases[] = {
        {"module rejects the start",
         [this] { module->ScriptAlways(0xA1, Reply::Reject()); },
         {},
         L"Connection error to module!"},
        {"module silent",
         [this] { module->ScriptAlways(0xA1, Reply::Silence()); },
         {},
         L"Connection to module timed out!"},
        {"module gone before the worker starts",
         {},
         [this] { engine->SetConnected(false); },
         L"Not connected to a module!"},
        {"image shrinks after its size was taken",
         [this] {
             services.dialogs.ChooseFile(scratch.Write("shrinks.bin", TableImage("1.7", 600)));
             Button(CLookupTable::kBrowse)->click();
         },
         [this] { std::filesystem::resize_file(scratch.Path() / "shrinks.bin", 100); },
         L"File access error!"},
        {"status without a text of its own",
         [this] { module->ScriptAlways(0x88, Reply::Status(0xFA)); },
         {},
         L"Unknown error!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        page.reset();
        module.reset();
        services.dialogs.Clear();
        services.dialogs.onBox = {};
        TarnWithRelease();
        if (c.arrange)
            c.arrange();
        if (c.duringBox)
            services.dialogs.onBox = [&](const std::wstring&) {
                if (page->IsRunning() || services.dialogs.boxes.size() > 0)
                    return;
                c.duringBox();
            };
        Button(CLookupTable::kUpdate)->click();
        ASSERT_TRUE(WaitClosed());
        EXPECT_EQ(services.Status(), c.status);
        // Only success has a box of its own.
        EXPECT_EQ(services.dialogs.boxes.size(), 1u);
        EXPECT_FALSE(engine->IsUpdateInProgress());
        EXPECT_EQ(module->State().fpgas[0].tables[0].version, (sim::Version{1, 0}));
        services.dialogs.onBox = {};
    }
}

TEST_F(LookupTableTest, AbortEndsTheDownloadAtTheNextChunk) {
    TarnWithRelease();
    SlowChunks();
    Button(CLookupTable::kUpdate)->click();
    ASSERT_TRUE(page->IsRunning());
    ASSERT_TRUE(module->WaitForRequest(0x88, std::chrono::seconds(10)));
    SpinUntil([this] { return Enabled(CLookupTable::kAbort); }, std::chrono::seconds(5));
    ASSERT_TRUE(Enabled(CLookupTable::kAbort));
    Button(CLookupTable::kAbort)->click();
    EXPECT_FALSE(Enabled(CLookupTable::kAbort));
    // The run is still closing: no second download may start meanwhile.
    EXPECT_FALSE(Enabled(CLookupTable::kUpdate));

    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(services.Status(), L"Update was aborted!");
    EXPECT_FALSE(engine->IsUpdateInProgress());
    EXPECT_FALSE(engine->Channel().AbortRequested());
    EXPECT_EQ(Count(0x91), 1u);
    EXPECT_EQ(module->Transfers().back().end, sim::TransferRecord::End::Aborted);
    EXPECT_EQ(module->State().fpgas[0].tables[0].version, (sim::Version{1, 0}));
    EXPECT_EQ(Text(Installed()), L"1.0");
    EXPECT_TRUE(Enabled(CLookupTable::kUpdate));
}

TEST_F(LookupTableTest, ClosingTheWindowDuringADownloadAsksAndStopsIt) {
    TarnWithRelease();
    SlowChunks();
    EXPECT_TRUE(page->QueryClose());
    Button(CLookupTable::kUpdate)->click();
    ASSERT_TRUE(module->WaitForRequest(0x88, std::chrono::seconds(10)));

    services.dialogs.AnswerNext(MsgResult::No);
    EXPECT_FALSE(page->QueryClose());
    EXPECT_TRUE(page->IsRunning());
    EXPECT_EQ(services.dialogs.boxes.back().buttons, MsgButtons::YesNo);

    services.dialogs.AnswerNext(MsgResult::Yes);
    EXPECT_TRUE(page->QueryClose());
    EXPECT_FALSE(page->IsRunning());
    EXPECT_FALSE(engine->IsUpdateInProgress());
    EXPECT_EQ(module->Transfers().back().end, sim::TransferRecord::End::Aborted);
}

TEST_F(LookupTableTest, APageDestroyedDuringADownloadStopsItsWorker) {
    TarnWithRelease();
    SlowChunks();
    Button(CLookupTable::kUpdate)->click();
    ASSERT_TRUE(module->WaitForRequest(0x88, std::chrono::seconds(10)));
    page.reset();
    EXPECT_FALSE(engine->IsUpdateInProgress());
    EXPECT_EQ(module->Transfers().back().end, sim::TransferRecord::End::Aborted);
}

} // namespace
