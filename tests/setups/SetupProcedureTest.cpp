// The "Load..." and "Save..." procedures: the file dialog, every message and
// status text, and that a failed load changes nothing and a failed save
// leaves the existing file as it was.
#include "SetupTestSupport.h"

#include "descriptions/XmlText.h"
#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/CDefaultsOrlan6XML.h"
#include "setups/CDefaultsTARNXML.h"
#include "setups/SetupFileProcedures.h"
#include "tests/support/ScriptedDialogs.h"

#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using T = CConfigModTarn;
using O = CConfigModORLAN6;
using TarnDocument = CSetupDocument<T, CDefaultsTARNXML>;

const std::wstring kTarnFilter = L"TARN Files (*.xml)|*.xml|All Files (*.*)|*.*||";

std::string Param(const std::string& name, const std::string& value) {
    return "    <Param name=\"" + name + "\" value=\"" + value + "\"/>\n";
}

// A page's side of the procedures.
struct Harness {
    template <class Block, class File> SetupFileContext Context(Block& block, CCmdEngine* engine) {
        SetupFileContext context;
        context.dialogs = &dialogs;
        context.reportStatus = [this](const std::wstring& text) { status.push_back(text); };
        context.engine = engine;
        context.filter = kTarnFilter;
        context.folder = &folder;
        context.updateControls = [this] { ++updates; };
        context.makeDocument = [&block] {
            return std::make_unique<CSetupDocument<Block, File>>(block);
        };
        return context;
    }
    void Reset() {
        dialogs.Clear();
        status.clear();
        folder = {};
        updates = 0;
    }
    std::wstring LastStatus() const { return status.empty() ? L"<none>" : status.back(); }

    ScriptedDialogs dialogs;
    std::vector<std::wstring> status;
    SetupFolderState folder;
    int updates = 0;
};

TEST(AskSetupFile, NamesFoldersAndFilters) {
    TempDir dir;
    fs::create_directories(dir.Path() / "folder.xml");
    struct Case {
        std::wstring chosen;
        std::wstring result;
    };
    const Case cases[] = {
        {dir.Wide("setup"), dir.Wide("setup.xml")},
        {dir.Wide("setup.xml"), dir.Wide("setup.xml")},
        {dir.Wide("setup.XML"), dir.Wide("setup.XML.xml")},
        {dir.Wide("x"), dir.Wide("x.xml")},
        {dir.Wide("sub/.xml"), dir.Wide("sub/.xml")},
    };
    for (const auto& c : cases) {
        Harness h;
        T block(nullptr, 0, 0);
        SetupFileContext context = h.Context<T, CDefaultsTARNXML>(block, nullptr);
        h.dialogs.ChooseFile(c.chosen, 2);
        EXPECT_EQ(AskSetupFile(context, true), c.result);
        EXPECT_EQ(h.status, std::vector<std::wstring>{L""}) << "the status line is cleared";
        EXPECT_EQ(h.folder.filterIndex, 2u);
        EXPECT_EQ(h.folder.lastFolder,
                  Utf8ToWide(fs::path(WideToUtf8(c.result)).parent_path().string()));
    }

    // The next dialog starts where the last one ended; cancelling returns nothing.
    Harness h;
    T block(nullptr, 0, 0);
    SetupFileContext context = h.Context<T, CDefaultsTARNXML>(block, nullptr);
    h.folder = {L"/some/folder", 2};
    EXPECT_EQ(AskSetupFile(context, false), L"");
    ASSERT_EQ(h.dialogs.fileRequests.size(), 1u);
    const FileDialogRequest& request = h.dialogs.fileRequests[0];
    EXPECT_FALSE(request.save);
    EXPECT_EQ(request.filter, kTarnFilter);
    EXPECT_EQ(request.filterIndex, 2);
    EXPECT_EQ(request.initialFolder, L"/some/folder");
    EXPECT_EQ(h.folder.lastFolder, L"/some/folder");

    // Something that is not a file is refused, and the folder is not remembered.
    h.dialogs.ChooseFile(dir.Wide("folder"));
    EXPECT_EQ(AskSetupFile(context, true), L"");
    EXPECT_EQ(h.dialogs.BoxTexts(),
              std::vector<std::wstring>{L"File '" + dir.Wide("folder.xml") + L"' is not a file!"});
    EXPECT_EQ(h.folder.lastFolder, L"/some/folder");
}

class LoadProcedure : public SimulatedModuleFixture {
protected:
    // A connected module with the page's block attached; the block holds 04 99 1E 9F.
    void ConnectTarn() {
        StartModule(sim::Profile::Tarn, {0x04, 0x99, 0x1E, 0x9F});
        MakeEngine();
        tarn = std::make_unique<T>(engine.get(), 0, 0);
        app.onModuleChanged = [this] {
            if (engine && engine->Module().moduleType == 2)
                engine->AttachConfigBlock(tarn.get());
        };
        ASSERT_TRUE(Connect());
        module->ClearLog();
    }
    void TearDown() override {
        if (engine && tarn)
            engine->Module().DetachBlockHandler(tarn.get());
        SimulatedModuleFixture::TearDown();
    }
    Bytes TarnBytes() const {
        return {tarn->EncodeByte(0), tarn->EncodeByte(1), tarn->EncodeByte(2), tarn->EncodeByte(3)};
    }

    TempDir dir;
    Harness h;
    std::unique_ptr<T> tarn;
};

TEST_F(LoadProcedure, LoadedSetupReachesTheModuleAfterTheFactoryBlock) {
    ConnectTarn();
    const std::wstring path = dir.Write(
        "good.xml", SetupXml("TARN", "0.2",
                             Param("VideoFormat", "4:4:4 RGB") + Param("OutputFormat", "1080i") +
                                 Param("FrameRate", "VESA") + Param("SDFormat", "Anamorphic")));
    SetupFileContext context = h.Context<T, CDefaultsTARNXML>(*tarn, engine.get());
    h.dialogs.ChooseFile(path);
    ASSERT_TRUE(LoadSetupFile(context, *tarn));

    EXPECT_EQ(TarnBytes(), (Bytes{0x04, 0x08, 0x00, 0x4F}));
    EXPECT_EQ(BlockWriteData(), (std::vector<Bytes>{{0, 0, 0, 0}, {0x04, 0x08, 0x00, 0x4F}}));
    EXPECT_EQ(ModuleBlock(), (Bytes{0x04, 0x08, 0x00, 0x4F}));
    EXPECT_EQ(h.updates, 1);
    EXPECT_EQ(h.status, (std::vector<std::wstring>{L"", L"Setups loaded successfully."}));
    EXPECT_TRUE(h.dialogs.boxes.empty());
}

TEST_F(LoadProcedure, RejectedFilesChangeNeitherBlockNorModule) {
    ConnectTarn();
    std::string huge = SetupXml("TARN", "0.2", "");
    huge.insert(huge.find("<ModuleParams>"),
                "<!--" + std::string(kMaxSetupFileSize, 'x') + "-->\n");
    struct Case {
        const char* what;
        std::string file; // empty: no file
        bool cancel;
        std::wstring box; // the start of the one box shown; empty: none
        std::wstring status;
    };
    const Case cases[] = {
        {"cancelled", "", true, L"", L"Load operation was cancelled."},
        {"missing file", "", false, L"An error occurred while opening", L""},
        {"not XML", "plain text", false, L"Parsing ", L""},
        {"another module type", SetupXml("ORLAN6", "0.1", Param("InputVideoFormat", "PsF")), false,
         L"Cannot load file. File was saved for module type 'ORLAN6'.\nThis is incompatible with "
         L"the connected module.",
         L""},
        {"no type", "<ModuleParams><Module version=\"0.2\"/></ModuleParams>", false,
         L"Cannot load file. File was saved for module type 'unknown'.", L""},
        {"type in lower case", SetupXml("tarn", "0.2", ""), false,
         L"Cannot load file. File was saved for module type 'tarn'.", L""},
        {"another version", SetupXml("TARN", "0.3", Param("VideoFormat", "4:4:4 RGB")), false,
         L"Load file version mismatch! Load aborted.", L""},
        {"huge file", huge, false, L"File '", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        h.Reset();
        module->ClearLog();
        const std::wstring path =
            c.file.empty() ? dir.Wide("missing.xml") : dir.Write("bad.xml", c.file);
        if (c.cancel)
            h.dialogs.CancelNextFile();
        else
            h.dialogs.ChooseFile(path);
        SetupFileContext context = h.Context<T, CDefaultsTARNXML>(*tarn, engine.get());
        EXPECT_FALSE(LoadSetupFile(context, *tarn));

        const std::vector<std::wstring> boxes = h.dialogs.BoxTexts();
        if (c.box.empty()) {
            EXPECT_TRUE(boxes.empty());
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].rfind(c.box, 0), 0u) << WideToUtf8(boxes[0]);
        }
        EXPECT_EQ(h.LastStatus(), c.status);
        EXPECT_EQ(TarnBytes(), (Bytes{0x04, 0x99, 0x1E, 0x9F}));
        EXPECT_EQ(BlockWrites(), 0u);
        EXPECT_EQ(h.updates, 0);
    }
    // The huge file is named as too large.
    EXPECT_NE(h.dialogs.BoxTexts()[0].find(L"too large"), std::wstring::npos);
}

TEST_F(LoadProcedure, Orlan6ModuleRefusesTarnFilesAndOtherVersions) {
    StartModule(sim::Profile::Orlan6, {0x67, 0x02, 0xB6, 0x39});
    MakeEngine();
    O orlan(engine.get(), 0, 0);
    app.onModuleChanged = [&] {
        if (engine && engine->Module().moduleType == 1)
            engine->AttachConfigBlock(&orlan);
    };
    ASSERT_TRUE(Connect());
    module->ClearLog();
    const std::pair<std::string, std::wstring> cases[] = {
        {SetupXml("TARN", "0.2", ""),
         L"Cannot load file. File was saved for module type 'TARN'.\nThis is incompatible with the "
         L"connected module."},
        {SetupXml("ORLAN6", "0.2", Param("OutputMode", "DVI")),
         L"Load file version mismatch! Load aborted."},
    };
    for (const auto& [file, box] : cases) {
        h.Reset();
        h.dialogs.ChooseFile(dir.Write("o.xml", file));
        SetupFileContext context = h.Context<O, CDefaultsOrlan6XML>(orlan, engine.get());
        EXPECT_FALSE(LoadSetupFile(context, orlan));
        EXPECT_EQ(h.dialogs.BoxTexts(), std::vector<std::wstring>{box});
        EXPECT_EQ(orlan.OutputMode, 2u);
        EXPECT_FALSE(orlan.Output2KCenterCut);
    }
    h.Reset();
    h.dialogs.ChooseFile(
        dir.Write("o.xml", SetupXml("ORLAN6", "0.1", Param("OutputMode", "HDMI"))));
    SetupFileContext context = h.Context<O, CDefaultsOrlan6XML>(orlan, engine.get());
    EXPECT_TRUE(LoadSetupFile(context, orlan));
    // No reset for ORLAN6: one write, and a missing center cut reads as off.
    EXPECT_EQ(BlockWriteData(), (std::vector<Bytes>{{0, 0, 0x01, 0x20}}));
    engine->Module().DetachBlockHandler(&orlan);
}

// A writer that fails at one stage; at WriteFile it first leaves part of a
// document at the path, as a write cut short would.
class FailingDocument : public CSetupDocumentIF {
public:
    enum class Stage { None, CreateDocument, SaveBlock, WriteFile };
    FailingDocument(T& block, Stage stage) : m_real(block), m_stage(stage) {}
    bool Parse(const std::wstring& path) override { return m_real.Parse(path); }
    std::wstring GetModuleType() const override { return m_real.GetModuleType(); }
    bool LoadBlock() override { return m_real.LoadBlock(); }
    bool CreateDocument(const std::wstring& name) override {
        return m_stage != Stage::CreateDocument && m_real.CreateDocument(name);
    }
    bool SaveBlock() override { return m_stage != Stage::SaveBlock && m_real.SaveBlock(); }
    bool WriteFile(const std::wstring& path) override {
        if (m_stage != Stage::WriteFile)
            return m_real.WriteFile(path);
        std::ofstream(WideToUtf8(path), std::ios::binary) << "<?xml version=\"1.0\"?><Modu";
        return false;
    }
    void TakeError(std::wstring& text) override {
        m_real.TakeError(text);
        if (m_stage != Stage::None)
            text = L"injected failure";
    }

private:
    TarnDocument m_real;
    Stage m_stage;
};

class SaveProcedure : public ::testing::Test {
protected:
    SetupFileContext Context() { return h.Context<T, CDefaultsTARNXML>(block, nullptr); }
    std::wstring OverwriteQuestion(const std::wstring& path) const {
        return L"File '" + path + L"' already exists!\n\nOK to overwrite it.";
    }
    TempDir dir;
    Harness h;
    T block{nullptr, 0, 0};
};

TEST_F(SaveProcedure, NewFileIsWrittenWithoutAQuestion) {
    block.VideoFormat = 1;
    SetupFileContext context = Context();
    h.dialogs.ChooseFile(dir.Wide("new"));
    ASSERT_TRUE(SaveSetupFile(context));
    EXPECT_TRUE(h.dialogs.boxes.empty());
    EXPECT_EQ(h.status, (std::vector<std::wstring>{L"", L"Setups saved successfully."}));
    EXPECT_EQ(ListDirectory(dir.Path()), std::vector<std::string>{"new.xml"});
    const std::string text = ReadFile(dir.Wide("new.xml"));
    EXPECT_NE(text.find("<Param name=\"VideoFormat\" value=\"4:2:2 YCbCr\"/>"), std::string::npos);
    EXPECT_NE(text.find("type=\"Unknown\""), std::string::npos) << "no module: type 0";
}

TEST_F(SaveProcedure, ExistingFileIsReplacedOnlyAfterYes) {
    const std::wstring path = dir.Write("old.xml", "old content");
    ::chmod(WideToUtf8(path).c_str(), 0640);
    for (const MsgResult answer : {MsgResult::No, MsgResult::Yes}) {
        h.Reset();
        h.dialogs.ChooseFile(path);
        h.dialogs.AnswerNext(answer);
        SetupFileContext context = Context();
        EXPECT_EQ(SaveSetupFile(context), answer == MsgResult::Yes);
        ASSERT_EQ(h.dialogs.boxes.size(), 1u) << "asked once";
        const auto& box = h.dialogs.boxes[0];
        EXPECT_EQ(box.text, OverwriteQuestion(path));
        EXPECT_EQ(box.caption, L"Attention!");
        EXPECT_EQ(box.buttons, MsgButtons::YesNo);
        EXPECT_EQ(box.icon, MsgIcon::Exclamation);
        if (answer == MsgResult::No) {
            EXPECT_EQ(h.LastStatus(), L"Save cancelled.");
            EXPECT_EQ(ReadFile(path), "old content");
        } else {
            EXPECT_EQ(h.LastStatus(), L"Setups saved successfully.");
            EXPECT_EQ(ReadFile(path).rfind("<?xml", 0), 0u);
        }
    }
    struct stat info {};
    ASSERT_EQ(::stat(WideToUtf8(path).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u) << "the replacement keeps the permissions";
    EXPECT_EQ(ListDirectory(dir.Path()), std::vector<std::string>{"old.xml"});
}

TEST_F(SaveProcedure, ReadOnlyFileIsNotAskedAboutAndStaysIntact) {
    const std::wstring path = dir.Write("ro.xml", "read-only content");
    ::chmod(WideToUtf8(path).c_str(), 0444);
    h.dialogs.ChooseFile(path);
    SetupFileContext context = Context();
    EXPECT_FALSE(SaveSetupFile(context));
    EXPECT_EQ(h.dialogs.BoxTexts(),
              std::vector<std::wstring>{FileErrorText(path, FileOperation::Create, EACCES)});
    EXPECT_EQ(h.dialogs.fileErrors, std::vector<std::wstring>{path});
    EXPECT_EQ(ReadFile(path), "read-only content");
    EXPECT_EQ(ListDirectory(dir.Path()), std::vector<std::string>{"ro.xml"});
}

TEST_F(SaveProcedure, DirectoryNameIsRefused) {
    fs::create_directories(dir.Path() / "d.xml" / "inner");
    h.dialogs.ChooseFile(dir.Wide("d.xml"));
    SetupFileContext context = Context();
    EXPECT_FALSE(SaveSetupFile(context));
    EXPECT_EQ(h.dialogs.BoxTexts(),
              std::vector<std::wstring>{L"File '" + dir.Wide("d.xml") + L"' is not a file!"});
    EXPECT_EQ(h.LastStatus(), L"Save operation was cancelled.");
    EXPECT_TRUE(fs::is_directory(dir.Path() / "d.xml" / "inner"));
}

TEST_F(SaveProcedure, FailureAtAnyStageLeavesTheOldFileAndNoLeftovers) {
    using Stage = FailingDocument::Stage;
    const std::wstring path = dir.Write("keep.xml", "the operator's setup");
    for (const Stage stage : {Stage::CreateDocument, Stage::SaveBlock, Stage::WriteFile}) {
        h.Reset();
        h.dialogs.ChooseFile(path);
        SetupFileContext context = Context();
        context.makeDocument = [this, stage] {
            return std::make_unique<FailingDocument>(block, stage);
        };
        EXPECT_FALSE(SaveSetupFile(context));
        EXPECT_EQ(h.dialogs.BoxTexts(),
                  (std::vector<std::wstring>{OverwriteQuestion(path), L"injected failure"}));
        EXPECT_EQ(ReadFile(path), "the operator's setup");
        EXPECT_EQ(ListDirectory(dir.Path()), std::vector<std::string>{"keep.xml"});
        EXPECT_NE(h.LastStatus(), L"Setups saved successfully.");
    }
}

TEST_F(SaveProcedure, WriteCutShortLeavesTheOldFile) {
    const std::wstring path = dir.Write("full.xml", std::string(4000, 'k'));
    h.dialogs.ChooseFile(path);
    SetupFileContext context = Context();
    {
        FileSizeLimit limit(300);
        EXPECT_FALSE(SaveSetupFile(context));
    }
    EXPECT_EQ(h.dialogs.BoxTexts(), (std::vector<std::wstring>{OverwriteQuestion(path),
                                                               L"Cannot write XML data to file."}));
    EXPECT_EQ(ReadFile(path), std::string(4000, 'k'));
    EXPECT_EQ(ListDirectory(dir.Path()), std::vector<std::string>{"full.xml"});
}

TEST_F(SaveProcedure, SymbolicLinkKeepsPointingAtTheNewContent) {
    const std::wstring target = dir.Write("real.xml", "old");
    fs::create_symlink(dir.Path() / "real.xml", dir.Path() / "link.xml");
    h.dialogs.ChooseFile(dir.Wide("link.xml"));
    SetupFileContext context = Context();
    ASSERT_TRUE(SaveSetupFile(context));
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.xml"));
    EXPECT_EQ(ReadFile(target).rfind("<?xml", 0), 0u);
}

// The directory refuses new files while the file in it may be written: the
// replacement cannot be made, and the old file must survive. Root ignores
// directory permissions, so then the save runs as "nobody" in a child process.
TEST_F(SaveProcedure, UnwritableDirectoryLeavesTheOldFile) {
    const fs::path folder = dir.Path() / "locked";
    fs::create_directories(folder);
    const std::wstring path = dir.Write("locked/mine.xml", "precious");
    const uid_t nobody = 65534;
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(WideToUtf8(path).c_str(), nobody, nobody), 0);
    }
    ::chmod(folder.c_str(), 0555);

    auto attempt = [&]() -> int {
        h.dialogs.ChooseFile(path);
        h.dialogs.AnswerNext(MsgResult::Yes);
        SetupFileContext context = Context();
        const bool saved = SaveSetupFile(context);
        const bool reported =
            h.dialogs.fileErrors == std::vector<std::wstring>{path} &&
            h.dialogs.BoxTexts().back() == FileErrorText(path, FileOperation::Create, EACCES);
        return !saved && reported ? 0 : 1;
    };
    if (!root) {
        EXPECT_EQ(attempt(), 0);
    } else {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(nobody) != 0 || ::setuid(nobody) != 0)
                ::_exit(77);
            ::_exit(attempt());
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 77)
            GTEST_SKIP() << "cannot drop privileges here";
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(ReadFile(path), "precious");
    EXPECT_EQ(ListDirectory(folder), std::vector<std::string>{"mine.xml"});
}

} // namespace
