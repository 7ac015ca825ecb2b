#include "descriptions/CAssemblyFPGAXML.h"

#include "descriptions/CAssemblyLookupTableXML.h"

uint8_t CAssemblyFPGAXML::GetId() const {
    return static_cast<uint8_t>(IntAttributeOr(m_element, L"id", 0));
}

VersionNumber CAssemblyFPGAXML::GetComponentVersion() const {
    return ParseVersionNumber(StringAttributeOr(m_element, L"version"));
}

std::wstring CAssemblyFPGAXML::GetFilename() const {
    return StringAttributeOr(m_element, L"filename");
}

void CAssemblyFPGAXML::GetLookupTables(AssemblyLookupTableReaders& tables) const {
    for (xercesc::DOMElement* element : FindElements(m_element, L"LookupTable")) {
        tables.push_back(std::make_unique<CAssemblyLookupTableXML>(element));
    }
}
