#pragma once

#include <cstdint>
#include <string>

// An ORLAN6 setup file as the block sees it: one setter and one getter per
// parameter (setters append to a new document, getters read a parsed one and
// never fail: a missing parameter or an unknown word gives 0, or false).
class CDefaultsOrlan6XMLIF {
public:
    virtual ~CDefaultsOrlan6XMLIF() = default;

    virtual bool SetInputVideoFormat(uint32_t value) = 0;
    virtual uint32_t GetInputVideoFormat() const = 0;
    virtual bool SetInputVideoBitDepth(uint32_t value) = 0;
    virtual uint32_t GetInputVideoBitDepth() const = 0;
    virtual bool SetInputVideoColor(uint32_t value) = 0;
    virtual uint32_t GetInputVideoColor() const = 0;
    virtual bool SetInputVideoColorRange(uint32_t value) = 0;
    virtual uint32_t GetInputVideoColorRange() const = 0;
    virtual bool SetInputVideoMode(uint32_t value) = 0;
    virtual uint32_t GetInputVideoMode() const = 0;
    virtual bool SetOutputVideoFormat(uint32_t value) = 0;
    virtual uint32_t GetOutputVideoFormat() const = 0;
    virtual bool SetOutputVideoBitDepth(uint32_t value) = 0;
    virtual uint32_t GetOutputVideoBitDepth() const = 0;
    virtual bool SetOutputVideoColorRange(uint32_t value) = 0;
    virtual uint32_t GetOutputVideoColorRange() const = 0;
    virtual bool SetOutputMode(uint32_t value) = 0;
    virtual uint32_t GetOutputMode() const = 0;
    virtual bool SetOutputHDMIAudio(uint32_t value) = 0;
    virtual uint32_t GetOutputHDMIAudio() const = 0;
    virtual bool SetOutputAnalogAudio(uint32_t value) = 0;
    virtual uint32_t GetOutputAnalogAudio() const = 0;
    virtual bool SetOutput2xHDChannel(uint32_t value) = 0;
    virtual uint32_t GetOutput2xHDChannel() const = 0;
    virtual bool SetOutput2KCenterCut(bool value) = 0;
    virtual bool GetOutput2KCenterCut() const = 0;

    // The Module element's type and version attributes; "unknown" when absent.
    virtual std::wstring GetModuleType() const = 0;
    virtual std::wstring GetVersion() const = 0;
    virtual bool HasError() const = 0;
    virtual void TakeError(std::wstring& text) = 0;
};
