#include "setups/SetupBlocks.h"

#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/CDefaultsOrlan6XML.h"
#include "setups/CDefaultsTARNXML.h"

std::unique_ptr<CConfigBlockIF> MakeSetupBlock(ModuleTypeId type, CCmdEngine* engine) {
    switch (type) {
    case kModuleTypeOrlan6:
        return std::make_unique<CConfigModORLAN6>(engine, kSetupFpgaId, kSetupBlockId);
    case kModuleTypeTarn:
        return std::make_unique<CConfigModTarn>(engine, kSetupFpgaId, kSetupBlockId);
    default:
        return nullptr;
    }
}

std::unique_ptr<CSetupDocumentIF> MakeSetupDocument(ModuleTypeId type, CConfigBlockIF& block) {
    if (auto* tarn = dynamic_cast<CConfigModTarn*>(&block); tarn && type == kModuleTypeTarn)
        return std::make_unique<CSetupDocument<CConfigModTarn, CDefaultsTARNXML>>(*tarn);
    if (auto* orlan6 = dynamic_cast<CConfigModORLAN6*>(&block); orlan6 && type == kModuleTypeOrlan6)
        return std::make_unique<CSetupDocument<CConfigModORLAN6, CDefaultsOrlan6XML>>(*orlan6);
    return nullptr;
}

const wchar_t* SetupFileFilter(ModuleTypeId type) {
    return type == kModuleTypeTarn ? kTarnSetupFilter : kOrlan6SetupFilter;
}

bool ResetSetupBlock(CConfigBlockIF& block) {
    if (auto* tarn = dynamic_cast<CConfigModTarn*>(&block))
        return tarn->Reset();
    if (auto* orlan6 = dynamic_cast<CConfigModORLAN6*>(&block))
        return orlan6->Reset();
    return false;
}
