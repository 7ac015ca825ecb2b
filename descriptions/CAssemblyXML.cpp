#include "descriptions/CAssemblyXML.h"

#include "descriptions/CAssemblyFPGAXML.h"

uint8_t CAssemblyXML::GetId() const {
    return static_cast<uint8_t>(IntAttributeOr(m_element, L"id", 0));
}

std::wstring CAssemblyXML::ChildText(const wchar_t* child, const wchar_t* attribute) const {
    return StringAttributeOr(FindFirstElement(m_element, child), attribute);
}

VersionNumber CAssemblyXML::GetReleaseVersion() const {
    return ParseVersionNumber(ChildText(L"Release", L"version"));
}

std::wstring CAssemblyXML::GetBoardAssemblyNumber() const {
    return ChildText(L"BoardAssembly", L"number");
}

std::wstring CAssemblyXML::GetModuleTypeFilename() const {
    return ChildText(L"ModuleType", L"filename");
}

VersionNumber CAssemblyXML::GetSafeBootVersion() const {
    return ParseVersionNumber(ChildText(L"SafeBoot", L"version"));
}

std::wstring CAssemblyXML::GetSafeBootFilename() const {
    return ChildText(L"SafeBoot", L"filename");
}

VersionNumber CAssemblyXML::GetFerrinVersion() const {
    return ParseVersionNumber(ChildText(L"Ferrin", L"version"));
}

std::wstring CAssemblyXML::GetFerrinFilename() const {
    return ChildText(L"Ferrin", L"filename");
}

void CAssemblyXML::GetFpgas(AssemblyFPGAReaders& fpgas) const {
    for (xercesc::DOMElement* element : FindElements(m_element, L"FPGA")) {
        fpgas.push_back(std::make_unique<CAssemblyFPGAXML>(element));
    }
}
