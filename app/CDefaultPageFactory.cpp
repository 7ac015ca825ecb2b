#include "app/CDefaultPageFactory.h"

#include "maintenance/pages/CLookupTable.h"
#include "maintenance/pages/CPeekPoke.h"
#include "maintenance/pages/CUpdate.h"
#include "setups/pages/CSetupOrlan6.h"
#include "setups/pages/CSetupUnknown.h"
#include "setups/pages/CSetup_TARN.h"

namespace {

template <class Page> std::unique_ptr<CTabPage> MakeSetupPage(CPageServicesIF& services) {
    return std::make_unique<Page>(&services);
}

// The Setup page of each module type with a setup (kModuleTypes); any other
// type gets the page that says there is no setup.
struct SetupPageRow {
    ModuleTypeId type;
    std::unique_ptr<CTabPage> (*make)(CPageServicesIF& services);
};
constexpr SetupPageRow kSetupPages[] = {
    {kModuleTypeOrlan6, &MakeSetupPage<CSetupOrlan6>},
    {kModuleTypeTarn, &MakeSetupPage<CSetup_TARN>},
};

} // namespace

std::unique_ptr<CTabPage> CDefaultPageFactory::CreateSetupPage(ModuleTypeId key,
                                                               CPageServicesIF& services) {
    for (const SetupPageRow& row : kSetupPages)
        if (row.type == key)
            return row.make(services);
    return std::make_unique<CSetupUnknown>(&services);
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
