#pragma once

#include "descriptions/CAssembliesXMLIF.h"
#include "descriptions/CCommonXML.h"

// One LookupTable element below an Assembly's FPGA.
class CAssemblyLookupTableXML : public CAssemblyLookupTableXMLIF, public CCommonXML {
public:
    explicit CAssemblyLookupTableXML(xercesc::DOMElement* element) : m_element(element) {}

    uint8_t GetId() const override;
    VersionNumber GetComponentVersion() const override;
    std::wstring GetFilename() const override;

private:
    xercesc::DOMElement* m_element; // not owned
};
