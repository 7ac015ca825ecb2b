#pragma once

#include "engine/EngineCodes.h"

#include <cstdint>
#include <vector>

class CCmdEngine;
class CCmdChannel;

// A module's parameter block as the engine sees it: it can be fetched from
// and committed to the module. Owned by its setup page, lent to the engine's
// module description while a module of its type is connected.
class CConfigBlockIF {
public:
    CConfigBlockIF(CCmdEngine* engine, uint8_t fpgaId, uint8_t blockId)
        : m_engine(engine), m_fpgaId(fpgaId), m_blockId(blockId) {}
    virtual ~CConfigBlockIF() = default;
    CConfigBlockIF(const CConfigBlockIF&) = delete;
    CConfigBlockIF& operator=(const CConfigBlockIF&) = delete;

    // Each returns the channel code of its command (chan::kOk when the module
    // answered); a read that fails leaves the fields as they were.
    virtual chan::Code Read(CCmdChannel& channel) = 0;
    virtual chan::Code Write(CCmdChannel& channel) = 0;
    // The block's bytes as Write would send them.
    virtual std::vector<uint8_t> Encoded() const = 0;

    uint8_t FpgaId() const { return m_fpgaId; }
    uint8_t BlockId() const { return m_blockId; }
    CCmdEngine* Engine() const { return m_engine; }

protected:
    CCmdEngine* m_engine;
    uint8_t m_fpgaId;
    uint8_t m_blockId;
};
