#include "setups/CConfigModTarn.h"

#include "engine/CCmdChannel.h"
#include "engine/CCmdEngine.h"
#include "setups/BlockLayout.h"
#include "setups/CDefaultsTARNXMLIF.h"

#include <array>

namespace {

using Place = blocklayout::FieldPlace<CConfigModTarn>;
using T = CConfigModTarn;

// Wire layout: byte 0 bit 2 SDFormat; byte 1 ColorRange|DeepColor|VideoFormat|HDMIDVI;
// byte 2 Scaling|AnalogAudio|HDMIAudio; byte 3 OutputFormat (high nibble)|FrameRate.
constexpr std::array<Place, 10> kLayout{{
    {&T::SDFormat, {0, 2, 1}},
    {&T::ColorRange, {1, 6, 3}},
    {&T::DeepColor, {1, 4, 3}},
    {&T::VideoFormat, {1, 2, 3}},
    {&T::HDMIDVI, {1, 0, 3}},
    {&T::Scaling, {2, 4, 3}},
    {&T::AnalogAudio, {2, 2, 3}},
    {&T::HDMIAudio, {2, 0, 3}},
    {&T::OutputFormat, {3, 4, 15}},
    {&T::FrameRate, {3, 0, 15}},
}};

// The parameters in the order of the setup file.
struct FileParam {
    uint32_t CConfigModTarn::*field;
    bool (CDefaultsTARNXMLIF::*set)(uint32_t);
    uint32_t (CDefaultsTARNXMLIF::*get)() const;
};
using F = CDefaultsTARNXMLIF;
constexpr std::array<FileParam, 10> kFileOrder{{
    {&T::VideoFormat, &F::SetVideoFormat, &F::GetVideoFormat},
    {&T::DeepColor, &F::SetDeepColor, &F::GetDeepColor},
    {&T::ColorRange, &F::SetColorRange, &F::GetColorRange},
    {&T::OutputFormat, &F::SetOutputFormat, &F::GetOutputFormat},
    {&T::HDMIDVI, &F::SetHDMIDVI, &F::GetHDMIDVI},
    {&T::FrameRate, &F::SetFrameRate, &F::GetFrameRate},
    {&T::Scaling, &F::SetScaling, &F::GetScaling},
    {&T::SDFormat, &F::SetSDFormat, &F::GetSDFormat},
    {&T::HDMIAudio, &F::SetHDMIAudio, &F::GetHDMIAudio},
    {&T::AnalogAudio, &F::SetAnalogAudio, &F::GetAnalogAudio},
}};

} // namespace

CConfigModTarn::CConfigModTarn(CCmdEngine* engine, uint8_t fpgaId, uint8_t blockId)
    : CConfigBlockIF(engine, fpgaId, blockId) {
    Reset();
}

chan::Code CConfigModTarn::Read(CCmdChannel& channel) {
    uint8_t bytes[kLength] = {};
    if (const auto code = channel.ReadConfigBlock(m_fpgaId, m_blockId, bytes, kLength);
        code != chan::kOk) {
        return code;
    }
    Decode(bytes);
    return chan::kOk;
}

chan::Code CConfigModTarn::Write(CCmdChannel& channel) {
    uint8_t bytes[kLength];
    for (uint16_t i = 0; i < kLength; ++i) {
        bytes[i] = EncodeByte(i);
    }
    return channel.WriteConfigBlock(m_fpgaId, m_blockId, bytes, kLength);
}

std::vector<uint8_t> CConfigModTarn::Encoded() const {
    return blocklayout::EncodedBytes(*this);
}

std::span<const blocklayout::FieldPlace<CConfigModTarn>> CConfigModTarn::Layout() {
    return kLayout;
}

uint8_t CConfigModTarn::EncodeByte(uint16_t index) const {
    return blocklayout::EncodeByte<CConfigModTarn>(*this, kLayout, index);
}

void CConfigModTarn::Decode(const uint8_t (&bytes)[kLength]) {
    blocklayout::Decode<CConfigModTarn>(*this, kLayout, bytes);
}

bool CConfigModTarn::Reset() {
    for (const auto& place : kLayout) {
        this->*place.field = 0;
    }
    return m_engine != nullptr && m_engine->ConfigBlockChanged(m_fpgaId, m_blockId);
}

bool CConfigModTarn::SaveToSetup(CDefaultsTARNXMLIF& writer) const {
    for (const auto& param : kFileOrder) {
        if (!(writer.*param.set)(this->*param.field)) {
            return false;
        }
    }
    return true;
}

bool CConfigModTarn::LoadFromSetup(CDefaultsTARNXMLIF& reader) {
    const std::wstring version = reader.GetVersion();
    const bool withSDFormat = version == L"0.2";
    if (!withSDFormat && version != L"0.1") {
        return false;
    }
    Reset();
    for (const auto& param : kFileOrder) {
        // A version 0.1 file predates SDFormat: it stays "Normal" whatever the file says.
        if (param.field == &T::SDFormat && !withSDFormat) {
            continue;
        }
        this->*param.field = (reader.*param.get)();
    }
    return true;
}
