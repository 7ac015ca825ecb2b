#pragma once

#include "descriptions/CCommonXML.h"
#include "descriptions/CModuleTypeXMLIF.h"

// One FPGA element of a module type file.
class CModuleTypeFPGAXML : public CModuleTypeFPGAXMLIF, public CCommonXML {
public:
    explicit CModuleTypeFPGAXML(xercesc::DOMElement* element) : m_element(element) {}

    uint8_t GetId() const override;
    std::wstring GetName() const override;
    int32_t GetInterfaceId() const override;
    uint8_t GetDeviceId() const override;
    void GetParamBlocks(ModuleTypeBlockReaders& blocks) const override;
    void GetLookupTables(ModuleTypeLookupTableReaders& tables) const override;
    // Firmware element present: interface from its text (-1 when missing),
    // device 102 and start 119 unless given. Element missing: -1, 0, 0.
    int32_t GetFirmwareInterfaceId() const override;
    uint8_t GetFirmwareDeviceId() const override;
    uint32_t GetFirmwareStart() const override;
    // 85 when the element lacks the attribute, 0 when the element is missing.
    uint32_t GetFirmwareRevisionStart() const override;
    uint32_t GetLookupTableRegisterStart() const override;

private:
    xercesc::DOMElement* m_element; // not owned
};
