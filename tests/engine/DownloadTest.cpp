// Image downloads: start commands, chunking and progress, aborts, module
// failures in the middle of a transfer, and the versions read back.
#include "EngineFixture.h"

#include "engine/EngineCodes.h"

#include <sstream>
#include <thread>

namespace {

using sim::Profile;

std::string Image(size_t size, const std::string& version = "") {
    std::string image = version.empty() ? "" : "SAMPLE-IMAGE " + version + "\n";
    image.resize(size, '\x33');
    return image;
}

class DownloadTest : public EngineFixture {
protected:
    void SetUp() override {
        StartModule(Profile::Tarn);
        MakeEngine();
        ASSERT_EQ(engine->Connect(""), conn::kOk);
        module->ClearLog();
    }
};

TEST_F(DownloadTest, FerrinRescalesForItsFinishAndStepsEveryChunk) {
    std::istringstream image(Image(25600, "1.7"));
    ASSERT_EQ(engine->DownloadFerrin(image, 25600), eng::kOk);
    EXPECT_EQ(Frames(0x86), (std::vector<Bytes>{{0x86, 0, 5, 0x64, 0x00}}));
    EXPECT_EQ(Frames(0x88).size(), 100u);
    EXPECT_EQ(module->RequestCodes().back(), 0x8A);
    // 100 chunks of 105 steps: the last 5 are left for the module's own finish.
    EXPECT_FLOAT_EQ(engine->GetProgress(), 100.0f / 105.0f);
}

TEST_F(DownloadTest, ApplicationImagesOver64KiBAreRefusedBeforeAnythingIsSent) {
    std::istringstream image(Image(70000));
    EXPECT_EQ(engine->DownloadSafeBoot(image, 70000), eng::kImageTooLarge);
    EXPECT_EQ(engine->DownloadFerrin(image, 65536), eng::kImageTooLarge);
    EXPECT_EQ(module->RequestCount(), 0u);
}

TEST_F(DownloadTest, AbortDuringTheErasePhaseStopsBeforeTheFirstChunk) {
    module->Configure([](sim::Behaviour& b) {
        b.eraseFrames = 30;
        b.pendingInterval = milliseconds(5);
    });
    std::thread gui([&] {
        module->WaitForRequest(0x86, milliseconds(3000));
        engine->Channel().RequestAbort();
    });
    std::istringstream image(Image(4096));
    EXPECT_EQ(engine->DownloadFerrin(image, 4096), eng::kAborted);
    gui.join();
    EXPECT_EQ(module->RequestCodes(), (std::vector<uint8_t>{0x86, 0x91}));
    EXPECT_FALSE(engine->Channel().AbortRequested());
}

TEST_F(DownloadTest, FpgaStatusesWhileChunksFlow) {
    const struct {
        uint8_t status;
        eng::Code result;
    } cases[] = {
        {0xF8, eng::kBadJtagInstruction}, {0xF9, eng::kJtagTdoMismatch}, {0xFE, eng::kTimeout}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.status));
        module->Script(0x88, sim::Reply::Status(c.status).After(2));
        std::istringstream image(Image(2000));
        EXPECT_EQ(engine->DownloadFpga(0, image, 2000), c.result);
    }
    // The link is clean afterwards.
    std::istringstream image(Image(600, "4.2"));
    EXPECT_EQ(engine->DownloadFpga(0, image, 600), eng::kOk);
}

TEST_F(DownloadTest, VersionsAreReadBackAfterSuccess) {
    std::istringstream fpgaImage(Image(1000, "3.4"));
    ASSERT_EQ(engine->DownloadFpga(0, fpgaImage, 1000), eng::kOk);
    EXPECT_EQ(engine->Module().fpgas.at(0).firmware.version, (VersionNumber{3, 4}));
    EXPECT_EQ(Frames(0x87).at(0), (Bytes{0x87, 0, 13, 2, 0x66, 0, 0, 0, 0x77, 0, 0, 0x03, 0xE8}));

    std::istringstream tableImage(Image(300, "5.6"));
    ASSERT_EQ(engine->DownloadLookupTable(0, 1, tableImage, 300), eng::kOk);
    EXPECT_EQ(engine->Module().fpgas.at(0).lookupTables.at(1).version, (VersionNumber{5, 6}));
    EXPECT_EQ(Frames(0xA1).at(0),
              (Bytes{0xA1, 0, 18, 1, 0x10, 0x20, 0, 0, 0x20, 0, 0, 0, 0x01, 0x2C, 0, 0, 0, 0x60}));
    EXPECT_EQ(Frames(0xA2).at(0), (Bytes{0xA2, 0, 10, 1, 0x10, 1, 0, 0, 0x20, 0x01}));
}

TEST_F(DownloadTest, MissingTablesAndBadImages) {
    std::istringstream image(Image(300));
    EXPECT_EQ(engine->DownloadLookupTable(0, 9, image, 300), eng::kOk);
    EXPECT_EQ(engine->DownloadLookupTable(7, 0, image, 300), eng::kOk);
    EXPECT_EQ(module->RequestCount(), 0u);

    std::istringstream shortImage(Image(300));
    EXPECT_EQ(engine->DownloadFpga(0, shortImage, 1000), eng::kFileAccess);
    EXPECT_EQ(Frames(0x91).size(), 0u); // a stream failure ends without Abort

    module->Script(0x87, sim::Reply::ChunkSize(0));
    std::istringstream again(Image(300));
    EXPECT_EQ(engine->DownloadFpga(0, again, 300), eng::kLinkError);
}

// Pending frames keep the host waiting by design; once they stop without a
// final answer, the download ends as a time-out. (A lost port mid-chunk is a
// cell of the fault matrix.)
TEST_F(DownloadTest, ModuleThatFallsSilentMidTransfer) {
    sim::Reply endless = sim::Reply::Pending(50);
    endless.pendingInterval = milliseconds(1);
    endless.cutAfter = 0; // the final answer never comes
    for (const sim::Reply& reply : {sim::Reply::Silence().After(3), endless}) {
        module->Script(reply.pendingFrames ? 0x87 : 0x88, reply);
        std::istringstream image(Image(3000));
        EXPECT_EQ(engine->DownloadFpga(0, image, 3000), eng::kTimeout);
        EXPECT_EQ(engine->Connect(""), conn::kOk); // the next connect works
    }
}

} // namespace
