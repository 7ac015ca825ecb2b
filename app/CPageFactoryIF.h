#pragma once

#include "app/CTabPageIF.h"
#include "descriptions/ModuleTypeNames.h"

#include <memory>

class CPageServicesIF;

// Makes the main dialog's tab pages. The dialog asks once for each page while
// it initialises, in this order: the three setup pages (0 Unknown, 1 ORLAN6,
// 2 TARN), the update page, the peek/poke page, the lookup table page. A
// factory that cannot make a page returns null and the dialog shows an empty
// page instead.
class CPageFactoryIF {
public:
    virtual ~CPageFactoryIF() = default;

    virtual std::unique_ptr<CTabPageIF> CreateSetupPage(ModuleTypeId key,
                                                        CPageServicesIF& services) = 0;
    virtual std::unique_ptr<CUpdatePageIF> CreateUpdatePage(CPageServicesIF& services) = 0;
    virtual std::unique_ptr<CTabPageIF> CreatePeekPokePage(CPageServicesIF& services) = 0;
    // The lookup table page asks the update page for desired table versions.
    virtual std::unique_ptr<CTabPageIF> CreateLookupTablePage(CPageServicesIF& services,
                                                              CUpdatePageIF& updatePage) = 0;
};
