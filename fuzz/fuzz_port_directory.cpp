// The port directory as other programs leave it: entries of any name, links to
// devices, files, folders, FIFOs or nothing, and description files of any
// bytes. Enumerated and resolved as discovery and the tool's --port do.

#include "FuzzSupport.h"

#include "link/PortNames.h"

#include <sys/stat.h>

#include <cstdlib>

namespace {

namespace fs = std::filesystem;

// Points the port directory and the USB numbers' state file into the scratch
// folder once: nothing of the user's is read or written.
bool UseScratch() {
    const fs::path ports = fuzz::Scratch() / "ports";
    setenv("PELLWORTH_PORT_DIR", ports.c_str(), 1);
    setenv("XDG_STATE_HOME", (fuzz::Scratch() / "state").c_str(), 1);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = UseScratch();
    (void)ready;
    fuzz::DataProvider input(data, size);
    const fs::path ports = fuzz::Scratch() / "ports";
    std::error_code ec;
    fs::remove_all(ports, ec);
    fs::create_directories(ports, ec);

    static const char* const kTargets[] = {"/dev/null", "/dev/zero", "/dev/tty",
                                           "nowhere",   ".",         "/"};
    std::vector<uint16_t> numbers;
    for (int entries = input.InRange(0, 6); entries > 0 && input.Remaining() != 0; --entries) {
        const uint16_t number = input.InRange<uint16_t>(0, 9);
        numbers.push_back(number);
        // Mostly names of the form COM<n>, sometimes any name.
        std::string name = input.Bool() ? "COM" + std::to_string(number) : input.String(12);
        if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
            name = "COM" + std::to_string(number);
        const fs::path entry = ports / name;
        switch (input.InRange(0, 4)) {
        case 0:
            fs::create_symlink(input.Pick(kTargets), entry, ec);
            break;
        case 1:
            fuzz::WriteScratch("ports/" + name, "stray");
            break;
        case 2:
            fs::create_directory(entry, ec);
            break;
        case 3:
            mkfifo(entry.c_str(), 0600);
            break;
        default:
            break; // a description without its link
        }
        if (input.Bool())
            fuzz::WriteScratch("ports/" + name + ".description", input.String(64));
    }

    // Enumerating also asks udev for the system's serial devices (about 30
    // a second): every eighth input, so the directory's entries get the time.
    if (input.InRange(0, 7) == 0) {
        int error = 0;
        for (const portnames::PortInfo& port : portnames::EnumeratePorts(&error))
            portnames::IsModuleCandidate(port);
    }
    for (uint16_t number : numbers)
        portnames::ResolvePort(number);
    // Names as the operator and the files give them.
    portnames::ParsePortName(portnames::WidenUtf8(input.Rest()));
    return 0;
}
