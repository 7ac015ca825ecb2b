// The setup blocks, field by field: for each module type, every field at
// every value of its width with all other fields 0 and with all of them at
// their widest value, each unused bit alone, and so every value that has no
// word in a setup file. Each row must
//   - encode into exactly the field's bits and decode back to the same fields;
//   - pass through a setup document without touching any other field, and
//     be stable after that one pass (a value without a word of its own comes
//     back as the value its word stands for).
// The whole table runs on the first input; each input then picks one row
// (so the corpus and the regressions name rows).

#include "fuzz/DataProvider.h"

#include "descriptions/XercesSession.h"
#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/CDefaultsOrlan6XML.h"
#include "setups/CDefaultsTARNXML.h"

#include <array>
#include <cstdlib>
#include <vector>

namespace {

using Bytes = std::array<uint8_t, 4>;

// One field of a block type as the table sees it: its bits and how to set
// and get its value.
template <class Block> struct Field {
    blocklayout::BitField bits;
    uint32_t (*get)(const Block&);
    void (*set)(Block&, uint32_t);
};

template <class Block> std::vector<Field<Block>> Fields();

template <> std::vector<Field<CConfigModTarn>> Fields() {
    std::vector<Field<CConfigModTarn>> fields;
    for (const auto& place : CConfigModTarn::Layout())
        fields.push_back({place.bits, nullptr, nullptr});
    return fields;
}

template <> std::vector<Field<CConfigModORLAN6>> Fields() {
    std::vector<Field<CConfigModORLAN6>> fields;
    for (const auto& place : CConfigModORLAN6::Layout())
        fields.push_back({place.bits, nullptr, nullptr});
    // Center cut: one inverted bit the class places itself.
    fields.push_back({{3, 5, 1},
                      [](const CConfigModORLAN6& b) { return b.Output2KCenterCut ? 0u : 1u; },
                      [](CConfigModORLAN6& b, uint32_t v) { b.Output2KCenterCut = v == 0; }});
    return fields;
}

template <class Block> uint32_t Get(const Block& block, size_t index) {
    const auto& fields = Fields<Block>(); // small; the table is not hot
    if (fields[index].get)
        return fields[index].get(block);
    return block.*(Block::Layout()[index].field);
}

template <class Block> void Set(Block& block, size_t index, uint32_t value) {
    const auto fields = Fields<Block>();
    if (fields[index].set)
        fields[index].set(block, value);
    else
        block.*(Block::Layout()[index].field) = value;
}

template <class Block> Bytes Encode(const Block& block) {
    Bytes bytes{};
    for (uint16_t i = 0; i < Block::kLength; ++i)
        bytes[i] = block.EncodeByte(i);
    return bytes;
}

template <class Block> void Decode(Block& block, const Bytes& bytes) {
    uint8_t raw[Block::kLength];
    std::copy(bytes.begin(), bytes.end(), raw);
    block.Decode(raw);
}

void Check(bool holds) {
    if (!holds)
        std::abort();
}

template <class Block, class Document>
bool ThroughDocument(const Block& from, Block& to, const wchar_t* typeName) {
    Document document;
    return document.CreateDocument(typeName) && from.SaveToSetup(document) &&
           to.LoadFromSetup(document);
}

// Every field at `base` (0, or all of its bits), field `index` at `value`.
template <class Block, class Document>
void FieldRow(size_t index, bool ones, uint32_t value, const wchar_t* typeName) {
    const auto fields = Fields<Block>();
    Block block(nullptr, 0, 0);
    for (size_t i = 0; i < fields.size(); ++i)
        Set(block, i, ones ? fields[i].bits.mask : 0);
    Block baseline(nullptr, 0, 0);
    Decode(baseline, Encode(block));
    Set(block, index, value);

    const Bytes bytes = Encode(block);
    const auto& bits = fields[index].bits;
    Check(((bytes[bits.byte] >> bits.shift) & bits.mask) == value);
    Block decoded(nullptr, 0, 0);
    Decode(decoded, bytes);
    for (size_t i = 0; i < fields.size(); ++i)
        Check(Get(decoded, i) == Get(block, i));

    Block loaded(nullptr, 0, 0);
    Block baseLoaded(nullptr, 0, 0);
    if (!ThroughDocument<Block, Document>(block, loaded, typeName) ||
        !ThroughDocument<Block, Document>(baseline, baseLoaded, typeName))
        return;
    for (size_t i = 0; i < fields.size(); ++i)
        if (i != index)
            Check(Get(loaded, i) == Get(baseLoaded, i));
    Block reloaded(nullptr, 0, 0);
    Check(ThroughDocument<Block, Document>(loaded, reloaded, typeName));
    Check(Encode(reloaded) == Encode(loaded));
}

// A bit that no field holds is ignored when read and written as 0.
template <class Block> void UnusedBitRow(unsigned bit) {
    Bytes bytes{};
    bytes[bit / 8] = static_cast<uint8_t>(1u << (bit % 8));
    Block block(nullptr, 0, 0);
    Decode(block, bytes);
    Bytes zero{};
    Block fromZero(nullptr, 0, 0);
    Decode(fromZero, zero);
    Check(Encode(block) == Encode(fromZero));
}

template <class Block> std::vector<unsigned> UnusedBits() {
    uint32_t used = 0;
    for (const auto& field : Fields<Block>())
        used |= uint32_t{field.bits.mask} << (field.bits.byte * 8 + field.bits.shift);
    std::vector<unsigned> bits;
    for (unsigned bit = 0; bit < 32; ++bit)
        if ((used & (1u << bit)) == 0)
            bits.push_back(bit);
    return bits;
}

// The rows of one block type: fields first, then unused bits. Row `row`
// modulo their number is run; with `all` every row.
template <class Block, class Document> void Rows(const wchar_t* typeName, uint32_t row, bool all) {
    struct Row {
        size_t field;
        bool ones;
        uint32_t value;
    };
    std::vector<Row> rows;
    const auto fields = Fields<Block>();
    for (size_t i = 0; i < fields.size(); ++i)
        for (bool ones : {false, true})
            for (uint32_t value = 0; value <= fields[i].bits.mask; ++value)
                rows.push_back({i, ones, value});
    const std::vector<unsigned> unused = UnusedBits<Block>();
    const size_t count = rows.size() + unused.size();
    for (size_t r = all ? 0 : row % count; r < (all ? count : row % count + 1); ++r) {
        if (r < rows.size())
            FieldRow<Block, Document>(rows[r].field, rows[r].ones, rows[r].value, typeName);
        else
            UnusedBitRow<Block>(unused[r - rows.size()]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CXercesSession xerces;
    static bool tableRun = false;
    const bool all = !tableRun;
    tableRun = true;
    fuzz::DataProvider input(data, size);
    const bool tarn = input.Bool();
    const uint32_t row = input.Integral<uint32_t>();
    if (all || tarn)
        Rows<CConfigModTarn, CDefaultsTARNXML>(L"TARN", row, all);
    if (all || !tarn)
        Rows<CConfigModORLAN6, CDefaultsOrlan6XML>(L"ORLAN6", row, all);
    return 0;
}
