#include "engine/EngineCodes.h"

#include <array>

namespace {

struct Translation {
    chan::Code channel;
    std::array<eng::Code, 5> engine; // by Column
};

// Channel codes without a row translate to -11 in every column.
constexpr Translation kTranslations[] = {
    // Columns: Standard, Download, FpgaDownload, PeekPoke, Reboot.
    {chan::kOk, {eng::kOk, eng::kOk, eng::kOk, eng::kOk, eng::kOk}},
    {chan::kRejected,
     {eng::kLinkError, eng::kLinkError, eng::kLinkError, eng::kLinkError, eng::kRebootUnknown}},
    {chan::kTimeout, {eng::kTimeout, eng::kTimeout, eng::kTimeout, eng::kTimeout, eng::kTimeout}},
    {chan::kBadLength,
     {eng::kLinkError, eng::kLinkError, eng::kLinkError, eng::kLinkError, eng::kLinkError}},
    {chan::kBadResponseCode,
     {eng::kLinkError, eng::kLinkError, eng::kLinkError, eng::kLinkError, eng::kLinkError}},
    {chan::kBadChunkSize,
     {eng::kUnknown, eng::kLinkError, eng::kLinkError, eng::kUnknown, eng::kUnknown}},
    {chan::kOutOfMemory,
     {eng::kUnknown, eng::kOutOfMemory, eng::kOutOfMemory, eng::kUnknown, eng::kUnknown}},
    {chan::kStreamFailed,
     {eng::kUnknown, eng::kFileAccess, eng::kFileAccess, eng::kUnknown, eng::kUnknown}},
    {chan::kStreamShort,
     {eng::kUnknown, eng::kFileAccess, eng::kFileAccess, eng::kUnknown, eng::kUnknown}},
    {chan::kAborted, {eng::kUnknown, eng::kAborted, eng::kAborted, eng::kUnknown, eng::kUnknown}},
    {chan::kBadInterface,
     {eng::kUnknown, eng::kUnknown, eng::kUnknown, eng::kBadInterface, eng::kUnknown}},
    {chan::kStatusFA,
     {eng::kUnknown, eng::kUnknown, eng::kJtagStatusFA, eng::kUnknown, eng::kUnknown}},
    {chan::kStatusF9,
     {eng::kUnknown, eng::kUnknown, eng::kJtagTdoMismatch, eng::kUnknown, eng::kUnknown}},
    {chan::kStatusF8,
     {eng::kUnknown, eng::kUnknown, eng::kBadJtagInstruction, eng::kUnknown, eng::kUnknown}},
};

template <class Code> struct CodeText {
    Code code;
    const wchar_t* text;
};

constexpr CodeText<eng::Code> kEngineTexts[] = {
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

constexpr CodeText<conn::Code> kConnectTexts[] = {
    {conn::kOk, L"OK"},
    {conn::kUnknownDevice, L"Unknown device"},
    {conn::kProtocolMismatch, L"Protocol mismatch"},
    {conn::kBadTypeRead, L"Bad read of Module Type ID"},
    {conn::kNoModuleType, L"No Module Type"},
    {conn::kBadModuleType, L"Bad Module Type"},
    {conn::kNoModuleInformation, L"No module information"},
    {conn::kNotConnected, L"Not connected"},
    {conn::kBadFpgaVersion, L"Bad FPGA version"},
    {conn::kBadConfigData, L"Bad config data"},
    {conn::kTypeSupportNotInstalled, L"Type Support Not Installed"},
    {conn::kWrongModule, L"Wrong module"},
    {conn::kNoTypeFile, L"No usable module type file for the module's release"},
};

template <class Code, size_t N>
std::wstring Lookup(const CodeText<Code> (&table)[N], Code code, const wchar_t* fallback) {
    for (const auto& row : table)
        if (row.code == code)
            return row.text;
    return fallback;
}

} // namespace

eng::Code TranslateChannelCode(chan::Code channelCode, Column column) {
    for (const auto& row : kTranslations)
        if (row.channel == channelCode)
            return row.engine[static_cast<size_t>(column)];
    return eng::kUnknown;
}

std::wstring EngineCodeText(eng::Code engineCode) {
    return Lookup(kEngineTexts, engineCode, L"");
}

std::wstring ConnectResultText(conn::Code result) {
    return Lookup(kConnectTexts, result, L"Unknown error code");
}
