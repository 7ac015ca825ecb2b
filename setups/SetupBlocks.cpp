#include "setups/SetupBlocks.h"

#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/CDefaultsOrlan6XML.h"
#include "setups/CDefaultsTARNXML.h"

namespace {

struct SetupKind {
    ModuleTypeId type;
    const wchar_t* fileFilter;
    std::unique_ptr<CConfigBlockIF> (*makeBlock)(CCmdEngine* engine);
    // Null when the block is not of this kind.
    std::unique_ptr<CSetupDocumentIF> (*makeDocument)(CConfigBlockIF& block);
    // Null when the block is not of this kind, else whether the module took it.
    std::optional<bool> (*reset)(CConfigBlockIF& block);
};

// The row of a type whose block class is Block and whose setup file class is File.
template <class Block, class File>
constexpr SetupKind Kind(ModuleTypeId type, const wchar_t* fileFilter) {
    return {type, fileFilter,
            [](CCmdEngine* engine) -> std::unique_ptr<CConfigBlockIF> {
                return std::make_unique<Block>(engine, kSetupFpgaId, kSetupBlockId);
            },
            [](CConfigBlockIF& block) -> std::unique_ptr<CSetupDocumentIF> {
                if (auto* own = dynamic_cast<Block*>(&block))
                    return std::make_unique<CSetupDocument<Block, File>>(*own);
                return nullptr;
            },
            [](CConfigBlockIF& block) -> std::optional<bool> {
                if (auto* own = dynamic_cast<Block*>(&block))
                    return own->Reset();
                return std::nullopt;
            }};
}

// One row per module type with a setup (kModuleTypes' hasSetup).
constexpr SetupKind kSetupKinds[] = {
    Kind<CConfigModORLAN6, CDefaultsOrlan6XML>(kModuleTypeOrlan6,
                                               L"Orlan6 Files (*.xml)|*.xml|All Files (*.*)|*.*||"),
    Kind<CConfigModTarn, CDefaultsTARNXML>(kModuleTypeTarn,
                                           L"TARN Files (*.xml)|*.xml|All Files (*.*)|*.*||"),
};

const SetupKind* FindKind(ModuleTypeId type) {
    for (const SetupKind& kind : kSetupKinds)
        if (kind.type == type)
            return &kind;
    return nullptr;
}

} // namespace

std::unique_ptr<CConfigBlockIF> MakeSetupBlock(ModuleTypeId type, CCmdEngine* engine) {
    const SetupKind* kind = FindKind(type);
    return kind ? kind->makeBlock(engine) : nullptr;
}

std::unique_ptr<CSetupDocumentIF> MakeSetupDocument(ModuleTypeId type, CConfigBlockIF& block) {
    const SetupKind* kind = FindKind(type);
    return kind ? kind->makeDocument(block) : nullptr;
}

const wchar_t* SetupFileFilter(ModuleTypeId type) {
    const SetupKind* kind = FindKind(type);
    return kind ? kind->fileFilter : L"Setup Files (*.xml)|*.xml|All Files (*.*)|*.*||";
}

bool ResetSetupBlock(CConfigBlockIF& block) {
    for (const SetupKind& kind : kSetupKinds)
        if (const std::optional<bool> taken = kind.reset(block))
            return *taken;
    return false;
}
