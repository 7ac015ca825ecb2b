#pragma once

#include "setups/CDefaultsTARNXMLIF.h"
#include "setups/CSetupFileXML.h"

// Setup file of a TARN module; writes data-format version "0.2" (a "0.1"
// file lacks SDFormat).
class CDefaultsTARNXML : public CDefaultsTARNXMLIF, public CSetupFileXML {
public:
    // Parameter indices in file order.
    enum Param : size_t {
        kVideoFormat,
        kDeepColor,
        kColorRange,
        kOutputFormat,
        kHDMIDVI,
        kFrameRate,
        kScaling,
        kSDFormat,
        kHDMIAudio,
        kAnalogAudio,
        kParamCount
    };

    CDefaultsTARNXML();
    ~CDefaultsTARNXML() override;

    bool SetVideoFormat(uint32_t value) override { return SetEnum(kVideoFormat, value); }
    uint32_t GetVideoFormat() const override { return GetEnum(kVideoFormat); }
    bool SetDeepColor(uint32_t value) override { return SetEnum(kDeepColor, value); }
    uint32_t GetDeepColor() const override { return GetEnum(kDeepColor); }
    bool SetColorRange(uint32_t value) override { return SetEnum(kColorRange, value); }
    uint32_t GetColorRange() const override { return GetEnum(kColorRange); }
    bool SetOutputFormat(uint32_t value) override { return SetEnum(kOutputFormat, value); }
    uint32_t GetOutputFormat() const override { return GetEnum(kOutputFormat); }
    bool SetHDMIDVI(uint32_t value) override { return SetEnum(kHDMIDVI, value); }
    uint32_t GetHDMIDVI() const override { return GetEnum(kHDMIDVI); }
    bool SetFrameRate(uint32_t value) override { return SetEnum(kFrameRate, value); }
    uint32_t GetFrameRate() const override { return GetEnum(kFrameRate); }
    bool SetScaling(uint32_t value) override { return SetEnum(kScaling, value); }
    uint32_t GetScaling() const override { return GetEnum(kScaling); }
    bool SetSDFormat(uint32_t value) override { return SetEnum(kSDFormat, value); }
    uint32_t GetSDFormat() const override { return GetEnum(kSDFormat); }
    bool SetHDMIAudio(uint32_t value) override { return SetEnum(kHDMIAudio, value); }
    uint32_t GetHDMIAudio() const override { return GetEnum(kHDMIAudio); }
    bool SetAnalogAudio(uint32_t value) override { return SetEnum(kAnalogAudio, value); }
    uint32_t GetAnalogAudio() const override { return GetEnum(kAnalogAudio); }

    std::wstring GetModuleType() const override { return ModuleAttribute(L"type"); }
    std::wstring GetVersion() const override { return ModuleAttribute(L"version"); }
    bool HasError() const override { return CXMLFileReader::HasError(); }
    void TakeError(std::wstring& text) override { CXMLFileReader::TakeError(text); }
};
