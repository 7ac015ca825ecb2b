#pragma once

#include "descriptions/VersionNumber.h"

#include <cstdint>

// The release's wish for a lookup table: the update page answers from its
// selected release, the lookup table page asks.
class CVersionIF {
public:
    virtual ~CVersionIF() = default;
    // The selected release's version of that table, 255.255 without a release.
    virtual void GetDesiredTableVersion(VersionNumber& version, uint8_t fpgaId,
                                        uint8_t tableId) = 0;
};
