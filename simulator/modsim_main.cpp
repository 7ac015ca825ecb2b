// pellworth-modsim: simulated modules on pseudo-terminals, published in the port
// directory so that the program (or anything else that looks there) finds them.

#include "frontend/ProgramVersion.h"
#include "link/PortDirectory.h"
#include "simulator/ModsimOptions.h"
#include "simulator/SimulatedModule.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <memory>
#include <pthread.h>

namespace {

std::string VersionText(sim::Version v) {
    return std::to_string(v.major) + "." + std::to_string(v.minor);
}

std::string Describe(const sim::ModsimModule& m) {
    const sim::ModuleState& s = m.config.state;
    std::string text = sim::ProfileName(m.profile);
    if (m.profile != sim::Profile::None)
        text += " release " + VersionText(s.release);
    text += ", serial ";
    text += s.serial == sim::BlankSerial() ? std::string("(blank)") : sim::TrimText(s.serial);
    text += ", running ";
    text += s.running == sim::RunningImage::Ferrin ? "Ferrin " + VersionText(s.ferrin)
                                                   : "SafeBoot " + VersionText(s.safeBoot);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options =
        sim::ParseModsimArgs(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "pellworth-modsim: " << error << "\n" << sim::kModsimUsageLine << "\n";
        return 2;
    }
    if (options->help) {
        std::cout << sim::ModsimHelp();
        return 0;
    }
    if (options->version) {
        std::cout << "pellworth-modsim " << kProgramVersion << '\n';
        return 0;
    }
    if (options->portDirectory)
        setenv("PELLWORTH_PORT_DIR", options->portDirectory->c_str(), 1);

    // Signals are taken synchronously below; block them before any thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::vector<sim::ModsimModule> planned = options->modules;
    sim::AssignPortNumbers(planned, [](uint16_t n) {
        std::error_code ec;
        return std::filesystem::exists(std::filesystem::symlink_status(portdir::LinkPath(n), ec));
    });
    std::vector<std::unique_ptr<sim::SimulatedModule>> modules;
    for (const sim::ModsimModule& m : planned) {
        auto module = std::make_unique<sim::SimulatedModule>(m.config);
        if (!module->Start()) {
            std::cerr << "pellworth-modsim: " << module->Error() << "\n";
            return 1; // modules already started stop (and unpublish) on destruction
        }
        std::cout << "COM" << module->PortNumber() << "  " << module->DevicePath().string() << "  "
                  << Describe(m) << "\n";
        modules.push_back(std::move(module));
    }
    std::cout << "Port directory: " << portdir::Directory().string() << "\n"
              << "Running; stop with Ctrl+C." << std::endl;

    // Report reboots and unplugs as they happen: the device node changes each time.
    std::vector<std::string> shown;
    for (const auto& m : modules)
        shown.push_back(m->DevicePath().string());
    const timespec tick{0, 200'000'000};
    for (;;) {
        const int sig = sigtimedwait(&signals, nullptr, &tick);
        if (sig == SIGINT || sig == SIGTERM)
            break;
        for (size_t i = 0; i < modules.size(); ++i) {
            const std::string now = modules[i]->DevicePath().string();
            if (now == shown[i])
                continue;
            std::cout << "COM" << modules[i]->PortNumber() << "  "
                      << (now.empty() ? std::string("away (rebooting)") : "back on " + now)
                      << std::endl;
            shown[i] = now;
        }
    }
    for (auto& m : modules)
        m->Stop();
    std::cout << "Stopped; port directory entries removed." << std::endl;
    return 0;
}
