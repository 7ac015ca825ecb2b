#include "descriptions/CModuleTypes.h"

#include <utility>

CModuleTypes::CModuleTypes(std::wstring typesDirectory)
    : m_typesDirectory(std::move(typesDirectory)) {
    std::wstring types = m_typesDirectory;
    while (types.size() > 1 && types.back() == L'/')
        types.pop_back();
    const size_t slash = types.rfind(L'/');
    if (slash != std::wstring::npos)
        m_dataDirectory = types.substr(0, slash == 0 ? 1 : slash);
}

CModuleTypes::~CModuleTypes() = default;

bool CModuleTypes::HasModuleType(ModuleTypeId type) const {
    return m_directories.count(type) != 0;
}

std::wstring CModuleTypes::GetTypeDirectory(ModuleTypeId type) const {
    const auto it = m_directories.find(type);
    return it != m_directories.end() ? it->second : std::wstring();
}

void CModuleTypes::SetTypeDirectory(ModuleTypeId type, std::wstring directory) {
    m_directories[type] = std::move(directory);
}
