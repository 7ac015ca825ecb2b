#include "descriptions/CModuleTypeFPGAXML.h"

#include "descriptions/CModuleTypeBlockXML.h"
#include "descriptions/CModuleTypeLookupTableXML.h"

#include <xercesc/dom/DOMElement.hpp>

namespace {

// Defaults of an element that exists without the attribute.
constexpr uint32_t kFirmwareDeviceId = 102;
constexpr uint32_t kFirmwareStart = 119;
constexpr uint32_t kRegisterStart = 85;

int32_t InterfaceOf(const xercesc::DOMElement* element) {
    std::wstring name;
    if (!CCommonXML::GetStringAttribute(element, L"interfaceID", name)) {
        return -1;
    }
    return InterfaceFromName(name);
}

// An attribute of the first element of that name below the FPGA: 0 when the
// element is missing, elementDefault when only the attribute is.
uint32_t ChildAttribute(const xercesc::DOMElement* fpga, const wchar_t* child,
                        const wchar_t* attribute, uint32_t elementDefault) {
    const xercesc::DOMElement* element = CCommonXML::FindFirstElement(fpga, child);
    if (element == nullptr) {
        return 0;
    }
    return CCommonXML::IntAttributeOr(element, attribute, elementDefault);
}

} // namespace

uint8_t CModuleTypeFPGAXML::GetId() const {
    return static_cast<uint8_t>(IntAttributeOr(m_element, L"id", 0));
}

std::wstring CModuleTypeFPGAXML::GetName() const {
    return StringAttributeOr(m_element, L"name");
}

int32_t CModuleTypeFPGAXML::GetInterfaceId() const {
    return InterfaceOf(m_element);
}

uint8_t CModuleTypeFPGAXML::GetDeviceId() const {
    return static_cast<uint8_t>(IntAttributeOr(m_element, L"deviceID", 0));
}

void CModuleTypeFPGAXML::GetParamBlocks(ModuleTypeBlockReaders& blocks) const {
    for (xercesc::DOMElement* element : FindElements(m_element, L"ParamBlock")) {
        blocks.push_back(std::make_unique<CModuleTypeBlockXML>(element));
    }
}

void CModuleTypeFPGAXML::GetLookupTables(ModuleTypeLookupTableReaders& tables) const {
    for (xercesc::DOMElement* element : FindElements(m_element, L"LookupTable")) {
        tables.push_back(std::make_unique<CModuleTypeLookupTableXML>(element));
    }
}

int32_t CModuleTypeFPGAXML::GetFirmwareInterfaceId() const {
    return InterfaceOf(FindFirstElement(m_element, L"Firmware"));
}

uint8_t CModuleTypeFPGAXML::GetFirmwareDeviceId() const {
    return static_cast<uint8_t>(
        ChildAttribute(m_element, L"Firmware", L"deviceID", kFirmwareDeviceId));
}

uint32_t CModuleTypeFPGAXML::GetFirmwareStart() const {
    return ChildAttribute(m_element, L"Firmware", L"start", kFirmwareStart);
}

uint32_t CModuleTypeFPGAXML::GetFirmwareRevisionStart() const {
    return ChildAttribute(m_element, L"FirmwareRevision", L"start", kRegisterStart);
}

uint32_t CModuleTypeFPGAXML::GetLookupTableRegisterStart() const {
    return ChildAttribute(m_element, L"LookupTableRegister", L"start", kRegisterStart);
}
