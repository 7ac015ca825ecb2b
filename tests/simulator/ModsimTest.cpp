// Command line of pellworth-modsim, parsed and run.

#include "simulator/ModsimOptions.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
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

#ifdef MODSIM_PATH
// A client killed right after it took the port exclusively leaves the flag
// on the pty; another client's open must succeed soon all the same. Both
// run as an ordinary user, as the simulator does: root opens a port
// whatever its exclusivity.
TEST(ModsimProgram, AClientKilledHoldingThePortLocksNobodyOut) {
    const uid_t user = getuid() == 0 ? 65534 : getuid();
    const auto becomeUser = [user] {
        return getuid() != 0 ||
               (setgroups(0, nullptr) == 0 && setgid(user) == 0 && setuid(user) == 0);
    };
    // A process of the user's own; its exit status tells how it went.
    const auto asUser = [&](const std::function<int()>& work) {
        const pid_t pid = fork();
        if (pid == 0)
            _exit(becomeUser() ? work() : 126);
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    if (asUser([] { return access(MODSIM_PATH, X_OK) == 0 ? 0 : 1; }) != 0)
        GTEST_SKIP() << "the build folder is closed to user " << user;
    char dir[] = "/tmp/pellworth-modsim-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    ASSERT_EQ(chown(dir, user, user), 0);
    const std::string link = std::string(dir) + "/COM7";
    const char* saved = std::getenv("PELLWORTH_PORT_DIR");
    const std::string previous = saved ? saved : "";
    setenv("PELLWORTH_PORT_DIR", dir, 1); // for the child only
    const pid_t modsim = fork();
    if (modsim == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (!becomeUser() || null < 0 || dup2(null, 1) < 0)
            _exit(126);
        execl(MODSIM_PATH, MODSIM_PATH, "--com", "7", "--pacing", "off", nullptr);
        _exit(127);
    }
    if (saved)
        setenv("PELLWORTH_PORT_DIR", previous.c_str(), 1);
    else
        unsetenv("PELLWORTH_PORT_DIR");
    ASSERT_GT(modsim, 0);
    const auto client = [&](bool dieHoldingIt) {
        return asUser([&] {
            for (int tries = 0; tries < 75; ++tries) { // 1.5 s
                char node[256] = {};
                const ssize_t n = readlink(link.c_str(), node, sizeof node - 1);
                const int fd = n > 0 ? open(node, O_RDWR | O_NOCTTY | O_NONBLOCK) : -1;
                if (fd >= 0) {
                    if (dieHoldingIt)
                        ioctl(fd, TIOCEXCL);
                    return 0; // ends as kill -9 would: the flag stays
                }
                usleep(20000);
            }
            return 1;
        });
    };
    EXPECT_EQ(client(true), 0);
    EXPECT_EQ(client(false), 0);
    kill(modsim, SIGTERM);
    waitpid(modsim, nullptr, 0);
    std::filesystem::remove_all(dir);
}
#endif
