#include "descriptions/CModuleTypeBlockXML.h"

uint8_t CModuleTypeBlockXML::GetId() const {
    return static_cast<uint8_t>(IntAttributeOr(m_element, L"id", 0));
}

std::wstring CModuleTypeBlockXML::GetName() const {
    return StringAttributeOr(m_element, L"name");
}

uint16_t CModuleTypeBlockXML::GetStart() const {
    return static_cast<uint16_t>(IntAttributeOr(m_element, L"start", 0));
}

uint16_t CModuleTypeBlockXML::GetLength() const {
    return static_cast<uint16_t>(IntAttributeOr(m_element, L"length", 0));
}
