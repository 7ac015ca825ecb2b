#pragma once

// Shared pieces of the fuzz targets: a port that plays the fuzz input as the
// module's answers, and a file the XML readers can open.

#include "link/CSerialIF.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace fuzz {

// The module's side of the link is the input: every read takes the next
// bytes, and a read past the end returns short at once, as a time-out would
// (without its cost). Writes and purges change nothing, so stray bytes stay
// for the next command to cope with.
class InputPort : public CSerialIF {
public:
    InputPort(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint32_t Read(void* buffer, uint32_t count) override {
        const size_t n = std::min<size_t>(count, m_size - m_position);
        if (n != 0)
            std::memcpy(buffer, m_data + m_position, n);
        m_position += n;
        return static_cast<uint32_t>(n);
    }
    void Write(const void*, uint32_t) override {}
    void Purge() override {}

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};

// One scratch file per process, rewritten with each input: the readers read
// files, as the program does.
inline const std::string& ScratchFile() {
    static const std::string path = [] {
        char name[] = "/tmp/pellworth-fuzz-XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0)
            std::abort();
        close(fd);
        return std::string(name);
    }();
    return path;
}

inline const std::string& WriteScratch(const uint8_t* data, size_t size) {
    std::ofstream(ScratchFile(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return ScratchFile();
}

} // namespace fuzz
