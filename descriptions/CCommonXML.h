#pragma once

#include <xercesc/util/XercesDefs.hpp>

#include <cstdint>
#include <string>
#include <vector>

XERCES_CPP_NAMESPACE_BEGIN
class DOMElement;
XERCES_CPP_NAMESPACE_END

// Element and attribute lookups shared by every XML reader. Holds no data;
// each lookup works only on the element it is given (null is allowed and
// finds nothing).
class CCommonXML {
public:
    // First element of that name among the descendants of parent, in
    // document order; parent itself never matches.
    static xercesc::DOMElement* FindFirstElement(const xercesc::DOMElement* parent,
                                                 const std::wstring& name);

    // Every element of that name among the descendants of parent, in
    // document order.
    static std::vector<xercesc::DOMElement*> FindElements(const xercesc::DOMElement* parent,
                                                          const std::wstring& name);

    // When the attribute exists: converts it like wcstol in base 0 (white
    // space, sign, 0x hexadecimal, leading-0 octal, stops at the first
    // character that does not fit, no digits give 0, clamped to the signed
    // 32-bit range), stores it and returns true. Otherwise returns false and
    // leaves value untouched: callers preset their default.
    static bool GetIntAttribute(const xercesc::DOMElement* element, const std::wstring& name,
                                uint32_t& value);
    // The same for text.
    static bool GetStringAttribute(const xercesc::DOMElement* element, const std::wstring& name,
                                   std::wstring& value);

    // Convenience forms returning the default when the attribute is missing.
    static uint32_t IntAttributeOr(const xercesc::DOMElement* element, const std::wstring& name,
                                   uint32_t fallback);
    static std::wstring StringAttributeOr(const xercesc::DOMElement* element,
                                          const std::wstring& name,
                                          const std::wstring& fallback = std::wstring());

    // The conversion of GetIntAttribute on its own.
    static int32_t ConvertInteger(const std::wstring& text);
};
