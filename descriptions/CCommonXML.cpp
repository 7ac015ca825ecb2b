#include "descriptions/CCommonXML.h"

#include "descriptions/XmlText.h"

#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMNodeList.hpp>

#include <cstdint>
#include <cwchar>
#include <limits>

xercesc::DOMElement* CCommonXML::FindFirstElement(const xercesc::DOMElement* parent,
                                                  const std::wstring& name) {
    if (parent == nullptr) {
        return nullptr;
    }
    const std::u16string tag = WideToXml(name);
    // getElementsByTagName of an element lists its descendants only.
    xercesc::DOMNodeList* list = parent->getElementsByTagName(tag.c_str());
    if (list == nullptr || list->getLength() == 0) {
        return nullptr;
    }
    return dynamic_cast<xercesc::DOMElement*>(list->item(0));
}

std::vector<xercesc::DOMElement*> CCommonXML::FindElements(const xercesc::DOMElement* parent,
                                                           const std::wstring& name) {
    std::vector<xercesc::DOMElement*> elements;
    if (parent == nullptr) {
        return elements;
    }
    const std::u16string tag = WideToXml(name);
    xercesc::DOMNodeList* list = parent->getElementsByTagName(tag.c_str());
    for (XMLSize_t i = 0; list != nullptr && i < list->getLength(); ++i) {
        if (auto* element = dynamic_cast<xercesc::DOMElement*>(list->item(i))) {
            elements.push_back(element);
        }
    }
    return elements;
}

int32_t CCommonXML::ConvertInteger(const std::wstring& text) {
    // wcstoll already has the base-0 rules; only the range differs (long is
    // 64 bits here, the stored value is 32).
    const long long value = std::wcstoll(text.c_str(), nullptr, 0);
    if (value > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

bool CCommonXML::GetIntAttribute(const xercesc::DOMElement* element, const std::wstring& name,
                                 uint32_t& value) {
    std::wstring text;
    if (!GetStringAttribute(element, name, text)) {
        return false;
    }
    value = static_cast<uint32_t>(ConvertInteger(text));
    return true;
}

bool CCommonXML::GetStringAttribute(const xercesc::DOMElement* element, const std::wstring& name,
                                    std::wstring& value) {
    if (element == nullptr) {
        return false;
    }
    const std::u16string attribute = WideToXml(name);
    if (!element->hasAttribute(attribute.c_str())) {
        return false;
    }
    value = XmlToWide(element->getAttribute(attribute.c_str()));
    return true;
}

uint32_t CCommonXML::IntAttributeOr(const xercesc::DOMElement* element, const std::wstring& name,
                                    uint32_t fallback) {
    uint32_t value = fallback;
    GetIntAttribute(element, name, value);
    return value;
}

std::wstring CCommonXML::StringAttributeOr(const xercesc::DOMElement* element,
                                           const std::wstring& name, const std::wstring& fallback) {
    std::wstring value = fallback;
    GetStringAttribute(element, name, value);
    return value;
}
