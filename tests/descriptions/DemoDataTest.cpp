#include "DescTestSupport.h"

#include "descriptions/CAssembliesXML.h"
#include "descriptions/CModuleTypeXML.h"
#include "descriptions/CModuleTypesLinux.h"
#include "descriptions/ModuleDescription.h"
#include "descriptions/ReleaseTable.h"

#include <cstdlib>
#include <set>
#include <string_view>

namespace fs = std::filesystem;

namespace {

bool IsDemo() {
    return std::string_view(::testing::TestWithParam<const char*>::GetParam()) == "demo";
}

// The program runs with data/ as its working directory (the demo: the latest
// release of each type); the tests run with tests/data (every release). Each
// test runs in both.
class DemoData : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        const char* root = IsDemo() ? PELLWORTH_DEMO_DIR : std::getenv("PELLWORTH_TEST_DATA");
        ASSERT_NE(root, nullptr) << "PELLWORTH_TEST_DATA is not set";
        m_cwd = std::make_unique<WorkingDirectory>(root);
        m_registry.Scan();
    }

    ReleaseTable LoadTable(ModuleTypeId type) {
        ReleaseTable table;
        CAssembliesXML reader;
        EXPECT_TRUE(reader.Parse(L"", m_registry.GetTypeDirectory(type) + L"assembly.xml"));
        LoadReleaseTable(table, reader);
        return table;
    }
    ModuleDescription LoadDescription(const AssemblyRecord& record) {
        ModuleDescription description;
        CModuleTypeXML reader;
        EXPECT_TRUE(LoadModuleDescription(description, reader, record.moduleTypeFile));
        return description;
    }

    std::unique_ptr<WorkingDirectory> m_cwd;
    CModuleTypesLinux m_registry{L"types"};
};

// The first line of a sample image names its version.
void ExpectImageHeader(const std::wstring& file, VersionNumber version) {
    std::ifstream in(fs::path(WideToUtf8(file)), std::ios::binary);
    std::string line;
    std::getline(in, line);
    EXPECT_FALSE(version.IsNone()) << WideToUtf8(file);
    EXPECT_EQ(line, "SAMPLE-IMAGE " + WideToUtf8(VersionText(version))) << WideToUtf8(file);
}

TEST_P(DemoData, EveryReleaseFileExistsAndCarriesItsVersion) {
    uintmax_t imageBytes = 0;
    for (ModuleTypeId type : {1u, 2u}) {
        const ReleaseTable table = LoadTable(type);
        // The demo offers one release per type, so the release the update page
        // proposes (the lowest) is the latest; the tests need older ones too.
        std::set<uint16_t> releases;
        for (const auto& [id, record] : table.assemblies)
            releases.insert(record.release.Value());
        EXPECT_EQ(releases.size() == 1, IsDemo()) << "type " << type;
        for (const auto& [id, record] : table.assemblies) {
            SCOPED_TRACE(type * 1000 + id);
            EXPECT_FALSE(record.release.IsNone());
            std::vector<std::wstring> files;
            record.ListReleaseFiles(files);
            for (const std::wstring& file : files) {
                ASSERT_TRUE(fs::is_regular_file(WideToUtf8(file))) << WideToUtf8(file);
                imageBytes += fs::file_size(WideToUtf8(file));
            }
            ExpectImageHeader(record.safeBoot.fileName, record.safeBoot.version);
            ExpectImageHeader(record.ferrin.fileName, record.ferrin.version);
            // The type file of every release describes the same FPGAs and tables.
            const ModuleDescription description = LoadDescription(record);
            EXPECT_EQ(description.moduleType, type);
            ASSERT_EQ(description.fpgas.size(), record.fpgas.size());
            for (const auto& [fpgaId, fpga] : record.fpgas) {
                ExpectImageHeader(fpga.fileName, fpga.version);
                for (const auto& [tableId, lut] : fpga.lookupTables) {
                    ExpectImageHeader(lut.fileName, lut.version);
                }
                ASSERT_TRUE(description.HasFpga(fpgaId));
                std::vector<uint8_t> tables;
                description.FindFpga(fpgaId)->ListLookupTableIds(tables);
                EXPECT_EQ(tables.size(), fpga.lookupTables.size());
            }
        }
    }
    EXPECT_LT(imageBytes, 1024u * 1024u);
}

INSTANTIATE_TEST_SUITE_P(Sets, DemoData, ::testing::Values("demo", "tests"));

} // namespace
