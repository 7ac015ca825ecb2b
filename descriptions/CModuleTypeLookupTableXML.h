#pragma once

#include "descriptions/CCommonXML.h"
#include "descriptions/CModuleTypeXMLIF.h"

// One LookupTable element of a module type file.
class CModuleTypeLookupTableXML : public CModuleTypeLookupTableXMLIF, public CCommonXML {
public:
    explicit CModuleTypeLookupTableXML(xercesc::DOMElement* element) : m_element(element) {}

    uint8_t GetId() const override;
    std::wstring GetName() const override;
    uint8_t GetDeviceId() const override;
    uint32_t GetStart() const override;
    uint32_t GetLength() const override;

private:
    xercesc::DOMElement* m_element; // not owned
};
