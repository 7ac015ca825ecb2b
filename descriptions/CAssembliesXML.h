#pragma once

#include "descriptions/CAssembliesXMLIF.h"
#include "descriptions/CXMLFileReader.h"

// Reader of a release assembly file ("assembly.xml"): a Module element (data
// format version "0.1") below the document element, with its Assemblies.
class CAssembliesXML : public CAssembliesXMLIF, public CXMLFileReader {
public:
    CAssembliesXML();
    ~CAssembliesXML() override;

    bool Parse(const std::wstring& ignored, const std::wstring& path) override;
    ModuleTypeId GetModuleType() const override;
    void GetAssemblies(AssemblyReaders& assemblies) const override;
    std::wstring GetVersion() const override;
    bool HasError() const override { return CXMLFileReader::HasError(); }
    void TakeError(std::wstring& text) override { CXMLFileReader::TakeError(text); }
};
