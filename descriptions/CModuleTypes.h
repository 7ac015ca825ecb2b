#pragma once

#include "descriptions/ModuleTypeNames.h"

#include <map>
#include <string>

// Registry of the types directory: for each module type the subdirectory
// whose "assembly.xml" names it. Directories end with "/".
class CModuleTypes {
public:
    explicit CModuleTypes(std::wstring typesDirectory);
    virtual ~CModuleTypes();
    CModuleTypes(const CModuleTypes&) = delete;
    CModuleTypes& operator=(const CModuleTypes&) = delete;

    // Adds and replaces entries from the types directory; never clears.
    virtual void Scan() = 0;

    bool HasModuleType(ModuleTypeId type) const;
    // Empty when the type is not registered.
    std::wstring GetTypeDirectory(ModuleTypeId type) const;

    const std::wstring& TypesDirectory() const { return m_typesDirectory; }
    // The directory that holds the types directory ("" for the working
    // directory): the files' relative names are taken from it.
    const std::wstring& DataDirectory() const { return m_dataDirectory; }
    const std::map<ModuleTypeId, std::wstring>& Directories() const { return m_directories; }

protected:
    void SetTypeDirectory(ModuleTypeId type, std::wstring directory);

private:
    std::wstring m_typesDirectory;
    std::wstring m_dataDirectory;
    std::map<ModuleTypeId, std::wstring> m_directories;
};
