// The frame transaction (header checks, purging), every command's request bytes, the chunked
// transfers, and the engine operations built on them, against the simulated module.
#include "ModuleFixture.h"

#include "engine/EngineCodes.h"

#include <functional>
#include <sstream>

namespace {

using CommandsTest = EngineOnModule;

// Every status byte's code, and answers with more behind them (the fault matrix
// crosses the other faults, pending frames included, with every command).
TEST_F(CommandsTest, BadHeadersGiveTheirCodesAndLeaveTheInputPurged) {
    auto withTrailing = [](sim::Reply r) {
        r.trailing = {0xC0, 0x00, 0x05, 0x00, 0x01, 0x99, 0x42};
        return r;
    };
    const struct {
        const char* name;
        sim::Reply reply;
        chan::Code expected;
    } cases[] = {
        {"0xFF code with status 0", withTrailing(sim::Reply::WrongCode(0xFF)), chan::kRejected},
        {"status 0x03", withTrailing(sim::Reply::Status(0x03)), chan::kUnknownStatus},
        {"status 0xFE", sim::Reply::Status(0xFE), chan::kTimeout},
        {"status 0xFD", sim::Reply::Status(0xFD), chan::kBadLength},
        {"status 0xFC", sim::Reply::Status(0xFC), chan::kStatusFC},
        {"status 0xFB", sim::Reply::Status(0xFB), chan::kStatusFB},
        {"status 0xFA", sim::Reply::Status(0xFA), chan::kStatusFA},
        {"status 0xF9", sim::Reply::Status(0xF9), chan::kStatusF9},
        {"status 0xF8", sim::Reply::Status(0xF8), chan::kStatusF8},
        {"payload cut", sim::Reply::Cut(4), chan::kTimeout},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        module->Script(0x80, c.reply);
        uint8_t version = 0, major = 0, minor = 0;
        EXPECT_EQ(Channel().CheckProtocol(version), c.expected);
        // Whatever was left over is gone: the next command sees only its answer.
        EXPECT_EQ(Channel().ReadRelease(major, minor), chan::kOk);
        EXPECT_EQ(major, 1);
    }
}

TEST_F(CommandsTest, RequestFramesAreExact) {
    uint8_t b1 = 0, b2 = 0, peeked[3];
    const uint8_t poked[3] = {0xA1, 0xB2, 0xC3};
    const struct {
        const char* name;
        std::function<chan::Code(CCmdChannel&)> send;
        Bytes request;
    } cases[] = {
        {"fpga revision",
         [&](CCmdChannel& c) { return c.ReadFpgaRevision(1, 0x10, 0x0055, b1, b2); },
         {0x84, 0, 7, 1, 0x10, 0x00, 0x55}},
        {"write release", [&](CCmdChannel& c) { return c.WriteRelease(2, 7); }, {0x96, 0, 5, 2, 7}},
        {"write name",
         [&](CCmdChannel& c) { return c.WriteName("ABC"); },
         {0x98, 0, 11, 'A', 'B', 'C', 0, 0, 0, 0, 0}},
        {"write assembly",
         [&](CCmdChannel& c) { return c.WriteAssembly("123456789XY"); },
         {0x9A, 0, 12, '1', '2', '3', '4', '5', '6', '7', '8', '9'}},
        {"poke",
         [&](CCmdChannel& c) { return c.Poke(2, 0x4A, 0x00123456, poked, 3); },
         {0x9D, 0, 13, 2, 0x4A, 0x00, 0x12, 0x34, 0x56, 3, 0xA1, 0xB2, 0xC3}},
        {"peek",
         [&](CCmdChannel& c) { return c.Peek(3, 0x01, 0xFFFFFF, peeked, 3); },
         {0x9E, 0, 10, 3, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 3}},
        {"write type", [&](CCmdChannel& c) { return c.WriteModuleType(2); }, {0x9F, 0, 4, 2}},
        {"restore defaults",
         [&](CCmdChannel& c) { return c.RestoreBlockDefaults(0, 0); },
         {0x92, 0, 5, 0, 0}},
        {"layout",
         [&](CCmdChannel& c) {
             return c.SendModuleLayout({1, 0, 1, 1, 0x10, 0, 0, 0, 0, 4});
         },
         {0x82, 0, 13, 1, 0, 1, 1, 0x10, 0, 0, 0, 0, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        module->ClearLog();
        EXPECT_EQ(c.send(Channel()), chan::kOk);
        const auto requests = module->Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].bytes, c.request);
    }
}

// The fault matrix refuses a start answer a byte short; a longer one is taken.
TEST_F(CommandsTest, StartAnswersMayBeLonger) {
    sim::Reply longer;
    longer.lengthField = 9;
    longer.payload = Bytes{0x00, 0x40, 0, 0, 0};
    module->Script(0x86, longer);
    uint16_t chunk = 0;
    EXPECT_EQ(Channel().StartFerrinDownload(10, chunk), chan::kOk);
    EXPECT_EQ(chunk, 0x40);
}

TEST_F(CommandsTest, ImageChunksFollowTheAnnouncedChunkSize) {
    const struct {
        uint32_t size;
        std::vector<size_t> chunkBytes;
    } cases[] = {{1000, {256, 256, 256, 232}}, {256, {256}}, {0, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        uint16_t chunk = 0;
        ASSERT_EQ(Channel().StartFpgaDownload(2, 0x66, 0x77, c.size, chunk), chan::kOk);
        ASSERT_EQ(chunk, 256);
        module->ClearLog();
        Bytes image(c.size);
        for (size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<uint8_t>(i * 7);
        EXPECT_EQ(Channel().SendChunks(image.data(), image.size(), c.size, chunk), chan::kOk);
        const auto codes = module->RequestCodes();
        ASSERT_EQ(codes.size(), c.chunkBytes.size() + 1);
        EXPECT_EQ(codes.back(), 0x8A);
        Bytes received;
        const auto chunks = Frames(0x88);
        for (size_t i = 0; i < chunks.size(); ++i) {
            const auto& f = chunks[i];
            ASSERT_EQ(f.size(), c.chunkBytes[i] + 5);
            EXPECT_EQ((f[1] << 8 | f[2]), static_cast<int>(f.size()));
            EXPECT_EQ((f[3] << 8 | f[4]), static_cast<int>(c.chunkBytes[i]));
            received.insert(received.end(), f.begin() + 5, f.end());
        }
        EXPECT_EQ(received, image);
    }
}

// A short stream is DownloadTest's; a memory source smaller than the size
// announced must not be read past.
TEST_F(CommandsTest, MemorySourcesShorterThanAnnounced) {
    uint16_t chunk = 0;
    ASSERT_EQ(Channel().StartFpgaDownload(2, 0x66, 0x77, 600, chunk), chan::kOk);
    const Bytes small(100, 1);
    EXPECT_EQ(Channel().SendChunks(small.data(), small.size(), 600, chunk), chan::kCopyOutOfRange);
    EXPECT_EQ(Channel().SendChunks(nullptr, 0, 600, chunk), chan::kCopyInvalid);
}

TEST_F(CommandsTest, ConfigBlocksTravelInChunks) {
    module->Configure([](sim::Behaviour& b) { b.blockChunkSize = 3; });
    const Bytes block{0x04, 0x99, 0x1E, 0x9F};
    ASSERT_EQ(Channel().WriteConfigBlock(0, 0, block.data(), 4), chan::kOk);
    EXPECT_EQ(Frames(0x8B).at(0), (Bytes{0x8B, 0, 7, 0, 0, 0, 4}));
    ASSERT_EQ(Frames(0x88).size(), 2u); // 3 + 1 bytes
    EXPECT_EQ(module->State().blocks.at({0, 0}).data, block);
    module->ClearLog();
    Bytes readBack(4);
    ASSERT_EQ(Channel().ReadConfigBlock(0, 0, readBack.data(), 4), chan::kOk);
    EXPECT_EQ(readBack, block);
    EXPECT_EQ(Frames(0x8C).at(0), (Bytes{0x8C, 0, 7, 0, 0, 0, 4}));
    EXPECT_EQ(Frames(0x89), (std::vector<Bytes>{{0x89, 0, 5, 0, 3}, {0x89, 0, 5, 0, 1}}));
    EXPECT_EQ(module->RequestCodes().back(), 0x8A);
}

TEST_F(CommandsTest, UploadsThatMisbehaveEnd) {
    uint8_t buffer[4] = {};
    module->Script(0x89, sim::Reply::UploadCount(5));
    EXPECT_EQ(Channel().ReadConfigBlock(0, 0, buffer, 4), chan::kUploadTooLong);
    // A module that keeps offering nothing does not keep the host for ever.
    module->ClearLog();
    module->ScriptAlways(0x89, sim::Reply::UploadCount(0));
    EXPECT_EQ(Channel().ReadConfigBlock(0, 0, buffer, 4), chan::kTimeout);
    EXPECT_EQ(Frames(0x89).size(), static_cast<size_t>(CCmdChannel::kMaxEmptyUploadAnswers));
    module->ClearScripts();
    EXPECT_EQ(Channel().ReadConfigBlock(0, 0, buffer, 4), chan::kOk);
    // Chunk sizes a data frame cannot carry: none, or one whose frame length wraps.
    for (const uint16_t size :
         {uint16_t{0}, uint16_t{CCmdChannel::kMaxChunkSize + 1}, uint16_t{0xFFFF}}) {
        module->Script(0x8C, sim::Reply::ChunkSize(size));
        EXPECT_EQ(Channel().ReadConfigBlock(0, 0, buffer, 4), chan::kBadChunkSize) << size;
    }
    module->Script(0x86, sim::Reply::ChunkSize(0xFFFF));
    std::istringstream image(std::string(1000, 'x'));
    EXPECT_EQ(engine->DownloadFerrin(image, 1000), eng::kLinkError);
    EXPECT_TRUE(Frames(0x88).empty());
}

TEST_F(CommandsTest, PeekPokeOfUnknownInterfacesSendNothing) {
    uint8_t value = 0;
    EXPECT_EQ(engine->Peek(4, 0x4A, 0x1000, &value), eng::kBadInterface);
    EXPECT_EQ(engine->Poke(7, 0x4A, 0x1000, 1), eng::kBadInterface);
    EXPECT_EQ(module->RequestCount(), 0u);
    module->Script(0x9E, sim::Reply::PeekEcho(2));
    EXPECT_EQ(engine->Peek(0, 0x4A, 0x1000, &value), eng::kUnknown);
    EXPECT_EQ(engine->Peek(0, 0x4A, 0x1000, &value), eng::kOk); // purged and clean again
}

TEST_F(CommandsTest, IdentityTextsAreCutAndPadded) {
    ASSERT_EQ(engine->WriteSerial("ABCDEFGHIJ"), eng::kOk);
    EXPECT_EQ(engine->Module().serial, "ABCDEFGHIJ");
    EXPECT_EQ(module->State().serial, "ABCDEFGH");
    // The record takes the text even when the module refuses it...
    module->Script(0x98, sim::Reply::Reject());
    EXPECT_EQ(engine->WriteName("refused"), eng::kLinkError);
    EXPECT_EQ(engine->Module().name, "refused");
    // ...but a release only when the module took it.
    engine->Module().release = {1, 1};
    module->Script(0x96, sim::Reply::Reject());
    EXPECT_EQ(engine->WriteRelease(3, 4), eng::kLinkError);
    EXPECT_EQ(engine->Module().release, (VersionNumber{1, 1}));
    EXPECT_EQ(engine->WriteRelease(3, 4), eng::kOk);
    EXPECT_EQ(engine->Module().release, (VersionNumber{3, 4}));
}

} // namespace
