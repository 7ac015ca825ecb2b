#pragma once

#include <cstdint>
#include <string>

// A TARN setup file as the block sees it: one setter and one getter per
// parameter (setters append to a new document, getters read a parsed one and
// never fail: a missing parameter or an unknown word gives 0).
class CDefaultsTARNXMLIF {
public:
    virtual ~CDefaultsTARNXMLIF() = default;

    virtual bool SetVideoFormat(uint32_t value) = 0;
    virtual uint32_t GetVideoFormat() const = 0;
    virtual bool SetDeepColor(uint32_t value) = 0;
    virtual uint32_t GetDeepColor() const = 0;
    virtual bool SetColorRange(uint32_t value) = 0;
    virtual uint32_t GetColorRange() const = 0;
    virtual bool SetOutputFormat(uint32_t value) = 0;
    virtual uint32_t GetOutputFormat() const = 0;
    // Parameter "HDMI/DVI".
    virtual bool SetHDMIDVI(uint32_t value) = 0;
    virtual uint32_t GetHDMIDVI() const = 0;
    virtual bool SetFrameRate(uint32_t value) = 0;
    virtual uint32_t GetFrameRate() const = 0;
    virtual bool SetScaling(uint32_t value) = 0;
    virtual uint32_t GetScaling() const = 0;
    virtual bool SetSDFormat(uint32_t value) = 0;
    virtual uint32_t GetSDFormat() const = 0;
    virtual bool SetHDMIAudio(uint32_t value) = 0;
    virtual uint32_t GetHDMIAudio() const = 0;
    virtual bool SetAnalogAudio(uint32_t value) = 0;
    virtual uint32_t GetAnalogAudio() const = 0;

    // The Module element's type and version attributes; "unknown" when absent.
    virtual std::wstring GetModuleType() const = 0;
    virtual std::wstring GetVersion() const = 0;
    virtual bool HasError() const = 0;
    virtual void TakeError(std::wstring& text) = 0;
};
