// The simulator over its pty, seen from the host's side with hand-written frames:
// what the module answers is what the program's own tests are checked against.

#include "HostWire.h"
#include "simulator/ModuleModel.h"
#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"

#include <gtest/gtest.h>

#include <string>

using namespace hostwire;
using std::chrono::milliseconds;

namespace {

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// Response frame as the tables give it: code, length incl. 4 header bytes, status, payload.
Bytes Response(uint8_t code, uint8_t status, const Bytes& payload = {}) {
    return Cat({{code}, Be16(static_cast<uint16_t>(payload.size() + 4)), {status}, payload});
}
const Bytes kRefused = Response(0xFF, 0xFF);

Bytes Image(const std::string& header, size_t size) {
    Bytes image = Text(header);
    while (image.size() < size)
        image.push_back(static_cast<uint8_t>(image.size() * 7));
    image.resize(size);
    return image;
}

// Start payloads of the TARN board (FPGA 0: SPI Control 0x10, firmware over SPI
// Config 0x66 at 0x77, lookup table register 0x60, tables at 0x1000 and 0x2000).
Bytes FpgaStart(uint32_t size) {
    return Cat({{2, 0x66}, Be32(0x77), Be32(size)});
}
Bytes TableStart(uint32_t size) {
    return Cat({{1, 0x10, 0x20}, Be32(0x2000), Be32(size), Be32(0x60)});
}

class SimulatorTest : public ::testing::Test {
protected:
    void StartTarn(const std::function<void(sim::ModuleConfig&)>& adjust = {}) {
        auto config = sim::MakeModule(sim::Profile::Tarn);
        ASSERT_TRUE(config.has_value());
        if (adjust)
            adjust(*config);
        module = std::make_unique<sim::SimulatedModule>(std::move(*config));
        ASSERT_TRUE(module->Start()) << module->Error();
        Connect();
    }
    void Connect() {
        host = std::make_unique<HostPort>(module->LinkPath());
        ASSERT_TRUE(host->IsOpen()) << module->LinkPath();
    }
    Bytes Ask(uint8_t code, const Bytes& payload = {}) {
        return host->Exchange(Request(code, payload));
    }
    // Start command, chunks of 256 bytes, finish; returns the last answer.
    Bytes Download(uint8_t startCode, const Bytes& startPayload, const Bytes& image) {
        Bytes answer = Ask(startCode, startPayload);
        for (size_t at = 0; at < image.size() && answer.size() > 3 && answer[3] == 0; at += 256) {
            const auto first = image.begin() + static_cast<std::ptrdiff_t>(at);
            const Bytes data(first, first + static_cast<std::ptrdiff_t>(
                                                std::min<size_t>(256, image.size() - at)));
            answer = Ask(0x88, Cat({Be16(static_cast<uint16_t>(data.size())), data}));
        }
        return answer == Response(0xC8, 0) ? Ask(0x8A) : answer;
    }

    sim::ScopedPortDirectory directory; // first in, last out
    std::unique_ptr<sim::SimulatedModule> module;
    std::unique_ptr<HostPort> host;
};

} // namespace

// Each request in turn with the exact answer it must get, family by family.
TEST_F(SimulatorTest, EachCommandFamilyAnswersWithTheTableLayouts) {
    StartTarn([](sim::ModuleConfig& c) {
        c.behaviour.chunkSize = 16;
        c.behaviour.blockChunkSize = 3;
        c.state.blocks[{0, 0}].defaults = {1, 2, 3, 4};
    });
    const Bytes at = Be32(0x1000);
    // Two FPGAs: id 0 with blocks 1 (0x0000, 4) and 5 (0x0102, 0x0010); id 3 without blocks.
    const Bytes layout = {2, 0,    2,    1,    0x10, 1, 0x00, 0x00, 0x00, 0x04,
                          5, 0x01, 0x02, 0x00, 0x10, 3, 0,    3,    0x01};
    const struct {
        uint8_t code;
        Bytes payload;
        Bytes answer;
    } exchanges[] = {
        // Identity and versions.
        {0x80, {}, Response(0xC0, 0, {1})},
        {0x81, {}, Response(0xC1, 0, {1, 0, 1, 1, 0x01})},
        {0x83, {}, Response(0xC3, 0, {2})},
        {0x84, {1, 0x10, 0x00, 0x55}, Response(0xC4, 0, {1, 1})},
        {0x95, {}, Response(0xD5, 0, {1, 1})},
        {0x97, {}, Response(0xD7, 0, Text("SIM-TARN"))},
        {0x99, {}, Response(0xD9, 0, Cat({Text("TARN-A01"), {0}}))},
        {0x9B, {}, Response(0xDB, 0, Text("00001234"))},
        {0xA2, Cat({{1, 0x10, 0}, Be32(0x1001)}), Response(0xE2, 0, {1, 1})},
        {0x91, {}, Response(0xD1, 0)},
        // What the board does not have, or a request it cannot parse.
        {0x84, {1, 0x10, 0x55, 0x00}, kRefused},
        {0xA2, Cat({{1, 0x10, 0}, at}), kRefused},
        {0x8D, {}, kRefused},
        {0x80, {0}, Response(0xC0, 0xFD)},
        {0x8A, {}, kRefused}, // no transfer to finish
        {0x88, {0, 1, 9}, kRefused},
        // Poke and peek: another interface is another register;
        // interfaces above 3 do not exist; a count that disagrees writes nothing.
        {0x9D, Cat({{0, 0x4A}, at, {3, 0xA1, 0xB2, 0xC3}}), Response(0xDD, 0)},
        {0x9E, Cat({{0, 0x4A}, Be32(0x0FFF), {5}}), Response(0xDE, 0, {5, 0, 0xA1, 0xB2, 0xC3, 0})},
        {0x9E, Cat({{1, 0x4A}, at, {1}}), Response(0xDE, 0, {1, 0})},
        {0x9E, Cat({{4, 0x4A}, at, {1}}), kRefused},
        {0x9D, Cat({{0, 0x4A}, at, {2, 0x55}}), Response(0xDD, 0xFD)},
        // Layout: taken, then truncated or overlong forms refused.
        {0x82, layout, Response(0xC2, 0)},
        {0x82, {1, 0, 0, 1, 0x10, 9}, Response(0xC2, 0xFD)},
        // Parameter block in chunks of 3, read back, defaults restored.
        {0x8B, {0, 0, 0, 4}, Response(0xCB, 0, {0, 3})},
        {0x88, {0, 3, 0xAA, 0xBB, 0xCC}, Response(0xC8, 0)},
        {0x88, {0, 1, 0xDD}, Response(0xC8, 0)},
        {0x8A, {}, Response(0xCA, 0)},
        {0x8C, {0, 0, 0, 4}, Response(0xCC, 0, {0, 3})},
        {0x89, {0, 3}, Response(0xC9, 0, {0, 3, 0xAA, 0xBB, 0xCC})},
        {0x89, {0, 1}, Response(0xC9, 0, {0, 1, 0xDD})},
        {0x89, {0, 1}, Response(0xC9, 0, {0, 0})}, // nothing left
        {0x8A, {}, Response(0xCA, 0)},
        {0x92, {0, 0}, Response(0xD2, 0)},
        {0x8C, {0, 2, 0, 4}, kRefused}, // not in the layout above
        {0x8B, {0, 0, 0, 5}, kRefused},
        // Image transfers: chunks that break it, finishing early, aborting,
        // targets the board does not have.
        {0x87, FpgaStart(10), Response(0xC7, 0, {0, 16})},
        {0x88, Cat({Be16(17), Bytes(17, 1)}), Response(0xC8, 0xFD)},
        {0x87, FpgaStart(10), Response(0xC7, 0, {0, 16})},
        {0x88, Cat({Be16(4), Bytes(3, 1)}), Response(0xC8, 0xFD)},
        {0x87, FpgaStart(10), Response(0xC7, 0, {0, 16})},
        {0x88, Cat({Be16(11), Bytes(11, 1)}), Response(0xC8, 0xFD)},
        {0x87, FpgaStart(10), Response(0xC7, 0, {0, 16})},
        {0x8A, {}, Response(0xCA, 0xFD)},
        {0x87, FpgaStart(10), Response(0xC7, 0, {0, 16})},
        {0x91, {}, Response(0xD1, 0)},
        {0x88, Cat({Be16(1), {1}}), kRefused},
        {0x87, Cat({{2, 0x67}, Be32(0x77), Be32(10)}), kRefused},
        {0xA1, Cat({{1, 0x10, 0x20}, at, Be32(10), Be32(0x61)}), kRefused},
    };
    for (const auto& e : exchanges)
        EXPECT_EQ(Ask(e.code, e.payload), e.answer) << std::hex << int(e.code);
    const sim::ModuleState s = module->State();
    EXPECT_EQ(s.registers.at({0, 0x4A, 0x1000}), 0xA1);
    ASSERT_TRUE(s.layout.has_value());
    EXPECT_EQ(s.layout->raw, layout);
    EXPECT_EQ(s.layout->fpgas[0], (sim::LayoutFpga{0, 1, 0x10, {{1, 0, 4}, {5, 0x0102, 0x0010}}}));
    EXPECT_EQ(s.blocks.at({0, 5}).data, Bytes(16, 0)); // new blocks exist, zero-filled
    // Restored to its defaults, then erased by the FPGA downloads' starts, as a module's flash is.
    EXPECT_EQ(s.blocks.at({0, 0}).data, Bytes(4, 0));
    EXPECT_EQ(module->Transfers().back().end, sim::TransferRecord::End::Aborted);
}

TEST_F(SimulatorTest, ImageDownloadsArriveWholeAndTakeTheSampleImageVersion) {
    StartTarn();
    const Bytes fpga = Image("SAMPLE-IMAGE 3.4\n", 1000);
    EXPECT_EQ(Download(0x87, FpgaStart(1000), fpga), Response(0xCA, 0));
    EXPECT_EQ(Ask(0x84, {1, 0x10, 0x00, 0x55}), Response(0xC4, 0, {3, 4}));
    ASSERT_EQ(module->Transfers().size(), 1u);
    EXPECT_EQ(module->Transfers()[0].data, fpga);
    // A lookup table takes its version at once; an image without the header
    // line leaves the version alone.
    EXPECT_EQ(Download(0xA1, TableStart(300), Image("SAMPLE-IMAGE 9.1\n", 300)), Response(0xCA, 0));
    EXPECT_EQ(Ask(0xA2, Cat({{1, 0x10, 1}, Be32(0x2001)})), Response(0xE2, 0, {9, 1}));
    EXPECT_EQ(Download(0x87, FpgaStart(40), Image("no header\n", 40)), Response(0xCA, 0));
    EXPECT_EQ(module->State().fpgas[0].revision, (sim::Version{3, 4}));
}

TEST_F(SimulatorTest, StartsAndFinishPrecededByPendingFrames) {
    StartTarn([](sim::ModuleConfig& c) {
        c.behaviour.eraseFrames = 3;
        c.behaviour.programFrames = 2;
        c.behaviour.chunkSize = 8;
        c.behaviour.pendingInterval = milliseconds(20);
    });
    const Bytes erasing = Response(0xC6, 0x02), programming = Response(0xCA, 0x02);
    host->Write(Request(0x86, Be16(4)));
    for (const Bytes& frame : {erasing, erasing, erasing, Response(0xC6, 0, {0, 8})})
        EXPECT_EQ(host->ReadFrame(), frame);
    EXPECT_EQ(Ask(0x88, {0, 4, 1, 2, 3, 4}), Response(0xC8, 0));
    host->Write(Request(0x8A));
    for (const Bytes& frame : {programming, programming, Response(0xCA, 0)})
        EXPECT_EQ(host->ReadFrame(), frame);
    EXPECT_EQ(Ask(0x8C, {0, 0, 0, 4}), Response(0xCC, 0, {0, 64})); // blocks erase nothing
}

TEST_F(SimulatorTest, RebootTakesThePortAwayAndBringsItBackWithTheNewFerrin) {
    StartTarn([](sim::ModuleConfig& c) { c.behaviour.rebootDelay = milliseconds(200); });
    const uint16_t com = module->PortNumber();
    EXPECT_EQ(Ask(0x98, Text("REBOOTED")), Response(0xD8, 0));
    EXPECT_EQ(Download(0x86, Be16(30), Image("SAMPLE-IMAGE 4.2\n", 30)), Response(0xCA, 0));
    EXPECT_EQ(Ask(0x81), Response(0xC1, 0, {1, 0, 1, 1, 1})); // not before the reboot
    EXPECT_EQ(Ask(0xA0), Response(0xE0, 0));
    EXPECT_TRUE(host->WaitHangUp(milliseconds(3000)));
    EXPECT_TRUE(module->WaitUntilAway(milliseconds(1000)));
    ASSERT_TRUE(module->WaitUntilPresent(milliseconds(5000)));
    EXPECT_EQ(module->PortNumber(), com);
    Connect();
    EXPECT_EQ(Ask(0x81), Response(0xC1, 0, {1, 0, 4, 2, 1}));
    EXPECT_EQ(Ask(0x97), Response(0xD7, 0, Text("REBOOTED")));
}

// Booting the downloaded Ferrin out of SafeBoot runs through the update tests.
TEST_F(SimulatorTest, SafeBootAnswersLikeABootLoader) {
    StartTarn([](sim::ModuleConfig& c) {
        c.state.running = sim::RunningImage::SafeBoot;
        c.state.ferrinValid = false;
        c.state.identityFlag = true;
    });
    EXPECT_EQ(Ask(0x81), Response(0xC1, 0, {1, 0, 1, 1, 0x80}));
    EXPECT_EQ(Ask(0x83), kRefused);
    EXPECT_EQ(Ask(0x8B, {0, 0, 0, 4}), kRefused);
    EXPECT_EQ(Ask(0x86, Be16(20)), Response(0xC6, 0, {1, 0}));
}

TEST_F(SimulatorTest, PublishesThePortAndRemovesItOnStop) {
    StartTarn([](sim::ModuleConfig& c) { c.portNumber = 7; });
    EXPECT_EQ(std::filesystem::read_symlink(module->LinkPath()), module->DevicePath());
    sim::SimulatedModule second(*sim::MakeModule(sim::Profile::Orlan6));
    ASSERT_TRUE(second.Start());
    EXPECT_NE(second.PortNumber(), 7); // the first free number
    host.reset();
    module->Stop();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(module->LinkPath())));
}
