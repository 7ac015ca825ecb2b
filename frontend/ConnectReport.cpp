#include "frontend/ConnectReport.h"

#include "descriptions/ReleaseTable.h"
#include "engine/EngineCodes.h"
#include "engine/ModuleRecord.h"

namespace connectreport {

std::wstring ModuleNewerText() {
    return std::wstring(L"The Release Version of the module is newer than Pellworth.\nThe "
                        L"ability to adjust the setup parameters of the module has been "
                        L"removed.\n\nPlease install the latest version of Pellworth from ") +
           kMakerAddress + L".";
}

ConnectStatus StatusAfterConnect(conn::Code result, bool connected, bool expectedSerialGiven) {
    const std::wstring text = ConnectResultText(result);
    switch (result) {
    case conn::kOk:
        return {kConnected, connected};
    case conn::kUnknownDevice:
    case conn::kProtocolMismatch:
    case conn::kTypeSupportNotInstalled:
    case conn::kWrongModule:
        return {L"Connection to module failed: " + text, false};
    case conn::kBadTypeRead:
    case conn::kNoModuleType:
    case conn::kBadModuleType:
    case conn::kNoModuleInformation:
    case conn::kBadFpgaVersion:
    case conn::kBadConfigData:
    case conn::kNoTypeFile:
        // These leave a usable connection, unless the engine gave the module
        // up (a module type it may not use, no identity): then it is a
        // failure, whatever the code says.
        if (!connected)
            return {L"Connection to module failed: " + text, false};
        return {expectedSerialGiven ? std::wstring() : L"Connected to module: " + text, true};
    case conn::kNotConnected:
        return {{}, false};
    default:
        return {L"Unknown connection error.", false};
    }
}

std::optional<WarningBox> WarningAfterConnect(const ModuleRecord& module, bool expectedSerialGiven,
                                              const AssemblyRecord* selected) {
    if (module.runningImage == kRunningSafeBoot)
        return WarningBox{kIncorrectSoftwareText, kIncorrectSoftwareCaption};
    if (expectedSerialGiven || !selected)
        return std::nullopt;
    const uint16_t ours = selected->release.Value();
    const uint16_t modules = module.release.Value();
    if (ours > modules)
        return WarningBox{kModuleOlderText, kReleaseMismatchCaption};
    if (ours < modules)
        return WarningBox{ModuleNewerText(), kReleaseMismatchCaption};
    return std::nullopt;
}

} // namespace connectreport
