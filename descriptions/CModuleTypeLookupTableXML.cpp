#include "descriptions/CModuleTypeLookupTableXML.h"

uint8_t CModuleTypeLookupTableXML::GetId() const {
    return static_cast<uint8_t>(IntAttributeOr(m_element, L"id", 0));
}

std::wstring CModuleTypeLookupTableXML::GetName() const {
    return StringAttributeOr(m_element, L"name");
}

uint8_t CModuleTypeLookupTableXML::GetDeviceId() const {
    return static_cast<uint8_t>(IntAttributeOr(m_element, L"deviceID", 0));
}

uint32_t CModuleTypeLookupTableXML::GetStart() const {
    return IntAttributeOr(m_element, L"start", 0);
}

uint32_t CModuleTypeLookupTableXML::GetLength() const {
    return IntAttributeOr(m_element, L"length", 0);
}
