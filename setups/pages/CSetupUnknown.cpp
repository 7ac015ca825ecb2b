#include "setups/pages/CSetupUnknown.h"

CSetupUnknown::CSetupUnknown(CPageServicesIF* /*services*/, QWidget* parent) : CTabPage(parent) {}

CSetupUnknown::~CSetupUnknown() = default;
