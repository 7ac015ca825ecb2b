// How pellworth-cli fails: exit status and the program's texts for a missing
// port, a silent module, a bad CSV line, a bad setup file, bad arguments,
// questions nobody can answer, and Ctrl-C during a download.
#include "CliProcess.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

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

TEST_F(CliFailures, MissingPort) {
    const CliResult text = Cli({"info", "--port", "COM250"});
    EXPECT_EQ(text.exitCode, kNoConnection) << text;
    EXPECT_EQ(text.err, "Port cannot be opened!\n");
    EXPECT_EQ(text.out, "");

    const CliResult json = Cli({"--json", "-d", "peek", "--port", "250", "I2C", "0", "0"});
    EXPECT_EQ(json.exitCode, kNoConnection) << json;
    EXPECT_TRUE(json.OutHas("\"ok\":false,\"exit\":3")) << json;
    EXPECT_TRUE(json.OutHas("\"error\":\"Port cannot be opened!\"")) << json;
}

TEST_F(CliFailures, ModuleThatDoesNotAnswer) {
    sim::SimulatedModule& module =
        StartModule(sim::Profile::Tarn, {}, [](sim::ModuleConfig& c) { c.behaviour.mute = true; });
    const CliResult result = Cli({"info", "--port", Port(module)});
    EXPECT_EQ(result.exitCode, kNoConnection) << result;
    EXPECT_EQ(result.err, "Connection to module failed: Unknown device\n");

    const CliResult ports = Cli({"ports"});
    EXPECT_EQ(ports.exitCode, kFailed) << ports;
    EXPECT_EQ(ports.err, "No appropriate devices were found!\n");
}

TEST_F(CliFailures, BadCsvLineStopsTheLoadThere) {
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn);
    const struct {
        const char* file;
        const char* text;
        size_t written; // registers written before the bad line
    } cases[] = {
        {"I2C,4a,1000,100\n", "Data out of range on line '1'! Load cancelled.\n", 0},
        {"\"heading\"\nI2C,1,1,1\ni2c,0,0,0\n", "Illegal interface on line '3'! Load cancelled.\n",
         1},
        {"SPI Config,1,2\n", "Conversion failed on line '1'! Load cancelled.\n", 0},
        {"JTAG,0,1000000,1\n", "Address out of range on line '1'! Load cancelled.\n", 0},
        {"I2C 1 2 3\n", "Confusing entry on line '1'! Load cancelled.\n", 0},
    };
    for (const auto& c : cases) {
        module.UpdateState([](sim::ModuleState& s) { s.registers.clear(); });
        WriteScratch("bad.csv", c.file);
        const CliResult result =
            Cli({"-d", "csv", "--port", Port(module), Scratch("bad.csv").string()});
        EXPECT_EQ(result.exitCode, kFailed) << c.file << result;
        EXPECT_TRUE(result.ErrEndsWith(c.text)) << c.file << result;
        EXPECT_EQ(module.State().registers.size(), c.written) << c.file;
    }
}

TEST_F(CliFailures, BadSetupFileChangesNothing) {
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn, {1, 0});
    const Bytes before{0x00, 0x05, 0x00, 0x21};
    SetSetupBytes(module, before);
    const std::string param = "<Param name=\"VideoFormat\" value=\"4:4:4 RGB\"/>";
    const struct {
        const char* label;
        std::string content;
        std::string text; // empty: any text, as long as there is one
    } cases[] = {
        {"other type",
         "<ModuleParams><Module version=\"0.1\" type=\"ORLAN6\">" + param +
             "</Module></ModuleParams>",
         "Cannot load file. File was saved for module type 'ORLAN6'.\nThis is incompatible with "
         "the connected module.\n"},
        {"no type", "<ModuleParams><Module version=\"0.2\">" + param + "</Module></ModuleParams>",
         "Cannot load file. File was saved for module type 'unknown'.\nThis is incompatible with "
         "the connected module.\n"},
        {"version",
         "<ModuleParams><Module version=\"0.3\" type=\"TARN\">" + param +
             "</Module></ModuleParams>",
         "Load file version mismatch! Load aborted.\n"},
        {"not XML", "I2C,4a,1000,ff\n", ""},
    };
    for (const auto& c : cases) {
        WriteScratch("bad.xml", c.content);
        const CliResult result =
            Cli({"setup", "--port", Port(module), "load", Scratch("bad.xml").string()});
        EXPECT_EQ(result.exitCode, kFailed) << c.label << result;
        if (c.text.empty())
            EXPECT_FALSE(result.err.empty()) << c.label;
        else
            EXPECT_EQ(result.err, c.text) << c.label;
        EXPECT_EQ(SetupBytes(module), before) << c.label;
    }
}

TEST_F(CliFailures, WhatCouldNotBeReadIsNeitherShownNorPassedOff) {
    // An FPGA version read that goes unanswered: info prints what it has
    // (versions never read as None) and fails.
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
    EXPECT_TRUE(info.ErrHas("Connected to module: Bad config data\n")) << info;

    for (const char* action : {"show", "save"}) {
        std::vector<std::string> line{"setup", "--port", Port(module), action};
        if (std::string(action) == "save")
            line.push_back(Scratch("never.xml").string());
        const CliResult result = Cli(line);
        EXPECT_EQ(result.exitCode, kFailed) << result;
        EXPECT_TRUE(result.ErrEndsWith("Bad config data\n")) << result;
    }
    EXPECT_FALSE(fs::exists(Scratch("never.xml")));
}

TEST_F(CliFailures, SetupRefusedWhereThePageIsGreyedOut) {
    // At 1.1 the module is not at the release the program proposes (1.0).
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn, {1, 1});
    SetSetupBytes(module, {0x00, 0x05, 0x00, 0x21});
    const CliResult result = Cli({"setup", "--port", Port(module), "defaults"});
    EXPECT_EQ(result.exitCode, kFailed) << result;
    EXPECT_TRUE(result.ErrHas("Release Versions do not match: controls are disabled!\n")) << result;
    EXPECT_EQ(SetupBytes(module), (Bytes{0x00, 0x05, 0x00, 0x21}));

    const CliResult chosen = Cli({"setup", "--port", Port(module), "--release", "1.1", "defaults"});
    EXPECT_EQ(chosen.exitCode, 0) << chosen;
    EXPECT_EQ(SetupBytes(module), Bytes(4, 0));

    const CliResult unknown = Cli({"setup", "--port", Port(module), "--release", "1.7", "show"});
    EXPECT_EQ(unknown.exitCode, kFailed) << unknown;
    EXPECT_TRUE(unknown.ErrHas("Release '1.7' is not in the releases of module type 'TARN'"))
        << unknown;
}

TEST_F(CliFailures, BadArgumentsNeverReachTheModule) {
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn);
    const std::string port = Port(module);
    const std::vector<std::vector<std::string>> lines = {
        {},
        {"frobnicate"},
        {"info"},                                                   // no port
        {"info", "--port", "COM0"},                                 // no such port name
        {"info", "--port", port, "extra"},                          // too many words
        {"info", "--port", port, "--force"},                        // not an info option
        {"ports", "--port", port},                                  // ports takes none
        {"peek", "--port", port, "I2C", "4a", "1000"},              // engineering without -d
        {"-d", "peek", "--port", port, "I2C", "4g", "1000"},        // not hexadecimal
        {"-d", "peek", "--port", port, "I2C", "4a", "1000000"},     // more than 6 digits
        {"-d", "poke", "--port", port, "I2C", "4a", "1000", "100"}, // a value above FF
        {"-d", "poke", "--port", port, "USB", "4a", "1000", "1"},   // no such interface
        {"-d", "csv", "--port", port},                              // no file
        {"setup", "--port", port, "erase"},
        {"setup", "--port", port, "save"},
        {"-d", "download", "--port", port, "fpga", "x", "f.rpd"},
        {"-d", "download", "--port", port, "lut", "0", "f.bin"},
        {"update", "--port", port, "--release", "1"},
        {"update", "--port", port, "--release", "255.255"},
        {"info", "--port", port, "--release", "latest"},
        {"update", "--port", port, "--bogus"},
    };
    for (const auto& line : lines) {
        const CliResult result = Cli(line);
        std::string joined;
        for (const std::string& arg : line)
            joined += arg + " ";
        EXPECT_EQ(result.exitCode, kUsage) << joined << result;
        EXPECT_TRUE(result.ErrHas("usage: pellworth-cli ")) << joined << result;
        EXPECT_EQ(result.out, "") << joined;
    }
    EXPECT_EQ(module.RequestCount(), 0u) << "no argument line sent anything";

    // Found only once the module is known, and still before anything is written.
    const CliResult table = Cli({"-d", "download", "--port", port, "--yes", "lut", "0", "9",
                                 "types/TARN/images/lut0-1.1.bin"});
    EXPECT_EQ(table.exitCode, kUsage) << table;
    EXPECT_TRUE(table.ErrHas("FPGA 0 has no lookup table with id 9")) << table;
    EXPECT_EQ(ImageDownloads(module), 0u);

    const CliResult help = Cli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.OutHas("update --port N [--force] [--release X.Y|latest] [--yes]")) << help;
}

TEST_F(CliFailures, QuestionsNobodyCanAnswerAreRefused) {
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn, {1, 0});
    const std::string port = Port(module);

    const CliResult update = Cli({"update", "--port", port, "--release", "1.1"});
    EXPECT_EQ(update.exitCode, kDeclined) << update;
    EXPECT_TRUE(update.ErrHas("Could not display the confirmation box, so update was cancelled!\n"))
        << update;

    const CliResult download =
        Cli({"-d", "download", "--port", port, "fpga", "0", "types/TARN/images/fpga0-1.1.rpd"});
    EXPECT_EQ(download.exitCode, kDeclined) << download;
    EXPECT_TRUE(download.ErrHas("Update was cancelled!\n")) << download;

    // --yes does not answer the downgrade: that forces every component.
    module.UpdateState([](sim::ModuleState& s) {
        sim::ApplyRelease(s, sim::KnownReleases(sim::Profile::Tarn).back());
    });
    const CliResult downgrade = Cli({"update", "--port", port, "--release", "1.0", "--yes"});
    EXPECT_EQ(downgrade.exitCode, kDeclined) << downgrade;
    EXPECT_TRUE(downgrade.ErrHas("Update was cancelled.\n")) << downgrade;

    EXPECT_EQ(ImageDownloads(module), 0u) << "nothing was downloaded";
    EXPECT_EQ(module.State().release, (sim::Version{1, 1}));
}

TEST_F(CliFailures, CtrlCDuringADownloadAbortsItAndTheModuleTakesTheNext) {
    // Paced at 38400 baud, a 64 KiB image takes about 17 s: time enough to interrupt.
    sim::SimulatedModule& module = StartModule(
        sim::Profile::Tarn, {}, [](sim::ModuleConfig& c) { c.behaviour.pacing = true; });
    std::string image = "SAMPLE-IMAGE 1.0\n";
    image.resize(65536, '\x5A');
    WriteScratch("big.rpd", image);

    CliChild child({"-d", "download", "--port", Port(module), "--yes", "fpga", "0",
                    Scratch("big.rpd").string()},
                   DataDirectory(), StateHome());
    ASSERT_TRUE(module.WaitForRequest(0x88, 20s)) << "the download started";
    ASSERT_EQ(kill(child.Pid(), SIGINT), 0);
    const CliResult result = child.Finish(60s);
    EXPECT_EQ(result.exitCode, kInterrupted) << result;
    EXPECT_TRUE(result.ErrHas("Update was aborted!\n")) << result;
    ASSERT_FALSE(module.Transfers().empty());
    EXPECT_EQ(module.Transfers().back().end, sim::TransferRecord::End::Aborted);
    EXPECT_LT(module.Transfers().back().data.size(), image.size());

    const CliResult next = Cli({"-d", "download", "--port", Port(module), "--yes", "lut", "0", "1",
                                "types/TARN/images/lut1-1.0.bin"});
    EXPECT_EQ(next.exitCode, 0) << next;
    EXPECT_EQ(module.Transfers().back().end, sim::TransferRecord::End::Finished);
}

TEST_F(CliFailures, OnlyRegularFilesAreReadAndNeverBlock) {
    // A directory, a FIFO (no writer: opening it for reading would wait for
    // ever) and an empty file, given wherever the tool reads a file.
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn, {1, 0});
    const std::string port = Port(module);
    fs::create_directories(Scratch("dir.xml"));
    ASSERT_EQ(mkfifo(Scratch("fifo.xml").c_str(), 0600), 0);
    WriteScratch("empty.bin", "");
    WriteScratch("doctype.xml", "<?xml version=\"1.0\"?>\n<!DOCTYPE ModuleParams SYSTEM \"" +
                                    Scratch("fifo.xml").string() + "\">\n<ModuleParams/>\n");
    const std::vector<uint8_t> setup = SetupBytes(module);
    const std::string dir = Scratch("dir.xml").string();
    const std::string fifo = Scratch("fifo.xml").string();
    const std::string empty = Scratch("empty.bin").string();
    const std::string missing = Scratch("missing.csv").string();
    const std::string opening = "An error occurred while opening '";
    const struct {
        std::vector<std::string> args;
        std::string error; // the end of standard error
    } cases[] = {
        {{"-d", "download", "--port", port, "--yes", "ferrin", dir},
         opening + dir + "': Is a directory.\n"},
        {{"-d", "download", "--port", port, "--yes", "fpga", "0", fifo},
         opening + fifo + "': Not a regular file.\n"},
        {{"-d", "download", "--port", port, "--yes", "safeboot", empty},
         opening + empty + "': The file is empty.\n"},
        {{"-d", "download", "--port", port, "--yes", "lut", "0", "0", fifo},
         opening + fifo + "': Not a regular file.\n"},
        {{"-d", "download", "--port", port, "--yes", "lut", "0", "0", empty},
         opening + empty + "': The file is empty.\n"},
        {{"-d", "csv", "--port", port, fifo}, opening + fifo + "': Not a regular file.\n"},
        {{"-d", "csv", "--port", port, dir}, opening + dir + "': Is a directory.\n"},
        {{"-d", "csv", "--port", port, missing},
         opening + missing + "': No such file or directory.\n"},
        {{"setup", "--port", port, "--release", "1.0", "load", fifo},
         "File '" + fifo + "' is not a file!\nLoad operation was cancelled.\n"},
        {{"setup", "--port", port, "--release", "1.0", "load", Scratch("doctype.xml").string()},
         ""},
    };
    for (const auto& c : cases) {
        module.ClearLog();
        CliChild child(c.args, DataDirectory(), StateHome());
        const CliResult result = child.Finish(20s);
        EXPECT_FALSE(result.timedOut) << c.args.back() << result;
        EXPECT_EQ(result.exitCode, kFailed) << c.args.back() << result;
        EXPECT_TRUE(result.ErrEndsWith(c.error)) << c.args.back() << result;
        EXPECT_EQ(ImageDownloads(module), 0u) << c.args.back();
        EXPECT_TRUE(module.State().registers.empty()) << c.args.back();
    }
    EXPECT_EQ(SetupBytes(module), setup);
}

TEST_F(CliFailures, ManualRebootWaitsForTheModuleToComeBack) {
    // A module that cannot reboot itself: the operator is told to, and the
    // tool waits for the port to go away and come back. One that never
    // reboots does not get Ferrin again.
    setenv("PELLWORTH_REBOOT_WAIT", "3", 1);
    for (const bool operatorReboots : {true, false}) {
        SCOPED_TRACE(operatorReboots);
        sim::SimulatedModule& module =
            StartModule(sim::Profile::Tarn, {1, 0},
                        [](sim::ModuleConfig& c) { c.behaviour.canReboot = false; });
        CliChild child({"update", "--port", Port(module), "--release", "1.1", "--yes"},
                       DataDirectory(), StateHome());
        if (operatorReboots) {
            ASSERT_TRUE(module.WaitForRequest(0xA0, 30s));
            std::this_thread::sleep_for(500ms);
            module.PowerCycle(200ms);
        }
        const CliResult result = child.Finish(60s);
        size_t ferrin = 0;
        for (const sim::TransferRecord& transfer : module.Transfers())
            ferrin += transfer.startCode == 0x86 ? 1 : 0;
        EXPECT_EQ(ferrin, 1u) << result;
        EXPECT_TRUE(result.ErrHas("Waiting for COM" + Port(module) + " to go away and come back"))
            << result;
        if (operatorReboots) {
            EXPECT_EQ(result.exitCode, 0) << result;
            EXPECT_EQ(module.State().release, (sim::Version{1, 1}));
        } else {
            EXPECT_EQ(result.exitCode, kFailed) << result;
            EXPECT_TRUE(result.ErrEndsWith("The module was not rebooted, so the update was "
                                           "stopped before Ferrin could be downloaded again.\n"))
                << result;
        }
        m_modules.clear();
    }
    unsetenv("PELLWORTH_REBOOT_WAIT");
}

} // namespace
