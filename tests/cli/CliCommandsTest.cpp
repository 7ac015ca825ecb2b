// Every command of pellworth-cli run as a process against the simulator: what
// the tool prints, the JSON it writes and the results log records it keeps.
// What the operations do to a module is the engine's and update run's matter.
#include "CliProcess.h"

#include "descriptions/Sha256.h"
#include "frontend/ProgramVersion.h"
#include "frontend/ResultsLog.h"
#include "link/PortDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

// A "before"/"after" member of a record: "release", "ferrin" or "fpga" (FPGA 0).
std::string Logged(const frontend::JsonValue& record, const char* when, const std::string& what) {
    const frontend::JsonValue* versions = record.Get(when);
    if (!versions)
        return "(null)";
    if (what != "fpga")
        return versions->Text(what, "?");
    const frontend::JsonValue* fpgas = versions->Get("fpgas");
    return fpgas && fpgas->AsArray() && !fpgas->AsArray()->empty()
               ? fpgas->AsArray()->front().Text("version")
               : "(none)";
}

Lines LoggedCommands(const fs::path& file) {
    Lines commands;
    for (const frontend::JsonValue& record : frontend::ResultsLog::Read(file).records)
        commands.push_back(record.Text("command"));
    return commands;
}

class CliCommand : public CliFixture {};

// A fresh board (serial of eight 0xFF) whose name would retitle the terminal.
TEST_F(CliCommand, PortsAndInfo) {
    const std::string port = Port(StartModule(sim::Profile::Tarn, {}, [](sim::ModuleConfig& c) {
        c.state.name = std::string("\x1B]0;x\x07\0\0", 8);
        c.state.serial = std::string(8, '\xFF');
    }));
    const CliResult ports = Cli({"ports"});
    EXPECT_EQ(ports.exitCode, 0) << ports;
    EXPECT_TRUE(ports.OutHas("COM" + port + " (\\x1B]0;x\\x07): /dev/pts/")) << ports;
    EXPECT_TRUE(ports.OutHas(", simulated\n")) << ports;
    const CliResult portsJson = Cli({"--json", "ports"});
    EXPECT_TRUE(portsJson.OutHas("\"device\":\"/dev/pts/")) << portsJson;
    EXPECT_TRUE(portsJson.OutHas("\"usbLocation\":null,\"usbSerial\":null,\"simulated\":true}"))
        << portsJson;

    const CliResult info = Cli({"info", "--port", port});
    ASSERT_EQ(info.exitCode, 0) << info;
    for (const std::string& line :
         Lines{"Connection: OK", "Name: \\x1B]0;x\\x07", "Serial: blank",
               "Release: 1.1 (verified 1.1)", "Setup (FPGA 0, block 0): 00 00 00 00"})
        EXPECT_TRUE(info.OutHas(line + "\n")) << line << "\n" << info;

    // The same module by a link to its device, and by its serial.
    for (const std::vector<std::string>& by :
         {std::vector<std::string>{"--port", portdir::LinkPath(std::stoi(port)).string()},
          std::vector<std::string>{"--serial", "blank"}}) {
        std::vector<std::string> args{"info"};
        args.insert(args.end(), by.begin(), by.end());
        const CliResult again = Cli(args);
        EXPECT_EQ(again.exitCode, 0) << again;
        EXPECT_TRUE(again.OutHas("Port: COM" + port + "\n")) << again;
    }

    const CliResult json = Cli({"--json", "info", "--port", port});
    ASSERT_EQ(json.exitCode, 0) << json;
    EXPECT_EQ(json.out.find("{\"command\":\"info\",\"ok\":true,\"exit\":0"), 0u) << json;
    EXPECT_TRUE(json.OutHas("\"typeName\":\"TARN\",\"name\":\"\\u001b]0;x\\u0007\"")) << json;
    EXPECT_EQ(json.out.find('\n'), json.out.size() - 1) << "one line of JSON";
}

// Each module type has its own setup block: a choice in every field, and
// lines "setup show" gives for it.
TEST_F(CliCommand, SetupShowSaveDefaultsLoadOnEachType) {
    const struct {
        sim::Profile profile;
        sim::Version release; // the lowest of the demo table, the one proposed
        Bytes setup;
        Lines lines;
    } types[] = {
        {sim::Profile::Tarn,
         {1, 0},
         {0x04, 0x99, 0x19, 0x32},
         {"VideoFormat = 2 \"4:4:4 RGB\"", "HDMI/DVI = 1 \"HDMI\""}},
        {sim::Profile::Orlan6,
         {2, 0},
         {0x65, 0x02, 0x9D, 0x3E},
         {"InputVideoBitDepth = 2 \"10-bit\"", "Output2KCenterCut = 0 \"Off\""}},
    };
    for (const auto& t : types) {
        SCOPED_TRACE(t.lines[0]);
        sim::SimulatedModule& module = StartModule(t.profile, t.release);
        SetSetupBytes(module, t.setup);
        const std::string port = Port(module);
        const CliResult show = Cli({"setup", "--port", port, "show"});
        ASSERT_EQ(show.exitCode, 0) << show;
        for (const std::string& line : t.lines)
            EXPECT_TRUE(show.OutHas("  " + line + "\n")) << line << "\n" << show;

        const std::string file = Scratch(port).string(); // ".xml" is added
        const CliResult save = Cli({"setup", "--port", port, "save", file});
        EXPECT_EQ(save.out, "Setups saved successfully.\n") << save;
        EXPECT_EQ(Cli({"setup", "--port", port, "defaults"}).exitCode, 0);
        EXPECT_EQ(SetupBytes(module), Bytes(4, 0));
        const CliResult load = Cli({"--json", "setup", "--port", port, "load", file + ".xml"});
        EXPECT_EQ(load.exitCode, 0) << load;
        EXPECT_TRUE(load.OutHas("\"status\":\"Setups loaded successfully.\"")) << load;
        EXPECT_EQ(SetupBytes(module), t.setup);
    }
    EXPECT_EQ(LoggedCommands(ResultsLogFile()),
              (Lines{"setup-defaults", "setup-load", "setup-defaults", "setup-load"}));
}

// Each kind reaches its component, and each is logged with the versions around it.
TEST_F(CliCommand, Downloads) {
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn);
    const std::string images = "types/TARN/images/";
    const struct {
        Lines args;
        const char* command;
        const char* component;
    } cases[] = {
        {{"fpga", "0", images + "fpga0-1.0.rpd"}, "download", "FPGA 0"},
        {{"lut", "0", "0", images + "lut0-1.0.bin"}, "download-lut", "FPGA 0 table 0"},
        {{"safeboot", images + "safeboot-1.0.iic"}, "download", "SafeBoot"},
    };
    for (const auto& c : cases) {
        Lines args{"-d", "download", "--port", Port(module), "--yes"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult result = Cli(args);
        EXPECT_EQ(result.exitCode, 0) << result;
        EXPECT_TRUE(result.out.ends_with("Update completed successfully.\n")) << result;
    }
    EXPECT_TRUE(module.State().stagedSafeBoot);

    const auto log = frontend::ResultsLog::Read(ResultsLogFile());
    ASSERT_EQ(log.records.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const frontend::JsonValue& r = log.records[i];
        EXPECT_EQ(r.Text("command"), cases[i].command) << r.Write();
        EXPECT_EQ(r.Text("component"), cases[i].component) << r.Write();
        EXPECT_EQ(r.Get("result")->AsInteger(), std::optional<int64_t>(0)) << r.Write();
        // The build's own version and the data it ran on, wherever it runs.
        EXPECT_EQ(r.Text("programVersion"), kProgramVersion);
        EXPECT_EQ(r.Text("dataDir"), DataDirectory().lexically_normal().string());
        EXPECT_EQ(r.Get("sampleData")->Write(), "false");
        // The exact image sent: the file's size and SHA-256.
        const fs::path file = DataDirectory() / cases[i].args.back();
        uint64_t size = 0;
        const std::optional<std::string> digest = Sha256::OfFile(file.string(), &size);
        const frontend::JsonValue* sent = r.Get("images");
        ASSERT_TRUE(sent && sent->AsArray() && sent->AsArray()->size() == 1) << r.Write();
        const frontend::JsonValue& image = sent->AsArray()->front();
        EXPECT_EQ(image.Text("component"), cases[i].component);
        EXPECT_EQ(image.Text("file"), file.lexically_normal().string());
        EXPECT_EQ(image.Get("size")->AsInteger(), std::optional<int64_t>(size));
        EXPECT_EQ(image.Text("sha256"), digest.value_or("?"));
    }
    EXPECT_EQ(Logged(log.records[0], "before", "fpga"), "1.1");
    EXPECT_EQ(Logged(log.records[0], "after", "fpga"), "1.0");
}

// The update is recorded; the run that changed nothing is not.
TEST_F(CliCommand, UpdateIsLoggedAndARunThatChangesNothingIsNot) {
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn, {1, 0});
    SetSetupBytes(module, {0x04, 0x99, 0x1E, 0x9F});
    const std::string port = Port(module);
    const std::string done = "Update to Release '1.1' completed successfully.";

    const CliResult update = Cli({"update", "--port", port, "--release", "latest", "--yes"});
    ASSERT_EQ(update.exitCode, 0) << update;
    EXPECT_EQ(update.out,
              done + "\nThe module's setup was kept.\nUpdate completed successfully.\n");
    const CliResult again = Cli({"update", "--port", port, "--release", "1.1"});
    EXPECT_EQ(again.exitCode, 0) << again;
    EXPECT_EQ(again.out, "No updates were needed.\n");

    const auto log = frontend::ResultsLog::Read(ResultsLogFile());
    ASSERT_EQ(log.records.size(), 1u);
    const frontend::JsonValue& r = log.records[0];
    EXPECT_EQ(r.Get("port")->AsInteger(), std::optional<int64_t>(module.PortNumber()));
    EXPECT_EQ(r.Text("serial"), "00001234");
    EXPECT_EQ(r.Text("targetRelease"), "1.1");
    for (const char* what : {"release", "ferrin", "fpga"}) {
        EXPECT_EQ(Logged(r, "before", what), "1.0") << what;
        EXPECT_EQ(Logged(r, "after", what), "1.1") << what;
    }
    for (const char* when : {"setupBefore", "setupAfter"})
        EXPECT_EQ(r.Get(when)->Text("bytes"), "04 99 1E 9F") << when;
    EXPECT_GT(r.Get("durationMs")->AsInteger().value_or(0), 0);
    EXPECT_EQ(r.Text("time").size(), 20u) << "YYYY-MM-DDTHH:MM:SSZ";
    // Ferrin, the FPGA image and its two tables, in the order they went out.
    Lines sent;
    for (const frontend::JsonValue& image : *r.Get("images")->AsArray())
        sent.push_back(image.Text("component") + " " +
                       fs::path(image.Text("file")).filename().string());
    EXPECT_EQ(sent, (Lines{"Ferrin ferrin-1.1.bin", "FPGA 0 fpga0-1.1.rpd",
                           "FPGA 0 table 0 lut0-1.1.bin", "FPGA 0 table 1 lut1-1.0.bin"}));
}

// Sample data are said on every run and in every record.
TEST_F(CliCommand, SampleDataAreSaid) {
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn, {1, 0});
    const CliResult sample =
        Cli({"--data", PELLWORTH_DEMO_DIR, "update", "--port", Port(module), "--yes"});
    EXPECT_EQ(sample.exitCode, 0) << sample;
    EXPECT_TRUE(sample.ErrHas("SAMPLE data in use")) << sample;

    const auto log = frontend::ResultsLog::Read(ResultsLogFile());
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].Get("sampleData")->Write(), "true");
    EXPECT_EQ(log.records[0].Text("dataDir"),
              fs::path(PELLWORTH_DEMO_DIR).lexically_normal().string());
    EXPECT_EQ(log.records[0].Text("dataVersion"), "0.44 demo");
}

TEST_F(CliCommand, PeekPokeAndCsv) {
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn);
    const std::string port = Port(module);
    auto reg = [&](uint8_t interface, uint8_t device, uint32_t address) {
        const auto registers = module.State().registers;
        const auto it = registers.find({interface, device, address});
        return it == registers.end() ? -1 : static_cast<int>(it->second);
    };

    EXPECT_EQ(Cli({"-d", "poke", "--port", port, "I2C", "4a", "1000", "5a"}).out, "5A\n")
        << "read back after the poke";
    EXPECT_EQ(reg(0, 0x4A, 0x1000), 0x5A);
    const CliResult quiet =
        Cli({"-d", "poke", "--port", port, "--no-peek", "SPI Control", "0x10", "ffffff", "7"});
    EXPECT_EQ(quiet.exitCode, 0) << quiet;
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(reg(1, 0x10, 0xFFFFFF), 0x07);
    // The wire trace, from the environment and from --trace, each run appending.
    const std::string trace = Scratch("trace").string();
    setenv("PELLWORTH_TRACE", trace.c_str(), 1);
    EXPECT_EQ(Cli({"-d", "peek", "--port", port, "i2c", "4A", "1000"}).out, "5A\n");
    unsetenv("PELLWORTH_TRACE");
    EXPECT_EQ(Cli({"-d", "--trace", trace, "peek", "--port", port, "I2C", "4a", "1000"}).out,
              "5A\n");
    std::ifstream in(trace);
    std::map<std::string, int> events;
    for (std::string line; std::getline(in, line);)
        if (line.find(" COM" + port + " ") == 27)
            ++events[line.substr(line.find(' ', 28) + 1, 5)];
    EXPECT_EQ(events["open "], 2);
    EXPECT_GE(events["write"], 2);
    EXPECT_GE(events["read "], 2);

    WriteScratch("pokes.csv", "JTAG,1,20,3C\nSPI Config,0x66,0x77,0x01\n");
    const CliResult csv = Cli({"-d", "csv", "--port", port, Scratch("pokes.csv").string()});
    EXPECT_EQ(csv.exitCode, 0) << csv;
    EXPECT_EQ(csv.out, "Load completed.\n");
    EXPECT_EQ(reg(2, 0x66, 0x77), 0x01);
    EXPECT_EQ(LoggedCommands(ResultsLogFile()), Lines{"csv"}) << "peek and poke are not logged";
}

} // namespace
