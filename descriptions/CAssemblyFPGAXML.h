#pragma once

#include "descriptions/CAssembliesXMLIF.h"
#include "descriptions/CCommonXML.h"

// One FPGA element of an Assembly.
class CAssemblyFPGAXML : public CAssemblyFPGAXMLIF, public CCommonXML {
public:
    explicit CAssemblyFPGAXML(xercesc::DOMElement* element) : m_element(element) {}

    uint8_t GetId() const override;
    VersionNumber GetComponentVersion() const override;
    std::wstring GetFilename() const override;
    void GetLookupTables(AssemblyLookupTableReaders& tables) const override;

private:
    xercesc::DOMElement* m_element; // not owned
};
