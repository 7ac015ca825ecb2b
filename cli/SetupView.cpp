#include "cli/SetupView.h"

#include "setups/SetupBlocks.h"

#include <cstdio>

namespace cli {

// Written as "setup save" would write it: what the writer took is the view.
bool DescribeSetup(CConfigBlockIF& block, ModuleTypeId type, SetupView& view, std::wstring& error) {
    error.clear();
    const std::unique_ptr<CSetupDocumentIF> document = MakeSetupDocument(type, block);
    if (!document)
        return false;
    if (!document->CreateDocument(ModuleTypeName(type)) || !document->SaveBlock()) {
        document->TakeError(error);
        return false;
    }
    view = SetupView{};
    view.fpgaId = block.FpgaId();
    view.blockId = block.BlockId();
    const std::vector<uint8_t> bytes = block.Encoded();
    for (size_t i = 0; i < std::size(view.bytes) && i < bytes.size(); ++i)
        view.bytes[i] = bytes[i];
    for (const WrittenSetupParam& param : document->WrittenParams())
        view.fields.push_back({param.name, param.value, param.word});
    return true;
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
