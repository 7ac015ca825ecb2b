#include "maintenance/UpdateTexts.h"

#include "engine/EngineCodes.h"
#include "maintenance/UpdateCodes.h"

namespace updatetext {

const wchar_t* ManualUpdateQuestion(int32_t component) {
    switch (component) {
    case kComponentFerrin:
        return kFerrinQuestion;
    case kComponentSafeBoot:
        return kSafeBootQuestion;
    default:
        return kFpgaQuestion;
    }
}

std::wstring DowngradeQuestion(const std::wstring& installed, const std::wstring& selected) {
    return kDowngradeQuestionStart + (L"\nfrom Release '" + installed) + L"' to Release '" +
           selected + L"'.\n\nDo you wish to proceed with this downgrade?";
}

std::wstring ForceAnywayQuestion(const std::wstring& selected) {
    return kForceAnywayQuestionStart + selected +
           L"'.\n\nDo you wish to force all components to update anyway?";
}

std::wstring ComponentMismatchText(uint8_t fpgaId, std::optional<uint8_t> tableId,
                                   const std::wstring& expected, const std::wstring& reported) {
    std::wstring component = L"FPGA id '" + std::to_wstring(fpgaId) + L"'";
    if (tableId)
        component = L"LUT id '" + std::to_wstring(*tableId) + L"' of " + component;
    return L"The module reports version " + reported + L" for " + component +
           L" after its update, not version " + expected + L" of the release.";
}

std::wstring ManualRebootText() {
    return std::wstring(L"Ferrin has been successfully updated.\nYou must now reboot the "
                        L"module.\n\n") +
           kManualRebootEnd;
}

} // namespace updatetext

std::wstring FailureText(upd::Code result, const std::wstring& message) {
    switch (result) {
    case upd::kNoReleaseSelected:
    case upd::kNoFpgaDefinition:
    case upd::kNoTableDefinition:
    case upd::kNoReleaseAvailable:
    case upd::kFerrinNotAccepted:
    case upd::kComponentMismatch:
        return message;
    case upd::kNotRebooted:
        return updatetext::kModuleNotRebooted;
    case upd::kNotBack:
        return updatetext::kModuleDidNotComeBack;
    case upd::kWrongModule: // the reconnect found another module
        return ConnectResultText(conn::kWrongModule);
    default: {
        // The engine's texts are the report's texts; codes without one are unknown.
        const std::wstring text = EngineCodeText(EngineCodeOf(result));
        return text.empty() || result == upd::kUnknown ? L"Unknown error!" : text;
    }
    }
}
