// The two parameter blocks: wire layout, masking, factory defaults, and
// fetch/commit against a simulated module.
#include "SetupTestSupport.h"

#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/SetupBlocks.h"

namespace {

using T = CConfigModTarn;
using O = CConfigModORLAN6;

template <class Block> void Decode(Block& block, uint32_t bytes) {
    const uint8_t raw[4] = {uint8_t(bytes >> 24), uint8_t(bytes >> 16), uint8_t(bytes >> 8),
                            uint8_t(bytes)};
    block.Decode(raw);
}

// A field, its largest value and its bits on the wire.
template <class Block> struct FieldBits {
    uint32_t Block::*field;
    uint32_t max;
    uint32_t bits;
};

const FieldBits<T> kTarnLayout[] = {
    {&T::SDFormat, 1, 0x04000000},      {&T::ColorRange, 3, 0x00C00000},
    {&T::DeepColor, 3, 0x00300000},     {&T::VideoFormat, 3, 0x000C0000},
    {&T::HDMIDVI, 3, 0x00030000},       {&T::Scaling, 3, 0x00003000},
    {&T::AnalogAudio, 3, 0x00000C00},   {&T::HDMIAudio, 3, 0x00000300},
    {&T::OutputFormat, 15, 0x000000F0}, {&T::FrameRate, 15, 0x0000000F},
};
// Byte 3 bit 5 is the center cut, set when it is off.
const FieldBits<O> kOrlanLayout[] = {
    {&O::InputVideoColorRange, 1, 0x40000000}, {&O::InputVideoBitDepth, 3, 0x30000000},
    {&O::InputVideoColor, 3, 0x0C000000},      {&O::InputVideoFormat, 3, 0x03000000},
    {&O::InputVideoMode, 3, 0x00030000},       {&O::OutputVideoColorRange, 3, 0x0000C000},
    {&O::OutputVideoBitDepth, 3, 0x00003000},  {&O::OutputVideoFormat, 3, 0x00000C00},
    {&O::OutputMode, 3, 0x00000300},           {&O::Output2xHDChannel, 1, 0x00000010},
    {&O::OutputAnalogAudio, 3, 0x0000000C},    {&O::OutputHDMIAudio, 3, 0x00000003},
};

// Each field alone at all ones takes exactly its bits, never a neighbour's;
// decoding its bits, or all bits, gives it its largest value; bits that no
// field occupies are ignored. Reset brings back the factory block, all zeros
// (with the ORLAN6 center cut on), and without an engine it reports failure.
template <class Block, size_t N>
void CheckLayout(const FieldBits<Block> (&layout)[N], uint32_t unused) {
    Block all(nullptr, 0, 0);
    Decode(all, 0xFFFFFFFF);
    for (const auto& f : layout) {
        Block b(nullptr, 0, 0);
        b.*f.field = 0xFFFFFFFF;
        EXPECT_EQ(Encode(b), Wire(f.bits)) << f.bits;
        Block back(nullptr, 0, 0);
        Decode(back, f.bits);
        EXPECT_EQ(back.*f.field, f.max) << f.bits;
        EXPECT_EQ(all.*f.field, f.max) << f.bits;
    }
    EXPECT_EQ(Encode(all), Wire(~unused));
    EXPECT_EQ(all.EncodeByte(4), 0);
    EXPECT_FALSE(all.Reset()) << "no engine to tell";
    EXPECT_EQ(Encode(all), Wire(0));
    Block none(nullptr, 0, 0);
    Decode(none, unused);
    EXPECT_EQ(Encode(none), Wire(0));
}

TEST(BlockEncoding, EveryFieldTakesExactlyItsBits) {
    CheckLayout(kTarnLayout, 0xFB00C000);
    CheckLayout(kOrlanLayout, 0x80FC00C0);
}

// The setup rows and the type table agree: each type with a setup makes a
// block that only its own setup file takes, under a filter of its own; a
// type without one makes nothing.
TEST(BlockEncoding, EveryTypeWithASetupHasItsBlockAndFile) {
    for (const ModuleTypeRow& type : kModuleTypes) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(type.name)));
        const std::unique_ptr<CConfigBlockIF> block = MakeSetupBlock(type.id);
        ASSERT_EQ(block != nullptr, type.hasSetup);
        if (!block)
            continue;
        EXPECT_EQ(std::pair(block->FpgaId(), block->BlockId()),
                  std::pair(kSetupFpgaId, kSetupBlockId));
        for (const ModuleTypeRow& other : kModuleTypes)
            EXPECT_EQ(MakeSetupDocument(other.id, *block) != nullptr, other.id == type.id);
        EXPECT_NE(std::wstring(SetupFileFilter(type.id)), SetupFileFilter(kModuleTypeUnknown));
        EXPECT_FALSE(ResetSetupBlock(*block)) << "no engine to tell";
    }
}

using BlockOnModule = SetupFixture;

TEST_F(BlockOnModule, ReadAndWriteMoveTheFourBytes) {
    ConnectModule(sim::Profile::Tarn, {}, Holding(Wire(0xFF991E9F)));
    T tarn(engine, 0, 0);
    ASSERT_EQ(tarn.Read(engine->Channel()), chan::kOk);
    EXPECT_EQ(Encode(tarn), Wire(0x04991E9F));
    EXPECT_EQ(tarn.VideoFormat, 2u);
    EXPECT_EQ(tarn.OutputFormat, 9u);
    tarn.FrameRate = 3;
    EXPECT_EQ(tarn.Write(engine->Channel()), chan::kOk);
    EXPECT_EQ(BlockOf(*module), Wire(0x04991E93));

    // A failed fetch keeps the fields; a failed commit reports the channel code.
    module->ScriptAlways(0x8C, sim::Reply::Reject());
    module->ScriptAlways(0x8B, sim::Reply::Reject());
    module->UpdateState([](sim::ModuleState& s) { s.blocks[{0, 0}].data = Wire(0); });
    EXPECT_EQ(tarn.Read(engine->Channel()), chan::kRejected);
    EXPECT_EQ(tarn.FrameRate, 3u);
    EXPECT_NE(tarn.Write(engine->Channel()), chan::kOk);
}

} // namespace
