#pragma once

#include "setups/CConfigModTarn.h"
#include "setups/CDefaultsTARNXML.h"
#include "setups/pages/SetupPageKit.h"

#include <map>

class QComboBox;

// The Setup page of a TARN module: radio groups for the video and audio
// settings, drop-down lists for the output raster and frame rate, setup
// files and factory defaults. Every choice is written to the module at once.
class CSetup_TARN : public CRadioSetupPage<CConfigModTarn, CDefaultsTARNXML> {
public:
    static constexpr ModuleTypeId kModuleType = 2;
    static constexpr int kRasterList = 1178;
    static constexpr int kFrameRateList = 1177;

    explicit CSetup_TARN(CPageServicesIF* services, QWidget* parent = nullptr);
    ~CSetup_TARN() override;

    // The list position shown for a block value (0, "Auto", for a value
    // that has no entry).
    int RasterPosition(uint32_t value) const;
    int FrameRatePosition(uint32_t value) const;

private:
    void UpdateExtras(bool e) override;
    void OnListChosen(int listId, int position);

    QComboBox* m_rasterList = nullptr;
    QComboBox* m_frameRateList = nullptr;
    std::map<uint32_t, int> m_rasterPositions;
    std::map<uint32_t, int> m_frameRatePositions;
};
