#include "setups/CDefaultsOrlan6XML.h"

#include <array>

namespace {

constexpr SetupWord kInputVideoFormat[] = {
    {0, L"Auto"}, {1, L"Progressive"}, {2, L"Interlaced"}, {3, L"PsF"}};
// Value 1 belongs to a choice the page never shows; it has no word.
constexpr SetupWord kInputVideoBitDepth[] = {{0, L"Auto"}, {2, L"10-bit"}, {3, L"12-bit"}};
constexpr SetupWord kInputVideoColor[] = {{0, L"Auto"}, {1, L"YCbCr"}, {2, L"RGB"}, {3, L"XYZ"}};
constexpr SetupWord kInputVideoColorRange[] = {{0, L"SMPTE"}, {1, L"Full"}};
constexpr SetupWord kInputVideoMode[] = {{0, L"Auto"}, {1, L"Dual Link"}, {2, L"2xHD"}};
constexpr SetupWord kOutputVideoFormat[] = {
    {0, L"Auto"}, {1, L"4:2:2 YCbCr"}, {2, L"4:4:4 RGB"}, {3, L"4:4:4 YCbCr"}};
constexpr SetupWord kOutputVideoBitDepth[] = {
    {0, L"Auto"}, {1, L"24-bit"}, {2, L"20/30-bit"}, {3, L"36-bit"}};
constexpr SetupWord kOutputVideoColorRange[] = {{0, L"Auto"}, {1, L"Limited"}, {2, L"Full"}};
constexpr SetupWord kOutputMode[] = {{0, L"Auto"}, {1, L"HDMI"}, {2, L"DVI"}};
constexpr SetupWord kOutputHDMIAudio[] = {{0, L"Auto"}, {1, L"2-ch"}, {2, L"8-ch"}};
constexpr SetupWord kOutputAnalogAudio[] = {
    {0, L"Ch. 1+2"}, {1, L"Ch. 3+4"}, {2, L"Ch. 5+6"}, {3, L"Ch. 7+8"}};
constexpr SetupWord kOutput2xHDChannel[] = {{0, L"Ch. 1"}, {1, L"Ch. 2"}};

// In the order of CDefaultsOrlan6XML::Param.
const std::array<SetupParamDef, CDefaultsOrlan6XML::kParamCount> kParams{{
    {L"InputVideoFormat", kInputVideoFormat},
    {L"InputVideoBitDepth", kInputVideoBitDepth},
    {L"InputVideoColor", kInputVideoColor},
    {L"InputVideoColorRange", kInputVideoColorRange},
    {L"InputVideoMode", kInputVideoMode},
    {L"OutputVideoFormat", kOutputVideoFormat},
    {L"OutputVideoBitDepth", kOutputVideoBitDepth},
    {L"OutputVideoColorRange", kOutputVideoColorRange},
    {L"OutputMode", kOutputMode},
    {L"OutputHDMIAudio", kOutputHDMIAudio},
    {L"OutputAnalogAudio", kOutputAnalogAudio},
    {L"Output2xHDChannel", kOutput2xHDChannel},
}};

} // namespace

CDefaultsOrlan6XML::CDefaultsOrlan6XML() : CSetupFileXML(L"0.1", kParams) {}

CDefaultsOrlan6XML::~CDefaultsOrlan6XML() = default;
