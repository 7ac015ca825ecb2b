// Command line of pellworth-modsim, parsed and run.

#include "simulator/ModsimOptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <tuple>

TEST(ModsimOptions, BadCommandLinesAreRefusedWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {"--type", "kestrel"},
        {"--release", "1.x"},
        {"--com", "70000"},
        {"--chunk-size", "-1"},
        {"--count", "0"},
        {"--frobnicate"},
        {"--type", "orlan6", "--release", "1.1"},
        {"--com", "3", "--count", "2", "--next", "--com", "4"}, // COM4 twice
    };
    for (const auto& args : bad) {
        std::string why;
        EXPECT_FALSE(sim::ParseModsimArgs(args, why).has_value()) << args[0];
        EXPECT_FALSE(why.empty()) << args[0];
    }
}

TEST(ModsimOptions, OptionsShapeTheModulesAndNextCountsOn) {
    std::string why;
    const auto options = sim::ParseModsimArgs(
        {"--serial",    "00000099",  "--type",   "orlan6", "--release",    "2.0",
         "--com",       "4",         "--pacing", "off",    "--chunk-size", "0x40",
         "--no-reboot", "--running", "safeboot", "--next", "--type",       "tarn",
         "--serial",    "blank",     "--count",  "2"},
        why);
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
                       second.behaviour.canReboot),
              std::make_tuple(sim::Profile::Tarn, 5, sim::BlankSerial(), false));
    EXPECT_EQ(options->modules[2].config.portNumber, 6);

    // A module starts one release older than the latest (which the demo data
    // carries); serials count on.
    const auto defaults = sim::ParseModsimArgs({"--count", "2", "--next", "--type", "orlan6"}, why);
    ASSERT_TRUE(defaults.has_value());
    const auto& m = defaults->modules;
    EXPECT_EQ(
        std::tie(m[0].config.state.release, m[2].config.state.release, m[1].config.state.serial),
        std::make_tuple(sim::Version{1, 0}, sim::Version{2, 0}, "00001235"));

    // A module without a number never takes one given to another module, nor
    // one in use: each comes back from a reboot under its own.
    auto mixed = sim::ParseModsimArgs({"--next", "--com", "1", "--next", "--com", "4"}, why);
    ASSERT_TRUE(mixed.has_value());
    sim::AssignPortNumbers(mixed->modules, [](uint16_t n) { return n == 2; });
    std::vector<uint16_t> numbers;
    for (const sim::ModsimModule& module : mixed->modules)
        numbers.push_back(module.config.portNumber);
    EXPECT_EQ(numbers, (std::vector<uint16_t>{3, 1, 4}));
}

#ifdef MODSIM_PATH
// A bad command line exits with 2 and the usage, not with modules half started.
TEST(ModsimProgram, HelpAndUsage) {
    const auto run = [](const std::string& args, std::string& output) {
        FILE* pipe = popen((std::string(MODSIM_PATH) + " " + args + " 2>&1").c_str(), "r");
        char buffer[512];
        for (output.clear(); pipe && fgets(buffer, sizeof buffer, pipe);)
            output += buffer;
        const int status = pipe ? pclose(pipe) : -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string out;
    EXPECT_EQ(run("--help", out), 0);
    EXPECT_EQ(run("--type kestrel", out), 2);
    EXPECT_NE(out.find("usage: pellworth-modsim"), std::string::npos);
}
#endif
