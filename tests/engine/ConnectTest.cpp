// Connecting to a module: every result code and the flags it leaves, type
// selection through the release assemblies, and changing a module's type.
#include "EngineFixture.h"

#include "engine/EngineCodes.h"

#include <tuple>

namespace {

using sim::Profile;

class ConnectTest : public EngineFixture {};

TEST_F(ConnectTest, TarnModuleConnectsWithEverythingRead) {
    StartModule(Profile::Tarn);
    module->UpdateState([](sim::ModuleState& s) {
        s.name = sim::FixedText("bench1", 8);
        s.assembly = sim::FixedText("B5", 9);
        s.blocks[{0, 0}].data = {0x04, 0x99, 0x1E, 0x9F};
    });
    MakeEngine();
    ASSERT_EQ(engine->Connect(""), conn::kOk);

    const ModuleRecord& m = engine->Module();
    EXPECT_TRUE(engine->IsConnected() && engine->IsConfigurationValid());
    EXPECT_EQ(std::tie(m.moduleType, m.runningImage, m.name, m.assembly, m.serial),
              std::make_tuple(2u, 1, "bench1", "B5", "00001234"));
    const VersionNumber v11{1, 1};
    EXPECT_EQ(std::tie(m.release, m.ferrin.version), std::tie(v11, v11));
    ASSERT_TRUE(m.HasFpga(0));
    const auto& fpga = m.fpgas.at(0);
    EXPECT_EQ(std::tie(fpga.firmware.version, fpga.lookupTables.at(0).version,
                       fpga.lookupTables.at(1).version),
              std::make_tuple(v11, v11, VersionNumber{1, 0}));
    EXPECT_EQ(Bytes(block->bytes, block->bytes + 4), (Bytes{0x04, 0x99, 0x1E, 0x9F}));
    EXPECT_EQ(app.identityChanged, 1);
    // The release the module reports is verified against the assembly file.
    EXPECT_EQ(m.IdentityView().release, v11);
}

TEST_F(ConnectTest, ResultsOfModulesThatAreNotUsable) {
    struct Case {
        const char* name;
        std::function<void(sim::SimulatedModule&)> prepare;
        bool optionM;
        int32_t result;
        bool connected;
        ModuleTypeId type;
        std::wstring types = L"types";
    };
    const Case cases[] = {
        {"no answer to the protocol check",
         [](auto& m) { m.ScriptAlways(0x80, sim::Reply::Silence()); }, false, -1, false, 0},
        {"protocol 2", [](auto& m) { m.UpdateState([](auto& s) { s.protocolVersion = 2; }); },
         false, -2, false, 0},
        {"identity fails", [](auto& m) { m.ScriptAlways(0x81, sim::Reply::Reject()); }, false, -6,
         false, 0},
        {"type 7", [](auto& m) { m.UpdateState([](auto& s) { s.moduleType = 7; }); }, false, -5,
         false, 0},
        {"type 7 with option m", [](auto& m) { m.UpdateState([](auto& s) { s.moduleType = 7; }); },
         true, 0, true, 0},
        {"type read times out", [](auto& m) { m.ScriptAlways(0x83, sim::Reply::Silence()); }, false,
         -10, true, 0},
        {"type read rejected", [](auto& m) { m.ScriptAlways(0x83, sim::Reply::Reject()); }, false,
         -13, true, 0},
        {"block cannot be read", [](auto& m) { m.ScriptAlways(0x8C, sim::Reply::Reject()); }, false,
         -9, true, 2},
        // No type file describes its release: no block to read is no valid setup.
        {"no type file for its release",
         [](auto& m) { m.UpdateState([](auto& s) {
                           s.release = {7, 7};
                       }); }, false, -24, true, 2},
        {"type support not installed", [](auto&) {}, false, -21, false, 0, L"/nonexistent/types"},
        {"no type support, option m", [](auto&) {}, true, 0, true, 0, L"/nonexistent/types"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StartModule(Profile::Tarn);
        c.prepare(*module);
        MakeEngine(c.types);
        app.optionM = c.optionM;
        EXPECT_EQ(Number(engine->Connect("")), c.result); // the numbers scripts see
        EXPECT_EQ(engine->IsConnected(), c.connected);
        EXPECT_FALSE(c.result != 0 && engine->IsConfigurationValid());
        EXPECT_EQ(engine->Module().moduleType, c.type);
        EXPECT_TRUE(c.result != -2 || engine->IsModuleResponding());
        port.Close();
        module.reset();
    }
}

TEST_F(ConnectTest, ExpectedSerial) {
    struct Case {
        const char* name;
        std::string moduleSerial;
        std::string expected;
        conn::Code result;
    };
    const Case cases[] = {
        {"any module will do", "00001234", "", conn::kOk},
        {"a blank serial", sim::BlankSerial(), "00001234", conn::kOk},
        {"another module", "00009999", "00001234", conn::kWrongModule},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StartModule(Profile::Tarn);
        module->UpdateState([&](sim::ModuleState& s) { s.serial = c.moduleSerial; });
        MakeEngine();
        EXPECT_EQ(engine->Connect(c.expected), c.result);
        EXPECT_EQ(engine->IsConnected(), c.result == conn::kOk);
        EXPECT_EQ(engine->Module().serial, c.moduleSerial);
        port.Close();
        module.reset();
    }
}

TEST_F(ConnectTest, SafeBootModuleReadsNothingElse) {
    // After another module on the bench: nothing of the first one stays.
    StartModule(Profile::Tarn);
    MakeEngine(L"types", 2);
    ASSERT_EQ(engine->Connect(""), conn::kOk);
    ASSERT_EQ(engine->Module().serial, "00001234");
    port.Close();
    engine->SetConnected(false);
    module->UpdateState([](sim::ModuleState& s) {
        s.running = sim::RunningImage::SafeBoot;
        s.serial = sim::FixedText("00007777", 8);
    });
    ASSERT_TRUE(port.Open(module->PortNumber()));
    ASSERT_EQ(engine->Module().moduleType, 2u);
    module->ClearLog();
    EXPECT_EQ(engine->Connect(""), conn::kOk);
    EXPECT_EQ(module->RequestCodes(), (std::vector<uint8_t>{0x80, 0x81}));
    const ModuleRecord& r = engine->Module();
    EXPECT_EQ(std::tie(r.name, r.serial, r.release, r.moduleType, r.runningImage),
              std::make_tuple("", "", kNoVersion, 0u, 0));
    module->ClearLog();
    const uint8_t release[2] = {1, 1};
    EXPECT_EQ(engine->ChangeModuleType(2, release), eng::kNotRunningFerrin);
    EXPECT_EQ(module->RequestCount(), 0u);
}

TEST_F(ConnectTest, ChangeModuleTypeRebuildsTheModule) {
    // An ORLAN6 board that has not been given its type and release yet.
    StartModule(Profile::Orlan6);
    module->UpdateState([](sim::ModuleState& s) {
        s.moduleType = 0xFF;
        s.release = {255, 255};
    });
    MakeEngine();
    ASSERT_EQ(engine->Connect(""), conn::kOk);
    block->bytes[1] = 0x42;
    const uint8_t release[2] = {2, 0};
    ASSERT_EQ(engine->ChangeModuleType(1, release), eng::kOk);

    const auto state = module->State();
    EXPECT_EQ(std::tie(state.moduleType, state.release), std::make_tuple(1, sim::Version{2, 0}));
    EXPECT_EQ(std::tie(engine->Module().moduleType, engine->Module().release),
              std::make_tuple(1u, VersionNumber{2, 0}));
    ASSERT_TRUE(state.layout.has_value());
    ASSERT_EQ(state.layout->fpgas.size(), 2u);
    EXPECT_EQ(state.layout->fpgas[0], (sim::LayoutFpga{0, 1, 0x10, {{0, 0, 4}}}));
    // The block object was never read from this board: it is not written as
    // the board's setup, and shows what the board holds instead.
    EXPECT_EQ(block->writes, 0);
    EXPECT_EQ(state.blocks.at({0, 0}).data[1], 0);
    EXPECT_EQ(block->bytes[1], 0);
    EXPECT_EQ(engine->LastConfigureWrites().skipped, 1);
}

} // namespace
