// The parts of the application shell below the main dialog: the command
// line and module discovery.

#include "AppTestSupport.h"

#include "frontend/CUSBCommandLineInfo.h"
#include "frontend/ModuleDiscovery.h"

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
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        CUSBCommandLineInfo info;
        info.ParseCommandLine(cases[i].args);
        EXPECT_EQ(std::tuple(info.m_optionM, info.m_optionD, info.m_forcedModuleType),
                  std::tuple(cases[i].optionM, cases[i].optionD, cases[i].forcedType))
            << i;
    }
}

TEST(AppDiscoveryTest, EntryTexts) {
    // Module texts are 8-bit: each byte is one character.
    EXPECT_EQ(discovery::ModuleEntryText(1, "Caf\xE9"), L"COM1 (Caf\u00E9)");
    const std::pair<std::wstring, std::optional<uint16_t>> entries[] = {
        {L"COM3 (SIM-TARN)", 3}, {L"COM65535", 65535},        {L"COM0", std::nullopt},
        {L"com3", std::nullopt}, {L"COM70000", std::nullopt},
    };
    for (const auto& [entry, number] : entries)
        EXPECT_EQ(discovery::PortNumberOfEntry(entry), number)
            << QString::fromStdWString(entry).toStdString();
}

// Discovery over a port list given by the test: candidates are probed with
// the normal time-outs even when they are switched off (a silent module must
// not hang the run), also when the system's list failed.
TEST_F(AppMainDialogTest, DiscoveryProbesWithTimeoutsEvenWhenSwitchedOff) {
    sim::SimulatedModule& silent = AddModule();
    silent.ScriptAlways(0x80, sim::Reply::Silence());
    const uint16_t n = AddModule().PortNumber();
    std::vector<portnames::PortInfo> ports;
    for (uint16_t number : {silent.PortNumber(), n})
        ports.push_back({number,
                         portnames::PortName(number),
                         L"Varnet USB Modules Interconnect",
                         {},
                         {},
                         {},
                         true});
    const auto lister = [&](int* error) {
        *error = 5;
        return ports;
    };
    CUSBSerialPort port;
    CCmdEngine engine{&port, nullptr, nullptr, nullptr, 0};
    port.DisableTimeouts();

    const discovery::Result r = discovery::DiscoverModules(engine, port, lister);
    EXPECT_TRUE(r.performed);
    EXPECT_EQ(r.entries, std::vector<std::wstring>{L"COM" + std::to_wstring(n) + L" (SIM-TARN)"});
    EXPECT_TRUE(silent.WaitForRequest(0x80, 1s));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.TimeoutsEnabled());
}

} // namespace
