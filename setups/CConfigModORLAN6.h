#pragma once

#include "engine/CConfigBlockIF.h"
#include "setups/BlockLayout.h"

#include <cstdint>
#include <span>

class CDefaultsOrlan6XMLIF;

// The setup block of an ORLAN6 module: twelve numeric fields and the 2K
// center cut switch, four bytes on the wire. The center cut bit is stored
// inverted (1 means off), so the factory block is all zeros with center cut on.
class CConfigModORLAN6 : public CConfigBlockIF {
public:
    static constexpr uint16_t kLength = 4;
    // Byte 3, bit 5: set when center cut is off.
    static constexpr uint8_t kCenterCutOffBit = 0x20;

    // Starts at factory defaults (Reset; nothing is attached yet, so nothing
    // is sent).
    CConfigModORLAN6(CCmdEngine* engine, uint8_t fpgaId, uint8_t blockId);

    // 4 on success; 0 on failure, the fields keep their values.
    chan::Code Read(CCmdChannel& channel) override;
    // The channel code of the block write.
    chan::Code Write(CCmdChannel& channel) override;
    std::vector<uint8_t> Encoded() const override;

    // Block byte 0..3 from the fields; any other index gives 0.
    uint8_t EncodeByte(uint16_t index) const;
    // Takes all fields from the four block bytes.
    void Decode(const uint8_t (&bytes)[kLength]);
    // Where each numeric field sits (center cut aside) on the wire (the fuzz table walks it).
    static std::span<const blocklayout::FieldPlace<CConfigModORLAN6>> Layout();

    // Factory defaults, then ConfigBlockChanged (writes them when attached);
    // returns the engine's answer (false without an engine).
    bool Reset();
    // Every parameter to the writer in file order; false at the first failing setter.
    bool SaveToSetup(CDefaultsOrlan6XMLIF& writer) const;
    // Version "0.1" only: false and no change otherwise. No reset first; the
    // caller commits.
    bool LoadFromSetup(CDefaultsOrlan6XMLIF& reader);

    uint32_t InputVideoFormat = 0;
    uint32_t InputVideoBitDepth = 0;
    uint32_t InputVideoColor = 0;
    uint32_t InputVideoColorRange = 0;
    uint32_t InputVideoMode = 0;
    uint32_t OutputVideoFormat = 0;
    uint32_t OutputVideoBitDepth = 0;
    uint32_t OutputVideoColorRange = 0;
    uint32_t OutputMode = 0;
    uint32_t OutputHDMIAudio = 0;
    uint32_t OutputAnalogAudio = 0;
    uint32_t Output2xHDChannel = 0;
    bool Output2KCenterCut = true;
};
