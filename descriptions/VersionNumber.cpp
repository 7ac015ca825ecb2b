#include "descriptions/VersionNumber.h"

#include <cwctype>
#include <string>

namespace {

// Reads one "%d" conversion at pos: white space, an optional sign, at least
// one decimal digit. Only the low 8 bits of the value are needed, so the
// digits are accumulated modulo 256, which also keeps huge numbers defined.
bool ScanByte(const std::wstring& text, size_t& pos, uint8_t& out) {
    while (pos < text.size() && std::iswspace(static_cast<wint_t>(text[pos]))) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) {
        negative = text[pos] == L'-';
        ++pos;
    }
    unsigned value = 0;
    size_t digits = 0;
    while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9') {
        value = (value * 10 + static_cast<unsigned>(text[pos] - L'0')) & 0xFFu;
        ++pos;
        ++digits;
    }
    if (digits == 0) {
        return false;
    }
    out = static_cast<uint8_t>(negative ? (256u - value) & 0xFFu : value);
    return true;
}

} // namespace

VersionNumber ParseVersionNumber(const std::wstring& text) {
    size_t pos = 0;
    VersionNumber version;
    if (!ScanByte(text, pos, version.major)) {
        return VersionNumber{0, 0};
    }
    if (pos >= text.size() || text[pos] != L'.') {
        return VersionNumber{0, 0};
    }
    ++pos;
    if (!ScanByte(text, pos, version.minor)) {
        return VersionNumber{0, 0};
    }
    return version;
}

std::wstring VersionText(const VersionNumber& version) {
    if (version.IsNone()) {
        return L"None";
    }
    if (version.major == 254 || (version.minor == 255 && version.major != 255)) {
        return L"Pending";
    }
    return std::to_wstring(version.major) + L"." + std::to_wstring(version.minor);
}
