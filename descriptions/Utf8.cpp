#include "descriptions/Utf8.h"

std::wstring Utf8ToWide(std::string_view text) {
    constexpr wchar_t kReplacement = 0xFFFD;
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        }
        // The sequence's length, and the range of its second byte: narrower
        // than 80..BF after the leads where overlong forms (E0, F0),
        // surrogates (ED) or values past U+10FFFF (F4) would begin. C0, C1
        // and F5..FF never lead.
        size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        }
        char32_t code = lead & (0x7Fu >> length);
        size_t used = 1;
        while (used < length && i + used < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + used]);
            if (next < low || next > high)
                break;
            code = (code << 6) | (next & 0x3Fu);
            low = 0x80;
            high = 0xBF;
            ++used;
        }
        out.push_back(length != 0 && used == length ? static_cast<wchar_t>(code) : kReplacement);
        i += used;
    }
    return out;
}
