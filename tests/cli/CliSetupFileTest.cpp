// A setup saved by pellworth-cli loads with the Setup pages' procedures and
// file classes, and a setup the pages saved loads with pellworth-cli.
#include "CliProcess.h"
#include "ScriptedDialogs.h"

#include "descriptions/CAssembliesXML.h"
#include "descriptions/CModuleTypeXML.h"
#include "descriptions/CModuleTypesLinux.h"
#include "descriptions/XercesSession.h"
#include "engine/CAppIF.h"
#include "engine/CCmdEngine.h"
#include "engine/CErrorReportIF.h"
#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/CDefaultsOrlan6XML.h"
#include "setups/CDefaultsTARNXML.h"
#include "setups/SetupFileProcedures.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Bytes = std::vector<uint8_t>;

// The program's side without a module: the engine knows the module type
// (the page's type check compares with it) and nothing is attached, so a
// load changes only the page's block.
class PageSide : public CAppIF, public CErrorReportIF {
public:
    explicit PageSide(ModuleTypeId type)
        : m_registry(L"types"), m_engine(nullptr, this, this, &m_registry, type) {}

    void OnModuleChanged() override {}
    void OnIdentityChanged() override {}
    void OnDisconnected() override {}
    bool IsOptionM() override { return false; }
    bool IsOptionD() override { return false; }
    CModuleTypeXML* CreateModuleTypeReader() override { return new CModuleTypeXML(); }
    CAssembliesXML* CreateAssembliesReader() override { return new CAssembliesXML(); }
    void ReportError(std::wstring text) override { status = std::move(text); }

    template <class Block, class File>
    SetupFileContext Context(Block& block, const wchar_t* filter) {
        SetupFileContext context;
        context.dialogs = &dialogs;
        context.reportStatus = [this](const std::wstring& text) { status = text; };
        context.engine = &m_engine;
        context.filter = filter;
        context.folder = &m_folder;
        context.makeDocument = [&block] {
            return std::make_unique<CSetupDocument<Block, File>>(block);
        };
        return context;
    }

    CCmdEngine& Engine() { return m_engine; }
    ScriptedDialogs dialogs;
    std::wstring status;

private:
    CModuleTypesLinux m_registry;
    CCmdEngine m_engine;
    SetupFolderState m_folder;
};

class CliSetupFiles : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        ASSERT_TRUE(m_xml.IsReady());
        m_previous = fs::current_path();
        fs::current_path(DataDirectory());
    }
    void TearDown() override {
        fs::current_path(m_previous);
        CliFixture::TearDown();
    }

    // Saved by the tool from the module, loaded by the page; then saved by the
    // page from `pageBytes`, loaded by the tool into the module.
    template <class Block, class File>
    void RoundTrip(sim::Profile profile, sim::Version release, ModuleTypeId type,
                   const wchar_t* filter, const Bytes& moduleBytes, const Bytes& pageBytes) {
        sim::SimulatedModule& module = StartModule(profile, release);
        SetSetupBytes(module, moduleBytes);
        const std::string port = Port(module);
        PageSide page(type);
        Block block(&page.Engine(), 0, 0);

        const std::string fromTool = Scratch("from-tool.xml").string();
        const CliResult save = Cli({"setup", "--port", port, "save", fromTool});
        ASSERT_EQ(save.exitCode, 0) << save;
        page.dialogs.ChooseFile(std::wstring(fromTool.begin(), fromTool.end()));
        SetupFileContext load = page.Context<Block, File>(block, filter);
        ASSERT_TRUE(LoadSetupFile(load, block))
            << std::string(page.status.begin(), page.status.end());
        EXPECT_EQ(page.status, L"Setups loaded successfully.");
        for (uint16_t i = 0; i < 4; ++i)
            EXPECT_EQ(block.EncodeByte(i), moduleBytes[i]) << "byte " << i;

        uint8_t raw[4] = {pageBytes[0], pageBytes[1], pageBytes[2], pageBytes[3]};
        block.Decode(raw);
        const std::string fromPage = Scratch("from-page.xml").string();
        page.dialogs.ChooseFile(std::wstring(fromPage.begin(), fromPage.end()));
        SetupFileContext save2 = page.Context<Block, File>(block, filter);
        ASSERT_TRUE(SaveSetupFile(save2));
        const CliResult loaded = Cli({"setup", "--port", port, "load", fromPage});
        ASSERT_EQ(loaded.exitCode, 0) << loaded;
        EXPECT_EQ(loaded.out, "Setups loaded successfully.\n");
        EXPECT_EQ(SetupBytes(module), pageBytes);
    }

    CXercesSession m_xml;
    fs::path m_previous;
};

TEST_F(CliSetupFiles, TarnFilesGoBothWays) {
    RoundTrip<CConfigModTarn, CDefaultsTARNXML>(sim::Profile::Tarn, {1, 0}, 2, kTarnSetupFilter,
                                                {0x04, 0x99, 0x19, 0x32}, {0x00, 0x6E, 0x2A, 0x9F});
}

TEST_F(CliSetupFiles, Orlan6FilesGoBothWays) {
    RoundTrip<CConfigModORLAN6, CDefaultsOrlan6XML>(sim::Profile::Orlan6, {2, 0}, 1,
                                                    kOrlan6SetupFilter, {0x65, 0x02, 0x9D, 0x3E},
                                                    {0x6A, 0x01, 0x66, 0x12});
}

} // namespace
