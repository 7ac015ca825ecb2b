// Minimal transactions (a 3-byte request, a 5-byte answer) against the module
// simulator: paced at 38400 baud, how close the host comes to the wire time;
// unpaced, how many transactions per second and how much host CPU each costs.
// It sends no image, so it has no Ferrin size.
//
// Usage: RoundTripBench [--unpaced] [transactions (500)]
#include "BenchArgs.h"
#include "CountingPort.h"

#include "engine/CCmdChannel.h"
#include "engine/CProgressIF.h"
#include "link/CUSBSerialPort.h"
#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

class NullProgress : public CProgressIF {
public:
    void SetProgress(float) override {}
    float GetProgress() override { return 0; }
};

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Result {
    int failures = 0;
    double elapsed = 0;
    double cpu = 0;
    double wire = 0;
};

Result Run(bool paced, int transactions) {
    sim::ScopedPortDirectory directory;
    auto config = sim::MakeModule(sim::Profile::Tarn);
    config->behaviour.pacing = paced;
    sim::SimulatedModule module(*config);
    Result result;
    if (!module.Start()) {
        std::fprintf(stderr, "simulator: %s\n", module.Error().c_str());
        std::exit(1);
    }
    CUSBSerialPort port;
    if (!port.Open(module.PortNumber())) {
        std::fprintf(stderr, "cannot open COM%u\n", module.PortNumber());
        std::exit(1);
    }
    CountingPort counting(port);
    NullProgress progress;
    CCmdChannel channel(&counting, &progress);

    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuSeconds();
    for (int i = 0; i < transactions; ++i) {
        uint8_t version = 0;
        if (channel.CheckProtocol(version) != chan::kOk)
            ++result.failures;
    }
    result.cpu = ThreadCpuSeconds() - cpuStart;
    result.elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.wire = counting.WireSeconds();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    const BenchArgs args = ParseBenchArgs(argc, argv, "[--unpaced] [transactions]");
    const int n = static_cast<int>(args.Number(0, 500));

    Result paced;
    if (args.paced) {
        paced = Run(true, n);
        std::printf("paced at 38400 baud: %d transactions in %.3f s, wire time %.3f s, "
                    "wire/elapsed %.3f, failures %d\n",
                    n, paced.elapsed, paced.wire, paced.wire / paced.elapsed, paced.failures);
    }

    const Result fast = Run(false, n);
    std::printf("unpaced: %d transactions in %.3f s, %.0f transactions/s, host CPU %.1f us per "
                "transaction, failures %d\n",
                n, fast.elapsed, n / fast.elapsed, fast.cpu / n * 1e6, fast.failures);
    return paced.failures + fast.failures == 0 ? 0 : 1;
}
