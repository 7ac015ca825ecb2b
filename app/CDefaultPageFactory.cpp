#include "app/CDefaultPageFactory.h"

#include "maintenance/pages/CLookupTable.h"
#include "maintenance/pages/CPeekPoke.h"
#include "maintenance/pages/CUpdate.h"
#include "setups/pages/CSetupOrlan6.h"
#include "setups/pages/CSetupUnknown.h"
#include "setups/pages/CSetup_TARN.h"

std::unique_ptr<CTabPage> CDefaultPageFactory::CreateSetupPage(ModuleTypeId key,
                                                               CPageServicesIF& services) {
    switch (key) {
    case kModuleTypeOrlan6:
        return std::make_unique<CSetupOrlan6>(&services);
    case kModuleTypeTarn:
        return std::make_unique<CSetup_TARN>(&services);
    default:
        return std::make_unique<CSetupUnknown>(&services);
    }
}

std::unique_ptr<CTabPage> CDefaultPageFactory::CreateUpdatePage(CPageServicesIF& services) {
    return std::make_unique<CUpdate>(&services);
}

std::unique_ptr<CTabPage> CDefaultPageFactory::CreatePeekPokePage(CPageServicesIF& services) {
    return std::make_unique<CPeekPoke>(&services);
}

std::unique_ptr<CTabPage> CDefaultPageFactory::CreateLookupTablePage(CPageServicesIF& services) {
    return std::make_unique<CLookupTable>(&services);
}
