#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

// SHA-256 (FIPS 180-4), to say which exact bytes went to a module and to
// check release data against the manifest their package ships. Written here
// so that the command-line tool needs no crypto library on a bench.
class Sha256 {
public:
    Sha256();
    void Update(const void* data, size_t size);
    // The digest as 64 lower-case hexadecimal digits; the object is spent.
    std::string HexDigest();

    static std::string Of(std::string_view bytes);
    // The digest of the next size bytes of the stream, which is put back
    // where it was; none when the stream ends early or fails.
    static std::optional<std::string> OfStream(std::istream& stream, uint64_t size);
    // The digest of a regular file's bytes, with its size; none when it cannot be read.
    static std::optional<std::string> OfFile(const std::string& path, uint64_t* size = nullptr);

private:
    void Block(const uint8_t* block);

    std::array<uint32_t, 8> m_state{};
    std::array<uint8_t, 64> m_buffer{};
    size_t m_buffered = 0;
    uint64_t m_length = 0;
};
