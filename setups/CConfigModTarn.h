#pragma once

#include "engine/CConfigBlockIF.h"
#include "setups/BlockLayout.h"

#include <cstdint>
#include <span>

class CDefaultsTARNXMLIF;

// The setup block of a TARN module: ten fields, four bytes on the wire.
// Only the low bits that a field occupies on the wire are significant; the
// page changes the fields directly and then tells the engine.
class CConfigModTarn : public CConfigBlockIF {
public:
    static constexpr uint16_t kLength = 4;

    // Starts at factory defaults (Reset; nothing is attached yet, so nothing
    // is sent).
    CConfigModTarn(CCmdEngine* engine, uint8_t fpgaId, uint8_t blockId);

    // 4 on success; 0 on failure, the fields keep their values.
    chan::Code Read(CCmdChannel& channel) override;
    // The channel code of the block write.
    chan::Code Write(CCmdChannel& channel) override;
    std::vector<uint8_t> Encoded() const override;

    // Block byte 0..3 from the fields; any other index gives 0.
    uint8_t EncodeByte(uint16_t index) const;
    // Takes all fields from the four block bytes.
    void Decode(const uint8_t (&bytes)[kLength]);
    // Where each numeric field sits on the wire (the fuzz table walks it).
    static std::span<const blocklayout::FieldPlace<CConfigModTarn>> Layout();

    // Factory defaults, then ConfigBlockChanged (writes them when attached);
    // returns the engine's answer (false without an engine).
    bool Reset();
    // Every parameter to the writer in file order; false at the first failing setter.
    bool SaveToSetup(CDefaultsTARNXMLIF& writer) const;
    // Versions "0.2" and "0.1" (without SDFormat) only: false and no change
    // otherwise. Resets first; the caller commits.
    bool LoadFromSetup(CDefaultsTARNXMLIF& reader);

    uint32_t VideoFormat = 0;
    uint32_t DeepColor = 0;
    uint32_t ColorRange = 0;
    uint32_t HDMIDVI = 0;
    uint32_t HDMIAudio = 0;
    uint32_t AnalogAudio = 0;
    uint32_t Scaling = 0;
    uint32_t SDFormat = 0;
    uint32_t OutputFormat = 0;
    uint32_t FrameRate = 0;
};
