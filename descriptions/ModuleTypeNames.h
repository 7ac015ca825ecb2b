#pragma once

#include <cstdint>
#include <string>

// 0 "Unknown", 1 "ORLAN6", 2 "TARN": what the module reports and what keys the setup pages.
using ModuleTypeId = uint32_t;
inline constexpr ModuleTypeId kModuleTypeUnknown = 0;
inline constexpr ModuleTypeId kModuleTypeOrlan6 = 1;
inline constexpr ModuleTypeId kModuleTypeTarn = 2;
// The types whose setup is parameter block 0 of FPGA 0, which their setup page edits.
inline constexpr bool HasSetupBlock(ModuleTypeId id) {
    return id == kModuleTypeOrlan6 || id == kModuleTypeTarn;
}
inline constexpr uint8_t kSetupFpgaId = 0;
inline constexpr uint8_t kSetupBlockId = 0;

// Exact, case-sensitive; 0 when no name matches.
ModuleTypeId ModuleTypeFromName(const std::wstring& name);
// Empty for ids above 2.
std::wstring ModuleTypeName(ModuleTypeId id);
// The register interfaces, one table for poke files, the Peek/Poke page and
// the command line: "I2C" 0, "SPI Control" 1, "SPI Config" 2, "JTAG" 3.
// Exact, -1 when unknown.
int32_t InterfaceFromName(const std::wstring& name);
// Empty for numbers above 3.
std::wstring InterfaceName(uint32_t interface);
