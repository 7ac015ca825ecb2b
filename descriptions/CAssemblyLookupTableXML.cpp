#include "descriptions/CAssemblyLookupTableXML.h"

uint8_t CAssemblyLookupTableXML::GetId() const {
    return static_cast<uint8_t>(IntAttributeOr(m_element, L"id", 0));
}

VersionNumber CAssemblyLookupTableXML::GetComponentVersion() const {
    return ParseVersionNumber(StringAttributeOr(m_element, L"version"));
}

std::wstring CAssemblyLookupTableXML::GetFilename() const {
    return StringAttributeOr(m_element, L"filename");
}
