// The update run without widgets, against the simulator: release updates with
// reboots and reconnects, the start checks, manual downloads, aborts, the
// tick and the shutdown of a running worker.
#include "UpdateFixture.h"

#include "descriptions/XmlText.h"
#include "maintenance/ReleaseUpdate.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <tuple>

namespace {

using namespace std::chrono_literals;
using sim::Profile;

constexpr auto kTick = 5ms;
constexpr auto kLimit = 90s;

const std::wstring kConnectionError = L"Connection error to module!";

class UpdateRunTest : public UpdateFixture {
protected:
    // The program around the run: records what it is asked to show.
    struct Host : UpdateRunHostIF {
        explicit Host(UpdateRunTest& t) : test(t) {}
        CCmdEngine& Engine() override { return *test.engine; }
        CDialogServicesIF& Dialogs() override { return test.dialogs; }
        void ReportError(const std::wstring& text) override { statusLine.push_back(text); }
        void UpdateControls() override { ++refreshes; }
        bool Connect(const std::string& serial) override { return test.Reconnect(serial); }
        void Disconnect() override { test.DropConnection(); }
        void SetQuiet(bool q) override {
            std::lock_guard lock(mutex);
            quiet.push_back(q);
        }
        PromptAnswer ConfirmReleaseUpdate(bool& force) override {
            ++prompts;
            force = promptForce;
            return promptAnswer;
        }
        void ShowProgress(int32_t state, int position, const std::wstring& text) override {
            progress.emplace_back(state, position, text);
        }
        void ShowStatus(int32_t state, const std::wstring& text) override {
            if (!text.empty())
                statuses.emplace_back(state, text);
        }
        void SetBusy(bool b) override { busy = b; }
        void StartTicks() override { ticking = true; }
        void StopTicks() override { ticking = false; }

        std::wstring LastStatusLine() const {
            return statusLine.empty() ? std::wstring() : statusLine.back();
        }
        bool StatusShown(const std::wstring& text) const {
            return std::any_of(statuses.begin(), statuses.end(),
                               [&](const auto& s) { return s.second == text; });
        }
        std::vector<bool> QuietHistory() {
            std::lock_guard lock(mutex);
            return quiet;
        }

        UpdateRunTest& test;
        std::vector<std::wstring> statusLine;
        std::vector<std::tuple<int32_t, int, std::wstring>> progress;
        std::vector<std::pair<int32_t, std::wstring>> statuses;
        std::mutex mutex;
        std::vector<bool> quiet;
        PromptAnswer promptAnswer = PromptAnswer::Yes;
        bool promptForce = false;
        int prompts = 0;
        int refreshes = 0;
        bool busy = false;
        bool ticking = false;
    };

    void MakeRun(UpdateTiming timing = {}) {
        host = std::make_unique<Host>(*this);
        run = std::make_unique<UpdateRun>(*host, timing);
    }
    void TearDown() override {
        run.reset();
        host.reset();
        UpdateFixture::TearDown();
    }

    // A TARN module at `from`, the run aiming at release `to` of the table.
    void Prepare(sim::Version from, VersionNumber to,
                 const std::function<void(sim::ModuleConfig&)>& change = {}) {
        ConnectModule(Profile::Tarn, from, change);
        SelectRelease(2, to);
        MakeRun();
        module->ClearLog();
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
    bool StartManual(int32_t component, const std::string& file, bool withRelease = true) {
        return run->StartManual(component, Utf8ToWide(file), withRelease);
    }

    HookedDialogs dialogs;
    std::unique_ptr<Host> host;
    std::unique_ptr<UpdateRun> run;
};

// ---- Release updates ------------------------------------------------------------------------

TEST_F(UpdateRunTest, OlderTarnModuleIsBroughtToTheRelease) {
    Prepare({1, 0}, {1, 1});
    StartAndDrive();

    EXPECT_EQ(run->LastResult(), 0);
    EXPECT_EQ(host->prompts, 1);
    EXPECT_TRUE(dialogs.Shown(L"Update to Release '1.1' completed successfully."));
    EXPECT_EQ(dialogs.boxes.back().caption, L"Update Successful!");
    EXPECT_EQ(host->LastStatusLine(), L"Update completed successfully.");
    // Ferrin, reboot, one reconnect under the module's serial, configure,
    // then the FPGA and (since it changed) both of its tables.
    EXPECT_EQ(Count(0x86), 1u);
    EXPECT_EQ(Count(0xA0), 1u);
    EXPECT_EQ(module->BootCount(), 1u);
    // The first attempts may come while the module is still away.
    ASSERT_FALSE(expectedSerials.empty());
    for (const std::string& serial : expectedSerials)
        EXPECT_EQ(serial, "00001234");
    ASSERT_EQ(Count(0x9F), 1u);
    EXPECT_EQ(Frames(0x9F)[0].back(), 2);
    EXPECT_EQ(Count(0x87), 1u);
    EXPECT_EQ(Count(0xA1), 2u);
    EXPECT_TRUE(host->StatusShown(L"Component 4 of 4 updated successfully."));
    EXPECT_EQ(host->progress.back(), std::make_tuple(kRunRelease, 100, std::wstring(L"100.0%")));

    const ModuleRecord& m = engine->Module();
    EXPECT_EQ(m.ferrin.version, (VersionNumber{1, 1}));
    EXPECT_EQ(m.release, (VersionNumber{1, 1}));
    EXPECT_EQ(m.fpgas.at(0).firmware.version, (VersionNumber{1, 1}));
    EXPECT_EQ(m.fpgas.at(0).lookupTables.at(0).version, (VersionNumber{1, 1}));
    EXPECT_EQ(m.fpgas.at(0).lookupTables.at(1).version, (VersionNumber{1, 0}));
    EXPECT_EQ(Installed(), (VersionNumber{1, 1}));
    EXPECT_EQ(module->State().release, (sim::Version{1, 1}));

    // Quiet around the reboot and around the configure, loud at the end.
    EXPECT_EQ(host->QuietHistory(), (std::vector<bool>{true, false, true, false}));
    EXPECT_FALSE(run->IsRunning());
    EXPECT_FALSE(engine->IsUpdateInProgress());
    EXPECT_FALSE(host->busy);
    EXPECT_FALSE(host->ticking);
}

TEST_F(UpdateRunTest, ModuleRunningSafeBootCountsOneMoreStepAndIsConfigured) {
    Prepare({1, 0}, {1, 1}, [](sim::ModuleConfig& c) {
        c.state.running = sim::RunningImage::SafeBoot;
        c.state.ferrinValid = false;
    });
    ASSERT_EQ(engine->Module().runningImage, kRunningSafeBoot);
    EXPECT_FALSE(engine->IsConfigurationValid());
    StartAndDrive();

    EXPECT_EQ(run->LastResult(), 0);
    // Unknown installed release: no downgrade question, the prompt instead.
    EXPECT_EQ(host->prompts, 1);
    EXPECT_TRUE(host->StatusShown(L"Component 4 of 5 updated successfully."));
    EXPECT_EQ(Count(0x9F), 1u);
    EXPECT_EQ(engine->Module().runningImage, kRunningFerrin);
    EXPECT_EQ(Installed(), (VersionNumber{1, 1}));
}

TEST_F(UpdateRunTest, ModuleThatCannotRebootItselfIsRebootedByTheOperator) {
    Prepare({1, 0}, {1, 1}, [](sim::ModuleConfig& c) { c.behaviour.canReboot = false; });
    const std::wstring rebootBox =
        L"Ferrin has been successfully updated.\nYou must now reboot the "
        L"module.\n\nPress OK when this is done.";
    dialogs.onBox = [&](const std::wstring& text) {
        if (text != rebootBox)
            return;
        EXPECT_EQ(disconnects, 1); // disconnected before the operator is asked
        module->PowerCycle(50ms);
        ASSERT_TRUE(module->WaitUntilPresent(5000ms));
    };
    StartAndDrive();

    EXPECT_EQ(run->LastResult(), 0);
    EXPECT_TRUE(dialogs.Shown(rebootBox));
    EXPECT_EQ(expectedSerials.size(), 1u);
    EXPECT_EQ(engine->Module().ferrin.version, (VersionNumber{1, 1}));
}

TEST_F(UpdateRunTest, ReconnectAttemptsUntilTheModuleIsBackOrGiveUp) {
    struct Case {
        const char* name;
        int backAtAttempt; // 0: never
        int32_t result;
        size_t attempts;
    };
    const Case cases[] = {{"slow module", 3, 0, 3}, {"module that never returns", 0, -13, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prepare({1, 0}, {1, 1}, [](sim::ModuleConfig& m) { m.behaviour.rebootDelay = 1h; });
        onConnect = [&](int attempt) {
            if (attempt == c.backAtAttempt) {
                module->Plug();
                ASSERT_TRUE(module->WaitUntilPresent(5000ms));
            }
        };
        StartAndDrive();
        EXPECT_EQ(run->LastResult(), c.result);
        EXPECT_EQ(expectedSerials.size(), c.attempts);
        if (c.result != 0) {
            EXPECT_EQ(host->statuses.back().second, L"Unable to reconnect to the module!");
            EXPECT_EQ(host->LastStatusLine(), kConnectionError);
            EXPECT_EQ(Count(0x87), 0u);
        }
        EXPECT_FALSE(host->QuietHistory().back());
        TearDown();
        SetUp();
        expectedSerials.clear();
    }
}

TEST_F(UpdateRunTest, DowngradeAsksWithInstalledThenSelectedRelease) {
    const std::wstring question =
        L"Continuing with this update would actually downgrade the module\nfrom Release '1.1' to "
        L"Release '1.0'.\n\nDo you wish to proceed with this downgrade?";
    for (const MsgResult answer : {MsgResult::No, MsgResult::Yes}) {
        Prepare({1, 1}, {1, 0});
        dialogs.AnswerNext(answer);
        if (answer == MsgResult::No) {
            EXPECT_FALSE(Start());
            EXPECT_EQ(host->LastStatusLine(), L"Update was cancelled.");
            EXPECT_EQ(module->RequestCount(), 0u);
        } else {
            StartAndDrive();
            EXPECT_EQ(run->LastResult(), 0);
            EXPECT_EQ(host->prompts, 0); // Yes forces and skips the confirmation
            EXPECT_EQ(Count(0xA1), 2u);
            EXPECT_EQ(Installed(), (VersionNumber{1, 0}));
        }
        EXPECT_EQ(dialogs.boxes.front().text, question);
        TearDown();
        SetUp();
        dialogs.Clear();
    }
}

TEST_F(UpdateRunTest, NothingToUpdateAsksWhetherToForce) {
    const std::wstring question = L"All components already updated to Release '1.1'.\n\nDo you "
                                  L"wish to force all components to update anyway?";
    Prepare({1, 1}, {1, 1});
    dialogs.AnswerNext(MsgResult::No);
    EXPECT_FALSE(Start());
    EXPECT_EQ(dialogs.BoxTexts(), std::vector<std::wstring>{question});
    EXPECT_EQ(host->LastStatusLine(), L"No updates were needed.");
    EXPECT_EQ(module->RequestCount(), 0u);

    // Forced: Ferrin once although its version is equal, then everything.
    dialogs.AnswerNext(MsgResult::Yes);
    StartAndDrive();
    EXPECT_EQ(run->LastResult(), 0);
    EXPECT_EQ(host->prompts, 0);
    EXPECT_EQ(Count(0x86), 1u);
    EXPECT_EQ(Count(0xA0), 1u);
    EXPECT_EQ(Count(0x87), 1u);
    EXPECT_EQ(Count(0xA1), 2u);
    EXPECT_TRUE(dialogs.Shown(L"Update to Release '1.1' completed successfully."));
}

TEST_F(UpdateRunTest, ForceFromThePromptUpdatesEqualComponents) {
    // Only a table differs; with the force box checked everything goes.
    Prepare({1, 1}, {1, 1}, [](sim::ModuleConfig& c) {
        c.state.fpgas[0].tables[0].version = {1, 0};
    });
    host->promptForce = true;
    StartAndDrive();
    EXPECT_EQ(run->LastResult(), 0);
    EXPECT_EQ(Count(0x86), 1u);
    EXPECT_EQ(Count(0xA1), 2u);

    // Without force only that table is sent, and no reboot is needed.
    TearDown();
    SetUp();
    Prepare({1, 1}, {1, 1}, [](sim::ModuleConfig& c) {
        c.state.fpgas[0].tables[0].version = {1, 0};
    });
    StartAndDrive();
    EXPECT_EQ(run->LastResult(), 0);
    EXPECT_EQ(Count(0x86), 0u);
    EXPECT_EQ(Count(0x87), 0u);
    ASSERT_EQ(Count(0xA1), 1u);
    EXPECT_EQ(Count(0x9F), 0u);
    EXPECT_TRUE(host->StatusShown(L"Component 1 of 1 updated successfully."));
}

TEST_F(UpdateRunTest, MissingReleaseFileRefusesTheUpdate) {
    Prepare({1, 0}, {1, 1});
    fs::remove(Work("types/TARN/images/safeboot-1.0.iic"));
    EXPECT_FALSE(Start());
    EXPECT_EQ(dialogs.fileErrors, std::vector<std::wstring>{L"types/TARN/images/safeboot-1.0.iic"});
    const auto texts = dialogs.BoxTexts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1], L"The following files are required for this update,\nbut are missing or "
                        L"unreadable:\n    types/TARN/images/safeboot-1.0.iic\n");
    EXPECT_EQ(texts[2], L"Since one or more of the update files is missing or unreadable,\nthe "
                        L"update to Release '1.1' is being aborted.\nThe module is still at "
                        L"Release '1.0'.\n\nContact Varnet support for assistance.");
    EXPECT_EQ(module->RequestCount(), 0u);
    EXPECT_FALSE(run->IsRunning());
}

TEST_F(UpdateRunTest, ReleaseNamingAnUndefinedFpgaOrTableIsRefused) {
    struct Case {
        const char* name;
        std::function<void(AssemblyRecord&)> change;
        std::wstring text;
    };
    const Case cases[] = {
        {"FPGA 5", [](AssemblyRecord& r) { r.fpgas[5] = r.fpgas.at(0); },
         FpgaDefinitionMissingText(5)},
        {"table 7",
         [](AssemblyRecord& r) {
             r.fpgas.at(0).lookupTables[7] = r.fpgas.at(0).lookupTables.at(0);
         },
         TableDefinitionMissingText(7)},
    };
    Prepare({1, 0}, {1, 1});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.Clear();
        AssemblyRecord changed = *release;
        c.change(changed);
        EXPECT_FALSE(StartReleaseUpdate(*run, &changed, desired, Installed()));
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, c.text);
        EXPECT_EQ(dialogs.boxes[0].caption, L"Attention!");
        EXPECT_EQ(host->LastStatusLine(), L"Release Update aborted due to error.");
    }
    EXPECT_EQ(FpgaDefinitionMissingText(5),
              L"The definition for FPGA id '5' does not exist; the update cannot continue!\n"
              L"Contact Varnet support for assistance.");
    EXPECT_EQ(module->RequestCount(), 0u);
}

TEST_F(UpdateRunTest, StartRefusals) {
    Prepare({1, 0}, {1, 1});
    // No release selected.
    EXPECT_FALSE(StartReleaseUpdate(*run, nullptr, desired, Installed()));
    EXPECT_EQ(dialogs.BoxTexts(),
              std::vector<std::wstring>{L"A Release Version must be selected!"});
    // The prompt declined or not available.
    for (const auto& [answer, text] :
         {std::pair{PromptAnswer::No, L"Update was cancelled!"},
          std::pair{PromptAnswer::Unavailable,
                    L"Could not display the confirmation box, so update was cancelled!"}}) {
        host->promptAnswer = answer;
        EXPECT_FALSE(Start());
        EXPECT_EQ(host->LastStatusLine(), text);
    }
    // Not connected.
    DropConnection();
    EXPECT_FALSE(Start());
    EXPECT_EQ(host->LastStatusLine(), L"Not connected to a module.");
    EXPECT_EQ(module->RequestCount(), 0u);
}

TEST_F(UpdateRunTest, FerrinThatNeverTakesEndsAfterThreeDownloads) {
    // The image announces another version than the release's.
    WriteFile(Work("types/TARN/images/ferrin-1.1.bin"), SampleImage("1.5", 3072));
    Prepare({1, 0}, {1, 1});
    StartAndDrive();
    const std::wstring text =
        L"Ferrin is still at version 1.5 after 3 downloads of version 1.1; the update was stopped.";
    EXPECT_EQ(run->LastResult(), upd::kFerrinNotAccepted);
    EXPECT_EQ(Count(0x86), 3u);
    EXPECT_EQ(Count(0xA0), 3u);
    EXPECT_EQ(Count(0x87), 0u);
    EXPECT_EQ(host->statuses.back().second, text);
    EXPECT_EQ(host->LastStatusLine(), text);
}

TEST_F(UpdateRunTest, FailedDownloadEndsTheRunWithItsText) {
    Prepare({1, 0}, {1, 1});
    module->ScriptAlways(0x88, sim::Reply::Status(0xF9));
    // Ferrin's chunks fail first: the download column knows no JTAG codes.
    StartAndDrive();
    EXPECT_EQ(run->LastResult(), eng::kUnknown);
    EXPECT_EQ(host->statuses.back().second, L"Component 1 of 4 updated unsuccessfully!");
    EXPECT_EQ(host->LastStatusLine(), L"Unknown error!");
    EXPECT_EQ(Count(0xA0), 0u);
}

// ---- Manual downloads -----------------------------------------------------------------------

TEST_F(UpdateRunTest, ManualDownloadOfEachComponent) {
    struct Case {
        int32_t component;
        const char* file;
        const wchar_t* message;
        bool disconnects;
    };
    const Case cases[] = {
        {kComponentFerrin, "types/TARN/images/ferrin-1.1.bin",
         L"Reboot the module for the newly updated firmware to take effect!", true},
        {kComponentSafeBoot, "types/TARN/images/safeboot-1.0.iic",
         L"Reboot the module for the newly updated firmware to take effect!", true},
        {0, "types/TARN/images/fpga0-1.1.rpd",
         L"FPGA firmware has been automatically reloaded into the FPGA.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        // A long erase phase lets the ticks see the bar move.
        Prepare({1, 0}, {1, 1}, [](sim::ModuleConfig& m) {
            m.behaviour.eraseFrames = 20;
            m.behaviour.pendingInterval = 20ms;
        });
        ASSERT_TRUE(StartManual(c.component, c.file));
        EXPECT_TRUE(host->busy);
        EXPECT_TRUE(engine->IsUpdateInProgress());
        Drive();
        EXPECT_EQ(run->LastResult(), 0);
        EXPECT_EQ(dialogs.boxes.back().text, c.message);
        EXPECT_EQ(dialogs.boxes.back().caption, L"Update Successful!");
        EXPECT_EQ(host->LastStatusLine(), L"Update completed successfully.");
        EXPECT_EQ(disconnects, c.disconnects ? 1 : 0);
        EXPECT_TRUE(std::any_of(host->progress.begin(), host->progress.end(), [](const auto& p) {
            return std::get<0>(p) == kRunManual && std::get<1>(p) > 0 && std::get<1>(p) < 100;
        }));
        EXPECT_EQ(host->progress.back(), std::make_tuple(kRunManual, 100, std::wstring(L"100.0%")));
        ASSERT_EQ(module->Transfers().size(), 1u);
        EXPECT_EQ(module->Transfers()[0].end, sim::TransferRecord::End::Finished);
        EXPECT_FALSE(engine->IsUpdateInProgress());
        TearDown();
        SetUp();
        dialogs.Clear();
        disconnects = 0;
    }
}

TEST_F(UpdateRunTest, ManualAbortEndsFerrinAndFpgaDownloads) {
    for (const int32_t component : {kComponentFerrin, 0}) {
        SCOPED_TRACE(component);
        Prepare({1, 0}, {1, 1}, [](sim::ModuleConfig& m) {
            m.behaviour.eraseFrames = 40;
            m.behaviour.pendingInterval = 50ms;
        });
        ASSERT_TRUE(StartManual(component, component == 0 ? "types/TARN/images/fpga0-1.1.rpd"
                                                          : "types/TARN/images/ferrin-1.1.bin"));
        // The abort is taken before the first chunk, after the 2 s erase.
        run->RequestAbort();
        Drive();
        EXPECT_EQ(run->LastResult(), eng::kAborted);
        EXPECT_EQ(host->LastStatusLine(), L"Update was aborted!");
        EXPECT_EQ(Count(0x91), 1u);
        EXPECT_EQ(Count(0x88), 0u);
        EXPECT_EQ(disconnects, 0);
        TearDown();
        SetUp();
    }
}

TEST_F(UpdateRunTest, AnAbortThatNoChunkTookDoesNotStopTheNextRun) {
    Prepare({1, 0}, {1, 1});
    ASSERT_TRUE(StartManual(0, "types/TARN/images/fpga0-1.1.rpd"));
    Drive();
    ASSERT_EQ(run->LastResult(), eng::kOk);
    engine->Channel().RequestAbort(); // pressed as the download ended
    ASSERT_TRUE(StartManual(0, "types/TARN/images/fpga0-1.1.rpd"));
    Drive();
    EXPECT_EQ(run->LastResult(), eng::kOk);
    EXPECT_EQ(Count(0x91), 0u);
}

TEST_F(UpdateRunTest, ManualFailuresAndRefusals) {
    struct Case {
        const char* name;
        int32_t component;
        std::string file;
        bool withRelease;
        std::function<void(sim::SimulatedModule&)> script;
        std::wstring statusLine;
    };
    const Case cases[] = {
        {"JTAG TDO", 0, "types/TARN/images/fpga0-1.1.rpd", true,
         [](sim::SimulatedModule& m) { m.Script(0x88, sim::Reply::Status(0xF9).After(2)); },
         L"JTAG TDO mismatch!"},
        {"JTAG instruction", 0, "types/TARN/images/fpga0-1.1.rpd", true,
         [](sim::SimulatedModule& m) { m.Script(0x88, sim::Reply::Status(0xF8)); },
         L"Bad JTAG instruction!"},
        {"module silent", 0, "types/TARN/images/fpga0-1.1.rpd", true,
         [](sim::SimulatedModule& m) { m.Script(0x87, sim::Reply::Silence()); },
         L"Connection to module timed out!"},
        {"Ferrin over 64 KiB",
         kComponentFerrin,
         "big.bin",
         true,
         {},
         L"Image is too large for this component!"},
        {"SafeBoot over 64 KiB",
         kComponentSafeBoot,
         "big.bin",
         true,
         {},
         L"Image is too large for this component!"},
        {"Ferrin without release",
         kComponentFerrin,
         "types/TARN/images/ferrin-1.1.bin",
         false,
         {},
         L"No release assembly is available for the selected module type."},
        {"SafeBoot without release",
         kComponentSafeBoot,
         "types/TARN/images/safeboot-1.0.iic",
         false,
         {},
         L"No release assembly is available for the selected module type."},
    };
    Prepare({1, 0}, {1, 1});
    WriteFile(Work("big.bin"), SampleImage("1.1", 70000));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        module->ClearLog();
        module->ClearScripts();
        if (c.script)
            c.script(*module);
        ASSERT_TRUE(StartManual(c.component, c.file, c.withRelease));
        Drive();
        EXPECT_EQ(host->LastStatusLine(), c.statusLine);
        EXPECT_FALSE(run->IsRunning());
        EXPECT_FALSE(engine->IsUpdateInProgress());
        EXPECT_FALSE(host->busy);
        if (c.file == "big.bin" || !c.withRelease) {
            EXPECT_EQ(module->RequestCount(), 0u);
        }
        // The module answers again for the next case.
        module->ClearScripts();
        if (!engine->IsConnected() || c.name == std::string("module silent")) {
            ASSERT_TRUE(Reconnect(""));
        }
    }
    EXPECT_TRUE(dialogs.boxes.empty());

    // A file that does not open: the file-error box and no run.
    EXPECT_FALSE(StartManual(0, "no/such/file.rpd"));
    EXPECT_EQ(dialogs.fileErrors, std::vector<std::wstring>{L"no/such/file.rpd"});
    EXPECT_FALSE(run->IsRunning());
}

// ---- Tick, mailbox, closing -----------------------------------------------------------------

TEST_F(UpdateRunTest, ProgressDisplayRoundsAndFormats) {
    const std::tuple<float, int, const wchar_t*> cases[] = {
        {0.0f, 0, L"0.0%"},        {0.5f, 50, L"50.0%"},   {0.004f, 0, L"0.4%"},
        {0.9996f, 100, L"100.0%"}, {1.0f, 100, L"100.0%"}, {0.123f, 12, L"12.3%"},
    };
    for (const auto& [fraction, position, text] : cases) {
        EXPECT_EQ(ProgressPosition(fraction), position) << fraction;
        EXPECT_EQ(ProgressPercentText(fraction), text) << fraction;
    }
    Prepare({1, 0}, {1, 1});
    engine->SetProgress(0.9996f);
    run->Tick();
    ASSERT_EQ(host->progress.size(), 1u);
    EXPECT_EQ(host->progress[0], std::make_tuple(kRunIdle, 100, std::wstring(L"100.0%")));
}

TEST_F(UpdateRunTest, MailboxShowsOnlyTheLaterOfTwoTexts) {
    Prepare({1, 0}, {1, 1}, [](sim::ModuleConfig& m) {
        m.behaviour.eraseFrames = 40;
        m.behaviour.pendingInterval = 50ms;
    });
    ASSERT_TRUE(StartManual(0, "types/TARN/images/fpga0-1.1.rpd"));
    run->Post(L"first");
    run->Post(L"second");
    run->Tick();
    run->Tick();
    ASSERT_EQ(host->statuses.size(), 1u);
    EXPECT_EQ(host->statuses[0], std::make_pair(kRunManual, std::wstring(L"second")));
    run->RequestAbort();
    Drive();
}

TEST_F(UpdateRunTest, ClosingWhileARunIsGoing) {
    Prepare({1, 0}, {1, 1}, [](sim::ModuleConfig& m) {
        m.behaviour.eraseFrames = 30;
        m.behaviour.pendingInterval = 50ms;
    });
    ASSERT_TRUE(StartManual(0, "types/TARN/images/fpga0-1.1.rpd"));
    ASSERT_TRUE(module->WaitForRequest(0x87, 10s));
    dialogs.AnswerNext(MsgResult::No);
    EXPECT_FALSE(run->QueryClose());
    EXPECT_TRUE(run->IsRunning());

    dialogs.AnswerNext(MsgResult::Yes);
    const auto start = Clock::now();
    EXPECT_TRUE(run->QueryClose());
    EXPECT_LT(Clock::now() - start, 20s);
    EXPECT_FALSE(run->IsRunning());
    EXPECT_FALSE(engine->IsUpdateInProgress());
    EXPECT_FALSE(host->ticking);
    EXPECT_EQ(run->LastResult(), eng::kAborted);
    EXPECT_EQ(Count(0x91), 1u);
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
    EXPECT_FALSE(host->QuietHistory().back());
}

} // namespace
