// The setup blocks: any block bytes decoded into fields and encoded again. A
// second pass must give the same bytes (what is written equals what was read
// wherever a field holds the bits), and a setup document written from the
// fields reads back to fields that write the same document again.

#include "descriptions/XercesSession.h"
#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/CDefaultsOrlan6XML.h"
#include "setups/CDefaultsTARNXML.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace {

template <class Block> std::array<uint8_t, Block::kLength> Encode(const Block& block) {
    std::array<uint8_t, Block::kLength> bytes{};
    for (uint16_t i = 0; i < Block::kLength; ++i)
        bytes[i] = block.EncodeByte(i);
    return bytes;
}

template <class Block, class Document>
void RoundTrip(const uint8_t* data, const wchar_t* typeName) {
    uint8_t bytes[Block::kLength];
    std::memcpy(bytes, data, Block::kLength);
    Block first(nullptr, 0, 0);
    first.Decode(bytes);
    const auto once = Encode(first);
    Block second(nullptr, 0, 0);
    uint8_t again[Block::kLength];
    std::memcpy(again, once.data(), Block::kLength);
    second.Decode(again);
    if (Encode(second) != once)
        std::abort();

    // Through a setup document: a value without a word of its own comes back
    // as the value its word stands for; after that one pass it is stable.
    const auto throughFile = [typeName](const Block& from, Block& to) {
        Document document;
        return document.CreateDocument(typeName) && from.SaveToSetup(document) &&
               to.LoadFromSetup(document);
    };
    Block loaded(nullptr, 0, 0);
    Block reloaded(nullptr, 0, 0);
    if (!throughFile(first, loaded))
        return;
    if (!throughFile(loaded, reloaded) || Encode(reloaded) != Encode(loaded))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CXercesSession xerces;
    if (size < 1 + CConfigModTarn::kLength || size < 1 + CConfigModORLAN6::kLength)
        return 0;
    if (data[0] & 1)
        RoundTrip<CConfigModTarn, CDefaultsTARNXML>(data + 1, L"TARN");
    else
        RoundTrip<CConfigModORLAN6, CDefaultsOrlan6XML>(data + 1, L"ORLAN6");
    return 0;
}
