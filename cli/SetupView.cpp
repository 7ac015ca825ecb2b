#include "cli/SetupView.h"

#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/CDefaultsOrlan6XML.h"
#include "setups/CDefaultsTARNXML.h"

#include <cstdio>

namespace cli {

namespace {

// Written as "setup save" would write it: what the writer took is the view.
template <class Block, class Writer>
bool Describe(const Block& block, const wchar_t* typeName, SetupView& view, std::wstring& error) {
    Writer writer;
    if (!writer.CreateDocument(typeName) || !block.SaveToSetup(writer)) {
        writer.TakeError(error);
        return false;
    }
    view = SetupView{};
    view.fpgaId = block.FpgaId();
    view.blockId = block.BlockId();
    for (uint16_t i = 0; i < 4; ++i)
        view.bytes[i] = block.EncodeByte(i);
    for (const CSetupFileXML::WrittenParam& param : writer.WrittenParams())
        view.fields.push_back({param.name, param.value, param.word});
    return true;
}

} // namespace

bool DescribeSetup(const CConfigModTarn& block, SetupView& view, std::wstring& error) {
    return Describe<CConfigModTarn, CDefaultsTARNXML>(block, L"TARN", view, error);
}

bool DescribeSetup(const CConfigModORLAN6& block, SetupView& view, std::wstring& error) {
    return Describe<CConfigModORLAN6, CDefaultsOrlan6XML>(block, L"ORLAN6", view, error);
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
