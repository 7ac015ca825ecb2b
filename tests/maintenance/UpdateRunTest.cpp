// The update run without widgets, against the simulator: release updates with
// reboots and reconnects, the start checks, manual downloads, aborts and the
// shutdown of a running worker. Chunking, statuses and the erase phase are
// the engine's tests.
#include "MaintenanceFixture.h"

#include "maintenance/ReleaseUpdate.h"
#include "maintenance/StartReleaseUpdate.h"
#include "maintenance/UpdatePageRules.h"
#include "maintenance/UpdateRun.h"

#include <chrono>
#include <memory>
#include <optional>
#include <tuple>

namespace {

using namespace std::chrono_literals;
using sim::Profile;

constexpr auto kTick = 5ms;
constexpr auto kLimit = 90s;
const std::string kFpgaImage = "types/TARN/images/fpga0-1.1.rpd";
const std::string kFerrinImage = "types/TARN/images/ferrin-1.1.bin";
const std::string kSafeBootImage = "types/TARN/images/safeboot-1.0.iic";
using Bytes = std::vector<uint8_t>;
// A TARN setup that is not the factory's.
const Bytes kOwnSetup{0x04, 0x99, 0x1E, 0x9F};
const wchar_t* const kKept = L"The module's setup was kept.";
const wchar_t* const kNotKeptSafeBoot =
    L"Setup not kept: the module started in SafeBoot, so its setup could not be read.";

class UpdateRunTest : public MaintenanceFixture {
protected:
    // The program around the run: records what it is asked to show.
    struct Host : UpdateRunHostIF {
        explicit Host(UpdateRunTest& t) : test(t) {}
        CCmdEngine& Engine() override { return *test.engine; }
        CDialogServicesIF& Dialogs() override { return test.dialogs; }
        void ReportError(const std::wstring& text) override { statusLine = text; }
        void UpdateControls() override {}
        bool Connect(const std::string& serial) override { return test.Reconnect(serial); }
        void Disconnect() override { test.DropConnection(); }
        uint16_t RunPort() override { return runPort; }
        // From the worker; read only after it has been joined.
        void SetQuiet(bool q) override {
            quiet.push_back(q);
            test.session.SetQuiet(q);
        }
        PromptAnswer ConfirmReleaseUpdate(bool& force) override {
            ++prompts;
            force = promptForce;
            return promptAnswer;
        }
        void ShowProgress(int32_t, int, const std::wstring&) override {}
        void ShowStatus(int32_t, const std::wstring& text) override {
            status = text.empty() ? status : text;
        }
        void SetBusy(bool b) override { busy = b; }
        void StartTicks() override { ticking = true; }
        void StopTicks() override { ticking = false; }

        UpdateRunTest& test;
        std::wstring statusLine; // the last text
        std::wstring status;     // the last one shown
        std::vector<bool> quiet;
        PromptAnswer promptAnswer = PromptAnswer::Yes;
        bool promptForce = false;
        int prompts = 0;
        bool busy = false;
        bool ticking = false;
        uint16_t runPort = 0; // none: the run waits its countdown
    };

    void TearDown() override {
        run.reset();
        host.reset();
        dialogs.Clear();
        MaintenanceFixture::TearDown();
    }
    // A fresh TARN module at `from`, the run aiming at release `to` of the table.
    void Prepare(sim::Version from, VersionNumber to,
                 const std::function<void(sim::ModuleConfig&)>& change = {}) {
        Restart();
        ConnectModule(Profile::Tarn, from, change);
        SelectRelease(2, to);
        host = std::make_unique<Host>(*this);
        run = std::make_unique<UpdateRun>(*host);
        module->ClearLog();
    }
    // The run is closed: no worker, no update flag, not busy, no ticks.
    void ExpectIdle() {
        EXPECT_FALSE(run->IsRunning());
        EXPECT_FALSE(engine->IsUpdateInProgress());
        EXPECT_FALSE(host->busy);
        EXPECT_FALSE(host->ticking);
    }
    VersionNumber Installed() const {
        return VerifyRelease(table, engine->Module().IdentityView());
    }
    bool Start() { return StartReleaseUpdate(*run, release, desired, Installed()); }
    void Drive() { ASSERT_TRUE(DriveUntilClosed(*run, kTick, kLimit)); }
    void StartAndDrive() {
        ASSERT_TRUE(Start());
        Drive();
    }
    // A refused start: no run, nothing sent, this many boxes (the first one
    // `first` if given) and this status line.
    void ExpectRefused(size_t boxes, const std::wstring& statusLine,
                       const std::wstring& first = {}) {
        EXPECT_FALSE(Start());
        EXPECT_EQ(dialogs.boxes.size(), boxes);
        EXPECT_TRUE(first.empty() || (!dialogs.boxes.empty() && dialogs.boxes[0].text == first));
        EXPECT_EQ(host->statusLine, statusLine);
        EXPECT_EQ(module->RequestCount(), 0u);
        EXPECT_FALSE(run->IsRunning());
        dialogs.Clear();
    }
    // A closed run that failed: its result, the last status text and the status line.
    void ExpectFailed(upd::Code result, const std::wstring& status,
                      const std::wstring& statusLine) {
        EXPECT_EQ(run->LastResult(), result);
        EXPECT_EQ(host->status, status);
        EXPECT_EQ(host->statusLine, statusLine);
        EXPECT_TRUE(host->quiet.empty() || !host->quiet.back());
        ExpectIdle();
    }
    // A closed run that succeeded with this closing box.
    void ExpectSucceeded(const std::wstring& box) {
        EXPECT_EQ(run->LastResult(), upd::kOk);
        ASSERT_FALSE(dialogs.boxes.empty()); // a failed run shows no closing box
        EXPECT_EQ(dialogs.boxes.back().text, box);
        ExpectIdle();
    }
    bool StartManual(int32_t component, const std::string& file, bool withRelease = true) {
        return run->StartManual(component, Utf8ToWide(file), withRelease);
    }

    std::unique_ptr<Host> host;
    std::unique_ptr<UpdateRun> run;
};

// ---- Release updates ------------------------------------------------------------------------

TEST_F(UpdateRunTest, ReleaseUpdateBringsTheModuleToTheRelease) {
    // A module running SafeBoot counts one more step, has no verified release
    // (so no downgrade question) and is configured after the reboot; reporting
    // the release's Ferrin version there still gets it a working Ferrin. One
    // that cannot reboot itself is rebooted by the operator.
    enum Mode { kReboots, kSafeBoot, kSafeBootReleaseFerrin, kOperatorReboots };
    for (const Mode mode : {kReboots, kSafeBoot, kSafeBootReleaseFerrin, kOperatorReboots}) {
        SCOPED_TRACE(mode);
        const bool safeBoot = mode == kSafeBoot || mode == kSafeBootReleaseFerrin;
        Prepare({1, 0}, {1, 1}, [&](sim::ModuleConfig& c) {
            c.state.blocks[{0, 0}].data = kOwnSetup;
            if (safeBoot) {
                c.state.running = sim::RunningImage::SafeBoot;
                c.state.ferrinValid = false;
            }
            if (mode == kSafeBootReleaseFerrin)
                c.state.ferrin = {1, 1};
            c.behaviour.canReboot = mode != kOperatorReboots;
        });
        dialogs.onBox = [&](const std::wstring& text) {
            if (text != updatetext::ManualRebootText())
                return;
            EXPECT_EQ(disconnects, 1); // disconnected before the operator is asked
            module->PowerCycle(50ms);
            ASSERT_TRUE(module->WaitUntilPresent(5000ms));
        };
        StartAndDrive();

        // The downloads erased the setup; what was read before them is put
        // back. Nothing could be read from a module in SafeBoot.
        ExpectSucceeded(L"Update to Release '1.1' completed successfully.\n" +
                        std::wstring(safeBoot ? kNotKeptSafeBoot : kKept));
        EXPECT_EQ(module->State().blocks.at({0, 0}).data, safeBoot ? Bytes(4, 0) : kOwnSetup);
        EXPECT_EQ(host->status, L"Component 4 of 4 updated successfully.");
        EXPECT_EQ(host->prompts, 1);
        EXPECT_EQ(dialogs.Shown(updatetext::ManualRebootText()), mode == kOperatorReboots);
        // Ferrin, reboot, reconnects under the module's serial (none is known
        // in SafeBoot; the first attempts may come while the module is still
        // away), configure, then the FPGA and (since it changed) both tables.
        EXPECT_EQ(Counts({0x86, 0xA0, 0x9F, 0x87, 0xA1}), (Sizes{1, 1, 1, 1, 2}));
        EXPECT_EQ(module->BootCount(), 1u);
        ASSERT_FALSE(expectedSerials.empty());
        EXPECT_TRUE(mode != kOperatorReboots || expectedSerials.size() == 1u);
        for (const std::string& serial : expectedSerials)
            EXPECT_EQ(serial, safeBoot ? "" : "00001234");
        EXPECT_EQ(Frames(0x9F)[0].back(), 2);
        EXPECT_EQ(engine->Module().runningImage, kRunningFerrin);
        EXPECT_EQ(Installed(), (VersionNumber{1, 1}));
        // Quiet around the reboot and around the configure, loud at the end.
        EXPECT_EQ(host->quiet, (std::vector<bool>{true, false, true, false}));
    }
}

TEST_F(UpdateRunTest, TheSetupIsKeptOnlyWhereItCanBe) {
    // Kept, not kept when turned off and across a release behind: the
    // scenarios'. A write-back the module does not take, or takes and does
    // not keep, is said; so is an update that changes the module's type,
    // whose setup means something else.
    struct Case {
        const char* name;
        bool ignoresWrites;
        bool dropsWrites;                           // acknowledged, not stored
        std::optional<VersionNumber> orlan6Release; // the release of another type
        std::wstring note;
    };
    const Case cases[] = {
        {"not taken", true, false, std::nullopt,
         L"Setup not kept: the module did not take the setup when it was written back."},
        {"read back differs", false, true, std::nullopt,
         L"Setup not kept: the module did not keep the setup that was written back to it."},
        {"type change", false, false, VersionNumber{2, 1},
         L"Setup not kept: the update changes the module's type from TARN to ORLAN6."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prepare({1, 0}, {1, 1}, [&c](sim::ModuleConfig& m) {
            m.state.blocks[{0, 0}].data = kOwnSetup;
            m.behaviour.dropBlockWrites = c.dropsWrites;
        });
        if (c.ignoresWrites) {
            sim::Reply ignored = sim::Reply::Status(0);
            ignored.execute = false;
            module->ScriptAlways(0x8B, ignored);
        }
        if (c.orlan6Release)
            SelectRelease(kModuleTypeOrlan6, *c.orlan6Release);
        StartAndDrive();
        EXPECT_EQ(run->LastSetupNote(), c.note);
        EXPECT_NE(module->State().blocks.at({0, 0}).data, kOwnSetup);
    }
}

TEST_F(UpdateRunTest, ReconnectAttemptsUntilTheModuleIsBackOrGiveUp) {
    for (const int backAtAttempt : {3, 0}) { // 0: never
        SCOPED_TRACE(backAtAttempt);
        Prepare({1, 0}, {1, 1}, [](sim::ModuleConfig& m) { m.behaviour.rebootDelay = 1h; });
        onConnect = [&](int attempt) {
            if (attempt == backAtAttempt) {
                module->Plug();
                ASSERT_TRUE(module->WaitUntilPresent(5000ms));
            }
        };
        StartAndDrive();
        EXPECT_EQ(expectedSerials.size(), backAtAttempt ? 3u : 10u);
        if (backAtAttempt) {
            EXPECT_EQ(run->LastResult(), upd::kOk);
            continue;
        }
        ExpectFailed(upd::kLinkError, L"Unable to reconnect to the module!",
                     L"Connection error to module!\nSetup not kept: the module was not connected "
                     L"to write it back.");
        EXPECT_EQ(Count(0x87), 0u);
    }
}

TEST_F(UpdateRunTest, ReconnectsWhenItsPortIsBackElseAfterTheCountdown) {
    // The countdown is 400 ticks (over 2 s); the module is back after 300 ms.
    // A port that never goes away (another module's here, as a bridge that
    // keeps its node) must not be connected to before the countdown ends.
    using Clock = std::chrono::steady_clock;
    for (const bool watchOwnPort : {true, false}) {
        SCOPED_TRACE(watchOwnPort);
        Prepare({1, 0}, {1, 1});
        auto config = sim::MakeModule(Profile::Tarn);
        sim::SimulatedModule bridge(*config);
        ASSERT_TRUE(bridge.Start());
        host->runPort = watchOwnPort ? module->PortNumber() : bridge.PortNumber();
        run = std::make_unique<UpdateRun>(*host, UpdateTiming{400});
        std::optional<Clock::time_point> connected;
        onConnect = [&](int) { connected = connected.value_or(Clock::now()); };
        const auto start = Clock::now();
        StartAndDrive();
        EXPECT_EQ(run->LastResult(), upd::kOk);
        ASSERT_TRUE(connected);
        EXPECT_EQ(*connected - start < 2s, watchOwnPort);
    }
}

TEST_F(UpdateRunTest, StartChecksRefuseBeforeAnythingIsSent) {
    Prepare({1, 0}, {1, 1});
    const AssemblyRecord* selected = release;
    release = nullptr;
    ExpectRefused(1, L"");
    release = selected;
    // An unavailable confirmation box is the CLI's failure tests'.
    host->promptAnswer = PromptAnswer::No;
    ExpectRefused(0, L"Update was cancelled!");

    // The release names an FPGA or a table the description lacks.
    AssemblyRecord changed = *selected;
    changed.fpgas[5] = changed.fpgas.at(0);
    release = &changed;
    ExpectRefused(1, L"Release Update aborted due to error.");
    changed = *selected;
    changed.fpgas.at(0).lookupTables[7] = changed.fpgas.at(0).lookupTables[0];
    ExpectRefused(1, L"Release Update aborted due to error.");

    release = selected;
    fs::remove(Work(kSafeBootImage)); // the file error, the list, the abort
    ExpectRefused(3, L"");
    DropConnection();
    ExpectRefused(0, L"Not connected to a module.");
}

TEST_F(UpdateRunTest, QuestionsDeclinedRefuseAndAcceptedForceEverything) {
    // A module whose release does not verify is asked about by the release it reports.
    const std::tuple<VersionNumber, bool, std::wstring, std::wstring> cases[] = {
        {{1, 0}, false, updatetext::DowngradeQuestion(L"1.1", L"1.0"), L"Update was cancelled."},
        {{1, 0}, true, updatetext::DowngradeQuestion(L"1.1", L"1.0"), L"Update was cancelled."},
        {{1, 1}, false, updatetext::ForceAnywayQuestion(L"1.1"), updatetext::kNoUpdatesNeeded},
    };
    for (const auto& [to, unverified, question, declined] : cases) {
        SCOPED_TRACE(declined + (unverified ? L" unverified" : L""));
        Prepare({1, 1}, to, [unverified = unverified](sim::ModuleConfig& c) {
            if (unverified)
                c.state.fpgas[0].revision = {1, 5};
        });
        ASSERT_EQ(Installed().IsNone(), unverified);
        dialogs.AnswerNext(MsgResult::No);
        ExpectRefused(1, declined, question);
        // Yes forces every component (Ferrin once although equal) and skips the confirmation.
        StartAndDrive();
        ExpectSucceeded(L"Update to Release '" + ReleaseText(to) + L"' completed successfully.\n" +
                        kKept);
        EXPECT_EQ(host->prompts, 0);
        EXPECT_EQ(Counts({0x86, 0xA0, 0x87, 0xA1}), (Sizes{1, 1, 1, 2}));
        EXPECT_EQ(Installed(), to);
    }
}

TEST_F(UpdateRunTest, ForceFromThePromptUpdatesEqualComponents) {
    // Only a table differs: forced, everything goes; else only that table, without a reboot.
    for (const bool force : {true, false}) {
        SCOPED_TRACE(force);
        Prepare({1, 1}, {1, 1}, [](sim::ModuleConfig& c) {
            c.state.fpgas[0].tables[0].version = {1, 0};
        });
        host->promptForce = force;
        StartAndDrive();
        EXPECT_EQ(run->LastResult(), upd::kOk);
        EXPECT_EQ(Counts({0x86, 0x87, 0x9F, 0xA1}),
                  (force ? Sizes{1, 1, 1, 2} : Sizes{0, 0, 0, 1}));
    }
}

TEST_F(UpdateRunTest, ReleaseRunFailuresEndWithTheirText) {
    // An image that downloads but holds another version: Ferrin is tried three
    // times, an FPGA image (a table's goes the same way) fails the run at once (it must not claim
    // success). A failing chunk ends the run with the engine's text; Ferrin's
    // chunks fail first and the download column knows no JTAG codes.
    const std::wstring ferrinText =
        L"Ferrin is still at version 1.5 after 3 downloads of version 1.1; the update was stopped.";
    const std::wstring fpgaText = updatetext::ComponentMismatchText(0, {}, L"1.1", L"1.0");
    struct Case {
        std::string image; // rewritten to announce `version`
        std::string version;
        upd::Code result;
        std::wstring status, statusLine;
        Sizes counts; // of 0x86, 0xA0, 0x87
    };
    const std::wstring chunkFailed = L"Component 1 of 4 updated unsuccessfully!";
    // A run that fails after its first erasing download still puts the setup
    // back and says whether it could: not where every data chunk fails.
    const std::wstring kept = std::wstring(L"\n") + kKept;
    const std::wstring notTaken =
        L"\nSetup not kept: the module did not take the setup when it was written back.";
    const Case cases[] = {
        {kFerrinImage,
         "1.5",
         upd::kFerrinNotAccepted,
         ferrinText + kept,
         ferrinText + kept,
         {3, 3, 0}},
        {kFpgaImage, "1.0", upd::kComponentMismatch, fpgaText + kept, fpgaText + kept, {1, 1, 1}},
        {"", "", upd::kUnknown, chunkFailed, L"Unknown error!" + notTaken, {1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        Prepare({1, 0}, {1, 1}, [](sim::ModuleConfig& m) {
            m.state.blocks[{0, 0}].data = kOwnSetup;
        });
        if (c.image.empty())
            module->ScriptAlways(0x88, sim::Reply::Status(0xF9));
        else
            WriteFile(Work(c.image), SampleImage(c.version, 3072));
        StartAndDrive();
        ExpectFailed(c.result, c.status, c.statusLine);
        EXPECT_EQ(Counts({0x86, 0xA0, 0x87}), c.counts);
        EXPECT_TRUE(dialogs.boxes.empty());
        EXPECT_EQ(Installed().IsNone(), !c.image.empty());
        EXPECT_EQ(module->State().blocks.at({0, 0}).data,
                  c.image.empty() ? Bytes(4, 0) : kOwnSetup);
    }
    // Ferrin taken at its second download: a Ferrin sent again is counted
    // again, and the texts end on "5 of 5", never "5 of 4".
    Prepare({1, 0}, {1, 1});
    WriteFile(Work(kFerrinImage), SampleImage("1.5", 3072));
    onConnect = [&](int) { WriteFile(Work(kFerrinImage), SampleImage("1.1", 3072)); };
    StartAndDrive();
    EXPECT_EQ(run->LastResult(), upd::kOk);
    EXPECT_EQ(Count(0x86), 2u);
    EXPECT_EQ(host->status, L"Component 5 of 5 updated successfully.");
}

// ---- Manual downloads -----------------------------------------------------------------------

TEST_F(UpdateRunTest, ManualDownloadOfEachComponent) {
    // SafeBoot goes as Ferrin does (the CLI's download test has it reach the module).
    const wchar_t* reboot = L"Reboot the module for the newly updated firmware to take effect!";
    const std::tuple<int32_t, std::string, const wchar_t*, bool> cases[] = {
        {kComponentFerrin, kFerrinImage, reboot, true},
        {0, kFpgaImage, L"FPGA firmware has been automatically reloaded into the FPGA.", false},
    };
    for (const auto& [component, file, message, disconnected] : cases) {
        SCOPED_TRACE(file);
        Prepare({1, 0}, {1, 1});
        ASSERT_TRUE(StartManual(component, file));
        EXPECT_TRUE(host->busy);
        EXPECT_TRUE(engine->IsUpdateInProgress());
        Drive();
        ExpectSucceeded(message);
        EXPECT_EQ(disconnects, disconnected ? 1 : 0);
        ASSERT_EQ(module->Transfers().size(), 1u);
        EXPECT_EQ(module->Transfers()[0].end, sim::TransferRecord::End::Finished);
    }
}

TEST_F(UpdateRunTest, AnAbortNoChunkTookDoesNotStopTheNextRun) {
    // Aborts that are taken: closing below, the page's and the engine's tests.
    Prepare({1, 0}, {1, 1});
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(StartManual(0, kFpgaImage));
        Drive();
        EXPECT_EQ(run->LastResult(), upd::kOk);
        engine->Channel().RequestAbort(); // as the download ended
    }
    EXPECT_EQ(Count(0x91), 0u);
}

TEST_F(UpdateRunTest, ManualFailuresAndRefusals) {
    Prepare({1, 0}, {1, 1});
    // JTAG statuses of every kind are the fault matrix's; here one comes mid-image.
    module->Script(0x88, sim::Reply::Status(0xF9).After(2));
    ASSERT_TRUE(StartManual(0, kFpgaImage));
    Drive();
    EXPECT_EQ(host->statusLine, L"JTAG TDO mismatch!");
    ExpectIdle();
    // Over 64 KiB, and SafeBoot without a release: refused before anything is
    // sent, and the run closes.
    WriteFile(Work("big.bin"), SampleImage("1.1", 70000));
    const std::tuple<int32_t, std::string, bool, std::wstring> refused[] = {
        {kComponentFerrin, "big.bin", true, L"Image is too large for this component!"},
        {kComponentSafeBoot, kSafeBootImage, false,
         L"No release assembly is available for the selected module type."},
    };
    for (const auto& [component, file, withRelease, statusLine] : refused) {
        module->ClearLog();
        ASSERT_TRUE(StartManual(component, file, withRelease));
        Drive();
        EXPECT_EQ(host->statusLine, statusLine);
        ExpectIdle();
        EXPECT_EQ(module->RequestCount(), 0u);
    }
    EXPECT_TRUE(dialogs.boxes.empty());
    // A file that does not open: the file-error box and no run.
    EXPECT_FALSE(StartManual(0, "no/such/file.rpd"));
    EXPECT_EQ(dialogs.fileErrors, std::vector<std::wstring>{L"no/such/file.rpd"});
    EXPECT_FALSE(run->IsRunning());
}

// ---- Closing ------------------------------------------------------------------------------

TEST_F(UpdateRunTest, ClosingWhileARunIsGoing) {
    // A long erase phase keeps the download going while the test acts.
    Prepare({1, 0}, {1, 1}, [](sim::ModuleConfig& m) {
        m.behaviour.eraseFrames = 30;
        m.behaviour.pendingInterval = 50ms;
    });
    ASSERT_TRUE(StartManual(0, kFpgaImage));
    ASSERT_TRUE(module->WaitForRequest(0x87, 10s));
    dialogs.AnswerNext(MsgResult::No);
    EXPECT_FALSE(run->QueryClose());
    EXPECT_TRUE(run->IsRunning());

    dialogs.AnswerNext(MsgResult::Yes);
    const auto start = Clock::now();
    EXPECT_TRUE(run->QueryClose());
    EXPECT_LT(Clock::now() - start, 20s);
    ExpectIdle();
    EXPECT_EQ(run->LastResult(), upd::kAborted);
    EXPECT_EQ(Counts({0x91, 0x88}), (Sizes{1, 0}));
    EXPECT_TRUE(run->QueryClose()); // idle: no question
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}

TEST_F(UpdateRunTest, DestroyingARunReleasesAWorkerThatWaitsForTheGui) {
    Prepare({1, 0}, {1, 1}, [](sim::ModuleConfig& m) { m.behaviour.rebootDelay = 1h; });
    ASSERT_TRUE(Start());
    // Tick until the worker waits for the reconnect (the module is away).
    ASSERT_TRUE(module->WaitUntilAway(30s));
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(kTick);
        run->Tick();
    }
    EXPECT_TRUE(run->IsRunning());
    const auto start = Clock::now();
    run.reset();
    EXPECT_LT(Clock::now() - start, 20s);
    EXPECT_FALSE(engine->IsUpdateInProgress());
    EXPECT_FALSE(host->quiet.back());
}

} // namespace

// The Update page's rules: which groups show and which controls may be used.
TEST(UpdatePageRules, GroupsFollowTheOptionsAndWritesWaitForDownloads) {
    using C = UpdateControl;
    const C all[] = {C::HardwareGroup, C::VersionsGroup, C::DownloadGroup, C::ManualAbortShown,
                     C::NameEnter,     C::AssemblyEnter, C::FileCombo,     C::ManualUpdate,
                     C::ManualAbort,   C::ReleaseUpdate};
    struct Case {
        UpdatePageState state; // m, d, ferrin, in progress, busy, SafeBoot chosen
        std::string allowed;   // one letter per control of `all`: y or n
    };
    const Case cases[] = {
        {{false, false, true, false, false, false}, "nnnnyyyyny"},
        {{true, false, true, false, false, false}, "yynnyyyyny"},
        {{false, true, true, false, false, false}, "nnyyyyyyny"},
        {{false, true, true, false, false, true}, "nnynyyyyny"},   // SafeBoot: no Abort
        {{false, true, false, false, false, false}, "nnyynynnny"}, // SafeBoot running
        {{true, true, true, true, false, false}, "ynyynnnnnn"},    // a download holds the engine
        {{false, true, true, false, true, false}, "nnyyyyynyy"},   // the manual download asked
    };
    for (const Case& c : cases) {
        std::string allowed;
        for (const C control : all)
            allowed += UpdateControlAllowed(control, c.state) ? 'y' : 'n';
        EXPECT_EQ(allowed, c.allowed) << c.state.optionM << c.state.optionD << c.state.ferrin
                                      << c.state.inProgress << c.state.busy;
    }
}
