#include "link/PortNames.h"

#include "descriptions/InputFile.h"
#include "descriptions/Utf8.h"
#include "link/PortDirectory.h"
#include "link/UsbPortNumbers.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fstream>
#include <iostream>
#include <libudev.h>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace portnames {

namespace {

// Kernel names of the USB serial devices that can be modules.
constexpr std::array<std::string_view, 2> kUsbSerialPrefixes{"ttyACM", "ttyUSB"};

bool IsUsbSerialName(std::string_view sysname) {
    for (std::string_view prefix : kUsbSerialPrefixes)
        if (sysname.starts_with(prefix) && sysname.size() > prefix.size())
            return true;
    return false;
}

// Decimal digits only, no sign or blanks, fitting 16 bits.
std::optional<uint16_t> ParseDigits(std::string_view digits) {
    if (digits.empty() || digits.size() > 5)
        return std::nullopt;
    uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value > 0xFFFF)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

std::optional<uint16_t> ParseNarrowPortName(std::string_view name) {
    if (!name.starts_with("COM"))
        return std::nullopt;
    const auto number = ParseDigits(name.substr(3));
    if (!number || *number == 0)
        return std::nullopt;
    return number;
}

// The device a directory entry links to; none when the link dangles or
// leads to something that is not a device (a stray file).
std::optional<fs::path> LinkedDevice(const fs::path& link) {
    std::error_code ec;
    fs::path node = fs::canonical(link, ec);
    if (ec || !fs::is_character_file(node, ec))
        return std::nullopt;
    return node;
}

// A description is one short line. Anyone who can write the port directory
// can put a FIFO (an open that never returns) or a link to /dev/zero (a read
// that never ends) there: only a small regular file is read, and anything
// else reads as no description.
constexpr uint64_t kMaxDescriptionBytes = 1024;

std::string ReadDescription(uint16_t number) {
    std::ifstream in;
    uint64_t size = 0;
    if (inputfile::Open(in, portdir::DescriptionPath(number).string(), size) != 0 ||
        size > kMaxDescriptionBytes)
        return {};
    std::string text(static_cast<size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    text.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// Ports of an untrusted directory are none; the reason is said once.
bool DirectoryTrusted() {
    const std::string problem = portdir::Untrusted();
    if (problem.empty())
        return true;
    static std::once_flag said;
    std::call_once(said, [&] { std::cerr << "pellworth: warning: " << problem << '\n'; });
    return false;
}

void AddDirectoryPorts(std::map<uint16_t, PortInfo>& ports) {
    if (!DirectoryTrusted())
        return;
    std::error_code ec;
    fs::directory_iterator it(portdir::Directory(), ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        // Description files, half-published ".new" entries and strangers have
        // no port name and are passed over.
        const auto number = ParseNarrowPortName(it->path().filename().string());
        if (!number)
            continue;
        auto node = LinkedDevice(it->path());
        if (!node)
            continue; // dangling: the program that published it is gone
        ports.emplace(*number, PortInfo{*number,
                                        PortName(*number),
                                        WidenUtf8(ReadDescription(*number)),
                                        std::move(*node),
                                        {},
                                        {},
                                        true});
    }
}

std::string SysAttr(udev_device* device, const char* name) {
    const char* value = device ? udev_device_get_sysattr_value(device, name) : nullptr;
    return value ? value : "";
}

// The USB strings the device reports; either may carry the interconnect name.
std::string UsbDescription(udev_device* tty) {
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device");
    udev_device* intf = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_interface");
    const std::string product = SysAttr(usb, "product");
    const std::string interface = SysAttr(intf, "interface");
    if (interface.empty() || interface == product)
        return product;
    if (product.empty())
        return interface;
    return product + " (" + interface + ")";
}

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <class T> using UdevPtr = std::unique_ptr<T, UdevDeleter>;

// A present USB serial device: its node, description, USB location and the
// USB device's serial string.
struct UsbSerialDevice {
    fs::path node;
    std::string description;
    std::string location;
    std::string serial;
};

// Returns 0 or the system error number of a device list that cannot be read.
int ListUsbSerialDevices(std::vector<UsbSerialDevice>& devices) {
    errno = 0;
    UdevPtr<udev> context(udev_new());
    if (!context)
        return errno ? errno : ENOMEM;
    UdevPtr<udev_enumerate> list(udev_enumerate_new(context.get()));
    if (!list)
        return errno ? errno : ENOMEM;
    if (int r = udev_enumerate_add_match_subsystem(list.get(), "tty"); r < 0)
        return -r;
    if (int r = udev_enumerate_scan_devices(list.get()); r < 0)
        return -r;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(list.get())) {
        UdevPtr<udev_device> tty(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!tty)
            continue;
        const char* sysname = udev_device_get_sysname(tty.get());
        const char* devnode = udev_device_get_devnode(tty.get());
        udev_device* intf =
            udev_device_get_parent_with_subsystem_devtype(tty.get(), "usb", "usb_interface");
        const char* location = intf ? udev_device_get_sysname(intf) : nullptr;
        if (!sysname || !devnode || !location || !IsUsbSerialName(sysname))
            continue;
        std::error_code ec;
        if (!fs::is_character_file(devnode, ec))
            continue;
        devices.push_back(
            {devnode, UsbDescription(tty.get()), location,
             SysAttr(udev_device_get_parent_with_subsystem_devtype(tty.get(), "usb", "usb_device"),
                     "serial")});
    }
    return 0;
}

int AddUsbSerialPorts(std::map<uint16_t, PortInfo>& ports) {
    std::vector<UsbSerialDevice> devices;
    const int error = ListUsbSerialDevices(devices);
    for (auto& device : devices) {
        const auto number = UsbPortNumbers::Shared().NumberFor(device.location);
        if (!number || ports.contains(*number))
            continue;
        ports.emplace(*number,
                      PortInfo{*number, PortName(*number), WidenUtf8(device.description),
                               std::move(device.node), device.location, device.serial, false});
    }
    return error;
}

} // namespace

std::wstring PortName(uint16_t number) {
    return L"COM" + std::to_wstring(number);
}

std::optional<uint16_t> ParsePortName(std::wstring_view name) {
    std::string narrow;
    for (wchar_t c : name) {
        if (c < 0x20 || c > 0x7E)
            return std::nullopt;
        narrow.push_back(static_cast<char>(c));
    }
    return ParseNarrowPortName(narrow);
}

std::optional<fs::path> ResolvePort(uint16_t number) {
    if (DirectoryTrusted())
        if (auto node = LinkedDevice(portdir::LinkPath(number)))
            return node;
    const auto location = UsbPortNumbers::Shared().LocationOf(number);
    if (!location)
        return std::nullopt;
    std::vector<UsbSerialDevice> devices;
    ListUsbSerialDevices(devices);
    for (const auto& device : devices)
        if (device.location == *location)
            return device.node;
    return std::nullopt;
}

std::optional<uint16_t> NumberOfDevice(const fs::path& path, std::string* why) {
    std::error_code ec;
    const fs::path node = fs::canonical(path, ec);
    if (ec) {
        *why = "no such device";
        return std::nullopt;
    }
    if (!fs::is_character_file(node, ec)) {
        *why = "not a serial device";
        return std::nullopt;
    }
    std::map<uint16_t, PortInfo> published;
    AddDirectoryPorts(published);
    for (const auto& [number, info] : published)
        if (info.node == node)
            return number;
    std::vector<UsbSerialDevice> devices;
    ListUsbSerialDevices(devices);
    for (const auto& device : devices) {
        if (fs::canonical(device.node, ec) != node)
            continue;
        if (const auto number = UsbPortNumbers::Shared().NumberFor(device.location))
            return number;
        *why = "every COM number is taken";
        return std::nullopt;
    }
    *why = "neither a USB serial device (ttyACM, ttyUSB) nor a published port";
    return std::nullopt;
}

std::vector<PortInfo> EnumeratePorts(int* listError) {
    std::map<uint16_t, PortInfo> ports;
    AddDirectoryPorts(ports);
    const int error = AddUsbSerialPorts(ports);
    if (listError)
        *listError = error;
    std::vector<PortInfo> result;
    result.reserve(ports.size());
    for (auto& [number, info] : ports)
        result.push_back(std::move(info));
    return result;
}

bool IsModuleCandidate(const PortInfo& port) {
    return port.description.find(kModuleInterconnect) != std::wstring::npos &&
           ParsePortName(port.name).has_value();
}

std::wstring WidenUtf8(std::string_view text) {
    return Utf8ToWide(text);
}

} // namespace portnames
