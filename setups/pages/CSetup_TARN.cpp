#include "setups/pages/CSetup_TARN.h"
#include "pages/WidgetKit.h"

#include <QComboBox>
#include <QLabel>

#include <array>

namespace {

using T = CConfigModTarn;
using Radio = RadioDef<T>;

enum Group {
    kVideo,
    kVideoFormat,
    kDeepColor,
    kColorRange,
    kScaling,
    kSDFormat,
    kHDMIDVI,
    kOutputFormat,
    kAudio,
    kHDMIAudio,
    kAnalogAudio,
    kLoadSave,
    kFactory,
};

// Video on the left in two rows; Audio and the file groups in a column beside it.
constexpr std::array<GroupDef, 13> kGroups{{
    {L"Video", 0, -1, 0, 0, 3, 1},
    {L"Video Format", 0, kVideo, 0, 0},
    {L"Deep Color", 0, kVideo, 0, 1},
    {L"Color Range", 0, kVideo, 0, 2},
    {L"Scaling", 0, kVideo, 0, 3},
    {L"SD Format", 0, kVideo, 1, 0},
    {L"HDMI/DVI", 0, kVideo, 1, 1},
    {L"Output Format", 0, kVideo, 1, 2, 1, 2},
    {L"Audio", 0, -1, 0, 1},
    {L"HDMI Audio", 1035, kAudio, 0, 0},
    {L"Analog Audio", 0, kAudio, 0, 1},
    {L"Load/Save Setup", 0, -1, 1, 1},
    {L"Factory Defaults", 0, -1, 2, 1},
}};

constexpr std::array<Radio, 25> kRadios{{
    {1038, L"Auto", 0, &T::VideoFormat, kVideoFormat},
    {1013, L"4:2:2 YCbCr", 1, &T::VideoFormat, kVideoFormat},
    {1014, L"4:4:4 RGB", 2, &T::VideoFormat, kVideoFormat},
    {1053, L"4:4:4 YCbCr", 3, &T::VideoFormat, kVideoFormat},
    {1057, L"Auto", 0, &T::DeepColor, kDeepColor},
    {1058, L"Off", 1, &T::DeepColor, kDeepColor},
    {1059, L"On", 2, &T::DeepColor, kDeepColor},
    {1055, L"Auto", 0, &T::ColorRange, kColorRange},
    {1022, L"SMPTE 16-235", 1, &T::ColorRange, kColorRange},
    {1056, L"Full 0-255", 2, &T::ColorRange, kColorRange},
    {1148, L"Auto", 0, &T::Scaling, kScaling},
    {1149, L"1:1", 1, &T::Scaling, kScaling},
    {1154, L"Scale", 2, &T::Scaling, kScaling},
    {1183, L"Normal", 0, &T::SDFormat, kSDFormat},
    {1184, L"Anamorphic", 1, &T::SDFormat, kSDFormat},
    {1071, L"Auto", 0, &T::HDMIDVI, kHDMIDVI},
    {1072, L"HDMI", 1, &T::HDMIDVI, kHDMIDVI},
    {1073, L"DVI", 2, &T::HDMIDVI, kHDMIDVI},
    {1074, L"Auto", 0, &T::HDMIAudio, kHDMIAudio},
    {1075, L"2-ch", 1, &T::HDMIAudio, kHDMIAudio},
    {1076, L"8-ch", 2, &T::HDMIAudio, kHDMIAudio},
    {1077, L"Ch. 1+2", 0, &T::AnalogAudio, kAnalogAudio},
    {1078, L"Ch. 3+4", 1, &T::AnalogAudio, kAnalogAudio},
    {1079, L"Ch. 5+6", 2, &T::AnalogAudio, kAnalogAudio},
    {1080, L"Ch. 7+8", 3, &T::AnalogAudio, kAnalogAudio},
}};

// 4:2:2 allows neither full range nor deep colour; 4:4:4 YCbCr no full
// range; DVI no deep colour.
constexpr std::array<SideEffectDef<T>, 4> kSideEffects{{
    {1013, &T::ColorRange, 2, 2, 0},
    {1013, &T::DeepColor, 2, 2, 0},
    {1053, &T::ColorRange, 2, 2, 0},
    {1073, &T::DeepColor, 2, 2, 0},
}};

bool DeepColorOnAllowed(const T& b) {
    return b.VideoFormat != 1 && b.HDMIDVI != 2;
}
bool HdmiAudioAllowed(const T& b) {
    return b.HDMIDVI != 2;
}
bool FullRangeAllowed(const T& b) {
    return b.VideoFormat != 1 && b.VideoFormat != 3;
}

constexpr std::array<EnableRule<T>, 6> kRules{{
    {1059, DeepColorOnAllowed, true},
    {1035, HdmiAudioAllowed, true},
    {1074, HdmiAudioAllowed, true},
    {1075, HdmiAudioAllowed, true},
    {1076, HdmiAudioAllowed, true},
    {1056, FullRangeAllowed, true},
}};

struct ListEntry {
    const wchar_t* text;
    uint32_t value;
};

// Fixed positions, not sorted.
constexpr ListEntry kRasterEntries[] = {
    {L"Auto", 0},  {L"Native", 1}, {L"WUXGA", 9}, {L"1080p", 3},
    {L"1080i", 4}, {L"720p", 2},   {L"576p", 8},  {L"480p", 6},
};
constexpr ListEntry kFrameRateEntries[] = {
    {L"Auto", 0},     {L"VESA", 15},    {L"24/23.98", 1}, {L"25", 2},
    {L"30/29.97", 3}, {L"48/47.95", 4}, {L"50", 5},       {L"60/59.94", 6},
};

} // namespace

CSetup_TARN::CSetup_TARN(CPageServicesIF* services, QWidget* parent)
    : CRadioSetupPage(services, kModuleType, parent, kRadios, kSideEffects, kRules) {
    BuildGroups(kGroups);
    BuildRadios();

    struct ListPlace {
        int staticId;
        const wchar_t* label;
        int listId;
        std::span<const ListEntry> entries;
        QComboBox** list;
        std::map<uint32_t, int>* positions;
    };
    const ListPlace lists[] = {
        {1179, L"Raster:", kRasterList, kRasterEntries, &m_rasterList, &m_rasterPositions},
        {1180, L"Frame Rate:", kFrameRateList, kFrameRateEntries, &m_frameRateList,
         &m_frameRatePositions},
    };
    int row = 0;
    for (const ListPlace& place : lists) {
        auto* label = new QLabel(QString::fromWCharArray(place.label), Group(kOutputFormat));
        Register(place.staticId, label,
                 widgetkit::NameFromWords(QString::fromWCharArray(place.label) +
                                          QStringLiteral(" Label")));
        auto* list = new QComboBox(Group(kOutputFormat));
        list->setEditable(false);
        Register(place.listId, list,
                 widgetkit::NameFromWords(QString::fromWCharArray(place.label) +
                                          QStringLiteral(" List")));
        int position = 0;
        for (const ListEntry& entry : place.entries) {
            list->insertItem(position, QString::fromWCharArray(entry.text), entry.value);
            (*place.positions)[entry.value] = position;
            ++position;
        }
        GroupGrid(kOutputFormat)->addWidget(label, row, 0);
        GroupGrid(kOutputFormat)->addWidget(list, row, 1);
        ++row;
        *place.list = list;
        const int listId = place.listId;
        QObject::connect(list, &QComboBox::activated, this,
                         [this, listId](int index) { OnListChosen(listId, index); });
    }

    AddFileButtons(kLoadSave, 1152, 1153, kFactory);
    ReloadForModule();
}

CSetup_TARN::~CSetup_TARN() = default;

int CSetup_TARN::RasterPosition(uint32_t value) const {
    const auto found = m_rasterPositions.find(value);
    return found != m_rasterPositions.end() ? found->second : 0;
}

int CSetup_TARN::FrameRatePosition(uint32_t value) const {
    const auto found = m_frameRatePositions.find(value);
    return found != m_frameRatePositions.end() ? found->second : 0;
}

void CSetup_TARN::UpdateExtras(bool e) {
    m_rasterList->setCurrentIndex(RasterPosition(m_block.OutputFormat));
    m_frameRateList->setCurrentIndex(FrameRatePosition(m_block.FrameRate));
    m_rasterList->setEnabled(e);
    m_frameRateList->setEnabled(e);
}

void CSetup_TARN::OnListChosen(int listId, int position) {
    QComboBox* list = listId == kRasterList ? m_rasterList : m_frameRateList;
    if (position < 0 || position >= list->count()) {
        return;
    }
    const uint32_t value = list->itemData(position).toUInt();
    ChooseValue(listId, listId == kRasterList ? &T::OutputFormat : &T::FrameRate, value);
}
