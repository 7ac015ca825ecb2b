// Command line of pellworth-modsim, parsed and run.

#include "simulator/ModsimOptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <tuple>

namespace {

std::optional<sim::ModsimOptions> Parse(std::vector<std::string> args, std::string* why = nullptr) {
    std::string error;
    auto options = sim::ParseModsimArgs(args, error);
    if (why)
        *why = error;
    return options;
}

} // namespace

TEST(ModsimOptions, BadCommandLinesAreRefusedWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {"--type", "kestrel"},
        {"--release", "1"},
        {"--release", "1.x"},
        {"--release", "3.0"},
        {"--com", "70000"},
        {"--com"},
        {"--pacing", "maybe"},
        {"--running", "both"},
        {"--chunk-size", "-1"},
        {"--module-type", "256"},
        {"--count", "0"},
        {"--frobnicate"},
        {"--type", "orlan6", "--release", "1.1"},
        {"--com", "3", "--count", "2", "--next", "--com", "4"}, // COM4 twice
    };
    for (const auto& args : bad) {
        std::string why;
        EXPECT_FALSE(Parse(args, &why).has_value()) << args[0];
        EXPECT_FALSE(why.empty()) << args[0];
    }
}

TEST(ModsimOptions, OptionsShapeTheModulesAndNextCountsOn) {
    std::string why;
    const auto options =
        Parse({"--serial",    "00000099",  "--type",   "orlan6", "--release",    "2.0",
               "--com",       "4",         "--pacing", "off",    "--chunk-size", "0x40",
               "--no-reboot", "--running", "safeboot", "--next", "--type",       "tarn",
               "--serial",    "blank",     "--count",  "2"},
              &why);
    ASSERT_TRUE(options.has_value()) << why;
    ASSERT_EQ(options->modules.size(), 3u);
    const sim::ModuleConfig& first = options->modules[0].config;
    EXPECT_EQ(std::tie(options->modules[0].profile, first.portNumber, first.state.serial,
                       first.state.release, first.state.running, first.behaviour.chunkSize),
              std::make_tuple(sim::Profile::Orlan6, 4, "00000099", sim::Version{2, 0},
                              sim::RunningImage::SafeBoot, 64));
    EXPECT_FALSE(first.state.ferrinValid || first.behaviour.pacing || first.behaviour.canReboot);
    // The next module inherits, on the next COM number.
    const sim::ModuleConfig& second = options->modules[1].config;
    EXPECT_EQ(std::tie(options->modules[1].profile, second.portNumber, second.state.serial,
                       second.state.moduleType, second.behaviour.canReboot),
              std::make_tuple(sim::Profile::Tarn, 5, sim::BlankSerial(), 2, false));
    EXPECT_EQ(options->modules[2].config.portNumber, 6);

    // A module starts one release older than the latest (which the demo data carries).
    const auto defaults = Parse({"--count", "2", "--next", "--type", "orlan6"});
    ASSERT_TRUE(defaults.has_value());
    const auto& m = defaults->modules;
    EXPECT_EQ(std::tie(m[0].config.state.release, m[2].config.state.release),
              std::make_tuple(sim::Version{1, 0}, sim::Version{2, 0}));
    EXPECT_TRUE(m[0].config.behaviour.pacing);
    EXPECT_EQ(std::tie(m[0].config.state.serial, m[1].config.state.serial, m[1].config.portNumber),
              std::make_tuple("00001234", "00001235", 0));

    // A module without a number never takes one given to another module, nor
    // one in use: each comes back from a reboot under its own.
    auto mixed = Parse({"--next", "--com", "1", "--next", "--com", "4"});
    ASSERT_TRUE(mixed.has_value());
    sim::AssignPortNumbers(mixed->modules, [](uint16_t n) { return n == 2; });
    std::vector<uint16_t> numbers;
    for (const sim::ModsimModule& module : mixed->modules)
        numbers.push_back(module.config.portNumber);
    EXPECT_EQ(numbers, (std::vector<uint16_t>{3, 1, 4}));
}

#ifdef MODSIM_PATH
namespace {

int RunModsim(const std::string& args, std::string& output) {
    FILE* pipe = popen((std::string(MODSIM_PATH) + " " + args + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[512];
    output.clear();
    while (fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(ModsimProgram, HelpAndUsage) {
    std::string out;
    EXPECT_EQ(RunModsim("--help", out), 0);
    EXPECT_NE(out.find("--reboot-delay"), std::string::npos);
    EXPECT_EQ(RunModsim("--type kestrel", out), 2);
    EXPECT_NE(out.find("usage: pellworth-modsim"), std::string::npos);
    EXPECT_NE(out.find("kestrel"), std::string::npos);
}
#endif
