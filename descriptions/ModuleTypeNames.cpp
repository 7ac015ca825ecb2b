#include "descriptions/ModuleTypeNames.h"

#include <algorithm>
#include <array>
#include <cwctype>

namespace {

// Position is the interface number.
constexpr std::array<const wchar_t*, 4> kInterfaceNames = {L"I2C", L"SPI Control", L"SPI Config",
                                                           L"JTAG"};

bool SameIgnoringCase(const std::wstring& given, const std::wstring& wanted) {
    return given.size() == wanted.size() &&
           std::equal(given.begin(), given.end(), wanted.begin(), [](wchar_t a, wchar_t b) {
               return std::towlower(static_cast<wint_t>(a)) ==
                      std::towlower(static_cast<wint_t>(b));
           });
}

} // namespace

ModuleTypeId ModuleTypeFromName(const std::wstring& name) {
    for (const ModuleTypeRow& row : kModuleTypes)
        if (name == row.name)
            return row.id;
    return kModuleTypeUnknown;
}

std::wstring ModuleTypeName(ModuleTypeId id) {
    for (const ModuleTypeRow& row : kModuleTypes)
        if (row.id == id)
            return row.name;
    return {};
}

ModuleTypeId ModuleTypeFromFlag(const std::wstring& flag) {
    for (const ModuleTypeRow& row : kModuleTypes)
        if (row.flag && SameIgnoringCase(flag, row.flag))
            return row.id;
    return kModuleTypeUnknown;
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
