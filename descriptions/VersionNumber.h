#pragma once

#include <cstdint>
#include <string>

// A major.minor version of a release or firmware component. 0.0 and 255.255
// mean "no version known"; major 254, or minor 255 with major not 255, is a
// pending version.
struct VersionNumber {
    uint8_t major = 0;
    uint8_t minor = 0;

    constexpr uint16_t Value() const { return static_cast<uint16_t>(major * 256 + minor); }
    constexpr bool IsNone() const {
        return (major == 0 && minor == 0) || (major == 255 && minor == 255);
    }
    friend constexpr bool operator==(const VersionNumber&, const VersionNumber&) = default;
};

constexpr VersionNumber kNoVersion{255, 255};

// a is newer than b.
constexpr bool IsNewer(const VersionNumber& a, const VersionNumber& b) {
    return a.Value() > b.Value();
}

// "%d.%d"; anything but exactly two numbers gives 0.0; each number keeps its low 8 bits.
VersionNumber ParseVersionNumber(const std::wstring& text);
// "None", "Pending" or "major.minor".
std::wstring VersionText(const VersionNumber& version);
