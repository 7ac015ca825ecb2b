#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// COM port numbers on Linux. A number names, first match wins:
//  1. an entry "COM<n>" of the port directory (link/PortDirectory.h): the module
//     simulator, test rigs, or a hand-made link to any serial device;
//  2. a USB serial device (ttyACM*, ttyUSB*): the number remembered for its USB
//     location (link/UsbPortNumbers.h), so a module that reboots or is
//     replugged on the same USB port keeps its number, like the COM numbers of
//     other systems, whatever tty name the kernel gives it.
namespace portnames {

// The device description text that marks a module's USB interconnect.
inline constexpr std::wstring_view kModuleInterconnect = L"Varnet USB Modules Interconnect";

struct PortInfo {
    uint16_t number = 0;
    std::wstring name;          // "COM<n>"
    std::wstring description;   // device description text, may be empty
    std::filesystem::path node; // the device node the name resolves to
    std::string location;       // a USB device's location ("1-1.2:1.0"), else empty
    std::string usbSerial;      // a USB device's own serial string, if it has one
    bool simulated = false;     // published in the port directory (a simulator, a test rig)
};

// "COM<n>".
std::wstring PortName(uint16_t number);
// The number of a port name: "COM" followed by decimal digits only, with a
// value from 1 to 65535. Anything else (COM0, COMx, COM70000) is no port.
std::optional<uint16_t> ParsePortName(std::wstring_view name);

// The device node of COM<n> when one is present. Never opens anything.
std::optional<std::filesystem::path> ResolvePort(uint16_t number);

// Every serial port that has a name, ordered by number: the port directory's
// entries, then USB serial devices (udev, subsystem "tty") whose number the
// directory does not take. Ports are never opened to find them. When the
// system's device list cannot be read, *listError (if given) receives the
// system error number and only the directory's entries are returned;
// otherwise it is set to 0.
std::vector<PortInfo> EnumeratePorts(int* listError = nullptr);

// The number of a device given by its path: a node or a link to one, such
// as /dev/serial/by-id/... or /dev/serial/by-path/... (a by-path link names
// a hub socket for good). A published port leading to the same node gives
// its number; else a USB serial device gets the number of its USB location
// (assigned when new), which a module keeps when it comes back under
// another node. None, with why in *why, for anything else.
std::optional<uint16_t> NumberOfDevice(const std::filesystem::path& path, std::string* why);

// What module discovery keeps: a description that contains kModuleInterconnect
// and a name that is "COM" and a non-zero number.
bool IsModuleCandidate(const PortInfo& port);

// Device texts (USB strings, file contents, system messages) are UTF-8; bytes
// that are not become U+FFFD rather than failing (descriptions/Utf8.h).
std::wstring WidenUtf8(std::string_view text);

} // namespace portnames
