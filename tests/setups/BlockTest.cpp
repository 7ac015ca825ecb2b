// The two parameter blocks: wire layout, masking, decoding, factory defaults,
// the version rules of loading, and fetch/commit against a simulated module.
#include "SetupTestSupport.h"

#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"

namespace {

using T = CConfigModTarn;
using O = CConfigModORLAN6;

template <class Block> Bytes Encode(const Block& block) {
    return {block.EncodeByte(0), block.EncodeByte(1), block.EncodeByte(2), block.EncodeByte(3)};
}

template <class Block> void Decode(Block& block, const Bytes& bytes) {
    uint8_t raw[4] = {bytes[0], bytes[1], bytes[2], bytes[3]};
    block.Decode(raw);
}

std::vector<uint32_t> Fields(const T& b) {
    return {b.VideoFormat, b.DeepColor, b.ColorRange, b.HDMIDVI,      b.HDMIAudio,
            b.AnalogAudio, b.Scaling,   b.SDFormat,   b.OutputFormat, b.FrameRate};
}

std::vector<uint32_t> Fields(const O& b) {
    return {b.InputVideoFormat,
            b.InputVideoBitDepth,
            b.InputVideoColor,
            b.InputVideoColorRange,
            b.InputVideoMode,
            b.OutputVideoFormat,
            b.OutputVideoBitDepth,
            b.OutputVideoColorRange,
            b.OutputMode,
            b.OutputHDMIAudio,
            b.OutputAnalogAudio,
            b.Output2xHDChannel,
            b.Output2KCenterCut ? 1u : 0u};
}

void SetTarnExample(T& b) {
    b.VideoFormat = 2;
    b.DeepColor = 1;
    b.ColorRange = 2;
    b.HDMIDVI = 1;
    b.HDMIAudio = 2;
    b.AnalogAudio = 3;
    b.Scaling = 1;
    b.SDFormat = 1;
    b.OutputFormat = 9;
    b.FrameRate = 15;
}

void SetOrlanExample(O& b) {
    b.InputVideoFormat = 3;
    b.InputVideoBitDepth = 2;
    b.InputVideoColor = 1;
    b.InputVideoColorRange = 1;
    b.InputVideoMode = 2;
    b.OutputVideoFormat = 1;
    b.OutputVideoBitDepth = 3;
    b.OutputVideoColorRange = 2;
    b.OutputMode = 2;
    b.OutputHDMIAudio = 1;
    b.OutputAnalogAudio = 2;
    b.Output2xHDChannel = 1;
    b.Output2KCenterCut = false;
}

TEST(BlockEncoding, KnownBlocksEncodeAndDecodeBack) {
    T tarn(nullptr, 0, 0);
    SetTarnExample(tarn);
    EXPECT_EQ(Encode(tarn), (Bytes{0x04, 0x99, 0x1E, 0x9F}));
    T tarnBack(nullptr, 0, 0);
    Decode(tarnBack, Encode(tarn));
    EXPECT_EQ(Fields(tarnBack), Fields(tarn));

    O orlan(nullptr, 0, 0);
    EXPECT_EQ(Encode(orlan), (Bytes{0, 0, 0, 0})) << "factory defaults, center cut on";
    EXPECT_TRUE(orlan.Output2KCenterCut);
    orlan.Output2KCenterCut = false;
    EXPECT_EQ(Encode(orlan), (Bytes{0, 0, 0, 0x20}));
    SetOrlanExample(orlan);
    EXPECT_EQ(Encode(orlan), (Bytes{0x67, 0x02, 0xB6, 0x39}));
    O orlanBack(nullptr, 0, 0);
    Decode(orlanBack, Encode(orlan));
    EXPECT_EQ(Fields(orlanBack), Fields(orlan));

    EXPECT_EQ(T(nullptr, 0, 0).EncodeByte(4), 0);
    EXPECT_EQ(tarn.EncodeByte(4), 0);
    EXPECT_EQ(tarn.EncodeByte(0xFFFF), 0);
    EXPECT_EQ(orlan.EncodeByte(4), 0);
}

// Every field alone at an out-of-range value: only its own bits are set.
TEST(BlockEncoding, OutOfRangeValuesStayInTheirBits) {
    struct TarnCase {
        uint32_t T::*field;
        Bytes allOnes;
    };
    const TarnCase tarnCases[] = {
        {&T::SDFormat, {0x04, 0, 0, 0}},     {&T::ColorRange, {0, 0xC0, 0, 0}},
        {&T::DeepColor, {0, 0x30, 0, 0}},    {&T::VideoFormat, {0, 0x0C, 0, 0}},
        {&T::HDMIDVI, {0, 0x03, 0, 0}},      {&T::Scaling, {0, 0, 0x30, 0}},
        {&T::AnalogAudio, {0, 0, 0x0C, 0}},  {&T::HDMIAudio, {0, 0, 0x03, 0}},
        {&T::OutputFormat, {0, 0, 0, 0xF0}}, {&T::FrameRate, {0, 0, 0, 0x0F}},
    };
    for (const auto& c : tarnCases) {
        T b(nullptr, 0, 0);
        b.*c.field = 0xFFFFFFFF;
        EXPECT_EQ(Encode(b), c.allOnes);
        // One above the field's width wraps to 0 rather than reaching a neighbour.
        const uint32_t width = c.field == &T::SDFormat                                     ? 2
                               : (c.field == &T::OutputFormat || c.field == &T::FrameRate) ? 16
                                                                                           : 4;
        b.*c.field = width;
        EXPECT_EQ(Encode(b), (Bytes{0, 0, 0, 0}));
    }

    struct OrlanCase {
        uint32_t O::*field;
        Bytes allOnes;
    };
    const OrlanCase orlanCases[] = {
        {&O::InputVideoColorRange, {0x40, 0, 0, 0}}, {&O::InputVideoBitDepth, {0x30, 0, 0, 0}},
        {&O::InputVideoColor, {0x0C, 0, 0, 0}},      {&O::InputVideoFormat, {0x03, 0, 0, 0}},
        {&O::InputVideoMode, {0, 0x03, 0, 0}},       {&O::OutputVideoColorRange, {0, 0, 0xC0, 0}},
        {&O::OutputVideoBitDepth, {0, 0, 0x30, 0}},  {&O::OutputVideoFormat, {0, 0, 0x0C, 0}},
        {&O::OutputMode, {0, 0, 0x03, 0}},           {&O::Output2xHDChannel, {0, 0, 0, 0x10}},
        {&O::OutputAnalogAudio, {0, 0, 0, 0x0C}},    {&O::OutputHDMIAudio, {0, 0, 0, 0x03}},
    };
    for (const auto& c : orlanCases) {
        O b(nullptr, 0, 0);
        b.*c.field = 0xFFFFFFFF;
        EXPECT_EQ(Encode(b), c.allOnes);
    }
}

TEST(BlockEncoding, DecodingIgnoresBitsNoFieldOccupies) {
    T tarn(nullptr, 0, 0);
    Decode(tarn, {0xFF, 0, 0, 0});
    EXPECT_EQ(Fields(tarn), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 0, 1, 0, 0}));
    Decode(tarn, {0xFB, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(Fields(tarn), (std::vector<uint32_t>{3, 3, 3, 3, 3, 3, 3, 0, 15, 15}));

    O orlan(nullptr, 0, 0);
    Decode(orlan, {0x80, 0xFC, 0x00, 0xC0});
    EXPECT_EQ(Fields(orlan), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    Decode(orlan, {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(Fields(orlan), (std::vector<uint32_t>{3, 3, 3, 1, 3, 3, 3, 3, 3, 3, 3, 1, 0}));
    // Only bit 5 of byte 3 decides the center cut.
    Decode(orlan, {0, 0, 0, 0xDF});
    EXPECT_TRUE(orlan.Output2KCenterCut);
}

TEST(BlockEncoding, ResetRestoresFactoryDefaults) {
    T tarn(nullptr, 0, 0);
    SetTarnExample(tarn);
    EXPECT_FALSE(tarn.Reset()) << "no engine to tell";
    EXPECT_EQ(Encode(tarn), (Bytes{0, 0, 0, 0}));
    O orlan(nullptr, 0, 0);
    SetOrlanExample(orlan);
    orlan.Reset();
    EXPECT_EQ(Encode(orlan), (Bytes{0, 0, 0, 0}));
    EXPECT_TRUE(orlan.Output2KCenterCut);
}

class BlockOnModule : public SimulatedModuleFixture {};

TEST_F(BlockOnModule, ReadAndWriteMoveTheFourBytes) {
    StartModule(sim::Profile::Tarn, {0xFF, 0x99, 0x1E, 0x9F});
    MakeEngine();
    T block(engine.get(), 0, 0);
    ASSERT_EQ(block.Read(engine->Channel()), 4);
    T example(nullptr, 0, 0);
    SetTarnExample(example);
    EXPECT_EQ(Fields(block), Fields(example));

    block.FrameRate = 3;
    EXPECT_EQ(block.Write(engine->Channel()), 0);
    EXPECT_EQ(ModuleBlock(), (Bytes{0x04, 0x99, 0x1E, 0x93}));

    // A failed fetch keeps the fields; a failed commit reports the channel code.
    module->ScriptAlways(0x8C, sim::Reply::Reject());
    module->ScriptAlways(0x8B, sim::Reply::Reject());
    module->UpdateState([](sim::ModuleState& s) { s.blocks[{0, 0}].data = {0, 0, 0, 0}; });
    EXPECT_EQ(block.Read(engine->Channel()), 0);
    EXPECT_EQ(block.FrameRate, 3u);
    EXPECT_LT(block.Write(engine->Channel()), 0);
}

TEST_F(BlockOnModule, ResetWritesTheFactoryBlockOnlyWhenAttached) {
    StartModule(sim::Profile::Orlan6, {0x67, 0x02, 0xB6, 0x39});
    MakeEngine();
    O block(engine.get(), 0, 0);
    app.onModuleChanged = [&] {
        if (engine && engine->Module().moduleType == 1)
            engine->AttachConfigBlock(&block);
    };
    ASSERT_TRUE(Connect());
    EXPECT_EQ(Encode(block), (Bytes{0x67, 0x02, 0xB6, 0x39})) << "fetched on connect";
    module->ClearLog();
    EXPECT_TRUE(block.Reset());
    EXPECT_EQ(BlockWrites(), 1u);
    EXPECT_EQ(ModuleBlock(), (Bytes{0, 0, 0, 0}));
    engine->Module().DetachBlockHandler(&block);
}

} // namespace
