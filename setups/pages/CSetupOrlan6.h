#pragma once

#include "setups/CConfigModORLAN6.h"
#include "setups/CDefaultsOrlan6XML.h"
#include "setups/pages/SetupPageKit.h"

class QCheckBox;

// The Setup page of an ORLAN6 module: radio groups for the input and output
// video and audio settings, the 2K center cut switch, setup files and
// factory defaults. Every choice is written to the module at once. The
// "Commit" and "Restore" buttons exist but are never shown.
class CSetupOrlan6 : public CRadioSetupPage<CConfigModORLAN6, CDefaultsOrlan6XML> {
public:
    static constexpr ModuleTypeId kModuleType = 1;
    static constexpr int kCenterCutCheck = 1108;
    static constexpr int kCommit = 1040;
    static constexpr int kRestore = 1041;
    static constexpr int kPlaceholder = 1154;

    explicit CSetupOrlan6(CPageServicesIF* services, QWidget* parent = nullptr);
    ~CSetupOrlan6() override;

    void ReloadForModule() override;

    // The hidden buttons' actions.
    void OnCommit();
    void OnRestore();

private:
    void UpdateExtras(bool e) override;
    void OnCenterCut(bool checked);

    QCheckBox* m_centerCut = nullptr;
};
