#pragma once

#include <cstdint>
#include <string>

// What the module reports as its type and what keys the setup pages.
using ModuleTypeId = uint32_t;
inline constexpr ModuleTypeId kModuleTypeUnknown = 0;
inline constexpr ModuleTypeId kModuleTypeOrlan6 = 1;
inline constexpr ModuleTypeId kModuleTypeTarn = 2;

// The module types, one row each, without the setup code: the id, the name
// type files, setup files and texts use, the program's flag that forces the
// type ("-tarn"; none for Unknown), and whether the type has a setup
// (parameter block 0 of FPGA 0, which its setup page edits). A type with a
// setup also has a row in setups/SetupBlocks.cpp (its block and setup file)
// and a setup page in app/CDefaultPageFactory.cpp.
struct ModuleTypeRow {
    ModuleTypeId id;
    const wchar_t* name;
    const wchar_t* flag;
    bool hasSetup;
};
inline constexpr ModuleTypeRow kModuleTypes[] = {
    {kModuleTypeUnknown, L"Unknown", nullptr, false},
    {kModuleTypeOrlan6, L"ORLAN6", L"orlan", true},
    {kModuleTypeTarn, L"TARN", L"tarn", true},
};

inline constexpr bool HasSetupBlock(ModuleTypeId id) {
    for (const ModuleTypeRow& row : kModuleTypes)
        if (row.id == id)
            return row.hasSetup;
    return false;
}
inline constexpr uint8_t kSetupFpgaId = 0;
inline constexpr uint8_t kSetupBlockId = 0;

// Exact, case-sensitive; 0 when no name matches.
ModuleTypeId ModuleTypeFromName(const std::wstring& name);
// Empty for an id without a row.
std::wstring ModuleTypeName(ModuleTypeId id);
// The type a flag forces (without its "-" or "/", any letter case); 0 when
// the text is no type's flag.
ModuleTypeId ModuleTypeFromFlag(const std::wstring& flag);

// The register interfaces, one table for poke files, the Peek/Poke page and
// the command line: "I2C" 0, "SPI Control" 1, "SPI Config" 2, "JTAG" 3.
// Exact, -1 when unknown.
int32_t InterfaceFromName(const std::wstring& name);
// Empty for numbers above 3.
std::wstring InterfaceName(uint32_t interface);
