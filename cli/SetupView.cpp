#include "cli/SetupView.h"

#include "descriptions/XmlText.h"
#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/CDefaultsOrlan6XML.h"
#include "setups/CDefaultsTARNXML.h"

#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMNode.hpp>

#include <cstdio>

namespace cli {

namespace {

using T = CConfigModTarn;
using O = CConfigModORLAN6;

// The fields in the order of the setup file (the writer's order).
constexpr uint32_t T::*kTarnFileOrder[] = {
    &T::VideoFormat, &T::DeepColor, &T::ColorRange, &T::OutputFormat, &T::HDMIDVI,
    &T::FrameRate,   &T::Scaling,   &T::SDFormat,   &T::HDMIAudio,    &T::AnalogAudio,
};
constexpr uint32_t O::*kOrlan6FileOrder[] = {
    &O::InputVideoFormat,     &O::InputVideoBitDepth,    &O::InputVideoColor,
    &O::InputVideoColorRange, &O::InputVideoMode,        &O::OutputVideoFormat,
    &O::OutputVideoBitDepth,  &O::OutputVideoColorRange, &O::OutputMode,
    &O::OutputHDMIAudio,      &O::OutputAnalogAudio,     &O::Output2xHDChannel,
};

std::wstring Attribute(const xercesc::DOMElement* element, const wchar_t* name) {
    return XmlToWide(element->getAttribute(WideToXml(name).c_str()));
}

const xercesc::DOMElement* FirstChildElement(const xercesc::DOMNode* parent) {
    for (const xercesc::DOMNode* n = parent->getFirstChild(); n; n = n->getNextSibling())
        if (n->getNodeType() == xercesc::DOMNode::ELEMENT_NODE)
            return static_cast<const xercesc::DOMElement*>(n);
    return nullptr;
}

// The Param elements of the writer's document: name and value word, in order.
std::vector<std::pair<std::wstring, std::wstring>> Params(const CXMLFileReader& writer) {
    std::vector<std::pair<std::wstring, std::wstring>> params;
    const xercesc::DOMElement* root = writer.DocumentElement();
    const xercesc::DOMElement* module = root ? FirstChildElement(root) : nullptr;
    if (!module)
        return params;
    for (const xercesc::DOMNode* n = module->getFirstChild(); n; n = n->getNextSibling()) {
        if (n->getNodeType() != xercesc::DOMNode::ELEMENT_NODE)
            continue;
        const auto* element = static_cast<const xercesc::DOMElement*>(n);
        if (XmlToWide(element->getTagName()) == L"Param")
            params.emplace_back(Attribute(element, L"name"), Attribute(element, L"value"));
    }
    return params;
}

template <class Block, class Writer>
bool Describe(const Block& block, const wchar_t* typeName, const std::vector<uint32_t>& values,
              SetupView& view, std::wstring& error) {
    Writer writer;
    if (!writer.CreateDocument(typeName) || !block.SaveToSetup(writer)) {
        writer.TakeError(error);
        return false;
    }
    const auto params = Params(writer);
    if (params.size() != values.size()) {
        error = L"The setup file writer gave " + std::to_wstring(params.size()) +
                L" parameters for " + std::to_wstring(values.size()) + L" fields.";
        return false;
    }
    view = SetupView{};
    view.fpgaId = block.FpgaId();
    view.blockId = block.BlockId();
    for (uint16_t i = 0; i < 4; ++i)
        view.bytes[i] = block.EncodeByte(i);
    for (size_t i = 0; i < params.size(); ++i)
        view.fields.push_back({params[i].first, values[i], params[i].second});
    return true;
}

} // namespace

bool DescribeSetup(const CConfigModTarn& block, SetupView& view, std::wstring& error) {
    std::vector<uint32_t> values;
    for (const auto field : kTarnFileOrder)
        values.push_back(block.*field);
    return Describe<CConfigModTarn, CDefaultsTARNXML>(block, L"TARN", values, view, error);
}

bool DescribeSetup(const CConfigModORLAN6& block, SetupView& view, std::wstring& error) {
    std::vector<uint32_t> values;
    for (const auto field : kOrlan6FileOrder)
        values.push_back(block.*field);
    values.push_back(block.Output2KCenterCut ? 1 : 0);
    return Describe<CConfigModORLAN6, CDefaultsOrlan6XML>(block, L"ORLAN6", values, view, error);
}

std::wstring BlockBytesText(const SetupView& view) {
    std::wstring text;
    for (const uint8_t byte : view.bytes) {
        wchar_t hex[4];
        std::swprintf(hex, 4, L"%02X", static_cast<unsigned>(byte));
        if (!text.empty())
            text += L' ';
        text += hex;
    }
    return text;
}

} // namespace cli
