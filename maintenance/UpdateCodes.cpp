#include "maintenance/UpdateCodes.h"

#include "engine/EngineCodes.h"

#include <cstdio>
#include <cwchar>
#include <utility>

namespace {

// The engine codes a run's result keeps, each with its own name in both ranges.
constexpr std::pair<eng::Code, upd::Code> kPassingCodes[] = {
    {eng::kOk, upd::kOk},
    {eng::kNotConnected, upd::kNotConnected},
    {eng::kTimeout, upd::kTimeout},
    {eng::kUnknown, upd::kUnknown},
    {eng::kFileAccess, upd::kFileAccess},
    {eng::kLinkError, upd::kLinkError},
    {eng::kOutOfMemory, upd::kOutOfMemory},
    {eng::kAborted, upd::kAborted},
    {eng::kJtagStatusFA, upd::kJtagStatusFA},
    {eng::kWrongModule, upd::kWrongModule},
    {eng::kJtagTdoMismatch, upd::kJtagTdoMismatch},
    {eng::kBadJtagInstruction, upd::kBadJtagInstruction},
    {eng::kImageTooLarge, upd::kImageTooLarge},
    {eng::kNotRunningFerrin, upd::kNotRunningFerrin},
};

} // namespace

upd::Code FilterResult(eng::Code engineCode) {
    for (const auto& [engine, result] : kPassingCodes)
        if (engine == engineCode)
            return result;
    return upd::kUnknown;
}

eng::Code EngineCodeOf(upd::Code result) {
    for (const auto& [engine, passed] : kPassingCodes)
        if (passed == result)
            return engine;
    return eng::kUnknown;
}

int ProgressPosition(float fraction) {
    return static_cast<int>((static_cast<double>(fraction) + 0.005) * 100.0);
}

std::wstring ProgressPercentText(float fraction) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%2.1f%%", static_cast<double>(fraction) * 100.0);
    return text;
}

std::wstring ReconnectingText(int32_t attempt, int32_t attempts) {
    return L"Reconnecting (attempt " + std::to_wstring(attempt) + L" of " +
           std::to_wstring(attempts) + L")...";
}

std::wstring ReleaseText(const VersionNumber& release) {
    if (release.IsNone())
        return L"Unknown";
    return std::to_wstring(release.major) + L"." + std::to_wstring(release.minor);
}

std::wstring ComponentText(int32_t component) {
    switch (component) {
    case kComponentSafeBoot:
        return L"SafeBoot";
    case kComponentFerrin:
        return L"Ferrin";
    default:
        return L"FPGA " + std::to_wstring(component);
    }
}
