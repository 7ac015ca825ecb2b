#include "descriptions/ModuleTypeNames.h"

#include <array>

namespace {

// Row index is the ModuleTypeId.
constexpr std::array<const wchar_t*, 3> kModuleTypeNames = {L"Unknown", L"ORLAN6", L"TARN"};

// Position is the interface number.
constexpr std::array<const wchar_t*, 4> kInterfaceNames = {L"I2C", L"SPI Control", L"SPI Config",
                                                           L"JTAG"};

} // namespace

ModuleTypeId ModuleTypeFromName(const std::wstring& name) {
    for (size_t i = 0; i < kModuleTypeNames.size(); ++i) {
        if (name == kModuleTypeNames[i]) {
            return static_cast<ModuleTypeId>(i);
        }
    }
    return 0;
}

std::wstring ModuleTypeName(ModuleTypeId id) {
    return id < kModuleTypeNames.size() ? std::wstring(kModuleTypeNames[id]) : std::wstring();
}

int32_t InterfaceFromName(const std::wstring& name) {
    for (size_t i = 0; i < kInterfaceNames.size(); ++i) {
        if (name == kInterfaceNames[i]) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

std::wstring InterfaceName(uint32_t interface) {
    return interface < kInterfaceNames.size() ? std::wstring(kInterfaceNames[interface])
                                              : std::wstring();
}
