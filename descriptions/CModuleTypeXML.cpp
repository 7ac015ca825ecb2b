#include "descriptions/CModuleTypeXML.h"

#include "descriptions/CModuleTypeFPGAXML.h"

#include <xercesc/dom/DOMElement.hpp>

namespace {

const wchar_t kModuleType[] = L"ModuleType";

} // namespace

CModuleTypeXML::CModuleTypeXML() : CXMLFileReader(L"0.1") {}

CModuleTypeXML::~CModuleTypeXML() = default;

bool CModuleTypeXML::Parse(const std::wstring& /*ignored*/, const std::wstring& path) {
    return ParseAndCheckVersion(path, kModuleType);
}

std::wstring CModuleTypeXML::GetVersion() const {
    return GetDocumentAttribute(kModuleType, L"version");
}

ModuleTypeId CModuleTypeXML::GetModuleType() const {
    return ModuleTypeFromName(GetDocumentAttribute(kModuleType, L"type"));
}

xercesc::DOMElement* CModuleTypeXML::ModuleTypeElement() const {
    return FindFirstElement(DocumentElement(), kModuleType);
}

uint8_t CModuleTypeXML::GetFpgaId() const {
    return static_cast<uint8_t>(IntAttributeOr(ModuleTypeElement(), L"fpgaID", 0));
}

uint16_t CModuleTypeXML::GetAddr() const {
    return static_cast<uint16_t>(IntAttributeOr(ModuleTypeElement(), L"addr", 0));
}

void CModuleTypeXML::GetFpgas(ModuleTypeFPGAReaders& fpgas) const {
    for (xercesc::DOMElement* element : FindElements(ModuleTypeElement(), L"FPGA")) {
        fpgas.push_back(std::make_unique<CModuleTypeFPGAXML>(element));
    }
}
