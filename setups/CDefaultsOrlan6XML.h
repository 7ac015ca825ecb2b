#pragma once

#include "setups/CDefaultsOrlan6XMLIF.h"
#include "setups/CSetupFileXML.h"

// Setup file of an ORLAN6 module; data-format version "0.1".
class CDefaultsOrlan6XML : public CDefaultsOrlan6XMLIF, public CSetupFileXML {
public:
    // Enumerated parameter indices in file order; Output2KCenterCut (On/Off) follows them.
    enum Param : size_t {
        kInputVideoFormat,
        kInputVideoBitDepth,
        kInputVideoColor,
        kInputVideoColorRange,
        kInputVideoMode,
        kOutputVideoFormat,
        kOutputVideoBitDepth,
        kOutputVideoColorRange,
        kOutputMode,
        kOutputHDMIAudio,
        kOutputAnalogAudio,
        kOutput2xHDChannel,
        kParamCount
    };
    static constexpr const wchar_t* kCenterCutName = L"Output2KCenterCut";

    CDefaultsOrlan6XML();
    ~CDefaultsOrlan6XML() override;

    bool SetInputVideoFormat(uint32_t v) override { return SetEnum(kInputVideoFormat, v); }
    uint32_t GetInputVideoFormat() const override { return GetEnum(kInputVideoFormat); }
    bool SetInputVideoBitDepth(uint32_t v) override { return SetEnum(kInputVideoBitDepth, v); }
    uint32_t GetInputVideoBitDepth() const override { return GetEnum(kInputVideoBitDepth); }
    bool SetInputVideoColor(uint32_t v) override { return SetEnum(kInputVideoColor, v); }
    uint32_t GetInputVideoColor() const override { return GetEnum(kInputVideoColor); }
    bool SetInputVideoColorRange(uint32_t v) override { return SetEnum(kInputVideoColorRange, v); }
    uint32_t GetInputVideoColorRange() const override { return GetEnum(kInputVideoColorRange); }
    bool SetInputVideoMode(uint32_t v) override { return SetEnum(kInputVideoMode, v); }
    uint32_t GetInputVideoMode() const override { return GetEnum(kInputVideoMode); }
    bool SetOutputVideoFormat(uint32_t v) override { return SetEnum(kOutputVideoFormat, v); }
    uint32_t GetOutputVideoFormat() const override { return GetEnum(kOutputVideoFormat); }
    bool SetOutputVideoBitDepth(uint32_t v) override { return SetEnum(kOutputVideoBitDepth, v); }
    uint32_t GetOutputVideoBitDepth() const override { return GetEnum(kOutputVideoBitDepth); }
    bool SetOutputVideoColorRange(uint32_t v) override {
        return SetEnum(kOutputVideoColorRange, v);
    }
    uint32_t GetOutputVideoColorRange() const override { return GetEnum(kOutputVideoColorRange); }
    bool SetOutputMode(uint32_t v) override { return SetEnum(kOutputMode, v); }
    uint32_t GetOutputMode() const override { return GetEnum(kOutputMode); }
    bool SetOutputHDMIAudio(uint32_t v) override { return SetEnum(kOutputHDMIAudio, v); }
    uint32_t GetOutputHDMIAudio() const override { return GetEnum(kOutputHDMIAudio); }
    bool SetOutputAnalogAudio(uint32_t v) override { return SetEnum(kOutputAnalogAudio, v); }
    uint32_t GetOutputAnalogAudio() const override { return GetEnum(kOutputAnalogAudio); }
    bool SetOutput2xHDChannel(uint32_t v) override { return SetEnum(kOutput2xHDChannel, v); }
    uint32_t GetOutput2xHDChannel() const override { return GetEnum(kOutput2xHDChannel); }
    bool SetOutput2KCenterCut(bool v) override { return SetOnOff(kCenterCutName, v); }
    bool GetOutput2KCenterCut() const override { return GetOnOff(kCenterCutName); }

    std::wstring GetModuleType() const override { return ModuleAttribute(L"type"); }
    std::wstring GetVersion() const override { return ModuleAttribute(L"version"); }
    bool HasError() const override { return CXMLFileReader::HasError(); }
    void TakeError(std::wstring& text) override { CXMLFileReader::TakeError(text); }
};
