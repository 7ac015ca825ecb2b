#include "engine/PokeFile.h"

#include "descriptions/ModuleTypeNames.h"

#include <cwctype>
#include <optional>
#include <string>

namespace {

// One "%x" conversion: optional white space, an optional 0x prefix, hex digits.
// A sign is refused (a negative register number is a typing error, not a
// wrap-around), and so is a number wider than 32 bits.
struct HexNumber {
    bool converted = false;
    bool overflow = false;
    uint32_t value = 0;
};

HexNumber ScanHex(const std::wstring& text, size_t& pos) {
    HexNumber result;
    while (pos < text.size() && std::iswspace(static_cast<wint_t>(text[pos])))
        ++pos;
    auto isHex = [&](size_t at) {
        return at < text.size() && std::iswxdigit(static_cast<wint_t>(text[at]));
    };
    if (pos + 1 < text.size() && text[pos] == L'0' &&
        (text[pos + 1] == L'x' || text[pos + 1] == L'X') && isHex(pos + 2))
        pos += 2;
    uint64_t value = 0;
    while (isHex(pos)) {
        const wchar_t c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(text[pos])));
        const uint64_t digit =
            (c >= L'a') ? static_cast<uint64_t>(c - L'a' + 10) : static_cast<uint64_t>(c - L'0');
        value = value * 16 + digit;
        if (value > 0xFFFFFFFFull)
            result.overflow = true;
        if (result.overflow)
            value = 0xFFFFFFFFull;
        result.converted = true;
        ++pos;
    }
    result.value = static_cast<uint32_t>(value);
    return result;
}

enum class LineRead { Line, End, TooLong };

LineRead ReadLine(std::wistream& stream, std::wstring& line) {
    line.clear();
    wchar_t c = 0;
    bool any = false;
    while (stream.get(c)) {
        any = true;
        if (c == L'\n')
            break;
        // A lone CR ends a line too (files from old Mac tools); CR LF is one end.
        if (c == L'\r') {
            if (stream.peek() == L'\n')
                stream.get(c);
            break;
        }
        if (line.size() == poke::kMaxLineLength)
            return LineRead::TooLong;
        line.push_back(c);
    }
    if (!any)
        return LineRead::End;
    return LineRead::Line;
}

} // namespace

poke::Code ParsePokeLine(std::wistream& stream, uint32_t& lineNumber, uint32_t& interface,
                         uint8_t& device, uint32_t& address, uint8_t& value) {
    std::wstring line;
    for (;;) {
        if (stream.peek() == std::char_traits<wchar_t>::eof())
            return poke::kEnd;
        ++lineNumber;
        switch (ReadLine(stream, line)) {
        case LineRead::End:
            return poke::kEnd;
        case LineRead::TooLong:
            return poke::kLineTooLong;
        case LineRead::Line:
            break;
        }
        if (!line.empty() && (line[0] == L';' || line[0] == L'"'))
            continue;
        break;
    }
    if (line.empty())
        return poke::kEnd;

    const size_t separator = line.find_first_of(L",\"");
    if (separator == std::wstring::npos)
        return poke::kNoSeparator;
    const int32_t named = InterfaceFromName(line.substr(0, separator));
    if (named < 0)
        return poke::kUnknownInterface;

    size_t pos = separator + 1;
    HexNumber numbers[3];
    int converted = 0;
    for (HexNumber& number : numbers) {
        if (converted > 0) {
            if (pos >= line.size() || line[pos] != L',')
                break;
            ++pos;
        }
        number = ScanHex(line, pos);
        if (!number.converted)
            break;
        ++converted;
    }
    if (converted < 3 || numbers[0].overflow)
        return poke::kTooFewNumbers;
    // A device is one byte: 1FF would otherwise poke device FF.
    if (numbers[0].value > 0xFF || numbers[1].overflow || numbers[1].value > 0xFFFFFF)
        return poke::kAddressRange;
    if (numbers[2].overflow || numbers[2].value > 0xFF)
        return poke::kValueRange;
    interface = static_cast<uint32_t>(named);
    device = static_cast<uint8_t>(numbers[0].value);
    address = numbers[1].value;
    value = static_cast<uint8_t>(numbers[2].value);
    return poke::kLine;
}
