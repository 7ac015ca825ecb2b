// The frame transaction: pending frames, response header checks, purging, and
// the progress accounting they drive.
#include "ModuleFixture.h"

#include "engine/CCmdChannel.h"
#include "engine/CProgressIF.h"
#include "engine/EngineCodes.h"

#include <thread>

namespace {

class RecordingProgress : public CProgressIF {
public:
    void SetProgress(float fraction) override { reported.push_back(fraction); }
    float GetProgress() override { return reported.empty() ? 0.0f : reported.back(); }
    std::vector<float> reported;
};

class ChannelTest : public ModuleFixture {
protected:
    void SetUp() override {
        StartModule();
        channel = std::make_unique<CCmdChannel>(&port, &progress);
    }
    RecordingProgress progress;
    std::unique_ptr<CCmdChannel> channel;
};

TEST_F(ChannelTest, PendingFramesBecomeProgressAndRescaleKeepsTheFraction) {
    module->Script(0x80, sim::Reply::Pending(10));
    channel->ResetProgress();
    uint8_t version = 0;
    ASSERT_EQ(channel->CheckProtocol(version), chan::kOk);
    EXPECT_EQ(version, 1);
    ASSERT_EQ(progress.reported.size(), 11u); // the reset, then one per pending frame
    EXPECT_FLOAT_EQ(progress.reported.back(), 20.0f / 220.0f);
    for (size_t i = 1; i < progress.reported.size(); ++i)
        EXPECT_LT(progress.reported[i - 1], progress.reported[i]);

    channel->RescaleProgress(55);
    channel->StepProgress(); // (1 + 5) / (55 + 5)
    EXPECT_FLOAT_EQ(progress.reported.back(), 6.0f / 60.0f);
}

TEST_F(ChannelTest, PendingFramePayloadsAreDroppedWhateverTheirLength) {
    struct Case {
        const char* name;
        Bytes payload;
        std::optional<uint16_t> lengthField;
    };
    const Case cases[] = {
        {"no payload", {}, std::nullopt},
        {"payload", {1, 2, 3, 4, 5, 6, 7}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        module->Script(0x95, sim::Reply::Pending(3, c.payload, c.lengthField));
        uint8_t major = 0, minor = 0;
        EXPECT_EQ(channel->ReadRelease(major, minor), chan::kOk);
        EXPECT_EQ(major, 1);
        EXPECT_EQ(minor, 1);
    }
}

TEST_F(ChannelTest, WrappedPendingLengthDropsBytesWithoutHangingAndTheNextCommandIsClean) {
    // Length field 0: the host reads what it takes for 65532 payload bytes, which
    // swallows the final frame; the wait must end with a time-out, not hang.
    module->Script(0x95, sim::Reply::Pending(1, {}, uint16_t{0}));
    const auto start = Clock::now();
    uint8_t major = 0, minor = 0;
    EXPECT_EQ(channel->ReadRelease(major, minor), chan::kTimeout);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(channel->ReadRelease(major, minor), chan::kOk);
}

// Every status byte's code, and answers with more behind them (the fault
// matrix crosses the other faults with every command).
TEST_F(ChannelTest, BadHeadersGiveTheirCodesAndLeaveTheInputPurged) {
    struct Case {
        const char* name;
        sim::Reply reply;
        int32_t expected;
    };
    auto withTrailing = [](sim::Reply r) {
        r.trailing = {0xC0, 0x00, 0x05, 0x00, 0x01, 0x99, 0x42};
        return r;
    };
    const Case cases[] = {
        {"0xFF code with status 0", withTrailing([] {
             sim::Reply r;
             r.responseCode = 0xFF;
             r.status = 0x00;
             return r;
         }()),
         chan::kRejected},
        {"status 0x01", withTrailing(sim::Reply::Status(0x01)), chan::kUnknownStatus},
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
        uint8_t version = 0;
        EXPECT_EQ(channel->CheckProtocol(version), c.expected);
        // Whatever was left over is gone: the next command sees only its answer.
        uint8_t major = 0, minor = 0;
        EXPECT_EQ(channel->ReadRelease(major, minor), chan::kOk);
        EXPECT_EQ(major, 1);
    }
}

TEST_F(ChannelTest, AbortRequestedFromAnotherThreadStopsAtTheNextChunk) {
    // The erase phase of a start command runs long; the abort set meanwhile is
    // taken before the first chunk.
    module->Configure([](sim::Behaviour& b) {
        b.eraseFrames = 20;
        b.pendingInterval = milliseconds(10);
    });
    std::thread gui([this] {
        module->WaitForRequest(0x87, milliseconds(2000));
        channel->RequestAbort();
    });
    uint16_t chunk = 0;
    channel->ResetProgress();
    ASSERT_EQ(channel->StartFpgaDownload(2, 0x66, 0x77, 1000, chunk), chan::kOk);
    gui.join();
    const Bytes image(1000, 0xAB);
    EXPECT_EQ(channel->SendChunks(image.data(), image.size(), 1000, chunk), chan::kAborted);
    EXPECT_FALSE(channel->AbortRequested());
    EXPECT_TRUE(Frames(0x88).empty());
    EXPECT_EQ(Frames(0x91).size(), 1u);
}

} // namespace
