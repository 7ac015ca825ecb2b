#pragma once

#include <cstdint>

// The byte stream to one module. The command engine talks to the module only
// through this interface; the port object behind it decides time-outs.
class CSerialIF {
public:
    virtual ~CSerialIF() = default;
    // Returns the number of bytes read; fewer than count when a time-out expires.
    virtual uint32_t Read(void* buffer, uint32_t count) = 0;
    virtual void Write(const void* buffer, uint32_t count) = 0;
    // Drops whatever the module has sent and not yet been read.
    virtual void Purge() = 0;
};
