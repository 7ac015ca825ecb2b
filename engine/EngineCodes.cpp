#include "engine/EngineCodes.h"

#include <array>

namespace {

struct Translation {
    int32_t channel;
    std::array<int32_t, 5> engine; // by Column
};

// Channel codes without a row translate to -11 in every column.
constexpr Translation kTranslations[] = {
    {chan::kOk, {0, 0, 0, 0, 0}},
    {chan::kRejected, {-13, -13, -13, -13, -24}},
    {chan::kTimeout, {-10, -10, -10, -10, -10}},
    {chan::kBadLength, {-13, -13, -13, -13, -13}},
    {chan::kBadResponseCode, {-13, -13, -13, -13, -13}},
    {chan::kBadChunkSize, {-11, -13, -13, -11, -11}},
    {chan::kOutOfMemory, {-11, -14, -14, -11, -11}},
    {chan::kStreamFailed, {-11, -12, -12, -11, -11}},
    {chan::kStreamShort, {-11, -12, -12, -11, -11}},
    {chan::kAborted, {-11, -17, -17, -11, -11}},
    {chan::kBadInterface, {-11, -11, -11, -18, -11}},
    {chan::kStatusFA, {-11, -11, -19, -11, -11}},
    {chan::kStatusF9, {-11, -11, -25, -11, -11}},
    {chan::kStatusF8, {-11, -11, -26, -11, -11}},
};

struct CodeText {
    int32_t code;
    const wchar_t* text;
};

constexpr CodeText kEngineTexts[] = {
    {eng::kOk, L"Update completed successfully."},
    {eng::kNotConnected, L"Not connected to a module!"},
    {eng::kTimeout, L"Connection to module timed out!"},
    {eng::kUnknown, L"Unknown error!"},
    {eng::kFileAccess, L"File access error!"},
    {eng::kLinkError, L"Connection error to module!"},
    {eng::kOutOfMemory, L"Out of memory!"},
    {eng::kAborted, L"Update was aborted!"},
    {eng::kJtagTdoMismatch, L"JTAG TDO mismatch!"},
    {eng::kBadJtagInstruction, L"Bad JTAG instruction!"},
    {eng::kImageTooLarge, L"Image is too large for this component!"},
    {eng::kNotRunningFerrin, L"The module runs SafeBoot, not Ferrin: it cannot be configured!"},
};

constexpr CodeText kConnectTexts[] = {
    {0, L"OK"},
    {-1, L"Unknown device"},
    {-2, L"Protocol mismatch"},
    {-3, L"Bad read of Module Type ID"},
    {-4, L"No Module Type"},
    {-5, L"Bad Module Type"},
    {-6, L"No module information"},
    {-7, L"Not connected"},
    {-8, L"Bad FPGA version"},
    {-9, L"Bad config data"},
    {-21, L"Type Support Not Installed"},
    {-23, L"Wrong module"},
    {-24, L"No usable module type file for the module's release"},
};

template <size_t N>
std::wstring Lookup(const CodeText (&table)[N], int32_t code, const wchar_t* fallback) {
    for (const auto& row : table)
        if (row.code == code)
            return row.text;
    return fallback;
}

} // namespace

int32_t TranslateChannelCode(int32_t channelCode, Column column) {
    for (const auto& row : kTranslations)
        if (row.channel == channelCode)
            return row.engine[static_cast<size_t>(column)];
    return eng::kUnknown;
}

std::wstring EngineCodeText(int32_t engineCode) {
    return Lookup(kEngineTexts, engineCode, L"");
}

std::wstring ConnectResultText(int32_t result) {
    return Lookup(kConnectTexts, result, L"Unknown error code");
}
