#include "descriptions/CAssembliesXML.h"

#include "descriptions/CAssemblyXML.h"

namespace {

const wchar_t kModule[] = L"Module";

} // namespace

CAssembliesXML::CAssembliesXML() : CXMLFileReader(L"0.1") {}

CAssembliesXML::~CAssembliesXML() = default;

bool CAssembliesXML::Parse(const std::wstring& /*ignored*/, const std::wstring& path) {
    return ParseAndCheckVersion(path, kModule);
}

ModuleTypeId CAssembliesXML::GetModuleType() const {
    return ModuleTypeFromName(GetDocumentAttribute(kModule, L"type"));
}

void CAssembliesXML::GetAssemblies(AssemblyReaders& assemblies) const {
    const xercesc::DOMElement* module = FindFirstElement(DocumentElement(), kModule);
    for (xercesc::DOMElement* element : FindElements(module, L"Assembly")) {
        assemblies.push_back(std::make_unique<CAssemblyXML>(element));
    }
}

std::wstring CAssembliesXML::GetVersion() const {
    return GetDocumentAttribute(kModule, L"version");
}
