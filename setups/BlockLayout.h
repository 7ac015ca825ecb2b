#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Where a field of a parameter block sits on the wire: its byte, the bit of
// its least significant bit, and the mask of its width. Each block class
// describes its numeric fields with one table of these, so encoding and
// decoding cannot disagree.
namespace blocklayout {

constexpr uint16_t kBlockLength = 4;

struct BitField {
    uint8_t byte;
    uint8_t shift;
    uint8_t mask; // 1, 3 or 15
};

template <class Block> struct FieldPlace {
    uint32_t Block::*field;
    BitField bits;
};

// Block byte `index` from the fields of the table; other bits are 0. Each
// value is masked to its width first, so an out-of-range value never spills
// into a neighbour.
template <class Block>
uint8_t EncodeByte(const Block& block, std::span<const FieldPlace<Block>> table, uint16_t index) {
    uint8_t byte = 0;
    for (const auto& place : table) {
        if (place.bits.byte == index) {
            byte |=
                static_cast<uint8_t>((block.*place.field & place.bits.mask) << place.bits.shift);
        }
    }
    return byte;
}

// Every field of the table takes exactly its bits; the rest is ignored.
template <class Block>
void Decode(Block& block, std::span<const FieldPlace<Block>> table,
            const uint8_t (&bytes)[kBlockLength]) {
    for (const auto& place : table) {
        block.*place.field = (bytes[place.bits.byte] >> place.bits.shift) & place.bits.mask;
    }
}

// The block's bytes as its Write sends them.
template <class Block> std::vector<uint8_t> EncodedBytes(const Block& block) {
    std::vector<uint8_t> bytes(Block::kLength);
    for (uint16_t i = 0; i < Block::kLength; ++i)
        bytes[i] = block.EncodeByte(i);
    return bytes;
}

} // namespace blocklayout
