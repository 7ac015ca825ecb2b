#pragma once

#include <cstdint>
#include <string>

// 0 "Unknown", 1 "ORLAN6", 2 "TARN": what the module reports and what keys the setup pages.
using ModuleTypeId = uint32_t;

// Exact, case-sensitive; 0 when no name matches.
ModuleTypeId ModuleTypeFromName(const std::wstring& name);
// Empty for ids above 2.
std::wstring ModuleTypeName(ModuleTypeId id);
// "I2C" 0, "SPI Control" 1, "SPI Config" 2, "JTAG" 3; exact, -1 when unknown.
int32_t InterfaceFromName(const std::wstring& name);
