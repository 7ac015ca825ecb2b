#include "maintenance/UpdateCodes.h"

#include "engine/EngineCodes.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <iterator>

namespace {

// The closing report's codes, and the codes whose causes have texts of their own.
constexpr int32_t kPassingCodes[] = {eng::kOk,
                                     eng::kNotConnected,
                                     eng::kTimeout,
                                     eng::kUnknown,
                                     eng::kFileAccess,
                                     eng::kLinkError,
                                     eng::kOutOfMemory,
                                     eng::kAborted,
                                     eng::kJtagStatusFA,
                                     -23,
                                     eng::kJtagTdoMismatch,
                                     eng::kBadJtagInstruction,
                                     eng::kImageTooLarge,
                                     eng::kNotRunningFerrin};

} // namespace

int32_t FilterResult(int32_t engineCode) {
    return std::find(std::begin(kPassingCodes), std::end(kPassingCodes), engineCode) !=
                   std::end(kPassingCodes)
               ? engineCode
               : eng::kUnknown;
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
