#include "cli/CliTexts.h"

#include "engine/EngineCodes.h"

namespace clitext {

std::wstring ModuleNewerText() {
    return std::wstring(L"The Release Version of the module is newer than Pellworth.\nThe "
                        L"ability to adjust the setup parameters of the module has been "
                        L"removed.\n\nPlease install the latest version of Pellworth from ") +
           kMakerAddress + L".";
}

ConnectStatus ConnectStatusText(int32_t result, bool connected, bool expectedSerialGiven) {
    const std::wstring text = ConnectResultText(result);
    switch (result) {
    case 0:
        return {kConnected, connected};
    case -1:
    case -2:
    case -21:
    case -23:
        return {L"Connection to module failed: " + text, false};
    case -3:
    case -4:
    case -5:
    case -6:
    case -8:
    case -9:
        // These leave a usable connection unless the engine gave the module up.
        if (!connected)
            return {L"Connection to module failed: " + text, false};
        return {expectedSerialGiven ? std::wstring() : L"Connected to module: " + text, true};
    case -7:
        return {{}, false};
    default:
        return {L"Unknown connection error.", false};
    }
}

std::wstring LookupTableQuestion(const std::wstring& tableName, const std::wstring& fpgaName) {
    return L"Updating Lookup Table '" + tableName + L"' of FPGA '" + fpgaName +
           L"'.\nAre you sure you wish to do this?";
}

std::wstring ReleaseNotInTable(const std::wstring& release, const std::wstring& typeName) {
    return L"Release '" + release + L"' is not in the releases of module type '" + typeName +
           L"' for this board.";
}

} // namespace clitext
