#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace portnames {

// COM numbers of real USB serial devices, remembered per USB location (the
// kernel name of the device's USB interface, "1-1.2:1.0": bus, hub ports,
// configuration, interface). A module that reboots or is replugged on the same
// USB port comes back under the same number, whatever tty name the kernel gives
// it this time; a new location takes the lowest number not yet remembered. The
// numbers are kept in a small state file so they stay the same from run to run;
// when it cannot be written they hold for the life of the process.
class UsbPortNumbers {
public:
    explicit UsbPortNumbers(std::filesystem::path stateFile);

    // <state home>/pellworth/usb-ports (link/XdgPaths.h); empty without a
    // home, and then the numbers hold for the life of the process.
    static std::filesystem::path DefaultStateFile();
    // The process-wide instance on the default state file.
    static UsbPortNumbers& Shared();

    // The number of a location, assigned (and remembered) when it is new;
    // none when every number is taken.
    std::optional<uint16_t> NumberFor(const std::string& location);
    std::optional<std::string> LocationOf(uint16_t number);

private:
    void Load();
    void Save() const;

    std::filesystem::path m_stateFile;
    std::map<std::string, uint16_t> m_numbers;
    std::mutex m_mutex;
};

} // namespace portnames
