// Image downloads against the simulator paced at 38400 baud with chunk size
// 256: a 65535-byte Ferrin image and a 1 MiB FPGA image. Prints elapsed time,
// the wire time of every byte that crossed the link, and wire/elapsed.
//
// Usage: DownloadBench [--unpaced] [--ferrin BYTES (65535)] [FPGA image bytes (1 MiB)]
#include "BenchArgs.h"
#include "CountingPort.h"

#include "engine/CCmdEngine.h"
#include "link/CUSBSerialPort.h"
#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

namespace {

std::string Image(size_t size) {
    std::string image = "SAMPLE-IMAGE 9.9\n";
    image.resize(size, '\x5A');
    return image;
}

} // namespace

int main(int argc, char** argv) {
    const BenchArgs args =
        ParseBenchArgs(argc, argv, "[--unpaced] [--ferrin BYTES] [FPGA image bytes]");
    const size_t ferrinSize = args.Ferrin(65535);
    const size_t fpgaSize = args.Number(0, 1u << 20);

    sim::ScopedPortDirectory directory;
    auto config = sim::MakeModule(sim::Profile::Tarn);
    config->behaviour.pacing = args.paced;
    config->behaviour.chunkSize = 256;
    sim::SimulatedModule module(*config);
    if (!module.Start()) {
        std::fprintf(stderr, "simulator: %s\n", module.Error().c_str());
        return 1;
    }
    CUSBSerialPort port;
    if (!port.Open(module.PortNumber())) {
        std::fprintf(stderr, "cannot open COM%u\n", module.PortNumber());
        return 1;
    }
    CountingPort counting(port);
    // No registry: the module's FPGA 0 is described by hand, as its type file would.
    CCmdEngine engine(&counting, nullptr, nullptr, nullptr, 0);
    FpgaDescription& fpga = engine.Module().fpgas[0];
    fpga.interface = 1;
    fpga.deviceId = 0x10;
    fpga.firmware.interface = 2;
    fpga.firmware.deviceId = 0x66;
    fpga.firmware.start = 0x77;
    fpga.firmware.revisionStart = 0x55;

    struct Case {
        const char* name;
        size_t size;
        bool ferrin;
    };
    const Case cases[] = {{"Ferrin", ferrinSize, true}, {"FPGA image", fpgaSize, false}};
    int failures = 0;
    for (const auto& c : cases) {
        std::istringstream image(Image(c.size));
        counting.sent = counting.received = 0;
        const auto start = std::chrono::steady_clock::now();
        const eng::Code r = c.ferrin ? engine.DownloadFerrin(image, static_cast<uint32_t>(c.size))
                                     : engine.DownloadFpga(0, image, static_cast<uint32_t>(c.size));
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (r != eng::kOk)
            ++failures;
        std::printf("%s (%zu bytes): result %d, elapsed %.2f s, wire time %.2f s "
                    "(%llu bytes out, %llu in), wire/elapsed %.3f\n",
                    c.name, c.size, Number(r), elapsed, counting.WireSeconds(),
                    static_cast<unsigned long long>(counting.sent),
                    static_cast<unsigned long long>(counting.received),
                    counting.WireSeconds() / elapsed);
    }
    return failures == 0 ? 0 : 1;
}
