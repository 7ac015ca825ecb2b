// The parts of the application shell below the main dialog: the command
// line, the version file, and module discovery.

#include "AppTestSupport.h"

#include "frontend/CUSBCommandLineInfo.h"
#include "frontend/ModuleDiscovery.h"
#include "frontend/VersionFile.h"

#include <fstream>

namespace {

using namespace std::chrono_literals;

TEST(AppCommandLineTest, FlagsSetOptionsAndType) {
    struct Case {
        std::vector<std::wstring> args;
        int optionM, optionD, forcedType;
    };
    const Case cases[] = {
        {{}, 0, 0, 0},
        {{L"/d"}, 1, 1, 0},
        {{L"-TaRn"}, 0, 0, 2},
        {{L"/Orlan", L"/tarn", L"/M"}, 1, 0, 2},
        // Not flags, unknown flags, flags that merely start like one.
        {{L"-x", L"--d", L"-dd", L"-tarnx", L"-orla", L"-", L"/"}, 0, 0, 0},
        {{L"setup.xml", L"-D", L"-unknown"}, 1, 1, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        CUSBCommandLineInfo info;
        info.ParseCommandLine(cases[i].args);
        EXPECT_EQ(std::tuple(info.m_optionM, info.m_optionD, info.m_forcedModuleType),
                  std::tuple(cases[i].optionM, cases[i].optionD, cases[i].forcedType))
            << i;
    }
}

TEST(AppVersionFileTest, TextEndsAtZeroByteOrAfter32BytesAndFailuresAreErrors) {
    const std::filesystem::path path = "version-test";
    const std::pair<std::string, std::string> cases[] = {
        {"1.0\n", "1.0\n"},
        {std::string("1.2\0garbage", 11), "1.2"},
        {std::string(40, 'x'), std::string(32, 'x')},
    };
    for (const auto& [bytes, text] : cases) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        const versionfile::Result r = versionfile::Read(path);
        EXPECT_EQ(std::tuple(r.opened, r.text), std::tuple(true, text));
    }
    std::filesystem::remove(path);
    // A missing file is covered by the main dialog's title test.
    std::filesystem::create_directory(path);
    const versionfile::Result r = versionfile::Read(path);
    EXPECT_FALSE(r.opened);
    EXPECT_NE(r.systemError, 0);
    std::filesystem::remove(path);
}

TEST(AppDiscoveryTest, EntryTexts) {
    // Module texts are 8-bit: each byte is one character.
    EXPECT_EQ(discovery::ModuleEntryText(1, "Caf\xE9"), L"COM1 (Caf\u00E9)");
    const std::pair<std::wstring, std::optional<uint16_t>> entries[] = {
        {L"COM3 (SIM-TARN)", 3},  {L"COM65535", 65535},        {L"COM7x", 7},
        {L"COM0", std::nullopt},  {L"COM", std::nullopt},      {L"com3", std::nullopt},
        {L" COM3", std::nullopt}, {L"COM70000", std::nullopt},
    };
    for (const auto& [entry, number] : entries)
        EXPECT_EQ(discovery::PortNumberOfEntry(entry), number)
            << QString::fromStdWString(entry).toStdString();
}

// Discovery over a port list given by the test: candidates are probed with
// the normal time-outs even when they are switched off (a silent module must
// not hang the run), also when the system's list failed.
TEST_F(AppMainDialogTest, DiscoveryProbesWithTimeoutsAndReportsAFailedList) {
    sim::SimulatedModule& silent = AddModule();
    silent.ScriptAlways(0x80, sim::Reply::Silence());
    const uint16_t n = AddModule().PortNumber();
    std::vector<portnames::PortInfo> ports;
    for (uint16_t number : {silent.PortNumber(), n})
        ports.push_back(
            {number, portnames::PortName(number), L"Varnet USB Modules Interconnect", {}});
    int listError = 5;
    const auto lister = [&](int* error) {
        *error = listError;
        return ports;
    };
    CUSBSerialPort port;
    CCmdEngine engine{&port, nullptr, nullptr, nullptr, 0};
    port.DisableTimeouts();

    discovery::Result r = discovery::DiscoverModules(engine, port, lister);
    EXPECT_TRUE(r.performed);
    EXPECT_EQ(r.entries, std::vector<std::wstring>{L"COM" + std::to_wstring(n) + L" (SIM-TARN)"});
    EXPECT_EQ(discovery::StatusText(r), L"Found 1 module.");
    EXPECT_TRUE(silent.WaitForRequest(0x80, 1s));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.TimeoutsEnabled());

    listError = 13;
    ports.clear();
    r = discovery::DiscoverModules(engine, port, lister);
    EXPECT_TRUE(r.entries.empty());
    EXPECT_EQ(discovery::StatusText(r), L"Error '13' getting list of ports!\n");
}

} // namespace
