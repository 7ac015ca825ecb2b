#include "setups/CConfigModORLAN6.h"

#include "engine/CCmdChannel.h"
#include "engine/CCmdEngine.h"
#include "setups/BlockLayout.h"
#include "setups/CDefaultsOrlan6XMLIF.h"

#include <array>

namespace {

using Place = blocklayout::FieldPlace<CConfigModORLAN6>;
using O = CConfigModORLAN6;

// Wire layout of the numeric fields; byte 3 bit 5 (center cut, inverted) is
// placed by the class itself.
constexpr std::array<Place, 12> kLayout{{
    {&O::InputVideoColorRange, {0, 6, 1}},
    {&O::InputVideoBitDepth, {0, 4, 3}},
    {&O::InputVideoColor, {0, 2, 3}},
    {&O::InputVideoFormat, {0, 0, 3}},
    {&O::InputVideoMode, {1, 0, 3}},
    {&O::OutputVideoColorRange, {2, 6, 3}},
    {&O::OutputVideoBitDepth, {2, 4, 3}},
    {&O::OutputVideoFormat, {2, 2, 3}},
    {&O::OutputMode, {2, 0, 3}},
    {&O::Output2xHDChannel, {3, 4, 1}},
    {&O::OutputAnalogAudio, {3, 2, 3}},
    {&O::OutputHDMIAudio, {3, 0, 3}},
}};
constexpr uint16_t kCenterCutByte = 3;

// The numeric parameters in the order of the setup file; center cut follows them.
struct FileParam {
    uint32_t CConfigModORLAN6::*field;
    bool (CDefaultsOrlan6XMLIF::*set)(uint32_t);
    uint32_t (CDefaultsOrlan6XMLIF::*get)() const;
};
using F = CDefaultsOrlan6XMLIF;
constexpr std::array<FileParam, 12> kFileOrder{{
    {&O::InputVideoFormat, &F::SetInputVideoFormat, &F::GetInputVideoFormat},
    {&O::InputVideoBitDepth, &F::SetInputVideoBitDepth, &F::GetInputVideoBitDepth},
    {&O::InputVideoColor, &F::SetInputVideoColor, &F::GetInputVideoColor},
    {&O::InputVideoColorRange, &F::SetInputVideoColorRange, &F::GetInputVideoColorRange},
    {&O::InputVideoMode, &F::SetInputVideoMode, &F::GetInputVideoMode},
    {&O::OutputVideoFormat, &F::SetOutputVideoFormat, &F::GetOutputVideoFormat},
    {&O::OutputVideoBitDepth, &F::SetOutputVideoBitDepth, &F::GetOutputVideoBitDepth},
    {&O::OutputVideoColorRange, &F::SetOutputVideoColorRange, &F::GetOutputVideoColorRange},
    {&O::OutputMode, &F::SetOutputMode, &F::GetOutputMode},
    {&O::OutputHDMIAudio, &F::SetOutputHDMIAudio, &F::GetOutputHDMIAudio},
    {&O::OutputAnalogAudio, &F::SetOutputAnalogAudio, &F::GetOutputAnalogAudio},
    {&O::Output2xHDChannel, &F::SetOutput2xHDChannel, &F::GetOutput2xHDChannel},
}};

} // namespace

CConfigModORLAN6::CConfigModORLAN6(CCmdEngine* engine, uint8_t fpgaId, uint8_t blockId)
    : CConfigBlockIF(engine, fpgaId, blockId) {
    Reset();
}

chan::Code CConfigModORLAN6::Read(CCmdChannel& channel) {
    uint8_t bytes[kLength] = {};
    if (const auto code = channel.ReadConfigBlock(m_fpgaId, m_blockId, bytes, kLength);
        code != chan::kOk) {
        return code;
    }
    Decode(bytes);
    return chan::kOk;
}

chan::Code CConfigModORLAN6::Write(CCmdChannel& channel) {
    uint8_t bytes[kLength];
    for (uint16_t i = 0; i < kLength; ++i) {
        bytes[i] = EncodeByte(i);
    }
    return channel.WriteConfigBlock(m_fpgaId, m_blockId, bytes, kLength);
}

std::vector<uint8_t> CConfigModORLAN6::Encoded() const {
    return blocklayout::EncodedBytes(*this);
}

std::span<const blocklayout::FieldPlace<CConfigModORLAN6>> CConfigModORLAN6::Layout() {
    return kLayout;
}

uint8_t CConfigModORLAN6::EncodeByte(uint16_t index) const {
    uint8_t byte = blocklayout::EncodeByte<CConfigModORLAN6>(*this, kLayout, index);
    if (index == kCenterCutByte && !Output2KCenterCut) {
        byte |= kCenterCutOffBit;
    }
    return byte;
}

void CConfigModORLAN6::Decode(const uint8_t (&bytes)[kLength]) {
    blocklayout::Decode<CConfigModORLAN6>(*this, kLayout, bytes);
    Output2KCenterCut = (bytes[kCenterCutByte] & kCenterCutOffBit) == 0;
}

bool CConfigModORLAN6::Reset() {
    for (const auto& place : kLayout) {
        this->*place.field = 0;
    }
    Output2KCenterCut = true;
    return m_engine != nullptr && m_engine->ConfigBlockChanged(m_fpgaId, m_blockId);
}

bool CConfigModORLAN6::SaveToSetup(CDefaultsOrlan6XMLIF& writer) const {
    for (const auto& param : kFileOrder) {
        if (!(writer.*param.set)(this->*param.field)) {
            return false;
        }
    }
    return writer.SetOutput2KCenterCut(Output2KCenterCut);
}

bool CConfigModORLAN6::LoadFromSetup(CDefaultsOrlan6XMLIF& reader) {
    if (reader.GetVersion() != L"0.1") {
        return false;
    }
    for (const auto& param : kFileOrder) {
        this->*param.field = (reader.*param.get)();
    }
    Output2KCenterCut = reader.GetOutput2KCenterCut();
    return true;
}
