#include "setups/pages/CSetupUnknown.h"

CSetupUnknown::CSetupUnknown(CPageServicesIF* /*services*/, QWidget* parent) : QWidget(parent) {}

CSetupUnknown::~CSetupUnknown() = default;
