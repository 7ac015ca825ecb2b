// The Setup pages, headless, against a simulated module: what each choice
// writes to the module, which choices are greyed out and why, and the page's
// buttons.
#include "PageFixture.h"
#include "SetupTestSupport.h"
#include "pages/WidgetKit.h"

#include "setups/pages/CSetupOrlan6.h"
#include "setups/pages/CSetup_TARN.h"

#include <span>

namespace {

// A choice on a page over a module holding `before`: the number of block
// writes, the block afterwards, the radio buttons then checked and every
// control then greyed (ascending).
struct ChoiceCase {
    int control;
    uint32_t before;
    size_t writes;
    uint32_t after;
    std::vector<int> checked;
    std::vector<int> greyed;
    int listPosition = -1; // a list's entry; -1: a click
};

class PageTest : public PageFixture<CSetupPageBase> {
protected:
    // The module runs the latest release, which the session selects.
    PageTest() {
        optionD = false;
        session.Selection().SetWish(frontend::ReleaseWish::Latest);
    }
    // The page over a connected module with this block, or without a module
    // and the type forced as option tarn or orlan would.
    template <class Page>
    Page* MakePage(sim::Profile profile, std::optional<uint32_t> holding = {}) {
        page.reset();
        dialogs.Clear();
        if (holding)
            StartAt(profile, {}, Holding(Wire(*holding)));
        else
            StartSession(Page::kModuleType);
        auto* created = new Page(&services);
        page.reset(created);
        if (holding) {
            EXPECT_EQ(ConnectSession(), conn::kOk);
            module->ClearLog();
        }
        return created;
    }
    // Without a module, the record as if it ran the selected release with
    // its identity known (no connect without a module gets there).
    void RunTheSelectedRelease() {
        ASSERT_NE(session.Selection().Selected(), nullptr);
        engine->Module().release = session.Selection().Selected()->release;
        engine->Module().identityFlag = 1;
        page->UpdateControls();
    }

    template <class Page>
    void CheckChoices(sim::Profile profile, std::span<const ChoiceCase> cases) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.control << " from " << std::hex << c.before);
            auto* p = MakePage<Page>(profile, c.before);
            if (c.listPosition < 0)
                Click(c.control);
            else
                Choose(c.control, Ctl<QComboBox>(c.control)->itemText(c.listPosition));
            EXPECT_EQ(BlockWrites(*module).size(), c.writes);
            EXPECT_EQ(BlockOf(*module), Wire(c.after));
            EXPECT_EQ(Encode(p->ConfigBlock()), Wire(c.after));
            for (int id : c.checked)
                EXPECT_TRUE(Checked(id)) << id;
            EXPECT_EQ(Controls(true), c.greyed);
            EXPECT_TRUE(dialogs.boxes.empty());
        }
    }

    bool Checked(int id) const { return Ctl<QAbstractButton>(id)->isChecked(); }
    // The ids of the controls not hidden on purpose (only the greyed ones), ascending.
    std::vector<int> Controls(bool greyedOnly) const {
        std::vector<int> ids;
        for (QWidget* w : page->findChildren<QWidget*>())
            if (widgetkit::ControlNumber(w) != 0 && !w->isHidden() &&
                !(greyedOnly && w->isEnabled()))
                ids.push_back(widgetkit::ControlNumber(w));
        std::sort(ids.begin(), ids.end());
        return ids;
    }
};

class TarnPage : public PageTest {};

TEST_F(TarnPage, EachChoiceWritesItsSideEffectsThenItself) {
    const ChoiceCase cases[] = {
        // 4:2:2 with deep colour on and full range: both undone first.
        {1013, 0x00A00000, 3, 0x00040000, {1013, 1057, 1055}, {1056, 1059}},
        // 4:4:4 YCbCr with full range and deep colour on: the range is undone.
        {1053, 0x00A00000, 2, 0x002C0000, {1053, 1059, 1055}, {1056}},
        // DVI with deep colour on: deep colour is undone, HDMI audio stays.
        {1073, 0x00200200, 2, 0x00020200, {1073, 1057, 1076}, {1035, 1059, 1074, 1075, 1076}},
        {1184, 0x00000000, 1, 0x04000000, {1184}, {}},                       // anamorphic
        {CSetup_TARN::kRasterList, 0x0000000F, 1, 0x0000009F, {}, {}, 2},    // WUXGA
        {CSetup_TARN::kFrameRateList, 0x00000030, 1, 0x0000003F, {}, {}, 1}, // VESA
    };
    CheckChoices<CSetup_TARN>(sim::Profile::Tarn, cases);
}

TEST_F(TarnPage, ListsShowAutoForValuesWithoutAnEntry) {
    auto* tarn = MakePage<CSetup_TARN>(sim::Profile::Tarn, 0x00000057);
    // Raster 5 and frame rate 7 have no entry: "Auto" is shown, the block keeps its value.
    EXPECT_EQ(Ctl<QComboBox>(CSetup_TARN::kRasterList)->currentText(), "Auto");
    EXPECT_EQ(Ctl<QComboBox>(CSetup_TARN::kFrameRateList)->currentText(), "Auto");
    EXPECT_EQ(tarn->ConfigBlock().OutputFormat, 5u);
    EXPECT_EQ(tarn->ConfigBlock().FrameRate, 7u);
    EXPECT_TRUE(BlockWrites(*module).empty());
}

// Save, Load and Factory Defaults run their procedures and refresh the page.
TEST_F(TarnPage, FileButtons) {
    MakePage<CSetup_TARN>(sim::Profile::Tarn, 0x04991E9F);
    dialogs.ChooseFile(WorkWide("saved"));
    Click(1153);
    EXPECT_NE(ReadFile(Work("saved.xml")).find("\"VideoFormat\" value=\"4:4:4 RGB\""),
              std::string::npos);
    WriteFile(Work("s.xml"), SetupXml("TARN", "0.2", Param("HDMIAudio", "8-ch")));
    dialogs.ChooseFile(WorkWide("s.xml"));
    Click(1152);
    EXPECT_EQ(BlockWrites(*module), (std::vector<Bytes>{Wire(0), Wire(0x00000200)}));
    EXPECT_TRUE(Checked(1076));
    EXPECT_TRUE(Checked(1038));
    module->ClearLog();
    Click(1181);
    EXPECT_EQ(Status(), L"Factory defaults loaded.");
    EXPECT_EQ(BlockWrites(*module), std::vector<Bytes>{Wire(0)});
    EXPECT_TRUE(Checked(1074));
    EXPECT_TRUE(dialogs.boxes.empty());
}

// Option m makes the page usable without a module: there is no release to
// match or prove then (the update page answers no to both); without it, or
// with a module, those answers grey it out.
TEST_F(TarnPage, OptionMWithoutAModuleNeedsNoRelease) {
    const std::tuple<bool, bool, bool> cases[] = {
        {true, false, true}, {false, false, false}, {true, true, false}};
    // The session proposes the lowest release; the module runs the latest.
    session.Selection().SetWish(frontend::ReleaseWish::Proposed);
    for (const auto& [m, connected, enabled] : cases) {
        SCOPED_TRACE(testing::Message() << "m " << m << " connected " << connected);
        optionM = m;
        auto* tarn = MakePage<CSetup_TARN>(sim::Profile::Tarn,
                                           connected ? std::optional<uint32_t>(0) : std::nullopt);
        EXPECT_EQ(tarn->ControlsEnabled(), enabled);
    }
}

TEST_F(TarnPage, ChoosingWithoutAModuleWarnsUnlessOptionMOrD) {
    for (const auto& [m, d] : {std::pair{true, false}, {false, true}, {false, false}}) {
        optionM = m;
        optionD = d;
        auto* tarn = MakePage<CSetup_TARN>(sim::Profile::Tarn);
        RunTheSelectedRelease();
        ASSERT_TRUE(tarn->ControlsEnabled());
        Click(1014);
        EXPECT_EQ(tarn->ConfigBlock().VideoFormat, 2u) << "the change stays";
        EXPECT_TRUE(Checked(1014));
        EXPECT_EQ(dialogs.BoxTexts(),
                  m || d ? std::vector<std::wstring>{}
                         : std::vector<std::wstring>{L"Not connected to a module!"});
    }
}

// The reasons in their order; the first that applies is the one reported,
// and any of them greys out every control but the labels.
TEST_F(TarnPage, DisabledReasonsInOrder) {
    // Update running, SafeBoot, release differs, module type, entry unknown;
    // the reason reported (none: the page is enabled).
    const std::tuple<bool, bool, bool, ModuleTypeId, bool, std::wstring> cases[] = {
        {false, false, false, 2, false, L""},
        {true, true, true, 1, true, L"Update is in-process: controls are disabled!"},
        {false, true, true, 2, false, L"Module is running SafeBoot: controls are disabled!"},
        {false, false, true, 2, false, L"Release Versions do not match: controls are disabled!"},
        {false, false, true, 1, false, L"Release Versions do not match: controls are disabled!"},
        {false, false, false, 0, false, L"not proper form for module type: controls are disabled!"},
        {false, false, false, 2, true,
         L"The module's firmware does not match its release: run Update."},
    };
    // A module at the selected release whose identity flag is not set; a
    // newer release differs without being the older one, and a Ferrin that
    // is not the release's leaves the entry unproved.
    auto* tarn = MakePage<CSetup_TARN>(sim::Profile::Tarn, 0);
    const VersionNumber own = engine->Module().release;
    const VersionNumber ferrin = engine->Module().ferrin.version;
    std::vector<int> greyable = Controls(false);
    std::erase_if(greyable, [](int id) { return id == 1179 || id == 1180; });
    for (const auto& [update, safeBoot, releaseDiffers, type, entryInvalid, text] : cases) {
        SCOPED_TRACE(testing::Message() << update << safeBoot << releaseDiffers << type);
        engine->SetUpdateInProgress(update);
        engine->Module().runningImage = safeBoot ? 0 : 1;
        engine->Module().moduleType = type;
        engine->Module().identityFlag = 0;
        engine->Module().release = releaseDiffers ? VersionNumber{9, 9} : own;
        engine->Module().ferrin.version = entryInvalid ? VersionNumber{9, 9} : ferrin;
        services.ReportError(L"stale");
        tarn->ReportDisabledReason();
        EXPECT_EQ(Status(), text);
        tarn->UpdateControls();
        EXPECT_EQ(Controls(true), text.empty() ? std::vector<int>{} : greyable);
    }
    // The identity flag stands in for a known module entry.
    engine->Module().identityFlag = 1;
    EXPECT_TRUE(tarn->ControlsEnabled());
}

class Orlan6Page : public PageTest {};

TEST_F(Orlan6Page, EachChoiceWritesItsSideEffectsThenItself) {
    const ChoiceCase cases[] = {
        // Input 10-bit undoes output 36-bit.
        {1049, 0x00003000, 2, 0x20000000, {1049, 1064}, {1070}},
        // Input YCbCr undoes the full input range.
        {1065, 0x40000000, 2, 0x04000000, {1065, 1011}, {1012}},
        // Input RGB undoes output 4:2:2, input XYZ output 4:4:4 YCbCr.
        {1066, 0x00000400, 2, 0x08000000, {1066, 1038}, {1013, 1053}},
        // Output 4:2:2 undoes the full output range.
        {1013, 0x00008000, 2, 0x00000400, {1013, 1055}, {1056}},
        // DVI undoes 20/30-bit.
        {1073, 0x00002000, 2, 0x00000200, {1073, 1064}, {1035, 1069, 1070, 1074, 1075, 1076}},
        {1051, 0x00000000, 1, 0x00010000, {1051}, {1061, 1062, 1081}},      // dual link
        {CSetupOrlan6::kCenterCutCheck, 0x00000000, 1, 0x00000020, {}, {}}, // off
    };
    CheckChoices<CSetupOrlan6>(sim::Profile::Orlan6, cases);
}

// The group boxes of HDMI audio and the 2xHD channel follow their setting
// alone; their buttons and the other controls need E as well.
TEST_F(Orlan6Page, GroupBoxesFollowTheirSettingWhateverE) {
    auto* orlan = MakePage<CSetupOrlan6>(sim::Profile::Orlan6);
    RunTheSelectedRelease();
    for (const bool e : {true, false}) {
        for (const auto& [mode, output] : {std::pair{0u, 0u}, {1u, 2u}}) {
            engine->SetUpdateInProgress(!e);
            orlan->ConfigBlock().InputVideoMode = mode;
            orlan->ConfigBlock().OutputMode = output;
            orlan->UpdateControls();
            EXPECT_EQ(Enabled(1081), mode != 1);
            EXPECT_EQ(Enabled(1061), e && mode != 1);
            EXPECT_EQ(Enabled(1035), output != 2);
            EXPECT_EQ(Enabled(1076), e && output != 2);
            for (int id : {CSetupOrlan6::kCenterCutCheck, 1139, 1181, 1032})
                EXPECT_EQ(Enabled(id), e) << id;
        }
    }
}

TEST_F(Orlan6Page, HiddenControlsStayHidden) {
    auto* orlan = MakePage<CSetupOrlan6>(sim::Profile::Orlan6, 0x10000000);
    // Bit depth value 1 checks the placeholder, which is never shown.
    EXPECT_TRUE(Ctl(CSetupOrlan6::kPlaceholder)->isHidden());
    EXPECT_FALSE(Checked(1008));
    for (int id : {CSetupOrlan6::kCommit, CSetupOrlan6::kRestore}) {
        EXPECT_TRUE(Ctl(id)->isHidden());
        EXPECT_FALSE(Enabled(id)) << "every reload disables it";
    }
    // Restore: the module restores its defaults and the block is fetched again.
    module->UpdateState([](sim::ModuleState& s) { s.blocks[{0, 0}].defaults = Wire(0x00000200); });
    orlan->OnRestore();
    EXPECT_EQ(orlan->ConfigBlock().OutputMode, 2u);
    EXPECT_TRUE(Checked(1073));
    orlan->ConfigBlock().OutputHDMIAudio = 1;
    orlan->OnCommit();
    EXPECT_EQ(BlockOf(*module), Wire(0x00000201));
}

} // namespace
