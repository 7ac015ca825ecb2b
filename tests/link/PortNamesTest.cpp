#include "link/PortNames.h"
#include "link/PortDirectory.h"
#include "link/UsbPortNumbers.h"

#include "PtyModule.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <tuple>

namespace {

namespace fs = std::filesystem;
using portnames::PortInfo;

TEST(LinkPortNames, PortNamesAreComAndANonZeroNumber) {
    struct Case {
        const wchar_t* name;
        std::optional<uint16_t> number;
    };
    const Case cases[] = {
        {L"COM1", 1},
        {L"COM12", 12},
        {L"COM65535", 65535},
        {L"COM0", std::nullopt},
        {L"COM", std::nullopt},
        {L"COMx", std::nullopt},
        {L"COM5x", std::nullopt},
        {L"COM-3", std::nullopt},
        {L"COM 3", std::nullopt},
        {L"COM65536", std::nullopt},
        {L"COM4294967297", std::nullopt},
        {L"com3", std::nullopt},
        {L"LPT1", std::nullopt},
        {L"COM\x0663", std::nullopt}, // a digit of another script
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        EXPECT_EQ(portnames::ParsePortName(c.name), c.number);
    }
    EXPECT_EQ(portnames::PortName(4321), L"COM4321");
}

TEST(LinkPortNames, UsbLocationsKeepTheirNumbers) {
    char pattern[] = "/tmp/pellworth-usbports-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path dir(pattern);
    const fs::path state = dir / "state" / "usb-ports";
    {
        portnames::UsbPortNumbers numbers(state);
        EXPECT_EQ(numbers.NumberFor("1-1.2:1.0"), 1);
        EXPECT_EQ(numbers.NumberFor("1-1.3:1.0"), 2);
        // The module on 1-1.2 reboots: the kernel may call it ttyACM1 now, but
        // its location, and so its number, is the same.
        EXPECT_EQ(numbers.NumberFor("1-1.2:1.0"), 1);
        EXPECT_EQ(numbers.LocationOf(2), "1-1.3:1.0");
        EXPECT_EQ(numbers.LocationOf(3), std::nullopt);
    }
    {
        // The next run remembers them; stray lines in the file are passed over.
        std::ofstream(state, std::ios::app) << "garbage\n0 2-1:1.0\n2 2-9:1.0\n";
        portnames::UsbPortNumbers numbers(state);
        EXPECT_EQ(numbers.NumberFor("1-1.3:1.0"), 2);
        EXPECT_EQ(numbers.NumberFor("2-1:1.0"), 3);
        EXPECT_EQ(numbers.NumberFor("2-9:1.0"), 4); // its number was taken already
    }
    {
        // A state file that cannot be written still gives stable numbers.
        portnames::UsbPortNumbers numbers(fs::path("/proc/pellworth/usb-ports"));
        EXPECT_EQ(numbers.NumberFor("3-1:1.0"), 1);
        EXPECT_EQ(numbers.NumberFor("3-1:1.0"), 1);
    }
    fs::remove_all(dir);
}

TEST(LinkPortNames, DeviceTextsWidenWithoutFailing) {
    struct Case {
        std::string utf8;
        std::wstring wide;
    };
    const Case cases[] = {
        {"Varnet USB", L"Varnet USB"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC \xF0\x9F\x98\x80",
         L"Gr\u00FC\u00DFe \u20AC \U0001F600"},
        {"bad \xFF end", L"bad \uFFFD end"},
        {"cut \xE2\x82", L"cut \uFFFD\uFFFD"},
        {"overlong \xC0\xAF", L"overlong \uFFFD\uFFFD"},
        {"surrogate \xED\xA0\x80", L"surrogate \uFFFD\uFFFD\uFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(portnames::WidenUtf8(c.utf8), c.wide);
    }
}

TEST(LinkPortNames, ModuleCandidatesNeedTheInterconnectAndAPortName) {
    struct Case {
        PortInfo port;
        bool candidate;
    };
    const Case cases[] = {
        {{5, L"COM5", L"Varnet USB Modules Interconnect", "/dev/ttyACM4"}, true},
        {{5, L"COM5", L"Varnet USB Modules Interconnect (Interface 0)", "/dev/ttyACM4"}, true},
        {{5, L"COM5", L"Varnet USB Modules", "/dev/ttyACM4"}, false},
        {{5, L"COM5", L"varnet usb modules interconnect", "/dev/ttyACM4"}, false},
        {{0, L"COM0", L"Varnet USB Modules Interconnect", "/dev/pts/3"}, false},
        {{0, L"COMx", L"Varnet USB Modules Interconnect", "/dev/pts/3"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.port.name + L" " + c.port.description));
        EXPECT_EQ(portnames::IsModuleCandidate(c.port), c.candidate);
    }
}

class LinkPortDirectory : public TempPortDirTest {};

TEST_F(LinkPortDirectory, ResolvesAndEnumeratesPublishedPortsOnly) {
    PtyModule module, other, stray;
    ASSERT_TRUE(portdir::Publish(4001, module.SlavePath(), "Varnet USB Modules Interconnect\n"));
    ASSERT_TRUE(portdir::Publish(4002, other.SlavePath(), "Serial \xC3\xA9"));
    ASSERT_TRUE(portdir::Publish(4003, m_dir / "gone", "Varnet USB Modules Interconnect"));
    // Names that are no port, left by hand or by an interrupted publish.
    fs::create_symlink(stray.SlavePath(), m_dir / "COMx");
    fs::create_symlink(stray.SlavePath(), m_dir / "COM0");
    fs::create_symlink(stray.SlavePath(), m_dir / "COM4004.new");
    fs::create_symlink(stray.SlavePath(), m_dir / "ttyS0");
    std::ofstream(m_dir / "COM4005") << "a file, not a device";
    fs::remove(portdir::DescriptionPath(4002)); // lost description: still a port

    EXPECT_EQ(portnames::ResolvePort(4001), module.SlavePath());
    EXPECT_EQ(portnames::ResolvePort(4003), std::nullopt);
    EXPECT_EQ(portnames::ResolvePort(4009), std::nullopt);

    int listError = -1;
    std::vector<PortInfo> ports = portnames::EnumeratePorts(&listError);
    EXPECT_EQ(listError, 0);
    // Real USB serial devices of this machine may be listed too; they never
    // take these numbers or these nodes.
    std::erase_if(ports, [](const PortInfo& p) { return p.number < 4000; });
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(
        std::tie(ports[0].number, ports[0].name, ports[0].description, ports[0].node),
        std::make_tuple(4001, L"COM4001", L"Varnet USB Modules Interconnect", module.SlavePath()));
    EXPECT_TRUE(portnames::IsModuleCandidate(ports[0]));
    EXPECT_EQ(std::tie(ports[1].number, ports[1].name, ports[1].description),
              std::make_tuple(4002, L"COM4002", L""));
    EXPECT_FALSE(portnames::IsModuleCandidate(ports[1]));
}

TEST_F(LinkPortDirectory, MissingDirectoryListsNothingOfItsOwn) {
    fs::remove_all(m_dir);
    const std::vector<PortInfo> ports = portnames::EnumeratePorts();
    EXPECT_TRUE(std::none_of(ports.begin(), ports.end(),
                             [](const PortInfo& p) { return p.number >= 4000; }));
}

} // namespace
