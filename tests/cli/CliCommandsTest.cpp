// Every command of pellworth-cli once on a TARN and once on an ORLAN6 module,
// run as a process against the simulator.
#include "CliProcess.h"

#include "frontend/ResultsLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct ProfileCase {
    const char* label;
    sim::Profile profile;
    std::string typeName;
    std::string moduleName;
    sim::Version oldRelease;
    sim::Version newRelease;
    std::string newReleaseText;
    std::string oldFpgaImage;
    std::string oldTableImage;
    std::string ferrinImage;
    std::string fpgaName;
    // A setup block with a choice in every field, and lines "setup show" gives for it.
    Bytes setup;
    std::vector<std::string> setupLines;
};

const ProfileCase kProfiles[] = {
    {"Tarn",
     sim::Profile::Tarn,
     "TARN",
     "SIM-TARN",
     {1, 0},
     {1, 1},
     "1.1",
     "types/TARN/images/fpga0-1.0.rpd",
     "types/TARN/images/lut0-1.0.bin",
     "types/TARN/images/ferrin-1.1.bin",
     "Main",
     {0x04, 0x99, 0x19, 0x32},
     {"VideoFormat = 2 \"4:4:4 RGB\"", "OutputFormat = 3 \"1080p\"", "HDMI/DVI = 1 \"HDMI\"",
      "SDFormat = 1 \"Anamorphic\"", "FrameRate = 2 \"25\""}},
    {"Orlan6",
     sim::Profile::Orlan6,
     "ORLAN6",
     "SIM-ORL6",
     {2, 0},
     {2, 1},
     "2.1",
     "types/ORLAN6/images/fpga0-2.0.rpd",
     "types/ORLAN6/images/fpga0-lut0-2.0.bin",
     "types/ORLAN6/images/ferrin-2.1.bin",
     "Input",
     {0x65, 0x02, 0x9D, 0x3E},
     {"InputVideoBitDepth = 2 \"10-bit\"", "InputVideoColorRange = 1 \"Full\"",
      "OutputVideoFormat = 3 \"4:4:4 YCbCr\"", "Output2KCenterCut = 0 \"Off\"",
      "OutputHDMIAudio = 2 \"8-ch\""}},
};

std::string Text(sim::Version v) {
    return std::to_string(v.major) + "." + std::to_string(v.minor);
}

// The release or a component version of a record's "before" or "after".
std::string Versions(const frontend::JsonValue& record, const char* when, const char* what) {
    const frontend::JsonValue* versions = record.Get(when);
    return versions ? versions->Text(what, "?") : "(null)";
}

std::string FpgaVersion(const frontend::JsonValue& record, const char* when) {
    const frontend::JsonValue* versions = record.Get(when);
    const frontend::JsonValue* fpgas = versions ? versions->Get("fpgas") : nullptr;
    if (!fpgas || !fpgas->AsArray() || fpgas->AsArray()->empty())
        return "(none)";
    return fpgas->AsArray()->front().Text("version");
}

// The commands the results log holds, oldest first.
std::vector<std::string> LoggedCommands(const fs::path& file) {
    std::vector<std::string> commands;
    for (const frontend::JsonValue& record : frontend::ResultsLog::Read(file).records)
        commands.push_back(record.Text("command"));
    return commands;
}

void PrintTo(const ProfileCase& p, std::ostream* os) {
    *os << p.label;
}

class CliEveryCommand : public CliFixture, public ::testing::WithParamInterface<ProfileCase> {};

TEST_P(CliEveryCommand, PortsAndInfo) {
    const ProfileCase& p = GetParam();
    sim::SimulatedModule& module = StartModule(p.profile);
    const std::string port = Port(module);

    const CliResult ports = Cli({"ports"});
    EXPECT_EQ(ports.exitCode, 0) << ports;
    EXPECT_TRUE(ports.OutHas("COM" + port + " (" + p.moduleName + ")\n")) << ports;

    const CliResult info = Cli({"info", "--port", port});
    ASSERT_EQ(info.exitCode, 0) << info;
    for (const std::string& line : std::vector<std::string>{
             "Connection: OK", "Module type: " + p.typeName, "Name: " + p.moduleName,
             "Serial: 00001234", "Running: Ferrin",
             "Release: " + p.newReleaseText + " (verified " + p.newReleaseText + ")",
             "Ferrin: " + p.newReleaseText, "FPGA 0 " + p.fpgaName + ": " + p.newReleaseText,
             "  Lookup table 0 Gamma: " + p.newReleaseText, "Setup (FPGA 0, block 0): 00 00 00 00"})
        EXPECT_TRUE(info.OutHas(line + "\n")) << line << "\n" << info;

    const CliResult json = Cli({"--json", "info", "--port", port});
    ASSERT_EQ(json.exitCode, 0) << json;
    EXPECT_EQ(json.out.find("{\"command\":\"info\",\"ok\":true,\"exit\":0"), 0u) << json;
    EXPECT_TRUE(json.OutHas("\"typeName\":\"" + p.typeName + "\"")) << json;
    EXPECT_TRUE(json.OutHas("\"serial\":\"00001234\"")) << json;
    EXPECT_EQ(json.out.back(), '\n');
    EXPECT_EQ(json.out.find('\n'), json.out.size() - 1) << "one line of JSON";
}

TEST_P(CliEveryCommand, PeekPokeAndCsv) {
    sim::SimulatedModule& module = StartModule(GetParam().profile);
    const std::string port = Port(module);
    auto reg = [&](uint8_t interface, uint8_t device, uint32_t address) {
        const auto registers = module.State().registers;
        const auto it = registers.find({interface, device, address});
        return it == registers.end() ? -1 : static_cast<int>(it->second);
    };

    const CliResult poke = Cli({"-d", "poke", "--port", port, "I2C", "4a", "1000", "5a"});
    ASSERT_EQ(poke.exitCode, 0) << poke;
    EXPECT_EQ(poke.out, "5A\n") << "read back after the poke";
    EXPECT_EQ(reg(0, 0x4A, 0x1000), 0x5A);

    const CliResult quiet =
        Cli({"-d", "poke", "--port", port, "--no-peek", "SPI Control", "0x10", "ffffff", "7"});
    ASSERT_EQ(quiet.exitCode, 0) << quiet;
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(reg(1, 0x10, 0xFFFFFF), 0x07);

    const CliResult peek = Cli({"-d", "peek", "--port", port, "i2c", "4A", "1000"});
    ASSERT_EQ(peek.exitCode, 0) << peek;
    EXPECT_EQ(peek.out, "5A\n");

    WriteScratch("pokes.csv", "\"Interface\",\"Device\",\"Address\",\"Value\"\n"
                              "; two registers\n"
                              "JTAG,1,20,3C\n"
                              "SPI Config,0x66,0x77,0x01\n");
    const CliResult csv = Cli({"-d", "csv", "--port", port, Scratch("pokes.csv").string()});
    ASSERT_EQ(csv.exitCode, 0) << csv;
    EXPECT_EQ(csv.out, "Load completed.\n");
    EXPECT_EQ(reg(3, 0x01, 0x20), 0x3C);
    EXPECT_EQ(reg(2, 0x66, 0x77), 0x01);
    EXPECT_EQ(LoggedCommands(ResultsLogFile()), std::vector<std::string>{"csv"});
}

TEST_P(CliEveryCommand, SetupShowSaveDefaultsLoad) {
    const ProfileCase& p = GetParam();
    // The program proposes the lowest release of the demo table: a module
    // at that release has its setup controls enabled.
    sim::SimulatedModule& module = StartModule(p.profile, p.oldRelease);
    SetSetupBytes(module, p.setup);
    const std::string port = Port(module);

    const CliResult show = Cli({"setup", "--port", port, "show"});
    ASSERT_EQ(show.exitCode, 0) << show;
    for (const std::string& line : p.setupLines)
        EXPECT_TRUE(show.OutHas("  " + line + "\n")) << line << "\n" << show;

    const std::string file = Scratch("saved").string(); // ".xml" is added
    const CliResult save = Cli({"setup", "--port", port, "save", file});
    ASSERT_EQ(save.exitCode, 0) << save;
    EXPECT_EQ(save.out, "Setups saved successfully.\n");
    ASSERT_TRUE(fs::exists(file + ".xml"));

    const CliResult defaults = Cli({"setup", "--port", port, "defaults"});
    ASSERT_EQ(defaults.exitCode, 0) << defaults;
    EXPECT_EQ(SetupBytes(module), Bytes(4, 0));

    const CliResult load = Cli({"--json", "setup", "--port", port, "load", file + ".xml"});
    ASSERT_EQ(load.exitCode, 0) << load;
    EXPECT_TRUE(load.OutHas("\"status\":\"Setups loaded successfully.\"")) << load;
    EXPECT_EQ(SetupBytes(module), p.setup);
    EXPECT_EQ(LoggedCommands(ResultsLogFile()),
              (std::vector<std::string>{"setup-defaults", "setup-load"}));
}

TEST_P(CliEveryCommand, Downloads) {
    const ProfileCase& p = GetParam();
    sim::SimulatedModule& module = StartModule(p.profile);
    const std::string port = Port(module);

    const CliResult fpga =
        Cli({"-d", "download", "--port", port, "--yes", "fpga", "0", p.oldFpgaImage});
    ASSERT_EQ(fpga.exitCode, 0) << fpga;
    EXPECT_EQ(fpga.out, "FPGA firmware has been automatically reloaded into the FPGA.\n"
                        "Update completed successfully.\n");
    EXPECT_EQ(module.State().fpgas.at(0).revision, p.oldRelease);

    const CliResult lut =
        Cli({"-d", "download", "--port", port, "--yes", "lut", "0", "0", p.oldTableImage});
    ASSERT_EQ(lut.exitCode, 0) << lut;
    EXPECT_EQ(lut.out, "Update completed successfully.\n");
    EXPECT_EQ(module.State().fpgas.at(0).tables.at(0).version, p.oldRelease);

    const CliResult ferrin =
        Cli({"-d", "download", "--port", port, "--yes", "ferrin", p.ferrinImage});
    ASSERT_EQ(ferrin.exitCode, 0) << ferrin;
    EXPECT_EQ(ferrin.out, "Reboot the module for the newly updated firmware to take effect!\n"
                          "Update completed successfully.\n");
    EXPECT_EQ(module.State().stagedFerrin, std::optional<sim::Version>(p.newRelease));

    const CliResult safeBoot = Cli({"-d", "download", "--port", port, "--yes", "safeboot",
                                    "types/" + p.typeName + "/images/safeboot-1.0.iic"});
    ASSERT_EQ(safeBoot.exitCode, 0) << safeBoot;
    EXPECT_EQ(module.State().stagedSafeBoot, std::optional<sim::Version>(sim::Version{1, 0}));

    // A record each, with what the module reported before and after.
    const auto log = frontend::ResultsLog::Read(ResultsLogFile());
    ASSERT_EQ(log.records.size(), 4u);
    EXPECT_EQ(log.skipped, 0u);
    const char* commands[] = {"download", "download-lut", "download", "download"};
    const char* components[] = {"FPGA 0", "FPGA 0 table 0", "Ferrin", "SafeBoot"};
    for (size_t i = 0; i < 4; ++i) {
        const frontend::JsonValue& r = log.records[i];
        EXPECT_EQ(r.Text("command"), commands[i]) << r.Write();
        EXPECT_EQ(r.Text("component"), components[i]) << r.Write();
        EXPECT_EQ(r.Text("serial"), "00001234");
        EXPECT_EQ(r.Get("result")->AsInteger(), std::optional<int64_t>(0)) << r.Write();
    }
    EXPECT_EQ(FpgaVersion(log.records[0], "before"), p.newReleaseText);
    EXPECT_EQ(FpgaVersion(log.records[0], "after"), Text(p.oldRelease));
}

TEST_P(CliEveryCommand, UpdateBringsAnOlderModuleToTheLatestRelease) {
    const ProfileCase& p = GetParam();
    sim::SimulatedModule& module = StartModule(p.profile, p.oldRelease);
    const std::string port = Port(module);

    const CliResult update = Cli({"update", "--port", port, "--release", "latest", "--yes"});
    ASSERT_EQ(update.exitCode, 0) << update;
    EXPECT_EQ(update.out, "Update to Release '" + p.newReleaseText +
                              "' completed successfully.\nUpdate completed successfully.\n");
    const sim::ModuleState state = module.State();
    EXPECT_EQ(state.release, p.newRelease);
    EXPECT_EQ(state.ferrin, p.newRelease);
    for (const sim::SimFpga& fpga : state.fpgas)
        EXPECT_EQ(fpga.revision, p.newRelease) << "FPGA " << int(fpga.id);
    EXPECT_GE(module.BootCount(), 1u) << "rebooted and reconnected";

    const CliResult again = Cli({"update", "--port", port, "--release", p.newReleaseText});
    EXPECT_EQ(again.exitCode, 0) << again;
    EXPECT_EQ(again.out, "No updates were needed.\n");
    EXPECT_EQ(module.BootCount(), 1u);

    // The update is recorded; the run that changed nothing is not.
    const auto log = frontend::ResultsLog::Read(ResultsLogFile());
    ASSERT_EQ(log.records.size(), 1u);
    const frontend::JsonValue& r = log.records[0];
    EXPECT_EQ(r.Text("command"), "update");
    EXPECT_EQ(r.Get("port")->AsInteger(), std::optional<int64_t>(module.PortNumber()));
    EXPECT_EQ(r.Text("typeName"), p.typeName);
    EXPECT_EQ(r.Text("name"), p.moduleName);
    EXPECT_EQ(r.Text("serial"), "00001234");
    EXPECT_EQ(r.Text("targetRelease"), p.newReleaseText);
    EXPECT_EQ(Versions(r, "before", "release"), Text(p.oldRelease));
    EXPECT_EQ(Versions(r, "before", "ferrin"), Text(p.oldRelease));
    EXPECT_EQ(Versions(r, "after", "release"), p.newReleaseText);
    EXPECT_EQ(Versions(r, "after", "ferrin"), p.newReleaseText);
    EXPECT_EQ(FpgaVersion(r, "after"), p.newReleaseText);
    EXPECT_EQ(r.Text("resultText"),
              "Update to Release '" + p.newReleaseText + "' completed successfully.");
    EXPECT_GT(r.Get("durationMs")->AsInteger().value_or(0), 0);
    EXPECT_EQ(r.Text("time").size(), 20u) << "YYYY-MM-DDTHH:MM:SSZ";
}

INSTANTIATE_TEST_SUITE_P(Profiles, CliEveryCommand, ::testing::ValuesIn(kProfiles),
                         [](const auto& test) { return std::string(test.param.label); });

} // namespace
