#pragma once

#include "descriptions/CModuleTypes.h"

// Scans the types directory with the file system's own listing order.
class CModuleTypesLinux : public CModuleTypes {
public:
    explicit CModuleTypesLinux(std::wstring typesDirectory);
    ~CModuleTypesLinux() override;

    // Every subdirectory N with a regular file N/assembly.xml that parses is
    // registered as <types>/N/ under the file's module type (0 when it names
    // none); a later subdirectory of the same type replaces an earlier one.
    // Subdirectories that fail are skipped silently; a directory that cannot
    // be listed leaves the registry as it was.
    void Scan() override;
};
