// pellworth-cli update --port a,b,... against N = 1, 2, 4, 8 simulated TARN
// modules paced at 38400 baud, each on its own pseudo-terminal, all updated
// at once. Each link is its own wire, so N modules should take hardly longer
// than one: the goal is 8 modules in at most 1.15 times the time of one.
//
// What one module does: the test data's TARN release 1.0 -> 1.1, that is
// Ferrin (3 KiB) with a reboot of 1 s and the run's reconnect wait, then the
// FPGA image (4 KiB) and two lookup tables (1 KiB, 256 B), about 2.5 s of
// wire time. The tool runs as a process, as on a bench; its CPU time (user +
// system, from wait4) is divided by N. The simulated modules run in this
// process and are not counted.
//
// Usage: ParallelUpdateBench [--unpaced] [--ferrin BYTES (3072)] [largest N (8)]
// The tool runs in a copy of the test data whose Ferrin 1.1 image has the
// given size. Unpaced, the reboot takes 300 ms.
#include "BenchArgs.h"

#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct Outcome {
    int exit = -1;
    double elapsed = 0;
    double cpu = 0; // the tool's user + system seconds
};

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Runs the tool in the working directory, its output thrown away.
Outcome RunCli(const fs::path& directory, const std::vector<std::string>& args) {
    std::vector<std::string> storage{PELLWORTH_CLI};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : storage)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    Outcome outcome;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        if (null < 0 || dup2(null, 0) < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0 ||
            chdir(directory.c_str()) != 0)
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid < 0)
        return outcome;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    outcome.elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    return outcome;
}

} // namespace

int main(int argc, char** argv) {
    const BenchArgs args = ParseBenchArgs(argc, argv, "[--unpaced] [--ferrin BYTES] [largest N]");
    const auto largest = static_cast<unsigned>(args.Number(0, 8));

    char pattern[] = "/tmp/pellworth-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path data = pattern;
    std::error_code error;
    fs::copy(PELLWORTH_TEST_DATA, data, fs::copy_options::recursive, error);
    if (!error && args.ferrinSize) {
        std::string image = "SAMPLE-IMAGE 1.1\n";
        image.resize(args.ferrinSize, '\x5A');
        std::ofstream(data / "types/TARN/images/ferrin-1.1.bin", std::ios::binary | std::ios::trunc)
            << image;
    }
    if (error) {
        std::fprintf(stderr, "cannot copy the test data: %s\n", error.message().c_str());
        return 1;
    }

    sim::ScopedPortDirectory ports;
    std::printf("Parallel release update, TARN 1.0 -> 1.1 per module, %s\n",
                args.paced ? "paced at 38400 baud" : "unpaced");
    std::printf("%3s %10s %14s %16s %6s\n", "N", "elapsed", "N / one", "CPU per module", "exit");

    int failures = 0;
    double one = 0;
    for (unsigned n = 1; n <= largest; n *= 2) {
        std::vector<std::unique_ptr<sim::SimulatedModule>> modules;
        std::string list;
        for (unsigned i = 0; i < n; ++i) {
            auto config = sim::MakeModule(sim::Profile::Tarn, {1, 0});
            config->state.serial = "000012" + std::to_string(10 + i);
            config->behaviour.pacing = args.paced;
            config->behaviour.baudRate = 38400;
            config->behaviour.rebootDelay = args.paced ? 1000ms : 300ms;
            auto module = std::make_unique<sim::SimulatedModule>(*config);
            if (!module->Start()) {
                std::fprintf(stderr, "simulator: %s\n", module->Error().c_str());
                return 1;
            }
            list += (list.empty() ? "" : ",") + std::to_string(module->PortNumber());
            modules.push_back(std::move(module));
        }
        const Outcome outcome =
            RunCli(data, {"update", "--port", list, "--release", "1.1", "--yes"});
        bool updated = outcome.exit == 0;
        for (const auto& module : modules)
            updated = updated && module->State().fpgas.at(0).revision == sim::Version{1, 1};
        if (!updated)
            ++failures;
        if (n == 1)
            one = outcome.elapsed;
        std::printf("%3u %8.2f s %14.3f %14.3f s %6d%s\n", n, outcome.elapsed,
                    one > 0 ? outcome.elapsed / one : 0.0, outcome.cpu / n, outcome.exit,
                    updated ? "" : "  (not every module updated)");
        std::fflush(stdout);
    }
    std::printf("Goal: N / one at most 1.15 for N = 8.\n");
    fs::remove_all(data, error);
    return failures == 0 ? 0 : 1;
}
