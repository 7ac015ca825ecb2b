// The Setup pages, headless, against a simulated module: what each choice
// writes to the module, which choices are greyed out and why, and the page's
// buttons.
#include "SetupTestSupport.h"

#include "app/CPageServicesIF.h"
#include "descriptions/XmlText.h"
#include "setups/CSetupOrlan6.h"
#include "setups/CSetupUnknown.h"
#include "setups/CSetup_TARN.h"
#include "tests/support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

class TestPageServices : public CPageServicesIF {
public:
    CCmdEngine* Engine() override { return engine; }
    CDialogServicesIF& Dialogs() override { return dialogs; }
    void ReportError(const std::wstring& text) override { status.push_back(text); }
    bool IsOptionM() override { return optionM; }
    bool IsOptionD() override { return optionD; }
    void UpdateControls() override {}
    void SetQuiet(bool) override {}
    bool IsQuiet() override { return false; }
    bool Connect(const std::string&) override { return false; }
    void Disconnect() override {}
    const AssemblyRecord* CurrentRelease() override { return nullptr; }
    bool ReleaseMatches(VersionNumber) override { return releaseMatches; }
    bool ModuleEntryValid(const ModuleRecord&) override { return entryValid; }

    void Reset() {
        dialogs.Clear();
        status.clear();
        optionM = optionD = false;
        releaseMatches = entryValid = true;
    }

    CCmdEngine* engine = nullptr;
    ScriptedDialogs dialogs;
    std::vector<std::wstring> status;
    bool optionM = false;
    bool optionD = false;
    bool releaseMatches = true;
    bool entryValid = true;
};

class PageTest : public SimulatedModuleFixture {
public:
    void Click(int id) const { Ctl<QAbstractButton>(id)->click(); }
    void ChooseFromList(int id, int position) const {
        auto* list = Ctl<QComboBox>(id);
        list->setCurrentIndex(position);
        emit list->activated(position);
    }

protected:
    // A module of the page's type with this block, connected, with the page
    // showing it (the main dialog refreshes the page after a connect).
    template <class Page> Page* ConnectPage(sim::Profile profile, const Bytes& block) {
        StartModule(profile, block);
        MakeEngine();
        services.engine = engine.get();
        auto* created = new Page(&services);
        page.reset(created);
        app.onModuleChanged = [this] {
            if (page)
                page->ReloadForModule();
        };
        EXPECT_TRUE(Connect());
        created->UpdateControls();
        module->ClearLog();
        return created;
    }
    // The page without a module: the engine selects `forcedType` as option
    // tarn or orlan would.
    template <class Page> Page* PageWithoutModule(ModuleTypeId forcedType) {
        MakeEngine(forcedType);
        services.engine = engine.get();
        auto* created = new Page(&services);
        page.reset(created);
        return created;
    }
    void TearDown() override {
        page.reset();
        app.onModuleChanged = nullptr;
        SimulatedModuleFixture::TearDown();
    }

    template <class W = QWidget> W* Ctl(int id) const {
        W* widget = page->findChild<W*>(CSetupPageBase::ControlName(id));
        EXPECT_NE(widget, nullptr) << "control " << id;
        return widget;
    }
    bool Enabled(int id) const { return Ctl(id)->isEnabled(); }
    bool Checked(int id) const { return Ctl<QAbstractButton>(id)->isChecked(); }
    std::vector<int> Disabled(const std::vector<int>& ids) const {
        std::vector<int> out;
        for (int id : ids)
            if (!Enabled(id))
                out.push_back(id);
        return out;
    }

    TestPageServices services;
    std::unique_ptr<CSetupPageBase> page;
};

const std::vector<int> kTarnRadios = {1038, 1013, 1014, 1053, 1057, 1058, 1059, 1055, 1022,
                                      1056, 1148, 1149, 1154, 1183, 1184, 1071, 1072, 1073,
                                      1074, 1075, 1076, 1077, 1078, 1079, 1080};
const std::vector<int> kOrlanRadios = {1032, 1019, 1020, 1021, 1008, 1049, 1010, 1063, 1065, 1066,
                                       1067, 1011, 1012, 1050, 1051, 1015, 1038, 1013, 1014, 1053,
                                       1064, 1068, 1069, 1070, 1055, 1022, 1056, 1071, 1072, 1073,
                                       1074, 1075, 1076, 1077, 1078, 1079, 1080, 1061, 1062};

struct ChoiceCase {
    const char* what;
    Bytes before;
    std::function<void(PageTest&)> choose;
    size_t writes;
    Bytes after;
    std::vector<int> checked;
    std::vector<int> greyed; // of the radio buttons and group boxes 1035/1081
};

void Pick(PageTest& t, int id);

class TarnPage : public PageTest {};

TEST_F(TarnPage, EachChoiceWritesItsSideEffectsThenItself) {
    const ChoiceCase cases[] = {
        {"4:2:2 with deep colour on and full range",
         {0, 0xA0, 0, 0},
         [](PageTest& t) { Pick(t, 1013); },
         3,
         {0, 0x04, 0, 0},
         {1013, 1057, 1055},
         {1059, 1056}},
        {"4:2:2 alone",
         {0, 0, 0, 0},
         [](PageTest& t) { Pick(t, 1013); },
         1,
         {0, 0x04, 0, 0},
         {1013},
         {1059, 1056}},
        {"4:4:4 YCbCr with full range and deep colour on",
         {0, 0xA0, 0, 0},
         [](PageTest& t) { Pick(t, 1053); },
         2,
         {0, 0x2C, 0, 0},
         {1053, 1059, 1055},
         {1056}},
        {"DVI with deep colour on keeps HDMI audio",
         {0, 0x20, 0x02, 0},
         [](PageTest& t) { Pick(t, 1073); },
         2,
         {0, 0x02, 0x02, 0},
         {1073, 1057, 1076},
         {1059, 1035, 1074, 1075, 1076}},
        {"DVI without deep colour",
         {0, 0, 0, 0},
         [](PageTest& t) { Pick(t, 1073); },
         1,
         {0, 0x02, 0, 0},
         {1073},
         {1059, 1035, 1074, 1075, 1076}},
        {"anamorphic",
         {0, 0, 0, 0},
         [](PageTest& t) { Pick(t, 1184); },
         1,
         {0x04, 0, 0, 0},
         {1184},
         {}},
        {"analog audio 7+8",
         {0, 0, 0, 0},
         [](PageTest& t) { Pick(t, 1080); },
         1,
         {0, 0, 0x0C, 0},
         {1080},
         {}},
        {"raster WUXGA",
         {0, 0, 0, 0x0F},
         [](PageTest& t) { t.ChooseFromList(CSetup_TARN::kRasterList, 2); },
         1,
         {0, 0, 0, 0x9F},
         {},
         {}},
        {"frame rate VESA",
         {0, 0, 0, 0x30},
         [](PageTest& t) { t.ChooseFromList(CSetup_TARN::kFrameRateList, 1); },
         1,
         {0, 0, 0, 0x3F},
         {},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto* tarn = ConnectPage<CSetup_TARN>(sim::Profile::Tarn, c.before);
        c.choose(*this);
        EXPECT_EQ(BlockWrites(), c.writes);
        EXPECT_EQ(ModuleBlock(), c.after);
        const auto& b = tarn->ConfigBlock();
        EXPECT_EQ((Bytes{b.EncodeByte(0), b.EncodeByte(1), b.EncodeByte(2), b.EncodeByte(3)}),
                  c.after);
        for (int id : c.checked)
            EXPECT_TRUE(Checked(id)) << id;
        std::vector<int> ids = kTarnRadios;
        ids.push_back(1035);
        std::vector<int> greyed = c.greyed;
        std::sort(greyed.begin(), greyed.end());
        std::vector<int> disabled = Disabled(ids);
        std::sort(disabled.begin(), disabled.end());
        EXPECT_EQ(disabled, greyed);
        EXPECT_TRUE(services.dialogs.boxes.empty());
        TearDown();
        SetUp();
    }
}

void Pick(PageTest& t, int id) {
    t.Click(id);
}

TEST_F(TarnPage, ListsHoldFixedEntriesAndShowAutoForValuesWithout) {
    auto* tarn = ConnectPage<CSetup_TARN>(sim::Profile::Tarn, {0, 0, 0, 0x57});
    struct ListCase {
        int id;
        std::vector<std::pair<QString, uint32_t>> entries;
    };
    const ListCase lists[] = {
        {CSetup_TARN::kRasterList,
         {{"Auto", 0},
          {"Native", 1},
          {"WUXGA", 9},
          {"1080p", 3},
          {"1080i", 4},
          {"720p", 2},
          {"576p", 8},
          {"480p", 6}}},
        {CSetup_TARN::kFrameRateList,
         {{"Auto", 0},
          {"VESA", 15},
          {"24/23.98", 1},
          {"25", 2},
          {"30/29.97", 3},
          {"48/47.95", 4},
          {"50", 5},
          {"60/59.94", 6}}},
    };
    for (const auto& list : lists) {
        auto* combo = Ctl<QComboBox>(list.id);
        ASSERT_EQ(combo->count(), static_cast<int>(list.entries.size()));
        for (int i = 0; i < combo->count(); ++i) {
            EXPECT_EQ(combo->itemText(i), list.entries[i].first);
            EXPECT_EQ(combo->itemData(i).toUInt(), list.entries[i].second);
        }
        EXPECT_FALSE(combo->isEditable());
        // Raster 5 and frame rate 7 have no entry: "Auto" is shown.
        EXPECT_EQ(combo->currentIndex(), 0);
    }
    EXPECT_EQ(tarn->ConfigBlock().OutputFormat, 5u) << "the block keeps its value";
    EXPECT_EQ(tarn->ConfigBlock().FrameRate, 7u);
    EXPECT_EQ(Ctl<QLabel>(1179)->text(), "Raster:");
    EXPECT_EQ(Ctl<QLabel>(1180)->text(), "Frame Rate:");
    EXPECT_EQ(BlockWrites(), 0u);

    // Saving writes the raster as "invalid".
    TempDir dir;
    services.dialogs.ChooseFile(dir.Wide("raster"));
    Click(1153);
    EXPECT_NE(
        ReadFile(dir.Wide("raster.xml")).find("<Param name=\"OutputFormat\" value=\"invalid\"/>"),
        std::string::npos);
    EXPECT_EQ(services.status.back(), L"Setups saved successfully.");
}

TEST_F(TarnPage, LoadWritesTheFactoryBlockThenTheFileAndShowsIt) {
    ConnectPage<CSetup_TARN>(sim::Profile::Tarn, {0x04, 0x99, 0x1E, 0x9F});
    TempDir dir;
    const std::wstring path =
        dir.Write("s.xml", SetupXml("TARN", "0.2",
                                    "<Param name=\"VideoFormat\" value=\"4:4:4 RGB\"/>"
                                    "<Param name=\"HDMIAudio\" value=\"8-ch\"/>"));
    services.dialogs.ChooseFile(path);
    Click(1152);
    EXPECT_EQ(BlockWriteData(), (std::vector<Bytes>{{0, 0, 0, 0}, {0, 0x08, 0x02, 0}}));
    EXPECT_TRUE(Checked(1014));
    EXPECT_TRUE(Checked(1076));
    EXPECT_TRUE(Checked(1183));
    EXPECT_EQ(services.status.back(), L"Setups loaded successfully.");
}

TEST_F(TarnPage, FactoryDefaultsWritesZerosAndClearsTheStatusLine) {
    auto* tarn = ConnectPage<CSetup_TARN>(sim::Profile::Tarn, {0x04, 0x99, 0x1E, 0x9F});
    EXPECT_TRUE(Checked(1014));
    services.status.push_back(L"something");
    Click(1181);
    EXPECT_EQ(services.status.back(), L"");
    EXPECT_EQ(BlockWriteData(), (std::vector<Bytes>{{0, 0, 0, 0}}));
    EXPECT_EQ(tarn->ConfigBlock().OutputFormat, 0u);
    for (int id : {1038, 1057, 1055, 1148, 1183, 1071, 1074, 1077})
        EXPECT_TRUE(Checked(id)) << id;
    EXPECT_TRUE(services.dialogs.boxes.empty());
}

TEST_F(TarnPage, ChoosingWithoutAModule) {
    struct Case {
        bool optionM;
        bool optionD;
        bool box;
    };
    for (const Case c :
         {Case{true, false, false}, Case{false, true, false}, Case{false, false, true}}) {
        services.Reset();
        services.optionM = c.optionM;
        services.optionD = c.optionD;
        auto* tarn = PageWithoutModule<CSetup_TARN>(CSetup_TARN::kModuleType);
        ASSERT_TRUE(tarn->ControlsEnabled());
        Click(1014);
        EXPECT_EQ(tarn->ConfigBlock().VideoFormat, 2u) << "the change stays";
        EXPECT_TRUE(Checked(1014));
        if (c.box) {
            ASSERT_EQ(services.dialogs.boxes.size(), 1u);
            const auto& box = services.dialogs.boxes[0];
            EXPECT_EQ(box.text, L"Not connected to a module!");
            EXPECT_EQ(box.caption, L"Attention!");
            EXPECT_EQ(box.icon, MsgIcon::Exclamation);
            EXPECT_EQ(box.buttons, MsgButtons::Ok);
        } else {
            EXPECT_TRUE(services.dialogs.boxes.empty());
        }
    }
}

// The reasons in their order; the first that applies is the one reported,
// and any of them greys out every choice.
TEST_F(TarnPage, DisabledReasonsInOrder) {
    struct Case {
        const char* what;
        bool update;
        bool safeBoot;
        bool releaseDiffers;
        ModuleTypeId type;
        bool entryInvalid;
        std::wstring text; // empty: the status line stays empty
        bool enabled;
    };
    const Case cases[] = {
        {"all well", false, false, false, 2, false, L"", true},
        {"update and everything else", true, true, true, 1, true,
         L"Update is in-process: controls are disabled!", false},
        {"update and release", true, false, true, 2, false,
         L"Update is in-process: controls are disabled!", false},
        {"safeboot and release", false, true, true, 2, false,
         L"Module is running SafeBoot: controls are disabled!", false},
        {"release and type", false, false, true, 1, false,
         L"Release Versions do not match: controls are disabled!", false},
        {"type", false, false, false, 0, false,
         L"not proper form for module type: controls are disabled!", false},
        {"unknown module entry only", false, false, false, 2, true, L"", false},
    };
    auto* tarn = PageWithoutModule<CSetup_TARN>(CSetup_TARN::kModuleType);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        engine->SetUpdateInProgress(c.update);
        engine->Module().runningImage = c.safeBoot ? 0 : 1;
        engine->Module().moduleType = c.type;
        engine->Module().identityFlag = 0;
        services.releaseMatches = !c.releaseDiffers;
        services.entryValid = !c.entryInvalid;
        services.status.clear();
        tarn->ReportDisabledReason();
        std::vector<std::wstring> expected{L""};
        if (!c.text.empty())
            expected.push_back(c.text);
        EXPECT_EQ(services.status, expected);

        tarn->UpdateControls();
        std::vector<int> all = kTarnRadios;
        all.insert(all.end(),
                   {CSetup_TARN::kRasterList, CSetup_TARN::kFrameRateList, 1152, 1153, 1181});
        const std::vector<int> disabled = Disabled(all);
        EXPECT_EQ(disabled, c.enabled ? std::vector<int>{} : all);
    }
    // The identity flag stands in for a known module entry.
    engine->Module().identityFlag = 1;
    services.entryValid = false;
    EXPECT_TRUE(tarn->ControlsEnabled());
}

class Orlan6Page : public PageTest {};

TEST_F(Orlan6Page, EachChoiceWritesItsSideEffectsThenItself) {
    const ChoiceCase cases[] = {
        {"input 10-bit with output 36-bit",
         {0, 0, 0x30, 0},
         [](PageTest& t) { Pick(t, 1049); },
         2,
         {0x20, 0, 0, 0},
         {1049, 1064},
         {1070}},
        {"input YCbCr with full input range",
         {0x40, 0, 0, 0},
         [](PageTest& t) { Pick(t, 1065); },
         2,
         {0x04, 0, 0, 0},
         {1065, 1011},
         {1012}},
        {"input RGB with output 4:2:2",
         {0, 0, 0x04, 0},
         [](PageTest& t) { Pick(t, 1066); },
         2,
         {0x08, 0, 0, 0},
         {1066, 1038},
         {1013, 1053}},
        {"input XYZ with output 4:4:4 YCbCr",
         {0, 0, 0x0C, 0},
         [](PageTest& t) { Pick(t, 1067); },
         2,
         {0x0C, 0, 0, 0},
         {1067, 1038},
         {1011, 1013, 1053}},
        {"input XYZ with output RGB",
         {0, 0, 0x08, 0},
         [](PageTest& t) { Pick(t, 1067); },
         1,
         {0x0C, 0, 0x08, 0},
         {1067, 1014},
         {1011, 1013, 1053}},
        {"output 4:2:2 with full output range",
         {0, 0, 0x80, 0},
         [](PageTest& t) { Pick(t, 1013); },
         2,
         {0, 0, 0x04, 0},
         {1013, 1055},
         {1056}},
        {"DVI with 20/30-bit",
         {0, 0, 0x20, 0},
         [](PageTest& t) { Pick(t, 1073); },
         2,
         {0, 0, 0x02, 0},
         {1073, 1064},
         {1069, 1070, 1035, 1074, 1075, 1076}},
        {"dual link",
         {0, 0, 0, 0},
         [](PageTest& t) { Pick(t, 1051); },
         1,
         {0, 0x01, 0, 0},
         {1051},
         {1081, 1061, 1062}},
        {"center cut off",
         {0, 0, 0, 0},
         [](PageTest& t) { Pick(t, CSetupOrlan6::kCenterCutCheck); },
         1,
         {0, 0, 0, 0x20},
         {},
         {}},
        {"center cut on again",
         {0, 0, 0, 0x20},
         [](PageTest& t) { Pick(t, CSetupOrlan6::kCenterCutCheck); },
         1,
         {0, 0, 0, 0},
         {},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto* orlan = ConnectPage<CSetupOrlan6>(sim::Profile::Orlan6, c.before);
        c.choose(*this);
        EXPECT_EQ(BlockWrites(), c.writes);
        EXPECT_EQ(ModuleBlock(), c.after);
        const auto& b = orlan->ConfigBlock();
        EXPECT_EQ((Bytes{b.EncodeByte(0), b.EncodeByte(1), b.EncodeByte(2), b.EncodeByte(3)}),
                  c.after);
        EXPECT_EQ(Checked(CSetupOrlan6::kCenterCutCheck), b.Output2KCenterCut);
        for (int id : c.checked)
            EXPECT_TRUE(Checked(id)) << id;
        std::vector<int> ids = kOrlanRadios;
        ids.insert(ids.end(), {1035, 1081});
        std::vector<int> greyed = c.greyed;
        std::sort(greyed.begin(), greyed.end());
        std::vector<int> disabled = Disabled(ids);
        std::sort(disabled.begin(), disabled.end());
        EXPECT_EQ(disabled, greyed);
        TearDown();
        SetUp();
    }
}

TEST_F(Orlan6Page, GroupBoxesFollowTheirSettingWhateverE) {
    auto* orlan = PageWithoutModule<CSetupOrlan6>(CSetupOrlan6::kModuleType);
    for (const bool e : {true, false}) {
        for (const uint32_t mode : {0u, 1u, 2u}) {
            for (const uint32_t output : {0u, 1u, 2u}) {
                SCOPED_TRACE(testing::Message()
                             << "E " << e << " 3G-B " << mode << " output " << output);
                engine->SetUpdateInProgress(!e);
                orlan->ConfigBlock().InputVideoMode = mode;
                orlan->ConfigBlock().OutputMode = output;
                orlan->UpdateControls();
                EXPECT_EQ(orlan->ControlsEnabled(), e);
                EXPECT_EQ(Enabled(1081), mode != 1);
                EXPECT_EQ(Enabled(1061), e && mode != 1);
                EXPECT_EQ(Enabled(1062), e && mode != 1);
                EXPECT_EQ(Enabled(1035), output != 2);
                EXPECT_EQ(Enabled(1074), e && output != 2);
                EXPECT_EQ(Enabled(1076), e && output != 2);
                EXPECT_EQ(Enabled(CSetupOrlan6::kCenterCutCheck), e);
                EXPECT_EQ(Enabled(1139), e);
                EXPECT_EQ(Enabled(1181), e);
            }
        }
    }
}

TEST_F(Orlan6Page, HiddenControlsStayHidden) {
    auto* orlan = ConnectPage<CSetupOrlan6>(sim::Profile::Orlan6, {0x10, 0, 0, 0});
    // Bit depth value 1 checks the placeholder, which is never shown.
    EXPECT_TRUE(Ctl(CSetupOrlan6::kPlaceholder)->isHidden());
    EXPECT_TRUE(Checked(CSetupOrlan6::kPlaceholder));
    EXPECT_FALSE(Checked(1008));
    for (int id : {CSetupOrlan6::kCommit, CSetupOrlan6::kRestore}) {
        EXPECT_TRUE(Ctl(id)->isHidden());
        EXPECT_FALSE(Enabled(id)) << "every reload disables it";
    }

    // Restore: the module restores its defaults and the block is fetched again.
    module->UpdateState([](sim::ModuleState& s) { s.blocks[{0, 0}].defaults = {0, 0, 0x02, 0}; });
    orlan->OnRestore();
    EXPECT_EQ(orlan->ConfigBlock().OutputMode, 2u);
    EXPECT_TRUE(Checked(1073));
    orlan->ConfigBlock().OutputHDMIAudio = 1;
    orlan->OnCommit();
    EXPECT_EQ(ModuleBlock(), (Bytes{0, 0, 0x02, 0x01}));
}

TEST(UnknownPage, IsAnEmptyPage) {
    TestPageServices services;
    CSetupUnknown unknown(&services);
    EXPECT_TRUE(unknown.findChildren<QWidget*>().isEmpty());
}

} // namespace
