#include "descriptions/CModuleTypesLinux.h"

#include "descriptions/CAssembliesXML.h"
#include "descriptions/XmlText.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

CModuleTypesLinux::CModuleTypesLinux(std::wstring typesDirectory)
    : CModuleTypes(std::move(typesDirectory)) {}

CModuleTypesLinux::~CModuleTypesLinux() = default;

void CModuleTypesLinux::Scan() {
    std::error_code ec;
    const fs::path root(WideToUtf8(TypesDirectory()));
    fs::directory_iterator it(root, ec);
    if (ec) {
        return;
    }
    std::wstring prefix = TypesDirectory();
    if (!prefix.empty() && prefix.back() != L'/') {
        prefix += L'/';
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            break; // the listing broke off; keep what was found so far
        }
        const fs::directory_entry& entry = *it;
        std::error_code statusError;
        if (!entry.is_directory(statusError)) {
            continue;
        }
        const std::wstring directory = prefix + Utf8ToWide(entry.path().filename().string()) + L"/";
        const std::wstring file = directory + L"assembly.xml";
        if (!fs::is_regular_file(fs::path(WideToUtf8(file)), statusError)) {
            continue;
        }
        CAssembliesXML reader;
        if (!reader.Parse(std::wstring(), file)) {
            std::wstring dropped;
            reader.TakeError(dropped);
            continue;
        }
        const ModuleTypeId type = reader.GetModuleType();
        if (type <= 2) {
            SetTypeDirectory(type, directory);
        }
    }
}
