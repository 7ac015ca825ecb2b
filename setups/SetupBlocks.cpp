#include "setups/SetupBlocks.h"

#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"

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
