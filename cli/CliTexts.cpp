#include "cli/CliTexts.h"

namespace clitext {

std::wstring ReleaseNotInTable(const std::wstring& release, const std::wstring& typeName) {
    return L"Release '" + release + L"' is not in the releases of module type '" + typeName +
           L"' for this board.";
}

std::wstring WaitingForReboot(uint16_t port, long long seconds) {
    return L"Waiting for COM" + std::to_wstring(port) + L" to go away and come back (at most " +
           std::to_wstring(seconds) + L" s; Ctrl-C stops)...";
}

std::wstring SetupNotShown(const std::wstring& release) {
    return L"Setup: not shown: there is no type file for release " + release +
           L", so it cannot be read. Update the module to a release of the data.";
}

std::string JsonDocument(frontend::JsonValue json) {
    json.Set("formatVersion", kJsonFormatVersion);
    return json.Write() + "\n";
}

} // namespace clitext
