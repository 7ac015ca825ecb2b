#include "link/PortNames.h"
#include "link/PortDirectory.h"
#include "link/UsbPortNumbers.h"

#include "PtyModule.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <tuple>

namespace {

namespace fs = std::filesystem;
using portnames::PortInfo;

TEST(LinkPortNames, PortNamesAreComAndANonZeroNumber) {
    const std::pair<const wchar_t*, std::optional<uint16_t>> cases[] = {
        {L"COM1", 1},
        {L"COM65535", 65535},
        {L"COM0", std::nullopt},
        {L"COM", std::nullopt},
        {L"COM5x", std::nullopt},
        {L"COM-3", std::nullopt},
        {L"COM65536", std::nullopt},
        {L"COM4294967297", std::nullopt},
        {L"com3", std::nullopt},
        {L"COM\x0663", std::nullopt}, // a digit of another script
    };
    for (const auto& [name, number] : cases)
        EXPECT_EQ(portnames::ParsePortName(name), number)
            << testing::PrintToString(std::wstring(name));
    EXPECT_EQ(portnames::PortName(4321), L"COM4321");
}

TEST(LinkPortNames, UsbLocationsKeepTheirNumbers) {
    char pattern[] = "/tmp/pellworth-usbports-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path state = fs::path(pattern) / "state" / "usb-ports";
    {
        // A module that reboots may get another ttyACM name, but its location,
        // and so its number, is the same.
        portnames::UsbPortNumbers numbers(state);
        EXPECT_EQ(numbers.NumberFor("1-1.2:1.0"), 1);
        EXPECT_EQ(numbers.NumberFor("1-1.3:1.0"), 2);
        EXPECT_EQ(numbers.NumberFor("1-1.2:1.0"), 1);
        EXPECT_EQ(numbers.LocationOf(2), "1-1.3:1.0");
    }
    {
        // The next run remembers them; stray lines in the file are passed over.
        std::ofstream(state, std::ios::app) << "garbage\n0 2-1:1.0\n2 2-9:1.0\n";
        portnames::UsbPortNumbers numbers(state);
        EXPECT_EQ(numbers.NumberFor("1-1.3:1.0"), 2);
        EXPECT_EQ(numbers.NumberFor("2-1:1.0"), 3);
        EXPECT_EQ(numbers.NumberFor("2-9:1.0"), 4); // its number was taken already
    }
    // A state file that cannot be written still gives stable numbers.
    portnames::UsbPortNumbers unwritable(fs::path("/proc/pellworth/usb-ports"));
    EXPECT_EQ(unwritable.NumberFor("3-1:1.0"), 1);
    EXPECT_EQ(unwritable.NumberFor("3-1:1.0"), 1);
    fs::remove_all(pattern);
}

TEST(LinkPortNames, ModuleCandidatesNeedTheInterconnectAndAPortName) {
    const std::pair<PortInfo, bool> cases[] = {
        {{5,
          L"COM5",
          L"Varnet USB Modules Interconnect (Interface 0)",
          "/dev/ttyACM4",
          {},
          {},
          false},
         true},
        {{5, L"COM5", L"Varnet USB Modules", "/dev/ttyACM4", {}, {}, false}, false},
        {{5, L"COM5", L"varnet usb modules interconnect", "/dev/ttyACM4", {}, {}, false}, false},
        {{0, L"COM0", L"Varnet USB Modules Interconnect", "/dev/pts/3", {}, {}, true}, false},
    };
    for (const auto& [port, candidate] : cases)
        EXPECT_EQ(portnames::IsModuleCandidate(port), candidate)
            << testing::PrintToString(port.description);
}

class LinkPortDirectory : public TempPortDirTest {};

TEST_F(LinkPortDirectory, ResolvesAndEnumeratesPublishedPortsOnly) {
    PtyModule module, other, stray;
    ASSERT_TRUE(portdir::Publish(4001, module.SlavePath(), "Varnet USB Modules Interconnect\n"));
    ASSERT_TRUE(portdir::Publish(4002, other.SlavePath(), "Serial"));
    ASSERT_TRUE(portdir::Publish(4003, m_dir / "gone", "Varnet USB Modules Interconnect"));
    // Names that are no port, left by hand or by an interrupted publish.
    for (const char* name : {"COMx", "COM0", "COM4004.new", "ttyS0"})
        fs::create_symlink(stray.SlavePath(), m_dir / name);
    std::ofstream(m_dir / "COM4005") << "a file, not a device";
    fs::remove(portdir::DescriptionPath(4002)); // lost description: still a port
    // Descriptions that are no file: a FIFO would block the open, /dev/zero
    // never ends, a huge file is no description. Still ports.
    ASSERT_TRUE(portdir::Publish(4006, other.SlavePath(), "Serial"));
    ASSERT_TRUE(portdir::Publish(4007, other.SlavePath(), "Serial"));
    ASSERT_TRUE(portdir::Publish(4008, other.SlavePath(), std::string(4096, 'V')));
    fs::remove(portdir::DescriptionPath(4006));
    ASSERT_EQ(::mkfifo(portdir::DescriptionPath(4006).c_str(), 0600), 0);
    fs::remove(portdir::DescriptionPath(4007));
    fs::create_symlink("/dev/zero", portdir::DescriptionPath(4007));

    EXPECT_EQ(portnames::ResolvePort(4001), module.SlavePath());
    EXPECT_EQ(portnames::ResolvePort(4003), std::nullopt);
    // A device by its path, also through a link of its own (as /dev/serial/by-id/ has).
    fs::create_symlink(module.SlavePath(), m_dir / "by-id-link");
    const std::pair<fs::path, std::string> devices[] = {
        {module.SlavePath(), ""},
        {m_dir / "by-id-link", ""},
        {m_dir / "gone", "no such device"},
        {m_dir / "COM4005", "not a serial device"},
        {"/dev/null", "neither a USB serial device (ttyACM, ttyUSB) nor a published port"}};
    for (const auto& [path, why] : devices) {
        std::string said;
        const auto number = portnames::NumberOfDevice(path, &said);
        EXPECT_EQ(number, why.empty() ? std::optional<uint16_t>(4001) : std::nullopt) << path;
        EXPECT_EQ(said, why) << path;
    }
    int listError = -1;
    std::vector<PortInfo> ports = portnames::EnumeratePorts(&listError);
    EXPECT_EQ(listError, 0);
    // Real USB serial devices of this machine may be listed too; they never
    // take these numbers.
    std::erase_if(ports, [](const PortInfo& p) { return p.number < 4000; });
    ASSERT_EQ(ports.size(), 5u);
    EXPECT_EQ(std::tie(ports[0].number, ports[0].name, ports[0].description, ports[0].node,
                       ports[0].simulated),
              std::make_tuple(4001, L"COM4001", L"Varnet USB Modules Interconnect",
                              module.SlavePath(), true));
    for (size_t i = 1; i < ports.size(); ++i)
        EXPECT_EQ(ports[i].description, L"") << ports[i].number;

    fs::remove_all(m_dir); // a missing directory lists nothing of its own
    ports = portnames::EnumeratePorts();
    EXPECT_TRUE(std::none_of(ports.begin(), ports.end(),
                             [](const PortInfo& p) { return p.number >= 4000; }));
}

// Every file the programs keep reads the XDG variables alike: a relative
// value is ignored, so no file lands below the working directory.
TEST(LinkXdgPaths, RelativeOrEmptyVariablesAreIgnored) {
    struct Case {
        const char* state;
        const char* runtime;
        fs::path usbPorts;
        fs::path portDir;
    };
    const fs::path tmp = fs::path("/tmp") / ("pellworth-" + std::to_string(::getuid()));
    const Case cases[] = {
        {"/s", "/r", "/s/pellworth/usb-ports", "/r/pellworth/ports"},
        {"state", "run", "/h/.local/state/pellworth/usb-ports", tmp / "ports"},
        {"", "", "/h/.local/state/pellworth/usb-ports", tmp / "ports"},
    };
    const char* names[] = {"HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "PELLWORTH_PORT_DIR",
                           "TMPDIR"};
    std::optional<std::string> saved[std::size(names)];
    for (size_t i = 0; i < std::size(names); ++i)
        if (const char* value = std::getenv(names[i]))
            saved[i] = value;
    ::setenv("HOME", "/h", 1);
    ::unsetenv("PELLWORTH_PORT_DIR");
    ::unsetenv("TMPDIR");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        ::setenv("XDG_STATE_HOME", c.state, 1);
        ::setenv("XDG_RUNTIME_DIR", c.runtime, 1);
        EXPECT_EQ(portnames::UsbPortNumbers::DefaultStateFile(), c.usbPorts);
        EXPECT_EQ(portdir::Directory(), c.portDir);
    }
    for (size_t i = 0; i < std::size(names); ++i)
        if (saved[i])
            ::setenv(names[i], saved[i]->c_str(), 1);
        else
            ::unsetenv(names[i]);
}

// Without a runtime directory the ports lie in the shared temporary
// directory, where another user may have made the folder first.
TEST(LinkPortDirectoryShared, OnlyAPrivateFolderOfOursIsUsed) {
    struct Case {
        const char* name;
        void (*spoil)(const fs::path& base); // what another user or a mistake did
        bool needsRoot;
    };
    const Case cases[] = {
        {"ours", [](const fs::path&) {}, false},
        {"writable by others", [](const fs::path& b) { fs::permissions(b, fs::perms::all); },
         false},
        {"another user's",
         [](const fs::path& b) { ASSERT_EQ(::chown(b.c_str(), 65534, 65534), 0); }, true},
        {"a link",
         [](const fs::path& b) {
             fs::rename(b, b.string() + "-real");
             fs::create_directory_symlink(b.string() + "-real", b);
         },
         false},
    };
    const char* names[] = {"PELLWORTH_PORT_DIR", "XDG_RUNTIME_DIR", "TMPDIR"};
    std::string saved[3];
    for (size_t i = 0; i < 3; ++i)
        if (const char* value = std::getenv(names[i]))
            saved[i] = value;
    ::unsetenv("PELLWORTH_PORT_DIR");
    ::unsetenv("XDG_RUNTIME_DIR");
    PtyModule module;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && ::getuid() != 0)
            continue;
        char pattern[] = "/tmp/pellworth-shared-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        ::setenv("TMPDIR", pattern, 1);
        const fs::path base = fs::path(pattern) / ("pellworth-" + std::to_string(::getuid()));
        EXPECT_EQ(portdir::Directory(), base / "ports");
        ASSERT_TRUE(portdir::Publish(4020, module.SlavePath(), "Varnet USB Modules Interconnect"));
        EXPECT_EQ(fs::status(base).permissions(), fs::perms::owner_all);
        c.spoil(base);
        const bool trusted = std::string(c.name) == "ours";
        EXPECT_EQ(portdir::Untrusted().empty(), trusted);
        EXPECT_EQ(portnames::ResolvePort(4020).has_value(), trusted);
        const auto ports = portnames::EnumeratePorts();
        EXPECT_EQ(std::any_of(ports.begin(), ports.end(),
                              [](const PortInfo& p) { return p.number == 4020; }),
                  trusted);
        EXPECT_EQ(portdir::Publish(4021, module.SlavePath(), "x"), trusted);
        fs::remove_all(pattern);
    }
    for (size_t i = 0; i < 3; ++i)
        if (saved[i].empty())
            ::unsetenv(names[i]);
        else
            ::setenv(names[i], saved[i].c_str(), 1);
}

} // namespace
