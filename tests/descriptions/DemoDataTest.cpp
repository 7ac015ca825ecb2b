#include "DescTestSupport.h"

#include "descriptions/CAssembliesXML.h"
#include "descriptions/CModuleTypeXML.h"
#include "descriptions/CModuleTypesLinux.h"
#include "descriptions/ModuleDescription.h"
#include "descriptions/ReleaseTable.h"
#include "descriptions/XmlText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The program runs with data/ as its working directory; so do these tests.
class DemoData : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path root = DemoDataRoot();
        ASSERT_FALSE(root.empty()) << "PELLWORTH_TEST_DATA is not set";
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

    std::unique_ptr<WorkingDirectory> m_cwd;
    CModuleTypesLinux m_registry{L"types"};
};

// The first line of a sample image names its version.
std::string ImageHeader(const std::wstring& file) {
    std::ifstream in(fs::path(WideToUtf8(file)), std::ios::binary);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string Header(VersionNumber version) {
    return "SAMPLE-IMAGE " + WideToUtf8(VersionText(version));
}

TEST_F(DemoData, BothTypesAreRegistered) {
    EXPECT_EQ(m_registry.GetTypeDirectory(2), L"types/TARN/");
    EXPECT_EQ(m_registry.GetTypeDirectory(1), L"types/ORLAN6/");
    EXPECT_FALSE(m_registry.HasModuleType(0));
}

TEST_F(DemoData, EveryReleaseFileExistsAndCarriesItsVersion) {
    uintmax_t imageBytes = 0;
    for (ModuleTypeId type : {1u, 2u}) {
        SCOPED_TRACE(type);
        const ReleaseTable table = LoadTable(type);
        ASSERT_GE(table.assemblies.size(), 2u);
        for (const auto& [id, record] : table.assemblies) {
            SCOPED_TRACE(id);
            EXPECT_FALSE(record.release.IsNone());
            std::vector<std::wstring> files;
            record.ListReleaseFiles(files);
            for (const std::wstring& file : files) {
                SCOPED_TRACE(WideToUtf8(file));
                ASSERT_TRUE(fs::is_regular_file(WideToUtf8(file)));
                const uintmax_t size = fs::file_size(WideToUtf8(file));
                EXPECT_GE(size, 200u);
                EXPECT_LE(size, 8192u);
                imageBytes += size;
            }
            EXPECT_EQ(ImageHeader(record.safeBoot.fileName), Header(record.safeBoot.version));
            EXPECT_EQ(ImageHeader(record.ferrin.fileName), Header(record.ferrin.version));
            for (const auto& [fpgaId, fpga] : record.fpgas) {
                EXPECT_EQ(ImageHeader(fpga.fileName), Header(fpga.version));
                for (const auto& [tableId, lut] : fpga.lookupTables) {
                    EXPECT_EQ(ImageHeader(lut.fileName), Header(lut.version));
                }
            }
            // The type file of every release describes the same FPGAs and tables.
            ModuleDescription description;
            CModuleTypeXML typeReader;
            ASSERT_TRUE(LoadModuleDescription(description, typeReader, record.moduleTypeFile));
            EXPECT_EQ(description.moduleType, type);
            std::vector<uint8_t> described;
            std::vector<uint8_t> released;
            description.ListFpgaIds(described);
            record.ListFpgaIds(released);
            EXPECT_EQ(described, released);
            for (const auto& [fpgaId, fpga] : record.fpgas) {
                std::vector<uint8_t> tables;
                description.FindFpga(fpgaId)->ListLookupTableIds(tables);
                EXPECT_EQ(tables.size(), fpga.lookupTables.size());
            }
        }
    }
    EXPECT_LT(imageBytes, 1024u * 1024u);
    std::ifstream version("version", std::ios::binary);
    std::string title((std::istreambuf_iterator<char>(version)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(title.empty());
    EXPECT_LE(title.size(), 32u);
}

TEST_F(DemoData, TarnReleasesAndBoardVariant) {
    const ReleaseTable table = LoadTable(2);
    const AssemblyRecord* latest = FindLatest(table);
    ASSERT_NE(latest, nullptr);
    EXPECT_EQ(latest->release, (VersionNumber{1, 1}));
    EXPECT_TRUE(latest->boardAssembly.empty());
    EXPECT_EQ(latest->TableVersion(0, 1), (VersionNumber{1, 0}));
    const AssemblyRecord* b7 = SelectAssembly(table, {1, 1}, "B7");
    ASSERT_NE(b7, nullptr);
    EXPECT_EQ(b7->boardAssemblyNarrow, "B7");
    EXPECT_EQ(SelectAssembly(table, {1, 1}, "B3"), latest);
    EXPECT_EQ(SelectAssembly(table, {1, 1}, ""), latest);
    EXPECT_EQ(SelectAssembly(table, kNoVersion, "")->release, (VersionNumber{1, 0}));

    ModuleDescription description;
    CModuleTypeXML reader;
    ASSERT_TRUE(LoadModuleDescription(description, reader, latest->moduleTypeFile));
    const FpgaDescription* main = description.FindFpga(0);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->name, L"Main");
    EXPECT_EQ(main->interface, 1);
    EXPECT_EQ(main->deviceId, 0x10);
    EXPECT_EQ(main->firmware.interface, 2);
    EXPECT_EQ(main->firmware.deviceId, 0x66);
    EXPECT_EQ(main->firmware.start, 0x77u);
    EXPECT_EQ(main->firmware.revisionStart, 0x55);
    EXPECT_EQ(main->lookupTableRegisterStart, 0x60u);
    EXPECT_EQ(main->FindLookupTable(1)->start, 0x2000u);
    EXPECT_EQ(main->FindLookupTable(1)->length, 256u);

    // A module reporting exactly release 1.1 verifies.
    description.fpgas[0].firmware.version = {1, 1};
    description.fpgas[0].lookupTables[0].version = {1, 1};
    description.fpgas[0].lookupTables[1].version = {1, 0};
    const ModuleIdentityView module{{1, 1}, "", {1, 0}, {1, 1}, &description};
    EXPECT_EQ(VerifyRelease(table, module), (VersionNumber{1, 1}));
}

TEST_F(DemoData, Orlan6HasTwoFpgas) {
    const ReleaseTable table = LoadTable(1);
    const AssemblyRecord* latest = FindLatest(table);
    ASSERT_NE(latest, nullptr);
    EXPECT_EQ(latest->release, (VersionNumber{2, 1}));
    ModuleDescription description;
    CModuleTypeXML reader;
    ASSERT_TRUE(LoadModuleDescription(description, reader, latest->moduleTypeFile));
    std::vector<uint8_t> wire;
    SerializeModuleDescription(description, wire);
    EXPECT_EQ(wire, (std::vector<uint8_t>{2, 0, 1, 1, 0x10, 0, 0, 0, 0, 4, 1, 0, 3, 1}));
    const FpgaDescription* output = description.FindFpga(1);
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->name, L"Output");
    EXPECT_EQ(output->firmware.interface, 3);
    EXPECT_EQ(output->firmware.deviceId, 1);
    EXPECT_EQ(output->firmware.start, 0u);
    EXPECT_EQ(output->lookupTableRegisterStart, 0x70u);
    EXPECT_EQ(output->FindLookupTable(0)->deviceId, 0x21);
    EXPECT_EQ(output->FindLookupTable(0)->start, 0x4000u);
}

} // namespace
