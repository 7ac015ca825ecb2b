// The parts of the application shell that need no widgets: the command line,
// the version file, and module discovery's texts and rules.

#include "app/CUSBCommandLineInfo.h"
#include "app/ModuleDiscovery.h"
#include "app/VersionFile.h"
#include "engine/CCmdEngine.h"
#include "link/CUSBSerialPort.h"
#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

struct CommandLineCase {
    std::vector<std::wstring> args;
    int optionM;
    int optionD;
    int forcedType;
};

TEST(AppCommandLineTest, FlagsSetOptionsAndType) {
    const CommandLineCase cases[] = {
        {{}, 0, 0, 0},
        {{L"-m"}, 1, 0, 0},
        {{L"/M"}, 1, 0, 0},
        {{L"-D"}, 1, 1, 0},
        {{L"/d"}, 1, 1, 0},
        {{L"-tarn"}, 0, 0, 2},
        {{L"/TARN"}, 0, 0, 2},
        {{L"-TaRn"}, 0, 0, 2},
        {{L"/orlan"}, 0, 0, 1},
        {{L"-tarn", L"-orlan"}, 0, 0, 1},
        {{L"/Orlan", L"/tarn", L"-m"}, 1, 0, 2},
        // Not flags, unknown flags, flags that merely start like one.
        {{L"m", L"tarn", L"d"}, 0, 0, 0},
        {{L"-x", L"--d", L"-dd", L"-tarnx", L"-orla", L"-", L"/"}, 0, 0, 0},
        {{L"setup.xml", L"-d", L"-unknown"}, 1, 1, 0},
    };
    for (const CommandLineCase& c : cases) {
        CUSBCommandLineInfo info;
        info.ParseCommandLine(c.args);
        std::wstring line;
        for (const auto& a : c.args)
            line += a + L" ";
        const std::string shown(line.begin(), line.end());
        EXPECT_EQ(info.m_optionM, c.optionM) << shown;
        EXPECT_EQ(info.m_optionD, c.optionD) << shown;
        EXPECT_EQ(info.m_forcedModuleType, c.forcedType) << shown;
    }
}

class AppVersionFileTest : public ::testing::Test {
protected:
    AppVersionFileTest()
        : path(fs::temp_directory_path() / ("pellworth-version-" + std::to_string(::getpid()))) {}
    ~AppVersionFileTest() override { fs::remove(path); }
    void Write(const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    fs::path path;
};

TEST_F(AppVersionFileTest, TextEndsAtZeroByteOrAfter32Bytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"0.44 demo", "0.44 demo"},
        {"1.0\n", "1.0\n"},
        {std::string("1.2\0garbage", 11), "1.2"},
        {std::string(40, 'x'), std::string(32, 'x')},
        {std::string(31, 'y') + std::string("\0z", 2), std::string(31, 'y')},
        {"", ""},
    };
    for (const auto& [bytes, text] : cases) {
        Write(bytes);
        const versionfile::Result r = versionfile::Read(path);
        EXPECT_TRUE(r.opened);
        EXPECT_EQ(r.text, text);
    }
}

TEST_F(AppVersionFileTest, MissingOrUnreadableFileIsAnError) {
    versionfile::Result r = versionfile::Read(path);
    EXPECT_FALSE(r.opened);
    EXPECT_EQ(r.systemError, ENOENT);
    EXPECT_TRUE(r.text.empty());

    fs::create_directory(path);
    r = versionfile::Read(path);
    EXPECT_FALSE(r.opened);
    EXPECT_NE(r.systemError, 0);
    fs::remove(path);
}

TEST(AppDiscoveryTextTest, EntriesAndPortNumbers) {
    EXPECT_EQ(discovery::ModuleEntryText(3, "SIM-TARN"), L"COM3 (SIM-TARN)");
    EXPECT_EQ(discovery::ModuleEntryText(12, ""), L"COM12");
    // Module texts are 8-bit: each byte is one character.
    EXPECT_EQ(discovery::ModuleEntryText(1, "Caf\xE9"), L"COM1 (Caf\u00E9)");

    const std::pair<std::wstring, std::optional<uint16_t>> entries[] = {
        {L"COM3 (SIM-TARN)", 3},     {L"COM12", 12},
        {L"COM65535", 65535},        {L"COM7x", 7},
        {L"COM0", std::nullopt},     {L"COM", std::nullopt},
        {L"COMx", std::nullopt},     {L"com3", std::nullopt},
        {L" COM3", std::nullopt},    {L"", std::nullopt},
        {L"COM70000", std::nullopt},
    };
    for (const auto& [entry, number] : entries)
        EXPECT_EQ(discovery::PortNumberOfEntry(entry), number)
            << std::string(entry.begin(), entry.end());
}

TEST(AppDiscoveryTextTest, StatusTexts) {
    discovery::Result r;
    EXPECT_EQ(discovery::StatusText(r), L"No appropriate devices were found!");
    r.errorText = L"Error '13' getting list of ports!\n";
    EXPECT_EQ(discovery::StatusText(r), L"Error '13' getting list of ports!\n");
    r.entries = {L"COM1"};
    EXPECT_EQ(discovery::StatusText(r), L"Found 1 module.");
    r.entries = {L"COM1", L"COM2"};
    EXPECT_EQ(discovery::StatusText(r), L"Found 2 modules.");
}

// Discovery over a port list given by the test, with an engine of its own.
class AppDiscoveryCoreTest : public ::testing::Test {
protected:
    CUSBSerialPort port;
    CCmdEngine engine{&port, nullptr, nullptr, nullptr, 0};
};

TEST_F(AppDiscoveryCoreTest, FailedSystemListIsReportedAndKnownPortsAreStillProbed) {
    auto config = sim::MakeModule(sim::Profile::Tarn);
    ASSERT_TRUE(config);
    sim::SimulatedModule module(*config);
    ASSERT_TRUE(module.Start()) << module.Error();

    const auto noList = [](int* error) {
        *error = 13;
        return std::vector<portnames::PortInfo>{};
    };
    discovery::Result r = discovery::DiscoverModules(engine, port, noList);
    EXPECT_TRUE(r.performed);
    EXPECT_TRUE(r.entries.empty());
    EXPECT_EQ(discovery::StatusText(r), L"Error '13' getting list of ports!\n");

    const uint16_t n = module.PortNumber();
    const auto directoryOnly = [n](int* error) {
        *error = 5;
        return std::vector<portnames::PortInfo>{
            {n, portnames::PortName(n), L"Varnet USB Modules Interconnect", {}}};
    };
    r = discovery::DiscoverModules(engine, port, directoryOnly);
    EXPECT_EQ(r.entries, std::vector<std::wstring>{discovery::ModuleEntryText(n, "SIM-TARN")});
    EXPECT_EQ(discovery::StatusText(r), L"Found 1 module.");
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(AppDiscoveryCoreTest, RefusesWhileConnectedAndKeepsTheTimeoutChoice) {
    port.DisableTimeouts();
    const auto none = [](int* error) {
        *error = 0;
        return std::vector<portnames::PortInfo>{};
    };
    discovery::Result r = discovery::DiscoverModules(engine, port, none);
    EXPECT_TRUE(r.performed);
    EXPECT_FALSE(port.TimeoutsEnabled());

    engine.SetConnected(true);
    bool listed = false;
    r = discovery::DiscoverModules(engine, port, [&listed](int* error) {
        listed = true;
        *error = 0;
        return std::vector<portnames::PortInfo>{};
    });
    EXPECT_FALSE(r.performed);
    EXPECT_FALSE(listed);
}

} // namespace
