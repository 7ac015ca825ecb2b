// The simulator over its pty, seen from the host's side with hand-written frames.

#include "HostWire.h"
#include "simulator/ModuleModel.h"
#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>
#include <thread>

using namespace hostwire;
using sim::Reply;
using std::chrono::milliseconds;

namespace {

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// Response frame as the tables give it: code, length incl. 4 header bytes, status, payload.
Bytes Response(uint8_t code, uint8_t status, const Bytes& payload = {}) {
    return Cat({{code}, Be16(static_cast<uint16_t>(payload.size() + 4)), {status}, payload});
}

class SimulatorTest : public ::testing::Test {
protected:
    void Start(sim::ModuleConfig config) {
        module = std::make_unique<sim::SimulatedModule>(std::move(config));
        ASSERT_TRUE(module->Start()) << module->Error();
        Connect();
    }
    void StartTarn(const std::function<void(sim::ModuleConfig&)>& adjust = {}) {
        auto config = sim::MakeModule(sim::Profile::Tarn);
        ASSERT_TRUE(config.has_value());
        if (adjust)
            adjust(*config);
        Start(*config);
    }
    void Connect() {
        host = std::make_unique<HostPort>(module->LinkPath());
        ASSERT_TRUE(host->IsOpen()) << module->LinkPath();
    }
    Bytes Ask(uint8_t code, const Bytes& payload = {}) {
        return host->Exchange(Request(code, payload));
    }
    // Each request in turn, with the exact answer it must get.
    struct Exchange {
        uint8_t code;
        Bytes payload;
        Bytes answer;
    };
    void ExpectExchanges(const std::vector<Exchange>& exchanges) {
        for (const Exchange& e : exchanges)
            EXPECT_EQ(Ask(e.code, e.payload), e.answer) << std::hex << int(e.code);
    }
    // Start command, chunks of `chunk` bytes, finish; returns the last answer.
    Bytes Download(uint8_t startCode, const Bytes& startPayload, const Bytes& image, size_t chunk) {
        Bytes answer = Ask(startCode, startPayload);
        if (answer.size() < 4 || answer[3] != 0)
            return answer;
        for (size_t at = 0; at < image.size(); at += chunk) {
            const size_t k = std::min(chunk, image.size() - at);
            const Bytes data(image.begin() + static_cast<std::ptrdiff_t>(at),
                             image.begin() + static_cast<std::ptrdiff_t>(at + k));
            answer = Ask(0x88, Cat({Be16(static_cast<uint16_t>(k)), data}));
            if (answer != Response(0xC8, 0x00))
                return answer;
        }
        return Ask(0x8A);
    }

    sim::ScopedPortDirectory directory; // first in, last out
    std::unique_ptr<sim::SimulatedModule> module;
    std::unique_ptr<HostPort> host;
};

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
Bytes TableStart(uint8_t table, uint32_t size) {
    return Cat({{1, 0x10, 0x20}, Be32(table == 0 ? 0x1000 : 0x2000), Be32(size), Be32(0x60)});
}

TEST_F(SimulatorTest, AClientThatDiesHoldingThePortDoesNotLockOthersOut) {
    // A killed client closes without clearing TIOCEXCL; a USB port forgets the
    // flag on its last close, and so must the simulated one.
    StartTarn();
    host.reset();
    const std::string node = module->DevicePath().string();
    const int held = open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(held, 0);
    ASSERT_EQ(ioctl(held, TIOCEXCL), 0);
    std::this_thread::sleep_for(milliseconds(100));
    close(held);
    int exclusive = 1;
    for (int tries = 0; tries < 100 && exclusive != 0; ++tries) {
        std::this_thread::sleep_for(milliseconds(20));
        const int probe = open(module->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (probe < 0)
            continue; // made anew just now
        ASSERT_EQ(ioctl(probe, TIOCGEXCL, &exclusive), 0);
        ioctl(probe, TIOCNXCL); // our own probe must not leave it set either
        close(probe);
    }
    EXPECT_EQ(exclusive, 0);
    Connect();
    EXPECT_EQ(Ask(0x80), Response(0x80 | 0x40, 0x00, {1}));
}

} // namespace

TEST_F(SimulatorTest, ReadCommandsAnswerWithTheTableLayouts) {
    StartTarn();
    const std::vector<Exchange> exchanges = {
        {0x80, {}, Response(0xC0, 0, {1})},
        {0x81, {}, Response(0xC1, 0, {1, 0, 1, 1, 0x01})},
        {0x83, {}, Response(0xC3, 0, {2})},
        {0x84, {1, 0x10, 0x00, 0x55}, Response(0xC4, 0, {1, 1})},
        {0x95, {}, Response(0xD5, 0, {1, 1})},
        {0x97, {}, Response(0xD7, 0, Text("SIM-TARN"))},
        {0x99, {}, Response(0xD9, 0, Cat({Text("TARN-A01"), {0}}))},
        {0x9B, {}, Response(0xDB, 0, Text("00001234"))},
        {0xA2, Cat({{1, 0x10, 0}, Be32(0x1001)}), Response(0xE2, 0, {1, 1})},
        {0xA2, Cat({{1, 0x10, 1}, Be32(0x2001)}), Response(0xE2, 0, {1, 0})},
        {0x91, {}, Response(0xD1, 0)},
        // What the board does not have, or a request it cannot parse.
        {0x84, {1, 0x10, 0x55, 0x00}, Response(0xFF, 0xFF)},
        {0xA2, Cat({{1, 0x10, 0}, Be32(0x1000)}), Response(0xFF, 0xFF)},
        {0x8D, {}, Response(0xFF, 0xFF)},
        {0x80, {0}, Response(0xC0, 0xFD)},
        {0x8A, {}, Response(0xFF, 0xFF)}, // no transfer to finish
        {0x88, {0, 1, 9}, Response(0xFF, 0xFF)},
    };
    ExpectExchanges(exchanges);
    EXPECT_EQ(module->RequestCount(), exchanges.size());
}

TEST_F(SimulatorTest, PokeAndPeekShareARegisterSpacePerInterfaceAndDevice) {
    StartTarn();
    const Bytes at = Be32(0x1000);
    // Another interface or device is another register; interfaces above 3 do not
    // exist; a poke whose count disagrees with its frame length writes nothing.
    ExpectExchanges({
        {0x9D, Cat({{0, 0x4A}, at, {3, 0xA1, 0xB2, 0xC3}}), Response(0xDD, 0)},
        {0x9E, Cat({{0, 0x4A}, Be32(0x0FFF), {5}}), Response(0xDE, 0, {5, 0, 0xA1, 0xB2, 0xC3, 0})},
        {0x9E, Cat({{1, 0x4A}, at, {1}}), Response(0xDE, 0, {1, 0})},
        {0x9E, Cat({{0, 0x4B}, at, {1}}), Response(0xDE, 0, {1, 0})},
        {0x9E, Cat({{4, 0x4A}, at, {1}}), Response(0xFF, 0xFF)},
        {0x9D, Cat({{4, 0x4A}, at, {1, 9}}), Response(0xFF, 0xFF)},
        {0x9D, Cat({{0, 0x4A}, at, {2, 0x55}}), Response(0xDD, 0xFD)},
    });
    EXPECT_EQ(module->State().registers.at({0, 0x4A, 0x1000}), 0xA1);
}

TEST_F(SimulatorTest, LayoutIsParsedFromTheWireFormAndKept) {
    StartTarn();
    // Two FPGAs: id 0 with blocks 1 (0x0000, 4) and 5 (0x0102, 0x0010); id 3 without blocks.
    const Bytes layout = {2, 0,    2,    1,    0x10, 1, 0x00, 0x00, 0x00, 0x04,
                          5, 0x01, 0x02, 0x00, 0x10, 3, 0,    3,    0x01};
    EXPECT_EQ(Ask(0x82, layout), Response(0xC2, 0));
    const sim::ModuleState s = module->State();
    ASSERT_TRUE(s.layout.has_value());
    EXPECT_EQ(s.layout->raw, layout);
    ASSERT_EQ(s.layout->fpgas.size(), 2u);
    EXPECT_EQ(s.layout->fpgas[0], (sim::LayoutFpga{0, 1, 0x10, {{1, 0, 4}, {5, 0x0102, 0x0010}}}));
    EXPECT_EQ(s.layout->fpgas[1], (sim::LayoutFpga{3, 3, 0x01, {}}));
    // New blocks exist from now on, zero-filled with the announced length.
    EXPECT_EQ(s.blocks.at({0, 5}).data, Bytes(16, 0));

    // Truncated or overlong forms are refused and leave the last good layout.
    for (const Bytes& bad : {Bytes{1, 0, 1, 1}, Bytes{1, 0, 0, 1, 0x10, 9}, Bytes{}})
        EXPECT_EQ(Ask(0x82, bad), Response(0xC2, 0xFD));
    EXPECT_EQ(module->State().layout->raw, layout);
}

TEST_F(SimulatorTest, ParameterBlockRoundTripsInChunksAndDefaultsComeBack) {
    StartTarn([](sim::ModuleConfig& c) {
        c.behaviour.blockChunkSize = 3;
        c.state.blocks[{0, 0}].defaults = {1, 2, 3, 4};
    });
    ExpectExchanges({
        {0x8B, {0, 0, 0, 4}, Response(0xCB, 0, {0, 3})},
        {0x88, {0, 3, 0xAA, 0xBB, 0xCC}, Response(0xC8, 0)},
        {0x88, {0, 1, 0xDD}, Response(0xC8, 0)},
        {0x8A, {}, Response(0xCA, 0)},
        {0x8C, {0, 0, 0, 4}, Response(0xCC, 0, {0, 3})},
        {0x89, {0, 3}, Response(0xC9, 0, {0, 3, 0xAA, 0xBB, 0xCC})},
        {0x89, {0, 1}, Response(0xC9, 0, {0, 1, 0xDD})},
        {0x89, {0, 1}, Response(0xC9, 0, {0, 0})}, // nothing left
        {0x8A, {}, Response(0xCA, 0)},
    });
    EXPECT_EQ(module->State().blocks.at({0, 0}).data, (Bytes{0xAA, 0xBB, 0xCC, 0xDD}));
    // Defaults back; blocks the board does not have, and lengths beyond the block.
    ExpectExchanges({{0x92, {0, 0}, Response(0xD2, 0)},
                     {0x8C, {0, 1, 0, 4}, Response(0xFF, 0xFF)},
                     {0x8B, {0, 0, 0, 5}, Response(0xFF, 0xFF)},
                     {0x92, {1, 0}, Response(0xFF, 0xFF)}});
    EXPECT_EQ(module->State().blocks.at({0, 0}).data, (Bytes{1, 2, 3, 4}));
}

TEST_F(SimulatorTest, ImageDownloadsSendChunksAndTakeTheSampleImageVersion) {
    StartTarn([](sim::ModuleConfig& c) { c.behaviour.chunkSize = 256; });
    const Bytes fpga = Image("SAMPLE-IMAGE 3.4\n", 1000);
    EXPECT_EQ(Download(0x87, FpgaStart(1000), fpga, 256), Response(0xCA, 0));
    EXPECT_EQ(Ask(0x84, {1, 0x10, 0x00, 0x55}), Response(0xC4, 0, {3, 4}));

    // The exact frames: start, four chunks of 256, 256, 256 and 232 bytes, finish.
    const auto log = module->Requests();
    ASSERT_EQ(log.size(), 7u);
    EXPECT_EQ(log[0].bytes, Request(0x87, FpgaStart(1000)));
    const size_t sizes[] = {256, 256, 256, 232};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(log[1 + i].bytes.size(), sizes[i] + 5);
        EXPECT_EQ(log[1 + i].bytes[0], 0x88);
    }
    EXPECT_EQ(log[5].bytes, Request(0x8A));
    const auto transfers = module->Transfers();
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_EQ(transfers[0].data, fpga);
    EXPECT_EQ(transfers[0].end, sim::TransferRecord::End::Finished);

    // A lookup table takes its version at once; an image without the header line
    // leaves the version alone.
    EXPECT_EQ(Download(0xA1, TableStart(1, 300), Image("SAMPLE-IMAGE 9.1\n", 300), 256),
              Response(0xCA, 0));
    EXPECT_EQ(Ask(0xA2, Cat({{1, 0x10, 1}, Be32(0x2001)})), Response(0xE2, 0, {9, 1}));
    EXPECT_EQ(Download(0x87, FpgaStart(40), Image("no header\n", 40), 256), Response(0xCA, 0));
    EXPECT_EQ(module->State().fpgas[0].revision, (sim::Version{3, 4}));

    // A start for a target the board does not have is refused.
    EXPECT_EQ(Ask(0x87, Cat({{2, 0x67}, Be32(0x77), Be32(10)})), Response(0xFF, 0xFF));
    EXPECT_EQ(Ask(0xA1, Cat({{1, 0x10, 0x20}, Be32(0x1000), Be32(10), Be32(0x61)})),
              Response(0xFF, 0xFF));
}

TEST_F(SimulatorTest, ChunksThatBreakTheTransferAreRefused) {
    StartTarn([](sim::ModuleConfig& c) { c.behaviour.chunkSize = 16; });
    struct Case {
        const char* what;
        Bytes chunk;
    } cases[] = {
        {"larger than the chunk size", Cat({Be16(17), Bytes(17, 1)})},
        {"length field disagrees", Cat({Be16(4), Bytes(3, 1)})},
        {"beyond the announced size", Cat({Be16(11), Bytes(11, 1)})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Ask(0x87, FpgaStart(10)), Response(0xC7, 0, {0, 16}));
        EXPECT_EQ(Ask(0x88, c.chunk), Response(0xC8, 0xFD)) << c.what;
        EXPECT_EQ(module->Transfers().back().end, sim::TransferRecord::End::Failed) << c.what;
    }
    // Finishing early is an error too; Abort ends a transfer quietly.
    EXPECT_EQ(Ask(0x87, FpgaStart(10)), Response(0xC7, 0, {0, 16}));
    EXPECT_EQ(Ask(0x8A), Response(0xCA, 0xFD));
    EXPECT_EQ(Ask(0x87, FpgaStart(10)), Response(0xC7, 0, {0, 16}));
    EXPECT_EQ(Ask(0x91), Response(0xD1, 0));
    EXPECT_EQ(module->Transfers().back().end, sim::TransferRecord::End::Aborted);
    EXPECT_EQ(Ask(0x88, Cat({Be16(1), {1}})), Response(0xFF, 0xFF));
}

TEST_F(SimulatorTest, StartsAndFinishPrecededByPendingFrames) {
    StartTarn([](sim::ModuleConfig& c) {
        c.behaviour.eraseFrames = 3;
        c.behaviour.programFrames = 2;
        c.behaviour.chunkSize = 8;
        c.behaviour.pendingInterval = milliseconds(20);
    });
    const auto start = std::chrono::steady_clock::now();
    host->Write(Request(0x86, Be16(4)));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(host->ReadFrame(), Response(0xC6, 0x02));
    EXPECT_EQ(host->ReadFrame(), Response(0xC6, 0, {0, 8}));
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(60)); // 3 pauses
    EXPECT_EQ(Ask(0x88, {0, 4, 1, 2, 3, 4}), Response(0xC8, 0));
    host->Write(Request(0x8A));
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(host->ReadFrame(), Response(0xCA, 0x02));
    EXPECT_EQ(host->ReadFrame(), Response(0xCA, 0));
    // Parameter blocks erase nothing.
    EXPECT_EQ(Ask(0x8C, {0, 0, 0, 4}), Response(0xCC, 0, {0, 64}));
}

TEST_F(SimulatorTest, ScriptedRepliesReplaceTheNormalAnswerOnce) {
    StartTarn();
    struct Case {
        const char* what;
        uint8_t code;
        Bytes payload;
        Reply reply;
        Bytes expected; // everything on the wire until it is quiet
    } cases[] = {
        {"silence", 0x80, {}, Reply::Silence(), {}},
        {"raw bytes", 0x80, {}, Reply::Raw({1, 2, 3}), {1, 2, 3}},
        {"rejection", 0x83, {}, Reply::Reject(), Response(0xFF, 0xFF)},
        {"wrong code", 0x83, {}, Reply::WrongCode(0xC4), Response(0xC4, 0, {2})},
        {"status", 0x83, {}, Reply::Status(0x01), Response(0xC3, 0x01, {2})},
        {"cut", 0x9B, {}, Reply::Cut(6), Bytes{0xDB, 0, 12, 0, '0', '0'}},
        {"pending with payload",
         0x80,
         {},
         Reply::Pending(2, {7, 8}),
         Cat({Response(0xC0, 2, {7, 8}), Response(0xC0, 2, {7, 8}), Response(0xC0, 0, {1})})},
        {"pending of length 0",
         0x80,
         {},
         Reply::Pending(1, {}, 0),
         Cat({{0xC0, 0, 0, 2}, Response(0xC0, 0, {1})})},
        {"peek echo", 0x9E, Cat({{0, 1}, Be32(0), {2}}), Reply::PeekEcho(3),
         Response(0xDE, 0, {3, 0, 0})},
        {"chunk size 0", 0x86, Be16(10), Reply::ChunkSize(0), Response(0xC6, 0, {0, 0})},
        {"garbage", 0x80, {}, Reply::Garbage(5), Reply::Garbage(5).raw.value()},
    };
    for (const Case& c : cases) {
        module->Script(c.code, c.reply);
        host->Write(Request(c.code, c.payload));
        EXPECT_EQ(host->Drain(milliseconds(150)), c.expected) << c.what;
        EXPECT_EQ(module->QueuedScripts(c.code), 0u) << c.what;
    }
    // One-shot: the next request gets the normal answer again.
    EXPECT_EQ(Ask(0x80), Response(0xC0, 0, {1}));
    // A length field and trailing garbage on the final frame.
    Reply odd;
    odd.lengthField = 9;
    odd.trailing = {0xEE};
    module->Script(0x83, odd);
    host->Write(Request(0x83));
    EXPECT_EQ(host->Drain(milliseconds(150)), (Bytes{0xC3, 0, 9, 0, 2, 0xEE}));
}

TEST_F(SimulatorTest, ScriptsQueueSkipAndPersist) {
    StartTarn();
    module->Script(0x80, Reply::Status(0xFE).After(2));
    module->Script(0x80, Reply::Status(0xFD));
    EXPECT_EQ(Ask(0x80), Response(0xC0, 0, {1}));
    EXPECT_EQ(Ask(0x80), Response(0xC0, 0, {1}));
    EXPECT_EQ(Ask(0x80), Response(0xC0, 0xFE, {1}));
    EXPECT_EQ(Ask(0x80), Response(0xC0, 0xFD, {1}));
    module->ScriptAlways(0x80, Reply::Status(0xFC));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Ask(0x80), Response(0xC0, 0xFC, {1}));
    module->ClearScripts();
    EXPECT_EQ(Ask(0x80), Response(0xC0, 0, {1}));
}

TEST_F(SimulatorTest, RejectedCommandsDoNotActUnlessTold) {
    StartTarn();
    module->Script(0x96, Reply::Status(0xFF));
    EXPECT_EQ(Ask(0x96, {9, 9}), Response(0xD6, 0xFF));
    EXPECT_EQ(module->State().release, (sim::Version{1, 1}));
    Reply lost = Reply::Silence();
    module->Script(0x96, lost); // the module acts, the answer is lost
    host->Write(Request(0x96, {9, 9}));
    EXPECT_EQ(host->Drain(milliseconds(150)), Bytes{});
    EXPECT_EQ(module->State().release, (sim::Version{9, 9}));
    Reply noEffect = Reply::Status(0x00);
    noEffect.execute = false;
    module->Script(0x96, noEffect);
    EXPECT_EQ(Ask(0x96, {1, 2}), Response(0xD6, 0));
    EXPECT_EQ(module->State().release, (sim::Version{9, 9}));
}

TEST_F(SimulatorTest, JtagStatusOnAChosenChunkOrOnFinishFailsTheDownload) {
    StartTarn([](sim::ModuleConfig& c) { c.behaviour.chunkSize = 4; });
    const Bytes image = Image("SAMPLE-IMAGE 7.7\n", 20);
    module->Script(0x88, Reply::Status(0xF8).After(2));
    EXPECT_EQ(Download(0x87, FpgaStart(20), image, 4), Response(0xC8, 0xF8));
    EXPECT_EQ(module->Transfers().back().chunks, 2u);
    EXPECT_EQ(module->Transfers().back().end, sim::TransferRecord::End::Failed);
    module->Script(0x8A, Reply::Status(0xF9));
    EXPECT_EQ(Download(0x87, FpgaStart(20), image, 4), Response(0xCA, 0xF9));
    EXPECT_EQ(module->State().fpgas[0].revision, (sim::Version{1, 1}));
}

TEST_F(SimulatorTest, BadInputIsDroppedAndTheNextFrameIsAnswered) {
    StartTarn([](sim::ModuleConfig& c) { c.behaviour.interByteTimeout = milliseconds(100); });
    struct Case {
        const char* what;
        Bytes junk;
    } cases[] = {
        {"not a command code", {0x41, 0x42, 0x43}},
        {"length below 3", {0x80, 0x00, 0x02}},
        {"absurd length", {0x80, 0x40, 0x00}},
        {"stale partial frame", {0x9B, 0x00}},
    };
    for (const Case& c : cases) {
        module->ClearLog();
        host->Write(c.junk);
        EXPECT_EQ(host->Drain(milliseconds(250)), Bytes{}) << c.what;
        EXPECT_EQ(module->DroppedBytes(), c.junk.size()) << c.what;
        EXPECT_EQ(Ask(0x80), Response(0xC0, 0, {1})) << c.what;
    }
}

TEST_F(SimulatorTest, RequestLogKeepsFramesInOrderAndWaits) {
    StartTarn();
    std::thread sender([this] { host->Write(Cat({Request(0x80), Request(0x83), Request(0x9B)})); });
    EXPECT_TRUE(module->WaitForRequests(3, milliseconds(3000)));
    EXPECT_TRUE(module->WaitForRequest(0x9B, milliseconds(100)));
    EXPECT_FALSE(module->WaitForRequest(0x9C, milliseconds(50)));
    sender.join();
    EXPECT_EQ(module->RequestCodes(), (Bytes{0x80, 0x83, 0x9B}));
    EXPECT_EQ(module->Requests()[1].bytes, Request(0x83));
    // A silenced request in the same write does not hold up the one behind it.
    EXPECT_EQ(host->Drain(milliseconds(100)).size(), 5u + 5u + 12u);
    module->Script(0x80, Reply::Silence());
    host->Write(Cat({Request(0x80), Request(0x83)}));
    EXPECT_EQ(host->ReadFrame(), Response(0xC3, 0, {2}));
    module->ClearLog();
    EXPECT_EQ(module->RequestCount(), 0u);
}

TEST_F(SimulatorTest, PacedExchangeTakesAtLeastItsWireTime) {
    StartTarn([](sim::ModuleConfig& c) { c.behaviour.pacing = true; });
    // A 100-byte poke frame and its 4-byte answer: 104 bytes of 10 bits at 38400 baud.
    const Bytes poke = Request(0x9D, Cat({{0, 1}, Be32(0), {90}, Bytes(90, 0x3C)}));
    ASSERT_EQ(poke.size(), 100u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(host->Exchange(poke), Response(0xDD, 0));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(104 * 260));
    // And a 100-byte answer.
    const auto again = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask(0x9E, Cat({{0, 1}, Be32(0), {95}})).size(), 100u);
    EXPECT_GE(std::chrono::steady_clock::now() - again, std::chrono::microseconds(110 * 260));
}

TEST_F(SimulatorTest, RebootTakesThePortAwayAndBringsItBackWithTheNewFerrin) {
    StartTarn([](sim::ModuleConfig& c) { c.behaviour.rebootDelay = milliseconds(200); });
    const uint16_t com = module->PortNumber();
    EXPECT_EQ(Ask(0x98, Text("REBOOTED")), Response(0xD8, 0));
    EXPECT_EQ(Download(0x86, Be16(30), Image("SAMPLE-IMAGE 4.2\n", 30), 256), Response(0xCA, 0));
    EXPECT_EQ(Ask(0x81), Response(0xC1, 0, {1, 0, 1, 1, 1})); // not before the reboot

    EXPECT_EQ(Ask(0xA0), Response(0xE0, 0));
    EXPECT_TRUE(host->WaitHangUp(milliseconds(3000)));
    EXPECT_TRUE(module->WaitUntilAway(milliseconds(1000)));
    ASSERT_TRUE(module->WaitUntilPresent(milliseconds(5000)));
    EXPECT_EQ(module->PortNumber(), com);
    EXPECT_EQ(module->BootCount(), 1u);
    Connect();
    EXPECT_EQ(Ask(0x81), Response(0xC1, 0, {1, 0, 4, 2, 1}));
    EXPECT_EQ(Ask(0x97), Response(0xD7, 0, Text("REBOOTED")));
}

TEST_F(SimulatorTest, SafeBootAnswersLikeABootLoaderAndBootsTheDownloadedFerrin) {
    StartTarn([](sim::ModuleConfig& c) {
        c.state.running = sim::RunningImage::SafeBoot;
        c.state.ferrinValid = false;
        c.state.identityFlag = true;
        c.behaviour.rebootDelay = milliseconds(50);
    });
    EXPECT_EQ(Ask(0x81), Response(0xC1, 0, {1, 0, 1, 1, 0x80}));
    for (const uint8_t code : {0x83, 0x95, 0x8B, 0x9D, 0x9F})
        EXPECT_EQ(Ask(code, code == 0x8B   ? Bytes{0, 0, 0, 4}
                            : code == 0x9D ? Bytes(8, 0)
                            : code == 0x9F ? Bytes{1}
                                           : Bytes{}),
                  Response(0xFF, 0xFF))
            << int(code);
    EXPECT_EQ(Ask(0x9B), Response(0xDB, 0, Text("00001234")));
    EXPECT_EQ(Download(0x86, Be16(20), Image("SAMPLE-IMAGE 2.5\n", 20), 256), Response(0xCA, 0));
    EXPECT_EQ(Ask(0xA0), Response(0xE0, 0));
    EXPECT_TRUE(module->WaitUntilAway(milliseconds(2000)));
    ASSERT_TRUE(module->WaitUntilPresent(milliseconds(3000)));
    Connect();
    EXPECT_EQ(Ask(0x81), Response(0xC1, 0, {1, 0, 2, 5, 0x81}));
    EXPECT_EQ(Ask(0x83), Response(0xC3, 0, {2}));
}

TEST_F(SimulatorTest, PublishesThePortAndRemovesItOnStop) {
    StartTarn([](sim::ModuleConfig& c) { c.portNumber = 7; });
    EXPECT_EQ(module->PortNumber(), 7);
    EXPECT_EQ(std::filesystem::read_symlink(module->LinkPath()), module->DevicePath());
    sim::SimulatedModule second(*sim::MakeModule(sim::Profile::Orlan6));
    ASSERT_TRUE(second.Start());
    EXPECT_NE(second.PortNumber(), 7); // the first free number
    host.reset();
    module->Stop();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(module->LinkPath())));
    EXPECT_FALSE(module->IsRunning());
}

// A release sets every version of the module to that release's.
TEST(SimulatorProfiles, ReleasesSetVersionsConsistently) {
    EXPECT_FALSE(sim::MakeModule(sim::Profile::Tarn, {2, 0}).has_value());
    const auto orlan = sim::MakeModule(sim::Profile::Orlan6, {2, 0});
    ASSERT_TRUE(orlan.has_value());
    const sim::ModuleState& s = orlan->state;
    ASSERT_EQ(s.fpgas.size(), 2u);
    EXPECT_EQ(std::tie(s.moduleType, s.ferrin, s.fpgas[1].tables[0].version),
              std::make_tuple(1, sim::Version{2, 0}, sim::Version{2, 0}));
    const auto none = sim::MakeModule(sim::Profile::None);
    EXPECT_EQ(none->state.moduleType, 0xFF);
    EXPECT_TRUE(none->state.fpgas.empty());
}

TEST(SimulatorImages, SampleImageHeaderNamesTheVersion) {
    struct Case {
        std::string text;
        std::optional<sim::Version> version;
    } cases[] = {
        {"SAMPLE-IMAGE 1.2\nrest", sim::Version{1, 2}},
        {"SAMPLE-IMAGE 255.0\r\n", sim::Version{255, 0}},
        {"SAMPLE-IMAGE 256.0\n", std::nullopt},
        {"SAMPLE-IMAGE 1.2", std::nullopt},
        {"SAMPLE-IMAGE 1\n", std::nullopt},
        {"sample-image 1.2\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sim::SampleImageVersion(Bytes(c.text.begin(), c.text.end())), c.version)
            << c.text;
}
