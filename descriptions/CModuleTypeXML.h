#pragma once

#include "descriptions/CModuleTypeXMLIF.h"
#include "descriptions/CXMLFileReader.h"

// Reader of a module type file: a ModuleType element (data-format version
// "0.1") below the document element, with its FPGAs.
class CModuleTypeXML : public CModuleTypeXMLIF, public CXMLFileReader {
public:
    CModuleTypeXML();
    ~CModuleTypeXML() override;

    bool Parse(const std::wstring& ignored, const std::wstring& path) override;
    std::wstring GetVersion() const override;
    ModuleTypeId GetModuleType() const override;
    uint8_t GetFpgaId() const override;
    uint16_t GetAddr() const override;
    void GetFpgas(ModuleTypeFPGAReaders& fpgas) const override;
    bool HasError() const override { return CXMLFileReader::HasError(); }
    void TakeError(std::wstring& text) override { CXMLFileReader::TakeError(text); }

private:
    // The ModuleType element below the document element, or null.
    xercesc::DOMElement* ModuleTypeElement() const;
};
