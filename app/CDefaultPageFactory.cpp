#include "app/CDefaultPageFactory.h"

#include "app/CPageAdapter.h"
#include "app/CPlaceholderPages.h"
#include "maintenance/CVersionIF.h"
#include "maintenance/pages/CLookupTable.h"
#include "maintenance/pages/CPeekPoke.h"
#include "maintenance/pages/CUpdate.h"
#include "setups/pages/CSetupOrlan6.h"
#include "setups/pages/CSetupUnknown.h"
#include "setups/pages/CSetup_TARN.h"

namespace {

// The update page, with the release services the other pages use.
class CUpdatePageAdapter final : public CUpdatePageIF, public CVersionIF {
public:
    explicit CUpdatePageAdapter(CPageServicesIF& services) : m_page(&services) {}

    CUpdate& Page() { return *m_page.Get(); }

    QWidget* Widget() override { return m_page.Widget(); }
    void UpdateControls() override { m_page.UpdateControls(); }
    void ReloadForModule() override { m_page.ReloadForModule(); }
    bool QueryClose() override { return m_page.QueryClose(); }
    void CopyIdentity() override { Page().CopyIdentity(); }
    void GetDesiredTableVersion(VersionNumber& version, uint8_t fpgaId, uint8_t tableId) override {
        Page().GetDesiredTableVersion(version, fpgaId, tableId);
    }

private:
    CPageAdapter<CUpdate> m_page;
};

} // namespace

std::unique_ptr<CTabPageIF> CDefaultPageFactory::CreateSetupPage(ModuleTypeId key,
                                                                 CPageServicesIF& services) {
    switch (key) {
    case 0:
        return std::make_unique<CPageAdapter<CSetupUnknown>>(&services);
    case 1:
        return std::make_unique<CPageAdapter<CSetupOrlan6>>(&services);
    case 2:
        return std::make_unique<CPageAdapter<CSetup_TARN>>(&services);
    default:
        return std::make_unique<CPlaceholderPage>();
    }
}

std::unique_ptr<CUpdatePageIF> CDefaultPageFactory::CreateUpdatePage(CPageServicesIF& services) {
    return std::make_unique<CUpdatePageAdapter>(services);
}

std::unique_ptr<CTabPageIF> CDefaultPageFactory::CreatePeekPokePage(CPageServicesIF& services) {
    return std::make_unique<CPageAdapter<CPeekPoke>>(&services);
}

std::unique_ptr<CTabPageIF> CDefaultPageFactory::CreateLookupTablePage(CPageServicesIF& services,
                                                                       CUpdatePageIF& updatePage) {
    // The lookup table page asks the update page's release for desired versions.
    return std::make_unique<CPageAdapter<CLookupTable>>(&services,
                                                        dynamic_cast<CVersionIF*>(&updatePage));
}
