#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>

// Poke files: register writes, one CSV line each ("I2C,4a,1000,ff"), which
// CCmdEngine::LoadPokeFile sends.

// Parse codes of a poke file line. The first five are the module tool's own;
// -6 ends a file whose line is longer than a line may be.
namespace poke {
enum class Code : int32_t {
    kLine = 0,
    kEnd = 1,
    kNoSeparator = -1,
    kUnknownInterface = -2,
    kTooFewNumbers = -3,
    kAddressRange = -4,
    kValueRange = -5,
    kLineTooLong = -6,
};
using enum Code;
// A failure is a code below kLine.
constexpr bool IsFailure(Code code) {
    return code < kLine;
}
constexpr size_t kMaxLineLength = 511;
} // namespace poke

// Where a poke file stopped: the parse code (a failure) and its line number.
struct PokeFileError {
    poke::Code code = poke::kLine;
    uint32_t line = 0;
};

// Reads one poke file line ("I2C,4a,1000,ff"); returns a parse code. Comment
// and heading lines (";" or a double quote first) are skipped; an empty line
// or the end of the stream gives poke::kEnd.
poke::Code ParsePokeLine(std::wistream& stream, uint32_t& lineNumber, uint32_t& interface,
                         uint8_t& device, uint32_t& address, uint8_t& value);
