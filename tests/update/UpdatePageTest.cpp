// The Update tab against the simulator: visibility and texts, the release
// refresh, Browse, manual downloads, identity writes and the Return key, the
// module type, a release update through the page, closing during a run, and
// the confirmation dialog.
#include "UpdateFixture.h"

#include "app/CPageServicesIF.h"
#include "descriptions/XercesSession.h"
#include "descriptions/XmlText.h"
#include "maintenance/CReleaseUpdatePromptDlg.h"
#include "maintenance/CUpdate.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

#include <regex>

namespace {

using namespace std::chrono_literals;
using sim::Profile;

const std::wstring kFerrinBin = L"types/TARN/images/ferrin-1.1.bin";

// Qt's way from a worker to the GUI thread, as the program has it.
class GuiDialogs : public HookedDialogs {
public:
    void RunOnGuiThread(std::function<void()> fn, bool) override {
        if (QThread::currentThread() == qApp->thread())
            fn();
        else
            QMetaObject::invokeMethod(qApp, std::move(fn), Qt::QueuedConnection);
    }
};

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 60s) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

void PressKey(QWidget* widget, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

class UpdatePageTest : public UpdateFixture, public CPageServicesIF, public CAppIF {
protected:
    // ---- The program around the page ----
    CCmdEngine* Engine() override { return engine.get(); }
    CDialogServicesIF& Dialogs() override { return dialogs; }
    void ReportError(const std::wstring& text) override { statusLine.push_back(text); }
    bool IsOptionM() override { return optionM; }
    bool IsOptionD() override { return optionD; }
    void UpdateControls() override {
        if (page)
            page->UpdateControls();
    }
    void SetQuiet(bool quiet) override {
        EXPECT_EQ(QThread::currentThread(), qApp->thread());
        quietHistory.push_back(quiet);
    }
    bool IsQuiet() override { return !quietHistory.empty() && quietHistory.back(); }
    bool Connect(const std::string& expectedSerial) override {
        const bool ok = Reconnect(expectedSerial);
        UpdateControls();
        if (page)
            page->CopyIdentity();
        return ok;
    }
    void Disconnect() override {
        DropConnection();
        UpdateControls();
    }
    const AssemblyRecord* CurrentRelease() override { return page->CurrentRelease(); }
    bool ReleaseMatches(VersionNumber v) override { return page->ReleaseMatches(v); }
    bool ModuleEntryValid(const ModuleRecord& m) override { return page->ModuleEntryValid(m); }

    // ---- The application as the engine sees it ----
    void OnModuleChanged() override {
        if (page)
            page->ReloadForModule();
        const auto type = engine ? engine->Module().moduleType : 0;
        if (engine && block && (type == 1 || type == 2))
            engine->AttachConfigBlock(block.get());
    }
    void OnIdentityChanged() override {
        if (page)
            page->CopyIdentity();
    }
    void OnDisconnected() override {}
    CModuleTypeXML* CreateModuleTypeReader() override { return new CModuleTypeXML(); }
    CAssembliesXML* CreateAssembliesReader() override { return new CAssembliesXML(); }

    struct ErrorSink : CErrorReportIF {
        void ReportError(std::wstring) override {}
    } errorSink;

    void TearDown() override {
        page.reset();
        // Hand-overs to the GUI thread still queued call into this fixture.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        UpdateFixture::TearDown();
    }

    // A module at a release, connected through an engine that calls back into
    // this program, and the page.
    void Open(Profile profile, sim::Version at, bool m = true, bool d = true,
              const std::function<void(sim::ModuleConfig&)>& change = {}) {
        optionM = m;
        optionD = d;
        auto config = sim::MakeModule(profile, at);
        ASSERT_TRUE(config.has_value());
        if (change)
            change(*config);
        StartModule(*config);
        page.reset();
        engine.reset();
        registry = std::make_unique<CModuleTypesLinux>(L"types");
        engine = std::make_unique<CCmdEngine>(&port, &errorSink, this, registry.get(), 0);
        block = std::make_unique<RawBlock>(engine.get());
        page = std::make_unique<CUpdate>(this);
        page->SetTickInterval(5ms);
        page->SetReleasePrompt([this](bool& force) {
            ++prompts;
            force = false;
            return PromptAnswer::Yes;
        });
        ASSERT_TRUE(Connect(""));
        module->ClearLog();
    }
    void KeepOnlyTarnRelease11() {
        // Assemblies 2 and 3 (release 1.1) without assembly 1 (1.0).
        const fs::path file = Work("types/TARN/assembly.xml");
        std::ifstream in(file);
        std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        xml = std::regex_replace(xml, std::regex("<Assembly id=\"1\">[\\s\\S]*?</Assembly>"), "");
        WriteFile(file, xml);
    }

    template <class T> T* Ctl(int id) const {
        T* w = page->findChild<T*>(QStringLiteral("ctl%1").arg(id));
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    bool Shown(int id) const { return !Ctl<QWidget>(id)->isHidden(); }
    QString Text(int id) const {
        if (auto* edit = page->findChild<QLineEdit*>(QStringLiteral("ctl%1").arg(id)))
            return edit->text();
        return Ctl<QLabel>(id)->text();
    }
    QStringList Items(int id) const {
        QStringList items;
        auto* combo = Ctl<QComboBox>(id);
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }
    void Choose(int comboId, const QString& text) {
        auto* combo = Ctl<QComboBox>(comboId);
        const int index = combo->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    void Click(int id) { Ctl<QPushButton>(id)->click(); }
    bool WaitIdle() {
        return WaitFor([this] { return !page->IsRunning(); });
    }
    std::wstring LastStatusLine() const {
        return statusLine.empty() ? std::wstring() : statusLine.back();
    }

    GuiDialogs dialogs;
    std::unique_ptr<CUpdate> page;
    bool optionM = true;
    bool optionD = true;
    std::vector<std::wstring> statusLine;
    std::vector<bool> quietHistory;
    int prompts = 0;
};

// ---- Visibility and texts -------------------------------------------------------------------

TEST_F(UpdatePageTest, GroupsFollowTheOptions) {
    struct Case {
        bool m, d;
        bool hardware, versions, manual;
    };
    const Case cases[] = {
        {false, false, false, false, false},
        {true, false, true, true, false},
        {true, true, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "m " << c.m << " d " << c.d);
        Open(Profile::Tarn, {1, 0}, c.m, c.d);
        EXPECT_FALSE(page->findChild<QGroupBox*>(CUpdate::kReleaseGroupName)->isHidden());
        EXPECT_FALSE(page->findChild<QGroupBox*>(CUpdate::kIdentificationGroupName)->isHidden());
        EXPECT_EQ(Shown(CUpdate::kHardwareGroup), c.hardware);
        EXPECT_EQ(Shown(CUpdate::kModuleTypeGroup), c.hardware);
        EXPECT_EQ(Shown(CUpdate::kFirmwareVersionsGroup), c.versions);
        for (int group :
             {CUpdate::kFirmwareUpdateGroup, CUpdate::kVersionGroup, CUpdate::kDownloadGroup})
            EXPECT_EQ(Shown(group), c.manual);
        EXPECT_FALSE(Shown(CUpdate::kReleaseAbort));
    }
    // Abort goes with every component but SafeBoot.
    Choose(CUpdate::kFirmwareCombo, "SafeBoot");
    EXPECT_FALSE(Shown(CUpdate::kManualAbort));
    Choose(CUpdate::kFirmwareCombo, "Ferrin");
    EXPECT_TRUE(Shown(CUpdate::kManualAbort));
}

TEST_F(UpdatePageTest, ModuleInFerrinShowsItsVersionsAndTheRelease) {
    Open(Profile::Tarn, {1, 0});
    // The demo table's lowest release is the one proposed.
    EXPECT_EQ(Text(CUpdate::kDesiredRelease), "1.0");
    EXPECT_EQ(Text(CUpdate::kInstalledRelease), "1.0");
    EXPECT_EQ(Items(CUpdate::kFirmwareCombo), (QStringList{"Main", "Ferrin", "SafeBoot"}));
    EXPECT_EQ(Items(CUpdate::kFpgaCombo), QStringList{"Main"});
    EXPECT_EQ(Items(CUpdate::kTableCombo), (QStringList{"Gamma", "Matrix"}));
    EXPECT_EQ(Text(CUpdate::kSafeBootVersion), "1.0");
    EXPECT_EQ(Text(CUpdate::kFerrinVersion), "1.0");
    EXPECT_EQ(Text(CUpdate::kFpgaVersion), "1.0");
    EXPECT_EQ(Text(CUpdate::kTableVersion), "1.0");
    EXPECT_EQ(Text(CUpdate::kNameEdit), "SIM-TARN");
    EXPECT_EQ(Text(CUpdate::kAssemblyEdit), "TARN-A01");
    EXPECT_EQ(Text(CUpdate::kSerialEdit), "00001234");
    // The FPGA component: its file, installed and desired version.
    EXPECT_EQ(Items(CUpdate::kFileCombo), QStringList{"types/TARN/images/fpga0-1.0.rpd"});
    EXPECT_EQ(Text(CUpdate::kInstalledVersion), "1.0");
    EXPECT_EQ(Text(CUpdate::kDesiredVersion), "1.0");
    Choose(CUpdate::kFirmwareCombo, "Ferrin");
    EXPECT_EQ(Items(CUpdate::kFileCombo), QStringList{"types/TARN/images/ferrin-1.0.bin"});
    for (int id : {CUpdate::kManualUpdate, CUpdate::kBrowse, CUpdate::kFileCombo,
                   CUpdate::kNameEnter, CUpdate::kSerialEnter, CUpdate::kReleaseUpdate})
        EXPECT_TRUE(Ctl<QWidget>(id)->isEnabled()) << id;
    EXPECT_FALSE(Ctl<QWidget>(CUpdate::kManualAbort)->isEnabled());

    // The services the other pages use.
    VersionNumber wanted;
    page->GetDesiredTableVersion(wanted, 0, 1);
    EXPECT_EQ(wanted, (VersionNumber{1, 0}));
    page->GetDesiredTableVersion(wanted, 0, 9);
    EXPECT_EQ(wanted, kNoVersion);
    ASSERT_NE(page->CurrentRelease(), nullptr);
    EXPECT_TRUE(page->ReleaseMatches({1, 0}));
    EXPECT_FALSE(page->ReleaseMatches({1, 1}));
    EXPECT_TRUE(page->ModuleEntryValid(engine->Module()));
}

TEST_F(UpdatePageTest, UnverifiedModuleAndFpgaWithoutTables) {
    // A module whose FPGA differs from its release: installed "Unknown".
    Open(Profile::Tarn, {1, 0}, true, true, [](sim::ModuleConfig& c) {
        c.state.fpgas[0].revision = {1, 7};
    });
    EXPECT_EQ(Text(CUpdate::kInstalledRelease), "Unknown");
    EXPECT_FALSE(page->ModuleEntryValid(engine->Module()));
    EXPECT_EQ(Text(CUpdate::kFpgaVersion), "1.7");

    // A type file whose FPGA has no tables.
    const fs::path file = Work("types/TARN/tarn-1.0.xml");
    std::ifstream in(file);
    std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WriteFile(file, std::regex_replace(xml, std::regex("<LookupTable [^>]*/>"), ""));
    page->ReloadForModule();
    EXPECT_EQ(Items(CUpdate::kTableCombo), QStringList{"No LUTs"});
    EXPECT_EQ(Text(CUpdate::kTableVersion), "None");
}

TEST_F(UpdatePageTest, ModuleRunningSafeBootOffersOnlyFerrinAndSafeBoot) {
    // Known as TARN from an earlier connect, now in SafeBoot.
    Open(Profile::Tarn, {1, 0});
    const QString fpgaFile = QString::fromStdWString(page->FileEntry(0));
    module->UpdateState([](sim::ModuleState& s) {
        s.running = sim::RunningImage::SafeBoot;
        s.ferrinValid = false;
    });
    ASSERT_TRUE(Connect(""));
    EXPECT_EQ(engine->Module().runningImage, kRunningSafeBoot);
    EXPECT_EQ(Text(CUpdate::kDesiredRelease), "1.0");
    EXPECT_EQ(Items(CUpdate::kFirmwareCombo), (QStringList{"Ferrin", "SafeBoot"}));
    EXPECT_EQ(QString::fromStdWString(page->FileEntry(0)), fpgaFile); // kept
    for (int id :
         {CUpdate::kManualUpdate, CUpdate::kBrowse, CUpdate::kFileCombo, CUpdate::kNameEdit,
          CUpdate::kNameEnter, CUpdate::kSerialEdit, CUpdate::kSerialEnter})
        EXPECT_FALSE(Ctl<QWidget>(id)->isEnabled()) << id;
    EXPECT_TRUE(Ctl<QWidget>(CUpdate::kReleaseUpdate)->isEnabled());
}

TEST_F(UpdatePageTest, IdentityEditsAreLimited) {
    Open(Profile::Tarn, {1, 0});
    const std::pair<int, int> limits[] = {
        {CUpdate::kNameEdit, 8}, {CUpdate::kAssemblyEdit, 9}, {CUpdate::kSerialEdit, 8}};
    for (const auto& [id, limit] : limits) {
        auto* edit = Ctl<QLineEdit>(id);
        edit->clear();
        for (int i = 0; i < limit + 1; ++i)
            PressKey(edit, Qt::Key_A, "A");
        EXPECT_EQ(edit->text().size(), limit) << id;
    }
}

// ---- Browse ---------------------------------------------------------------------------------

TEST_F(UpdatePageTest, BrowseFiltersByComponentAndInterface) {
    const std::wstring iic = L"Cypress Regular IIC Files (*.iic)|*.iic|All Files (*.*)|*.*||";
    const std::wstring rpd = L"Altera Active Serial Files (*.rpd)|*.rpd|All Files (*.*)|*.*||";
    const std::wstring ace = L"JTAG Files (*.ace)|*.ace|All Files (*.*)|*.*||";
    Open(Profile::Orlan6, {2, 0});
    const std::pair<QString, std::wstring> cases[] = {
        {"Ferrin", iic}, {"SafeBoot", iic}, {"Input", rpd}, {"Output", ace}};
    for (const auto& [component, filter] : cases) {
        Choose(CUpdate::kFirmwareCombo, component);
        dialogs.CancelNextFile();
        Click(CUpdate::kBrowse);
        ASSERT_FALSE(dialogs.fileRequests.empty());
        EXPECT_EQ(dialogs.fileRequests.back().filter, filter) << component.toStdString();
    }
    // Any other programming interface: every file.
    const fs::path file = Work("types/ORLAN6/orlan6-2.0.xml");
    std::ifstream in(file);
    std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WriteFile(file, std::regex_replace(xml, std::regex("<Firmware interfaceID=\"JTAG\""),
                                       "<Firmware interfaceID=\"I2C\""));
    page->ReloadForModule();
    Choose(CUpdate::kFirmwareCombo, "Output");
    Click(CUpdate::kBrowse);
    EXPECT_EQ(dialogs.fileRequests.back().filter, L"All Files (*.*)|*.*||");
}

TEST_F(UpdatePageTest, BrowseRemembersTheFileFilterAndFolder) {
    Open(Profile::Tarn, {1, 0});
    Choose(CUpdate::kFirmwareCombo, "Ferrin");
    const std::wstring chosen = Utf8ToWide(Work("types/TARN/images/ferrin-1.1.bin").string());
    dialogs.ChooseFile(chosen, 2);
    Click(CUpdate::kBrowse);
    EXPECT_EQ(page->FileEntry(kComponentFerrin), chosen);
    EXPECT_EQ(Items(CUpdate::kFileCombo), QStringList{QString::fromStdWString(chosen)});

    // The same kind starts where the last one ended; the FPGA kind does not.
    dialogs.CancelNextFile();
    Click(CUpdate::kBrowse);
    EXPECT_EQ(dialogs.fileRequests.back().filterIndex, 2);
    EXPECT_EQ(dialogs.fileRequests.back().initialFolder,
              Utf8ToWide(Work("types/TARN/images").string()));
    Choose(CUpdate::kFirmwareCombo, "Main");
    dialogs.CancelNextFile();
    Click(CUpdate::kBrowse);
    EXPECT_EQ(dialogs.fileRequests.back().filterIndex, 1);
    EXPECT_EQ(dialogs.fileRequests.back().initialFolder, L"");

    // A file that does not open changes nothing.
    dialogs.ChooseFile(L"/no/such/file.rpd");
    Click(CUpdate::kBrowse);
    EXPECT_EQ(dialogs.fileErrors, std::vector<std::wstring>{L"/no/such/file.rpd"});
    EXPECT_EQ(page->FileEntry(0), L"types/TARN/images/fpga0-1.0.rpd");
}

// ---- Manual downloads -----------------------------------------------------------------------

TEST_F(UpdatePageTest, ManualDownloadAsksThenRunsAndReports) {
    struct Case {
        QString component;
        const wchar_t* question;
        const wchar_t* message;
        bool disconnects;
    };
    const Case cases[] = {
        {"Ferrin",
         L"Updating Ferrin erases the module configuration parameters.\nFPGA firmware may also "
         L"need to be updated.\nVersion number will update after rebooting module.\n\nAre you "
         L"sure you wish to do this?",
         L"Reboot the module for the newly updated firmware to take effect!", true},
        {"SafeBoot",
         L"Updating SafeBoot erases Ferrin and the module configuration parameters.\nFPGA "
         L"firmware may also need to be updated.\nVersion number will update after rebooting "
         L"module.\nNOTE: This process cannot be aborted and must not be interrupted!.\n\nAre "
         L"you sure you wish to do this?",
         L"Reboot the module for the newly updated firmware to take effect!", true},
        {"Main",
         L"Updating the FPGA firmware erases the module configuration parameters.\nVersion "
         L"number will update after rebooting module.\n\nAre you sure you wish to do this?",
         L"FPGA firmware has been automatically reloaded into the FPGA.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.component.toStdString());
        Open(Profile::Tarn, {1, 0});
        Choose(CUpdate::kFirmwareCombo, c.component);

        // Declined: nothing happens.
        dialogs.Clear();
        dialogs.AnswerNext(MsgResult::No);
        Click(CUpdate::kManualUpdate);
        EXPECT_EQ(dialogs.BoxTexts(), std::vector<std::wstring>{c.question});
        EXPECT_EQ(dialogs.boxes[0].caption, L"Attention!");
        EXPECT_EQ(LastStatusLine(), L"Update was cancelled!");
        EXPECT_FALSE(page->IsRunning());
        EXPECT_TRUE(Ctl<QWidget>(CUpdate::kManualUpdate)->isEnabled());

        dialogs.Clear();
        Click(CUpdate::kManualUpdate);
        EXPECT_TRUE(page->IsRunning());
        EXPECT_FALSE(Ctl<QWidget>(CUpdate::kManualUpdate)->isEnabled());
        EXPECT_FALSE(Ctl<QWidget>(CUpdate::kReleaseUpdate)->isEnabled());
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(dialogs.boxes.back().text, c.message);
        EXPECT_EQ(dialogs.boxes.back().caption, L"Update Successful!");
        EXPECT_EQ(Ctl<QProgressBar>(CUpdate::kManualProgress)->value(), 100);
        EXPECT_EQ(Text(CUpdate::kManualPercent), "100.0%");
        EXPECT_EQ(engine->IsConnected(), !c.disconnects);
        EXPECT_EQ(module->Transfers().size(), 1u);
        TearDown();
        SetUp();
    }
}

TEST_F(UpdatePageTest, ManualAbortAndTheBusyRule) {
    Open(Profile::Tarn, {1, 0}, true, true, [](sim::ModuleConfig& c) {
        c.behaviour.eraseFrames = 40;
        c.behaviour.pendingInterval = 50ms;
    });
    Click(CUpdate::kManualUpdate); // the FPGA
    ASSERT_TRUE(page->IsRunning());
    EXPECT_TRUE(Ctl<QWidget>(CUpdate::kManualAbort)->isEnabled());
    Click(CUpdate::kManualAbort);
    EXPECT_FALSE(Ctl<QWidget>(CUpdate::kManualAbort)->isEnabled());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(LastStatusLine(), L"Update was aborted!");
    EXPECT_TRUE(engine->IsConnected());
    EXPECT_TRUE(Ctl<QWidget>(CUpdate::kManualUpdate)->isEnabled());
}

TEST_F(UpdatePageTest, ManualDownloadRefusals) {
    Open(Profile::Tarn, {1, 0});
    Choose(CUpdate::kFirmwareCombo, "Ferrin");
    // An image the start command cannot describe is refused before the question.
    const std::wstring big = Utf8ToWide(Work("big.bin").string());
    WriteFile(Work("big.bin"), SampleImage("1.1", 70000));
    dialogs.ChooseFile(big);
    Click(CUpdate::kBrowse);
    dialogs.Clear();
    Click(CUpdate::kManualUpdate);
    EXPECT_EQ(LastStatusLine(), L"Image is too large for this component!");
    EXPECT_TRUE(dialogs.boxes.empty());
    // A file that went away: the file-error box.
    fs::remove(Work("big.bin"));
    Click(CUpdate::kManualUpdate);
    EXPECT_EQ(dialogs.fileErrors, std::vector<std::wstring>{big});
    // Not connected.
    Disconnect();
    Click(CUpdate::kManualUpdate);
    EXPECT_EQ(LastStatusLine(), L"Not connected to a module.");
    EXPECT_FALSE(page->IsRunning());
    EXPECT_EQ(module->RequestCount(), 0u);
}

// ---- Identity, Return key, module type ------------------------------------------------------

TEST_F(UpdatePageTest, EnterButtonsAndReturnKeyWriteTheIdentity) {
    KeepOnlyTarnRelease11(); // assemblies 2 (any board) and 3 (board B7)
    Open(Profile::Tarn, {1, 0});
    struct Case {
        int edit;
        int button;
        const char* text;
        std::function<std::string(const sim::ModuleState&)> stored;
    };
    const Case cases[] = {
        {CUpdate::kNameEdit, CUpdate::kNameEnter, "NEWNAME",
         [](const sim::ModuleState& s) { return sim::TrimText(s.name); }},
        {CUpdate::kSerialEdit, CUpdate::kSerialEnter, "99990000",
         [](const sim::ModuleState& s) { return sim::TrimText(s.serial); }},
        {CUpdate::kAssemblyEdit, CUpdate::kAssemblyEnter, "B7",
         [](const sim::ModuleState& s) { return sim::TrimText(s.assembly); }},
    };
    for (const bool returnKey : {false, true}) {
        for (const Case& c : cases) {
            const std::string text = std::string(c.text) + (returnKey ? "1" : "");
            Ctl<QLineEdit>(c.edit)->setText(
                QString::fromStdString(text).left(c.edit == CUpdate::kAssemblyEdit ? 9 : 8));
            if (returnKey)
                PressKey(Ctl<QLineEdit>(c.edit), Qt::Key_Return);
            else
                Click(c.button);
            EXPECT_EQ(c.stored(module->State()), text.substr(0, 8)) << c.text << returnKey;
            // The assembly selects the release's board variant.
            if (c.edit == CUpdate::kAssemblyEdit) {
                ASSERT_NE(page->CurrentRelease(), nullptr);
                EXPECT_EQ(page->CurrentRelease()->id, returnKey ? 2 : 3);
            }
        }
    }

    // Return anywhere else does nothing at all.
    module->ClearLog();
    dialogs.Clear();
    PressKey(Ctl<QPushButton>(CUpdate::kReleaseUpdate), Qt::Key_Return);
    PressKey(Ctl<QComboBox>(CUpdate::kFirmwareCombo), Qt::Key_Return);
    PressKey(page.get(), Qt::Key_Return);
    EXPECT_EQ(module->RequestCount(), 0u);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(page->IsRunning());

    Disconnect();
    for (int button : {CUpdate::kNameEnter, CUpdate::kSerialEnter, CUpdate::kAssemblyEnter}) {
        statusLine.clear();
        Click(button);
        EXPECT_EQ(LastStatusLine(), L"Not connected to a module.") << button;
    }
}

TEST_F(UpdatePageTest, ModuleTypeSelectionAndSet) {
    Open(Profile::Tarn, {1, 0});
    EXPECT_EQ(Items(CUpdate::kModuleTypeCombo), (QStringList{"ORLAN6", "TARN"}));
    EXPECT_EQ(Ctl<QComboBox>(CUpdate::kModuleTypeCombo)->currentText(), "TARN");
    Choose(CUpdate::kModuleTypeCombo, "ORLAN6");
    EXPECT_EQ(Text(CUpdate::kDesiredRelease), "2.0");
    EXPECT_EQ(Items(CUpdate::kFirmwareCombo),
              (QStringList{"Input", "Output", "Ferrin", "SafeBoot"}));

    Click(CUpdate::kSetModuleType);
    ASSERT_EQ(Count(0x9F), 1u);
    EXPECT_EQ(Frames(0x9F)[0].back(), 1);
    EXPECT_EQ(module->State().release, (sim::Version{2, 0}));
    EXPECT_EQ(engine->Module().moduleType, 1u);

    // No release for the type.
    fs::remove(Work("types/TARN/assembly.xml"));
    Choose(CUpdate::kModuleTypeCombo, "TARN");
    Click(CUpdate::kSetModuleType);
    EXPECT_EQ(LastStatusLine(), L"No release assembly is available for the selected module type.");
    Ctl<QComboBox>(CUpdate::kModuleTypeCombo)->setCurrentIndex(-1);
    Click(CUpdate::kSetModuleType);
    EXPECT_EQ(LastStatusLine(), L"No module type selection has been made.");
}

// ---- Release update through the page --------------------------------------------------------

TEST_F(UpdatePageTest, ReleaseUpdateThroughThePage) {
    KeepOnlyTarnRelease11();
    Open(Profile::Tarn, {1, 0});
    EXPECT_EQ(Text(CUpdate::kDesiredRelease), "1.1");
    EXPECT_EQ(Text(CUpdate::kInstalledRelease), "1.0");
    Click(CUpdate::kReleaseUpdate);
    EXPECT_EQ(prompts, 1);
    ASSERT_TRUE(page->IsRunning());
    EXPECT_FALSE(Ctl<QWidget>(CUpdate::kReleaseUpdate)->isEnabled());
    EXPECT_TRUE(engine->IsUpdateInProgress());
    ASSERT_TRUE(WaitIdle());

    EXPECT_EQ(dialogs.boxes.back().text, L"Update to Release '1.1' completed successfully.");
    EXPECT_EQ(LastStatusLine(), L"Update completed successfully.");
    EXPECT_EQ(Text(CUpdate::kReleaseStatus), "Component 4 of 4 updated successfully.");
    EXPECT_EQ(Ctl<QProgressBar>(CUpdate::kReleaseProgress)->value(), 100);
    EXPECT_EQ(Text(CUpdate::kReleasePercent), "100.0%");
    EXPECT_EQ(Text(CUpdate::kInstalledRelease), "1.1");
    EXPECT_TRUE(Ctl<QWidget>(CUpdate::kReleaseUpdate)->isEnabled());
    // The quiet flag was set and cleared on the GUI thread.
    ASSERT_FALSE(quietHistory.empty());
    EXPECT_TRUE(quietHistory.front());
    EXPECT_FALSE(quietHistory.back());
}

TEST_F(UpdatePageTest, ClosingThePageDuringARun) {
    KeepOnlyTarnRelease11();
    Open(Profile::Tarn, {1, 0}, true, true,
         [](sim::ModuleConfig& c) { c.behaviour.rebootDelay = 1h; });
    Click(CUpdate::kReleaseUpdate);
    ASSERT_TRUE(WaitFor([this] { return !module->IsPresent(); }));
    dialogs.AnswerNext(MsgResult::No);
    EXPECT_FALSE(page->QueryClose());
    EXPECT_TRUE(page->IsRunning());

    // The main window closes anyway (or the page goes): the worker, waiting
    // for the reconnect, is released and joined.
    const auto start = Clock::now();
    page.reset();
    EXPECT_LT(Clock::now() - start, 20s);
    EXPECT_FALSE(engine->IsUpdateInProgress());
}

// ---- The confirmation dialog ----------------------------------------------------------------

TEST_F(UpdatePageTest, PromptDialogTextsAndForceChoice) {
    for (const bool yes : {true, false}) {
        CReleaseUpdatePromptDlg dlg;
        EXPECT_EQ(dlg.windowTitle(), "Attention!");
        auto* box = dlg.findChild<QCheckBox*>("ctl1175");
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(box->isChecked());
        EXPECT_EQ(box->text(), "Force all components to be updated.");
        EXPECT_NE(dlg.findChild<QLabel*>("ctl1176"), nullptr);
        QStringList texts;
        for (auto* label : dlg.findChildren<QLabel*>())
            texts << label->text();
        EXPECT_TRUE(texts.contains("One or more components will be updated as needed.\nDo not "
                                   "disturb the selected module until the update\nhas completed!"));
        EXPECT_TRUE(texts.contains("Proceed with the update?"));
        EXPECT_EQ(dlg.YesButton()->text(), "Yes");
        EXPECT_EQ(dlg.NoButton()->text(), "No");
        dlg.open();
        box->setChecked(true);
        (yes ? dlg.YesButton() : dlg.NoButton())->click();
        EXPECT_EQ(dlg.result(), yes ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(dlg.ForceChoice(), 1);
    }
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    CXercesSession xerces;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
