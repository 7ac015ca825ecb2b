#pragma once

#include "app/CPageFactoryIF.h"

// The pages the program shows.
class CDefaultPageFactory : public CPageFactoryIF {
public:
    std::unique_ptr<CTabPage> CreateSetupPage(ModuleTypeId key, CPageServicesIF& services) override;
    std::unique_ptr<CTabPage> CreateUpdatePage(CPageServicesIF& services) override;
    std::unique_ptr<CTabPage> CreatePeekPokePage(CPageServicesIF& services) override;
    std::unique_ptr<CTabPage> CreateLookupTablePage(CPageServicesIF& services) override;
};
