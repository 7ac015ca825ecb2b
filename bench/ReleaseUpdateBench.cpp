// A whole release update against the simulator paced at 38400 baud: Ferrin
// of 65535 bytes, two FPGA images and four lookup tables (an ORLAN6-like
// module with two tables per FPGA), a 1 s reboot and an erase phase before
// every download. The run is driven as a command-line front end drives it,
// ticking every 100 ms. Prints elapsed time, the wire time of all traffic plus
// the simulator's configured delays, and their ratio. The module starts one
// release behind (2.0), as a module on a bench does.
//
// Usage: ReleaseUpdateBench [--unpaced] [--ferrin BYTES (65535)]
//                           [FPGA image bytes (16384)] [table bytes (1024)]
// Unpaced, the reboot takes 300 ms and an erase frame 10 ms.
#include "BenchArgs.h"

#include "descriptions/DataDirectory.h"
#include "descriptions/ReleaseTable.h"
#include "engine/CCmdEngine.h"
#include "frontend/CDialogServicesIF.h"
#include "frontend/ModuleSession.h"
#include "maintenance/ReleaseUpdate.h"
#include "maintenance/StartReleaseUpdate.h"
#include "maintenance/UpdateRun.h"
#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kEraseFrames = 10;
constexpr int kStartCommands = 7; // Ferrin, two FPGAs, four tables

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string Image(size_t size) {
    std::string image = "SAMPLE-IMAGE 2.1\n";
    image.resize(size, '\x5A');
    return image;
}

// A types directory with ORLAN6 releases 2.0 (the module's) and 2.1 whose
// FPGAs have two tables each; only 2.1's images are sent.
void MakeTypes(const fs::path& root, size_t ferrinSize, size_t fpgaSize, size_t tableSize) {
    const fs::path dir = root / "types/ORLAN6";
    Write(dir / "orlan6-bench.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<ModuleDefinition>
  <ModuleType version="0.1" type="ORLAN6" fpgaID="0" addr="0x0000">
    <FPGA id="0" name="Input" interfaceID="SPI Control" deviceID="0x10">
      <Firmware interfaceID="SPI Config" deviceID="0x66" start="0x77"/>
      <FirmwareRevision start="0x55"/>
      <LookupTableRegister start="0x60"/>
      <ParamBlock id="0" name="Setup" start="0" length="4"/>
      <LookupTable id="0" name="Gamma" deviceID="0x20" start="0x1000" length="1024"/>
      <LookupTable id="1" name="Matrix" deviceID="0x20" start="0x3000" length="1024"/>
    </FPGA>
    <FPGA id="1" name="Output" interfaceID="JTAG" deviceID="0x01">
      <Firmware interfaceID="JTAG" deviceID="0x01" start="0"/>
      <FirmwareRevision start="0x55"/>
      <LookupTableRegister start="0x70"/>
      <LookupTable id="0" name="Gamma" deviceID="0x21" start="0x4000" length="1024"/>
      <LookupTable id="1" name="Matrix" deviceID="0x21" start="0x6000" length="1024"/>
    </FPGA>
  </ModuleType>
</ModuleDefinition>
)");
    Write(dir / "assembly.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<Releases>
  <Module version="0.1" type="ORLAN6">
    <Assembly id="1">
      <Release version="2.0"/>
      <ModuleType filename="types/ORLAN6/orlan6-bench.xml"/>
      <SafeBoot version="1.0" filename="types/ORLAN6/safeboot.iic"/>
      <Ferrin version="2.0" filename="types/ORLAN6/ferrin.bin"/>
      <FPGA id="0" version="2.0" filename="types/ORLAN6/fpga0.rpd">
        <LookupTable id="0" version="2.0" filename="types/ORLAN6/lut00.bin"/>
        <LookupTable id="1" version="2.0" filename="types/ORLAN6/lut01.bin"/>
      </FPGA>
      <FPGA id="1" version="2.0" filename="types/ORLAN6/fpga1.ace">
        <LookupTable id="0" version="2.0" filename="types/ORLAN6/lut10.bin"/>
        <LookupTable id="1" version="2.0" filename="types/ORLAN6/lut11.bin"/>
      </FPGA>
    </Assembly>
    <Assembly id="2">
      <Release version="2.1"/>
      <ModuleType filename="types/ORLAN6/orlan6-bench.xml"/>
      <SafeBoot version="1.0" filename="types/ORLAN6/safeboot.iic"/>
      <Ferrin version="2.1" filename="types/ORLAN6/ferrin.bin"/>
      <FPGA id="0" version="2.1" filename="types/ORLAN6/fpga0.rpd">
        <LookupTable id="0" version="2.1" filename="types/ORLAN6/lut00.bin"/>
        <LookupTable id="1" version="2.1" filename="types/ORLAN6/lut01.bin"/>
      </FPGA>
      <FPGA id="1" version="2.1" filename="types/ORLAN6/fpga1.ace">
        <LookupTable id="0" version="2.1" filename="types/ORLAN6/lut10.bin"/>
        <LookupTable id="1" version="2.1" filename="types/ORLAN6/lut11.bin"/>
      </FPGA>
    </Assembly>
  </Module>
</Releases>
)");
    Write(dir / "safeboot.iic", "SAMPLE-IMAGE 1.0\n");
    Write(dir / "ferrin.bin", Image(ferrinSize));
    Write(dir / "fpga0.rpd", Image(fpgaSize));
    Write(dir / "fpga1.ace", Image(fpgaSize));
    for (const char* lut : {"lut00.bin", "lut01.bin", "lut10.bin", "lut11.bin"})
        Write(dir / lut, Image(tableSize));
}

// Boxes answer their first button and are printed.
class ConsoleDialogs : public CDialogServicesIF {
public:
    MsgResult MessageBox(const std::wstring& text, const std::wstring&, MsgButtons buttons,
                         MsgIcon) override {
        std::printf("  box: %ls\n", text.c_str());
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ||
                       buttons == MsgButtons::YesNoDefaultNo
                   ? MsgResult::Yes
                   : MsgResult::Ok;
    }
    void ReportFileError(const std::wstring& path, FileOperation operation, int error) override {
        std::printf("  %ls\n", FileErrorText(path, operation, error).c_str());
    }
    FileDialogResult AskFile(const FileDialogRequest&) override { return {}; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void RunOnGuiThread(std::function<void()> fn, bool) override { fn(); }
};

// The command-line host of a run over the session: the main thread is its GUI thread.
class BenchHost : public UpdateRunHostIF, public frontend::SessionObserverIF {
public:
    explicit BenchHost(frontend::ModuleSession& session) : m_session(session) {
        m_session.SetObserver(this);
    }
    ~BenchHost() override { m_session.SetObserver(nullptr); }

    CCmdEngine& Engine() override { return m_session.Engine(); }
    CDialogServicesIF& Dialogs() override { return m_session.Dialogs(); }
    void ReportError(const std::wstring& text) override { m_session.ReportError(text); }
    void StatusChanged(const std::wstring& text) override {
        if (!text.empty())
            std::printf("  status line: %ls\n", text.c_str());
    }
    void UpdateControls() override {}
    bool Connect(const std::string& expectedSerial) override {
        ++attempts;
        return m_session.Reconnect(expectedSerial);
    }
    uint16_t RunPort() override { return m_session.RunPort(); }
    void Disconnect() override { m_session.Disconnect(); }
    void SetQuiet(bool quiet) override { m_session.SetQuiet(quiet); }
    PromptAnswer ConfirmReleaseUpdate(bool& force) override {
        force = false;
        return PromptAnswer::Yes;
    }
    void ShowProgress(int32_t, int, const std::wstring&) override {}
    void ShowStatus(int32_t, const std::wstring& text) override {
        if (text != m_lastStatus)
            std::printf("  %ls\n", text.c_str());
        m_lastStatus = text;
    }

    int attempts = 0;

private:
    frontend::ModuleSession& m_session;
    std::wstring m_lastStatus;
};

} // namespace

int main(int argc, char** argv) {
    const BenchArgs args =
        ParseBenchArgs(argc, argv, "[--unpaced] [--ferrin BYTES] [FPGA image bytes] [table bytes]");
    const size_t ferrinSize = args.Ferrin(65535);
    const size_t fpgaSize = args.Number(0, 16384);
    const size_t tableSize = args.Number(1, 1024);
    const auto rebootDelay = args.paced ? 1000ms : 300ms;
    const auto eraseInterval = args.paced ? 50ms : 10ms;

    sim::ScopedPortDirectory ports;
    char pattern[] = "/tmp/pellworth-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    MakeTypes(root, ferrinSize, fpgaSize, tableSize);
    const fs::path previous = fs::current_path();
    fs::current_path(root);
    datadir::Use(root);

    auto config = sim::MakeModule(sim::Profile::Orlan6, {2, 0});
    for (sim::SimFpga& fpga : config->state.fpgas) {
        const uint8_t device = fpga.tables.front().device;
        const uint32_t start = fpga.tables.front().start + 0x2000;
        fpga.tables.push_back(sim::SimLookupTable{1, device, start, 1024, {2, 0}});
    }
    config->behaviour.pacing = args.paced;
    config->behaviour.baudRate = 38400;
    config->behaviour.rebootDelay = rebootDelay;
    config->behaviour.eraseFrames = kEraseFrames;
    config->behaviour.pendingInterval = eraseInterval;
    sim::SimulatedModule module(*config);

    int failures = 0;
    {
        if (!module.Start()) {
            std::fprintf(stderr, "simulator: %s\n", module.Error().c_str());
            return 1;
        }
        ConsoleDialogs dialogs;
        frontend::ModuleSession session(dialogs, {});
        std::wstring error;
        if (!session.Start({.forcedType = kModuleTypeOrlan6}, error)) {
            std::fprintf(stderr, "%ls\n", error.c_str());
            return 1;
        }
        session.Selection().SetWish(frontend::ReleaseWish::Latest);
        if (conn::Code r = conn::kOk; !session.Connect(module.PortNumber(), &r) || r != conn::kOk) {
            std::fprintf(stderr, "connect failed (%d)\n", Number(r));
            return 1;
        }
        if (!session.Selection().Selected() || session.Selection().Desired().fpgas.empty()) {
            std::fprintf(stderr, "bench release not readable\n");
            return 1;
        }

        BenchHost host(session);
        UpdateRun run(host);
        const uint64_t sentBefore = session.Port().BytesWritten();
        const uint64_t receivedBefore = session.Port().BytesRead();
        const auto start = std::chrono::steady_clock::now();
        if (!StartReleaseUpdate(run, session.Selection().Selected(), session.Selection().Desired(),
                                session.InstalledRelease()) ||
            !DriveUntilClosed(run, 100ms, 600s)) {
            ++failures;
        }
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (run.LastResult() != upd::kOk)
            ++failures;
        run.Shutdown();

        const uint64_t sent = session.Port().BytesWritten() - sentBefore;
        const uint64_t received = session.Port().BytesRead() - receivedBefore;
        const double wire = static_cast<double>(sent + received) * 10.0 / 38400.0;
        const double reboot = std::chrono::duration<double>(rebootDelay).count();
        const double erase =
            kStartCommands * kEraseFrames * std::chrono::duration<double>(eraseInterval).count();
        const double countdown = run.Timing().rebootCountdown * 0.1;
        std::printf(
            "Release update (Ferrin %zu, FPGAs 2 x %zu, tables 4 x %zu bytes%s): result %d, "
            "%d connect attempt(s)\n",
            ferrinSize, fpgaSize, tableSize, args.paced ? "" : ", unpaced",
            Number(run.LastResult()), host.attempts);
        std::printf("  elapsed %.2f s\n", elapsed);
        std::printf("  wire time %.2f s (%llu bytes out, %llu in) + reboot %.2f s + erase %.2f s "
                    "= %.2f s\n",
                    wire, static_cast<unsigned long long>(sent),
                    static_cast<unsigned long long>(received), reboot, erase,
                    wire + reboot + erase);
        std::printf("  (wire + delays) / elapsed %.3f\n", (wire + reboot + erase) / elapsed);
        // Without the port's presence the run would wait its whole countdown.
        const double wait = std::max(reboot, countdown);
        std::printf("  were the run's %.1f s countdown waited instead of the reboot: "
                    "(wire + erase + countdown) / elapsed %.3f\n",
                    countdown, (wire + erase + wait) / elapsed);
    }
    fs::current_path(previous);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return failures == 0 ? 0 : 1;
}
