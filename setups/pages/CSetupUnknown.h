#pragma once

#include "pages/CTabPage.h"

class CPageServicesIF;

// The Setup page shown when no module of a known type is connected: empty.
class CSetupUnknown : public CTabPage {
public:
    explicit CSetupUnknown(CPageServicesIF* services, QWidget* parent = nullptr);
    ~CSetupUnknown() override;
};
