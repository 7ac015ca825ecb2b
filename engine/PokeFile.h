#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>

// Poke files: register writes, one CSV line each ("I2C,4a,1000,ff"), which
// CCmdEngine::LoadPokeFile sends.

// Where a poke file stopped: the parse code (negative) and its line number.
struct PokeFileError {
    int32_t code = 0;
    uint32_t line = 0;
};

// Parse codes of a poke file line. The first five are the module tool's own;
// -6 ends a file whose line is longer than a line may be.
namespace poke {
constexpr int32_t kLine = 0;
constexpr int32_t kEnd = 1;
constexpr int32_t kNoSeparator = -1;
constexpr int32_t kUnknownInterface = -2;
constexpr int32_t kTooFewNumbers = -3;
constexpr int32_t kAddressRange = -4;
constexpr int32_t kValueRange = -5;
constexpr int32_t kLineTooLong = -6;
constexpr size_t kMaxLineLength = 511;
} // namespace poke

// Reads one poke file line ("I2C,4a,1000,ff"); returns a parse code. Comment
// and heading lines (";" or a double quote first) are skipped; an empty line
// or the end of the stream gives poke::kEnd.
int32_t ParsePokeLine(std::wistream& stream, uint32_t& lineNumber, uint32_t& interface,
                      uint8_t& device, uint32_t& address, uint8_t& value);
