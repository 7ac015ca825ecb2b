#pragma once

#include "app/CPageFactoryIF.h"

// The pages the program shows. Pages this build does not have yet are
// placeholders.
class CDefaultPageFactory : public CPageFactoryIF {
public:
    std::unique_ptr<CTabPageIF> CreateSetupPage(ModuleTypeId key,
                                                CPageServicesIF& services) override;
    std::unique_ptr<CUpdatePageIF> CreateUpdatePage(CPageServicesIF& services) override;
    std::unique_ptr<CTabPageIF> CreatePeekPokePage(CPageServicesIF& services) override;
    std::unique_ptr<CTabPageIF> CreateLookupTablePage(CPageServicesIF& services,
                                                      CUpdatePageIF& updatePage) override;
};
