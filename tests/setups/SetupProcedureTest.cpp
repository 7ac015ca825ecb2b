// The "Load..." and "Save..." procedures: the file dialog, every message and
// status text, and that a failed load changes nothing and a failed save
// leaves the existing file as it was.
#include "SetupTestSupport.h"

#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/CDefaultsOrlan6XML.h"
#include "setups/CDefaultsTARNXML.h"
#include "setups/SetupBlocks.h"
#include "setups/SetupFileProcedures.h"

#include <sys/stat.h>

namespace {

using T = CConfigModTarn;
using O = CConfigModORLAN6;

// A page's side of the procedures, over a connected module or none.
class Procedure : public SetupFixture {
protected:
    // The session's block of the module's type.
    template <class Block> Block& ConnectWith(sim::Profile profile, uint32_t bytes) {
        ConnectModule(profile, {}, Holding(Wire(bytes)));
        module->ClearLog();
        auto* block = dynamic_cast<Block*>(session.ModuleSetupBlock());
        EXPECT_NE(block, nullptr);
        return *block;
    }
    template <class Block, class File = CDefaultsTARNXML> SetupFileContext Context(Block& b) {
        auto report = [this](const std::wstring& text) { status.push_back(text); };
        auto make = [&b] { return std::make_unique<CSetupDocument<Block, File>>(b); };
        auto update = [this] { ++updates; };
        return {&dialogs, report, engine, SetupFileFilter(kModuleTypeTarn), &folder, update,
                make,     {},     {}};
    }
    // Loads into the block, or saves the unconnected TARN block.
    template <class Block, class File = CDefaultsTARNXML> bool Load(Block& b) {
        SetupFileContext context = Context<Block, File>(b);
        return LoadSetupFile(context, b);
    }
    bool Save() {
        SetupFileContext context = Context(tarn);
        return SaveSetupFile(context);
    }
    void Reset() {
        dialogs.Clear();
        status.clear();
    }
    static std::wstring OverwriteQuestion(const std::wstring& path) {
        return L"File '" + path + L"' already exists!\n\nOK to overwrite it.";
    }

    std::vector<std::wstring> status;
    SetupFolderState folder;
    int updates = 0;
    T tarn{nullptr, 0, 0};
};

TEST_F(Procedure, AskNamesAndFolders) {
    // ".xml" is appended unless the name ends with it exactly.
    const std::pair<std::string, std::string> names[] = {{"setup", "setup.xml"},
                                                         {"setup.XML", "setup.XML.xml"}};
    SetupFileContext context = Context(tarn);
    for (const auto& [chosen, result] : names) {
        status.clear();
        dialogs.ChooseFile(WorkWide(chosen), 2);
        EXPECT_EQ(AskSetupFile(context, true), WorkWide(result));
        EXPECT_EQ(folder.lastFolder, Utf8ToWide(Work(result).parent_path().string()));
    }

    // The next dialog starts where the last one ended; cancelling returns nothing.
    folder = {L"/some/folder", 3};
    dialogs.Clear();
    EXPECT_EQ(AskSetupFile(context, false), L"");
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].initialFolder, L"/some/folder");

    // Something that is not a file is refused, and the folder is not remembered.
    fs::create_directories(Work("folder.xml"));
    dialogs.ChooseFile(WorkWide("folder"));
    EXPECT_EQ(AskSetupFile(context, true), L"");
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(folder.lastFolder, L"/some/folder");
}

// TARN resets first (the factory block is written), then the file's block.
TEST_F(Procedure, LoadedSetupReachesTheModule) {
    T& loaded = ConnectWith<T>(sim::Profile::Tarn, 0x04991E9F);
    dialogs.ChooseFile(Write(
        "good.xml", SetupXml("TARN", "0.2",
                             Param("VideoFormat", "4:4:4 RGB") + Param("OutputFormat", "1080i") +
                                 Param("FrameRate", "VESA") + Param("SDFormat", "Anamorphic"))));
    ASSERT_TRUE(Load(loaded));
    EXPECT_EQ(Encode(loaded), Wire(0x0408004F));
    EXPECT_EQ(BlockWrites(*module), (std::vector<Bytes>{Wire(0), Wire(0x0408004F)}));
    EXPECT_EQ(BlockOf(*module), Wire(0x0408004F));
    EXPECT_EQ(updates, 1);
    EXPECT_TRUE(dialogs.boxes.empty());
}

// ORLAN6 does not reset: one write, and a missing center cut reads as off.
TEST_F(Procedure, Orlan6LoadWritesOnce) {
    O& loaded = ConnectWith<O>(sim::Profile::Orlan6, 0x6702B639);
    dialogs.ChooseFile(Write("o.xml", SetupXml("ORLAN6", "0.1", Param("OutputMode", "HDMI"))));
    EXPECT_TRUE((Load<O, CDefaultsOrlan6XML>(loaded)));
    EXPECT_EQ(BlockWrites(*module), std::vector<Bytes>{Wire(0x00000120)});
}

TEST_F(Procedure, RejectedLoadChangesNeitherBlockNorModule) {
    T& loaded = ConnectWith<T>(sim::Profile::Tarn, 0x04991E9F);
    std::string huge = SetupXml("TARN", "0.2", "");
    huge.insert(huge.find("<ModuleParams>"), "<!--" + std::string(kMaxSetupFileSize, 'x') + "-->");
    const std::wstring wrongType = L"Cannot load file. File was saved for module type '";
    const std::wstring incompatible = L"'.\nThis is incompatible with the connected module.";
    const std::pair<std::string, std::wstring> cases[] = {
        {"", L"An error occurred while opening"}, // no file
        {SetupXml("ORLAN6", "0.1", ""), wrongType + L"ORLAN6" + incompatible},
        {huge, L"File '" + WorkWide("bad.xml") + L"' is too large to be a setup file!"},
        {"cancel", L""},
    };
    for (const auto& [file, box] : cases) {
        SCOPED_TRACE(WideToUtf8(box));
        Reset();
        if (file != "cancel")
            dialogs.ChooseFile(file.empty() ? WorkWide("missing.xml") : Write("bad.xml", file));
        EXPECT_FALSE(Load(loaded));
        std::wstring shown;
        for (const std::wstring& text : dialogs.BoxTexts())
            shown += text + L"|";
        EXPECT_EQ(shown.rfind(box, 0), 0u) << WideToUtf8(shown);
        EXPECT_EQ(dialogs.boxes.size(), box.empty() ? 0u : 1u);
        EXPECT_EQ(status.back(), box.empty() ? L"Load operation was cancelled." : L"");
        EXPECT_EQ(Encode(loaded), Wire(0x04991E9F));
        EXPECT_TRUE(BlockWrites(*module).empty());
        EXPECT_EQ(updates, 0);
    }
}

TEST_F(Procedure, NewFileIsSavedWithoutAQuestion) {
    EXPECT_FALSE(Save()) << "cancelled";
    EXPECT_EQ(status.back(), L"Save operation was cancelled.");
    status.clear();
    tarn.VideoFormat = 1;
    dialogs.ChooseFile(WorkWide("new"));
    ASSERT_TRUE(Save());
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(ListDirectory(Work("")), std::vector<std::string>{"new.xml"});
    const std::string text = ReadFile(WorkWide("new.xml"));
    EXPECT_NE(text.find("<Param name=\"VideoFormat\" value=\"4:2:2 YCbCr\"/>"), std::string::npos);
    EXPECT_NE(text.find("type=\"Unknown\""), std::string::npos) << "no module: type 0";
}

TEST_F(Procedure, ExistingFileIsReplacedOnlyAfterYes) {
    const std::wstring path = Write("old.xml", "old content");
    ::chmod(WideToUtf8(path).c_str(), 0640);
    for (const bool yes : {false, true}) {
        Reset();
        dialogs.ChooseFile(path);
        dialogs.AnswerNext(yes ? MsgResult::Yes : MsgResult::No);
        EXPECT_EQ(Save(), yes);
        EXPECT_EQ(dialogs.BoxTexts(), std::vector<std::wstring>{OverwriteQuestion(path)});
        EXPECT_EQ(status.back(), yes ? L"Setups saved successfully." : L"Save cancelled.");
        EXPECT_EQ(ReadFile(path).rfind(yes ? "<?xml" : "old content", 0), 0u);
    }
    struct stat info {};
    ASSERT_EQ(::stat(WideToUtf8(path).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u) << "the replacement keeps the permissions";
    EXPECT_EQ(ListDirectory(Work("")), std::vector<std::string>{"old.xml"});
}

// A read-only file is not asked about; a write cut short (a full disk) shows
// its error. Either way the old file stays as it was, with nothing beside it.
TEST_F(Procedure, FailedSaveLeavesTheOldFile) {
    const std::wstring readOnly = Write("ro.xml", "read-only content");
    ::chmod(WideToUtf8(readOnly).c_str(), 0444);
    dialogs.ChooseFile(readOnly);
    EXPECT_FALSE(Save());
    EXPECT_EQ(dialogs.BoxTexts(),
              std::vector<std::wstring>{FileErrorText(readOnly, FileOperation::Create, EACCES)});
    EXPECT_EQ(dialogs.fileErrors, std::vector<std::wstring>{readOnly});
    EXPECT_EQ(ReadFile(readOnly), "read-only content");

    Reset();
    const std::wstring full = Write("full.xml", std::string(4000, 'k'));
    dialogs.ChooseFile(full);
    WithFileSizeLimit(300, [&] { EXPECT_FALSE(Save()); });
    EXPECT_EQ(dialogs.BoxTexts(), (std::vector<std::wstring>{OverwriteQuestion(full),
                                                             L"Cannot write XML data to file."}));
    EXPECT_EQ(ReadFile(full), std::string(4000, 'k'));
    EXPECT_EQ(ListDirectory(Work("")), (std::vector<std::string>{"full.xml", "ro.xml"}));
}

TEST_F(Procedure, SavingThroughASymbolicLinkKeepsTheLink) {
    const std::wstring target = Write("real.xml", "old");
    fs::create_symlink(Work("real.xml"), Work("link.xml"));
    dialogs.ChooseFile(WorkWide("link.xml"));
    ASSERT_TRUE(Save());
    EXPECT_TRUE(fs::is_symlink(Work("link.xml")));
    EXPECT_EQ(ReadFile(target).rfind("<?xml", 0), 0u);
}

} // namespace
