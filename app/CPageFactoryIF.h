#pragma once

#include "descriptions/ModuleTypeNames.h"
#include "pages/CTabPage.h"

#include <memory>

class CPageServicesIF;

// Makes the main dialog's tab pages. The dialog asks once for each page while
// it initialises, in this order: a setup page per module type (in the order
// of kModuleTypes, Unknown first), the update page, the peek/poke page, the
// lookup table page, and hands each to Qt (its page area owns it). A factory
// that cannot make a page returns null and the dialog shows an empty page
// instead.
class CPageFactoryIF {
public:
    virtual ~CPageFactoryIF() = default;

    virtual std::unique_ptr<CTabPage> CreateSetupPage(ModuleTypeId key,
                                                      CPageServicesIF& services) = 0;
    virtual std::unique_ptr<CTabPage> CreateUpdatePage(CPageServicesIF& services) = 0;
    virtual std::unique_ptr<CTabPage> CreatePeekPokePage(CPageServicesIF& services) = 0;
    virtual std::unique_ptr<CTabPage> CreateLookupTablePage(CPageServicesIF& services) = 0;
};
