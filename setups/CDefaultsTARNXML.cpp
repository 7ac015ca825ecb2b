#include "setups/CDefaultsTARNXML.h"

#include <array>

namespace {

constexpr SetupWord kVideoFormat[] = {
    {0, L"Auto"}, {1, L"4:2:2 YCbCr"}, {2, L"4:4:4 RGB"}, {3, L"4:4:4 YCbCr"}};
constexpr SetupWord kDeepColor[] = {{0, L"Auto"}, {1, L"Off"}, {2, L"On"}};
constexpr SetupWord kColorRange[] = {{0, L"Auto"}, {1, L"SMPTE 16-235"}, {2, L"Full 0-255"}};
// 5 and 7 are no raster; 10 to 15 have no word at all.
constexpr SetupWord kOutputFormat[] = {
    {0, L"Auto"},    {1, L"Native"}, {2, L"720p"},    {3, L"1080p"}, {4, L"1080i"},
    {5, L"invalid"}, {6, L"480p"},   {7, L"invalid"}, {8, L"576p"},  {9, L"WUXGA"}};
constexpr SetupWord kHDMIDVI[] = {{0, L"Auto"}, {1, L"HDMI"}, {2, L"DVI"}};
constexpr SetupWord kFrameRate[] = {{0, L"Auto"},     {1, L"24/23.98"}, {2, L"25"},
                                    {3, L"30/29.97"}, {4, L"48/47.95"}, {5, L"50"},
                                    {6, L"60/59.94"}, {15, L"VESA"}};
constexpr SetupWord kScaling[] = {{0, L"Auto"}, {1, L"1:1"}, {2, L"Scale"}};
constexpr SetupWord kSDFormat[] = {{0, L"Normal"}, {1, L"Anamorphic"}};
constexpr SetupWord kHDMIAudio[] = {{0, L"Auto"}, {1, L"2-ch"}, {2, L"8-ch"}};
constexpr SetupWord kAnalogAudio[] = {
    {0, L"Ch. 1+2"}, {1, L"Ch. 3+4"}, {2, L"Ch. 5+6"}, {3, L"Ch. 7+8"}};

// In the order of CDefaultsTARNXML::Param.
const std::array<SetupParamDef, CDefaultsTARNXML::kParamCount> kParams{{
    {L"VideoFormat", kVideoFormat},
    {L"DeepColor", kDeepColor},
    {L"ColorRange", kColorRange},
    {L"OutputFormat", kOutputFormat},
    {L"HDMI/DVI", kHDMIDVI},
    {L"FrameRate", kFrameRate},
    {L"Scaling", kScaling},
    {L"SDFormat", kSDFormat},
    {L"HDMIAudio", kHDMIAudio},
    {L"AnalogAudio", kAnalogAudio},
}};

} // namespace

CDefaultsTARNXML::CDefaultsTARNXML() : CSetupFileXML(L"0.2", kParams) {}

CDefaultsTARNXML::~CDefaultsTARNXML() = default;
