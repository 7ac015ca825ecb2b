#include "cli/CliTexts.h"

namespace clitext {

std::wstring ReleaseNotInTable(const std::wstring& release, const std::wstring& typeName) {
    return L"Release '" + release + L"' is not in the releases of module type '" + typeName +
           L"' for this board.";
}

} // namespace clitext
