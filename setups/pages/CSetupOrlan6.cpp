#include "setups/pages/CSetupOrlan6.h"

#include <QCheckBox>

#include <array>

namespace {

using O = CConfigModORLAN6;
using Radio = RadioDef<O>;

enum Group {
    kInput,
    kInVideoFormat,
    kInBitDepth,
    kInColor,
    kInColorRange,
    kIn3GBMode,
    kOutput,
    kOutVideoFormat,
    kOutBitDepth,
    kOutColorRange,
    kOutHDMIDVI,
    kOutHDMIAudio,
    kOutAnalogAudio,
    kOut2xHDChannel,
    kOutCenterCut,
    kLoadSave,
    kFactory,
};

// Input Video with the file groups beside it; below them Output, its groups in one row.
constexpr std::array<GroupDef, 17> kGroups{{
    {L"Input Video", 0, -1, 0, 0, 2, 1},
    {L"Video Format", 0, kInput, 0, 0},
    {L"Video Bit Depth", 0, kInput, 0, 1},
    {L"Color", 0, kInput, 0, 2},
    {L"Color Range", 0, kInput, 0, 3},
    {L"3G-B Mode", 0, kInput, 0, 4},
    {L"Output", 0, -1, 2, 0, 1, 2},
    {L"Video Format", 0, kOutput, 0, 0},
    {L"Video Bit Depth", 0, kOutput, 0, 1},
    {L"Color Range", 0, kOutput, 0, 2},
    {L"HDMI/DVI", 0, kOutput, 0, 3},
    {L"HDMI Audio", 1035, kOutput, 0, 4},
    {L"Analog Audio", 0, kOutput, 0, 5},
    {L"2xHD Channel", 1081, kOutput, 0, 6},
    {L"2K Center Cut", 0, kOutput, 0, 7},
    {L"Load/Save Setup", 0, -1, 0, 1},
    {L"Factory Defaults", 0, -1, 1, 1},
}};

constexpr std::array<Radio, 40> kRadios{{
    {1032, L"Auto", 0, &O::InputVideoFormat, kInVideoFormat},
    {1019, L"Progressive", 1, &O::InputVideoFormat, kInVideoFormat},
    {1020, L"Interlaced", 2, &O::InputVideoFormat, kInVideoFormat},
    {1021, L"PsF", 3, &O::InputVideoFormat, kInVideoFormat},
    {1008, L"Auto", 0, &O::InputVideoBitDepth, kInBitDepth},
    {CSetupOrlan6::kPlaceholder, L"Placeholder", 1, &O::InputVideoBitDepth, kInBitDepth},
    {1049, L"10-bit", 2, &O::InputVideoBitDepth, kInBitDepth},
    {1010, L"12-bit", 3, &O::InputVideoBitDepth, kInBitDepth},
    {1063, L"Auto", 0, &O::InputVideoColor, kInColor},
    {1065, L"YCbCr", 1, &O::InputVideoColor, kInColor},
    {1066, L"RGB", 2, &O::InputVideoColor, kInColor},
    {1067, L"XYZ", 3, &O::InputVideoColor, kInColor},
    {1011, L"SMPTE", 0, &O::InputVideoColorRange, kInColorRange},
    {1012, L"Full", 1, &O::InputVideoColorRange, kInColorRange},
    {1050, L"Auto", 0, &O::InputVideoMode, kIn3GBMode},
    {1051, L"Dual Link", 1, &O::InputVideoMode, kIn3GBMode},
    {1015, L"2xHD", 2, &O::InputVideoMode, kIn3GBMode},
    {1038, L"Auto", 0, &O::OutputVideoFormat, kOutVideoFormat},
    {1013, L"4:2:2 YCbCr", 1, &O::OutputVideoFormat, kOutVideoFormat},
    {1014, L"4:4:4 RGB", 2, &O::OutputVideoFormat, kOutVideoFormat},
    {1053, L"4:4:4 YCbCr", 3, &O::OutputVideoFormat, kOutVideoFormat},
    {1064, L"Auto", 0, &O::OutputVideoBitDepth, kOutBitDepth},
    {1068, L"24-bit", 1, &O::OutputVideoBitDepth, kOutBitDepth},
    {1069, L"20/30-bit", 2, &O::OutputVideoBitDepth, kOutBitDepth},
    {1070, L"36-bit", 3, &O::OutputVideoBitDepth, kOutBitDepth},
    {1055, L"Auto", 0, &O::OutputVideoColorRange, kOutColorRange},
    {1022, L"Limited", 1, &O::OutputVideoColorRange, kOutColorRange},
    {1056, L"Full", 2, &O::OutputVideoColorRange, kOutColorRange},
    {1071, L"Auto", 0, &O::OutputMode, kOutHDMIDVI},
    {1072, L"HDMI", 1, &O::OutputMode, kOutHDMIDVI},
    {1073, L"DVI", 2, &O::OutputMode, kOutHDMIDVI},
    {1074, L"Auto", 0, &O::OutputHDMIAudio, kOutHDMIAudio},
    {1075, L"2-ch", 1, &O::OutputHDMIAudio, kOutHDMIAudio},
    {1076, L"8-ch", 2, &O::OutputHDMIAudio, kOutHDMIAudio},
    {1077, L"Ch. 1+2", 0, &O::OutputAnalogAudio, kOutAnalogAudio},
    {1078, L"Ch. 3+4", 1, &O::OutputAnalogAudio, kOutAnalogAudio},
    {1079, L"Ch. 5+6", 2, &O::OutputAnalogAudio, kOutAnalogAudio},
    {1080, L"Ch. 7+8", 3, &O::OutputAnalogAudio, kOutAnalogAudio},
    {1061, L"Ch. 1", 0, &O::Output2xHDChannel, kOut2xHDChannel},
    {1062, L"Ch. 2", 1, &O::Output2xHDChannel, kOut2xHDChannel},
}};

// Combinations the output cannot carry are undone before the choice is applied.
constexpr std::array<SideEffectDef<O>, 7> kSideEffects{{
    {1049, &O::OutputVideoBitDepth, 3, 3, 0},
    {1065, &O::InputVideoColorRange, 1, 1, 0},
    {1066, &O::OutputVideoFormat, 1, 3, 0},
    {1067, &O::OutputVideoFormat, 1, 3, 0},
    {1013, &O::OutputVideoColorRange, 2, 2, 0},
    {1053, &O::OutputVideoColorRange, 2, 2, 0},
    {1073, &O::OutputVideoBitDepth, 2, 3, 0},
}};

bool SmpteAllowed(const O& b) {
    return b.InputVideoColor != 3;
}
bool InputFullAllowed(const O& b) {
    return b.InputVideoColor != 1;
}
bool YCbCrOutputAllowed(const O& b) {
    return b.InputVideoColor != 2 && b.InputVideoColor != 3;
}
bool Depth2030Allowed(const O& b) {
    return b.OutputMode != 2;
}
bool Depth36Allowed(const O& b) {
    return b.InputVideoBitDepth != 2 && b.OutputMode != 2;
}
bool OutputFullAllowed(const O& b) {
    return b.OutputVideoFormat != 1 && b.OutputVideoFormat != 3;
}
bool HdmiAudioAllowed(const O& b) {
    return b.OutputMode != 2;
}
bool ChannelAllowed(const O& b) {
    return b.InputVideoMode != 1;
}

// The group boxes 1035 and 1081 follow their condition alone, whatever E says.
constexpr std::array<EnableRule<O>, 14> kRules{{
    {1011, SmpteAllowed, true},
    {1012, InputFullAllowed, true},
    {1013, YCbCrOutputAllowed, true},
    {1053, YCbCrOutputAllowed, true},
    {1069, Depth2030Allowed, true},
    {1070, Depth36Allowed, true},
    {1056, OutputFullAllowed, true},
    {1074, HdmiAudioAllowed, true},
    {1075, HdmiAudioAllowed, true},
    {1076, HdmiAudioAllowed, true},
    {1035, HdmiAudioAllowed, false},
    {1061, ChannelAllowed, true},
    {1062, ChannelAllowed, true},
    {1081, ChannelAllowed, false},
}};

} // namespace

CSetupOrlan6::CSetupOrlan6(CPageServicesIF* services, QWidget* parent)
    : CRadioSetupPage(services, kModuleType, parent, kRadios, kSideEffects, kRules) {
    BuildGroups(kGroups);
    BuildRadios();
    Control(kPlaceholder)->setVisible(false);
    LeaveUntouched(kPlaceholder);

    m_centerCut = new QCheckBox(QStringLiteral("On"), Group(kOutCenterCut));
    GroupGrid(kOutCenterCut)->addWidget(m_centerCut, 0, 0);
    Register(kCenterCutCheck, m_centerCut, QStringLiteral("centerCutCheck"));
    QObject::connect(m_centerCut, &QAbstractButton::clicked, this,
                     [this](bool checked) { OnCenterCut(checked); });

    AddButton(kOutput, kCommit, L"Commit", 1, 0, [this] { OnCommit(); })->setVisible(false);
    AddButton(kOutput, kRestore, L"Restore", 1, 1, [this] { OnRestore(); })->setVisible(false);

    AddFileButtons(kLoadSave, 1139, 1140, kFactory);
    ReloadForModule();
}

CSetupOrlan6::~CSetupOrlan6() = default;

void CSetupOrlan6::ReloadForModule() {
    Control(kCommit)->setEnabled(false);
    Control(kRestore)->setEnabled(false);
    CRadioSetupPage::ReloadForModule();
}

void CSetupOrlan6::UpdateExtras(bool e) {
    m_centerCut->setChecked(m_block.Output2KCenterCut);
    m_centerCut->setEnabled(e);
}

void CSetupOrlan6::OnCenterCut(bool checked) {
    m_block.Output2KCenterCut = checked;
    BlockChanged();
    WarnIfNotConnected();
    UpdateControls();
}

void CSetupOrlan6::OnCommit() {
    if (CCmdEngine* engine = Engine()) {
        engine->CommitConfigBlock(m_block.FpgaId(), m_block.BlockId());
    }
    WarnIfNotConnected();
    UpdateControls();
}

void CSetupOrlan6::OnRestore() {
    if (CCmdEngine* engine = Engine()) {
        engine->RestoreBlockDefaults(m_block.FpgaId(), m_block.BlockId());
    }
    WarnIfNotConnected();
    UpdateControls();
}
