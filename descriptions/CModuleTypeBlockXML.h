#pragma once

#include "descriptions/CCommonXML.h"
#include "descriptions/CModuleTypeXMLIF.h"

// One ParamBlock element of a module type file.
class CModuleTypeBlockXML : public CModuleTypeBlockXMLIF, public CCommonXML {
public:
    explicit CModuleTypeBlockXML(xercesc::DOMElement* element) : m_element(element) {}

    uint8_t GetId() const override;
    std::wstring GetName() const override;
    uint16_t GetStart() const override;
    uint16_t GetLength() const override;

private:
    xercesc::DOMElement* m_element; // not owned
};
