#include "app/CDefaultPageFactory.h"

#include "app/CPageAdapter.h"
#include "app/CPlaceholderPages.h"

#if PELLWORTH_HAVE_SETUP_PAGES
#include "setups/CSetupOrlan6.h"
#include "setups/CSetupUnknown.h"
#include "setups/CSetup_TARN.h"
#endif
#if PELLWORTH_HAVE_UPDATE_PAGE
#include "maintenance/CUpdate.h"
#endif

namespace {

#if PELLWORTH_HAVE_UPDATE_PAGE
// The update page, with the release services the other pages use.
class CUpdatePageAdapter final : public CUpdatePageIF {
public:
    explicit CUpdatePageAdapter(CPageServicesIF& services) : m_page(&services) {}

    CUpdate& Page() { return *m_page.Get(); }

    QWidget* Widget() override { return m_page.Widget(); }
    void UpdateControls() override { m_page.UpdateControls(); }
    void ReloadForModule() override { m_page.ReloadForModule(); }
    bool QueryClose() override { return m_page.QueryClose(); }
    void CopyIdentity() override { Page().CopyIdentity(); }
    const AssemblyRecord* CurrentRelease() override { return Page().CurrentRelease(); }
    bool ReleaseMatches(VersionNumber version) override { return Page().ReleaseMatches(version); }
    bool ModuleEntryValid(const ModuleRecord& module) override {
        return Page().ModuleEntryValid(module);
    }

private:
    CPageAdapter<CUpdate> m_page;
};
#endif

} // namespace

std::unique_ptr<CTabPageIF> CDefaultPageFactory::CreateSetupPage(ModuleTypeId key,
                                                                 CPageServicesIF& services) {
#if PELLWORTH_HAVE_SETUP_PAGES
    switch (key) {
    case 0:
        return std::make_unique<CPageAdapter<CSetupUnknown>>(&services);
    case 1:
        return std::make_unique<CPageAdapter<CSetupOrlan6>>(&services);
    case 2:
        return std::make_unique<CPageAdapter<CSetup_TARN>>(&services);
    default:
        break;
    }
#else
    (void)services;
#endif
    if (key == 0)
        return std::make_unique<CPlaceholderPage>();
    return std::make_unique<CPlaceholderPage>(L"The " + ModuleTypeName(key) +
                                              L" setup is not available in this build.");
}

std::unique_ptr<CUpdatePageIF> CDefaultPageFactory::CreateUpdatePage(CPageServicesIF& services) {
#if PELLWORTH_HAVE_UPDATE_PAGE
    return std::make_unique<CUpdatePageAdapter>(services);
#else
    (void)services;
    return std::make_unique<CPlaceholderUpdatePage>();
#endif
}

std::unique_ptr<CTabPageIF> CDefaultPageFactory::CreatePeekPokePage(CPageServicesIF&) {
    return std::make_unique<CPlaceholderPage>(L"Register access is not available in this build.");
}

std::unique_ptr<CTabPageIF> CDefaultPageFactory::CreateLookupTablePage(CPageServicesIF&,
                                                                       CUpdatePageIF&) {
    return std::make_unique<CPlaceholderPage>(
        L"Lookup table downloads are not available in this build.");
}
