// How pellworth-cli fails: its exit statuses, where the program's text goes,
// and that a refusal leaves the module alone. The texts themselves and the
// refusals of the core are the core's tests' matter.
#include "CliProcess.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kNoConnection = 3;
constexpr int kDeclined = 4;
constexpr int kInterrupted = 130;

class CliFailures : public CliFixture {};

// Image downloads the module saw (connecting reads the setup block too).
size_t ImageDownloads(const sim::SimulatedModule& module) {
    size_t count = 0;
    for (const sim::TransferRecord& transfer : module.Transfers())
        if (transfer.startCode != 0x8B && transfer.startCode != 0x8C)
            ++count;
    return count;
}

// The status tells a script what went wrong, standard error says why, and
// the module is left alone. Which lines the parser refuses is CliArguments'.
TEST_F(CliFailures, EachFailureHasItsStatusAndLeavesTheModuleAlone) {
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn, {1, 0});
    // At 1.1 the module is not at the release the program proposes (1.0).
    sim::SimulatedModule& newer = StartModule(sim::Profile::Tarn, {1, 1});
    const Bytes setup{0x00, 0x05, 0x00, 0x21};
    SetSetupBytes(newer, setup);
    sim::SimulatedModule& mute =
        StartModule(sim::Profile::Tarn, {}, [](sim::ModuleConfig& c) { c.behaviour.mute = true; });
    const std::string port = Port(module);
    const std::string usage = "usage: pellworth-cli ";
    // Release data whose manifest no longer vouches for the files.
    fs::create_directories(Scratch("vouched"));
    fs::create_directory_symlink(DataDirectory() / "types", Scratch("vouched") / "types");
    WriteScratch("vouched/SHA256SUMS",
                 std::string(64, '0') + "  types/TARN/images/ferrin-1.1.bin\n");
    const struct {
        std::vector<std::string> args;
        int exit;
        std::string err; // in standard error
    } cases[] = {
        {{"info", "--port", "COM250"},
         kNoConnection,
         "Port cannot be opened! COM250: no such port"},
        {{"info", "--port", "/dev/null"}, kNoConnection, "'/dev/null' cannot be used as a port"},
        // Serials: none, or two modules with one; SafeBoot reports none.
        {{"info", "--serial", "99999999"},
         kNoConnection,
         "No module with serial '99999999' was found (2 modules answered). A module in SafeBoot "
         "reports no serial"},
        {{"info", "--serial", "00001234"},
         kNoConnection,
         "Serial '00001234' was found on COM" + port + " and COM" + Port(newer)},
        {{"info", "--port", Port(mute)},
         kNoConnection,
         "Connection to module failed: Unknown device\n"},
        {{}, kUsage, usage},
        {{"--trace", Scratch("").string(), "info", "--port", port},
         kUsage,
         "cannot write the wire trace"},
        {{"peek", "--port", port, "I2C", "4a", "1000"}, kUsage, usage},
        // Found only once the module is known, and still before anything is written.
        {{"-d", "download", "--port", port, "--yes", "lut", "0", "9",
          "types/TARN/images/lut0-1.1.bin"},
         kUsage,
         "FPGA 0 has no lookup table with id 9"},
        // Release data named on purpose are those or none; files the
        // manifest does not vouch for are not sent.
        {{"--data", Scratch("none").string(), "update", "--port", port, "--yes"},
         kUsage,
         "no release data there"},
        {{"--data", Scratch("vouched").string(), "update", "--port", port, "--yes"},
         kFailed,
         "does not match the release data"},
        // Questions nobody can answer.
        {{"update", "--port", port, "--release", "1.1"},
         kDeclined,
         "Could not display the confirmation box, so update was cancelled!\n"},
        {{"-d", "download", "--port", port, "fpga", "0", "types/TARN/images/fpga0-1.1.rpd"},
         kDeclined,
         "Update was cancelled!\n"},
        // Where the Setup page is greyed out.
        {{"setup", "--port", Port(newer), "defaults"},
         kFailed,
         "Release Versions do not match: controls are disabled!\n"},
        {{"setup", "--port", Port(newer), "--release", "1.7", "show"},
         kFailed,
         "Release '1.7' is not in the releases of module type 'TARN'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const CliResult result = Cli(c.args);
        EXPECT_EQ(result.exitCode, c.exit) << result;
        EXPECT_TRUE(result.ErrHas(c.err)) << result;
        EXPECT_EQ(result.out, "") << result;
    }
    EXPECT_EQ(ImageDownloads(module), 0u);
    EXPECT_TRUE(module.State().registers.empty());
    EXPECT_EQ(SetupBytes(newer), setup);

    // A release chosen on the command line enables the setup.
    const CliResult chosen = Cli({"setup", "--port", Port(newer), "--release", "1.1", "defaults"});
    EXPECT_EQ(chosen.exitCode, 0) << chosen;
    EXPECT_EQ(SetupBytes(newer), Bytes(4, 0));

    const CliResult json = Cli({"--json", "-d", "peek", "--port", "250", "I2C", "0", "0"});
    EXPECT_EQ(json.exitCode, kNoConnection) << json;
    EXPECT_TRUE(json.OutHas("\"ok\":false,\"exit\":3,")) << json;
    EXPECT_TRUE(json.OutHas("\"error\":\"Port cannot be opened! COM250: no such port")) << json;
    EXPECT_TRUE(json.out.ends_with(",\"formatVersion\":2}\n")) << json;
}

// Whatever the tool reads: a FIFO (no writer: opening it would wait for
// ever) or a missing file. Other unusable files are the core's matter.
TEST_F(CliFailures, UnusableFilesFailChangeNothingAndNeverBlock) {
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn, {1, 0});
    const std::string port = Port(module);
    const std::string fifo = Scratch("fifo.xml").string();
    const std::string missing = Scratch("missing.csv").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    WriteScratch("doctype.xml", "<?xml version=\"1.0\"?>\n<!DOCTYPE ModuleParams SYSTEM \"" + fifo +
                                    "\">\n<ModuleParams/>\n");
    const Bytes setup{0x00, 0x05, 0x00, 0x21};
    SetSetupBytes(module, setup);
    const std::string opening = "An error occurred while opening '";
    const struct {
        std::vector<std::string> args;
        std::string error; // the end of standard error
    } cases[] = {
        {{"-d", "download", "--port", port, "--yes", "fpga", "0", fifo},
         opening + fifo + "': Not a regular file.\n"},
        {{"-d", "csv", "--port", port, missing},
         opening + missing + "': No such file or directory.\n"},
        {{"setup", "--port", port, "load", fifo},
         "File '" + fifo + "' is not a file!\nLoad operation was cancelled.\n"},
        {{"setup", "--port", port, "load", Scratch("doctype.xml").string()}, ""},
    };
    for (const auto& c : cases) {
        CliChild child(c.args);
        const CliResult result = child.Finish(20s);
        EXPECT_FALSE(result.timedOut) << c.args.back() << result;
        EXPECT_EQ(result.exitCode, kFailed) << c.args.back() << result;
        EXPECT_TRUE(result.ErrEndsWith(c.error)) << c.args.back() << result;
    }
    EXPECT_EQ(ImageDownloads(module), 0u);
    EXPECT_TRUE(module.State().registers.empty());
    EXPECT_EQ(SetupBytes(module), setup);
}

TEST_F(CliFailures, WhatCouldNotBeReadIsNeitherShownNorPassedOff) {
    // An unanswered FPGA version read: info prints what it has (never a
    // version it did not read) and fails.
    sim::SimulatedModule& fpga = StartModule(sim::Profile::Tarn, {1, 0});
    fpga.ScriptAlways(0x84, sim::Reply::Reject());
    const CliResult partial = Cli({"info", "--port", Port(fpga)});
    EXPECT_EQ(partial.exitCode, kFailed) << partial;
    EXPECT_TRUE(partial.ErrEndsWith("The module did not answer every identification read: what "
                                    "is shown is incomplete.\n"))
        << partial;
    EXPECT_FALSE(partial.OutHas("255.255")) << partial;

    // A setup block that cannot be read is neither shown nor saved.
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn, {1, 0});
    module.ScriptAlways(0x8C, sim::Reply::Reject());
    const CliResult info = Cli({"info", "--port", Port(module)});
    EXPECT_EQ(info.exitCode, kFailed) << info;
    EXPECT_TRUE(info.OutHas("Connection: Bad config data\n")) << info;
    EXPECT_FALSE(info.OutHas("Setup (")) << info;
    const CliResult save = Cli({"setup", "--port", Port(module), "save", Scratch("x").string()});
    EXPECT_EQ(save.exitCode, kFailed) << save;
    EXPECT_FALSE(fs::exists(Scratch("x.xml")));
}

// The results log's records that ended with this result.
size_t Records(const fs::path& log, int result) {
    std::ifstream in(log);
    const std::string field = "\"result\":" + std::to_string(result) + ",";
    size_t count = 0;
    for (std::string line; std::getline(in, line);)
        count += line.find(field) != std::string::npos ? 1 : 0;
    return count;
}

TEST_F(CliFailures, CtrlCDuringADownloadAbortsIt) {
    // Paced at 38400 baud, a 64 KiB image takes about 17 s: time enough to
    // interrupt. A closed terminal (SIGHUP) and SIGTERM stop it as Ctrl-C does.
    sim::SimulatedModule& module = StartModule(
        sim::Profile::Tarn, {}, [](sim::ModuleConfig& c) { c.behaviour.pacing = true; });
    std::string image = "SAMPLE-IMAGE 1.0\n";
    image.resize(65536, '\x5A');
    WriteScratch("big.rpd", image);

    size_t signals = 0;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        module.ClearLog();
        CliChild child({"-d", "download", "--port", Port(module), "--yes", "fpga", "0",
                        Scratch("big.rpd").string()});
        ASSERT_TRUE(module.WaitForRequest(0x88, 20s)) << "the download started";
        ASSERT_EQ(kill(child.Pid(), sig), 0);
        const CliResult result = child.Finish(60s);
        EXPECT_EQ(result.exitCode, kInterrupted) << result;
        EXPECT_TRUE(result.ErrHas("Update was aborted!\n")) << result;
        ASSERT_FALSE(module.Transfers().empty());
        EXPECT_EQ(module.Transfers().back().end, sim::TransferRecord::End::Aborted);
        EXPECT_EQ(Records(ResultsLogFile(), -17), ++signals);
    }
}

TEST_F(CliFailures, CtrlCStopsDiscoveryAtTheNextPort) {
    // Every silent port costs a probe's time-outs; Ctrl-C does not wait for them all.
    std::vector<sim::SimulatedModule*> mute;
    for (int i = 0; i < 4; ++i)
        mute.push_back(&StartModule(sim::Profile::Tarn, {},
                                    [](sim::ModuleConfig& c) { c.behaviour.mute = true; }));
    const auto start = std::chrono::steady_clock::now();
    CliChild child({"update", "--port", "all", "--yes"});
    ASSERT_TRUE(mute[0]->WaitForRequests(1, 10s));
    ASSERT_EQ(kill(child.Pid(), SIGINT), 0);
    const CliResult result = child.Finish(60s);
    EXPECT_EQ(result.exitCode, kInterrupted) << result;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << result;
    EXPECT_EQ(mute.back()->RequestCount(), 0u);
}

TEST_F(CliFailures, ManualRebootWaitsForTheModuleToComeBack) {
    // A module that cannot reboot itself: without an operator's box the tool
    // waits for the port to go away and come back. One that never comes back
    // does not get Ferrin again; each way it ends is told and recorded.
    enum Operator { kReboots, kNothing, kUnplugs, kSwaps, kCtrlC };
    const struct {
        Operator does;
        int exit;
        int result; // in the results log
        std::string err;
    } cases[] = {
        {kReboots, 0, 0, ""},
        {kNothing, kFailed, -47, "The module was not rebooted"},
        {kUnplugs, kFailed, -48, "did not come back"},
        {kSwaps, kFailed, -23, "Wrong module"},
        {kCtrlC, kInterrupted, -17, "Interrupted"},
    };
    setenv("PELLWORTH_REBOOT_WAIT", "3", 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.does);
        sim::SimulatedModule& module =
            StartModule(sim::Profile::Tarn, {1, 0},
                        [](sim::ModuleConfig& m) { m.behaviour.canReboot = false; });
        CliChild child({"update", "--port", Port(module), "--release", "1.1", "--yes"});
        if (c.does != kNothing) {
            ASSERT_TRUE(module.WaitForRequest(0xA0, 30s));
            std::this_thread::sleep_for(500ms);
        }
        if (c.does == kReboots)
            module.PowerCycle(200ms);
        if (c.does == kUnplugs || c.does == kSwaps)
            module.Unplug();
        if (c.does == kSwaps) {
            module.UpdateState([](sim::ModuleState& s) { s.serial = "00009999"; });
            std::this_thread::sleep_for(200ms);
            module.Plug();
        }
        if (c.does == kCtrlC) {
            ASSERT_EQ(kill(child.Pid(), SIGINT), 0);
        }
        const CliResult result = child.Finish(60s);
        size_t ferrin = 0;
        for (const sim::TransferRecord& transfer : module.Transfers())
            ferrin += transfer.startCode == 0x86 ? 1 : 0;
        EXPECT_EQ(ferrin, 1u) << result;
        EXPECT_EQ(result.exitCode, c.exit) << result;
        EXPECT_TRUE(result.ErrHas(c.err)) << result;
        EXPECT_EQ(Records(ResultsLogFile(), c.result), 1u) << result;
        fs::remove(ResultsLogFile());
        m_modules.clear();
    }
    // A wait that cannot be meant is refused before a port is opened.
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn, {1, 0});
    for (const char* wait : {"abc", "-1"}) {
        setenv("PELLWORTH_REBOOT_WAIT", wait, 1);
        const CliResult result = Cli({"update", "--port", Port(module), "--yes"});
        EXPECT_EQ(result.exitCode, kUsage) << wait << result;
        EXPECT_TRUE(result.ErrHas("PELLWORTH_REBOOT_WAIT")) << result;
    }
    EXPECT_EQ(module.RequestCount(), 0u);
    unsetenv("PELLWORTH_REBOOT_WAIT");
}

} // namespace
