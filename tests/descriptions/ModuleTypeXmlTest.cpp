#include "DescTestSupport.h"

#include "descriptions/CModuleTypeXML.h"
#include "descriptions/ModuleDescription.h"
#include "setups/CConfigBlockIF.h"

#include <gtest/gtest.h>

namespace {

std::string TypeFile(const std::string& moduleTypeAttributes, const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<Definition>\n  <ModuleType version=\"0.1\" " +
           moduleTypeAttributes + ">\n" + body + "\n  </ModuleType>\n</Definition>\n";
}

class ModuleTypeFile : public ::testing::Test {
protected:
    // Loads a fresh description from the given file text.
    bool Load(const std::string& xml) {
        const std::wstring path = m_dir.Write("type.xml", xml);
        CModuleTypeXML reader;
        const bool ok = LoadModuleDescription(m_description, reader, path);
        EXPECT_FALSE(reader.HasError()); // the error text is taken and dropped
        return ok;
    }

    TempDir m_dir;
    ModuleDescription m_description;
};

TEST_F(ModuleTypeFile, ReadsEveryField) {
    ASSERT_TRUE(Load(TypeFile(R"(type="TARN" fpgaID="3" addr="0x1234")", R"(
    <FPGA id="0" name="Main" interfaceID="SPI Control" deviceID="0x10">
      <Firmware interfaceID="SPI Config" deviceID="0x66" start="0x77"/>
      <FirmwareRevision start="0x55"/>
      <LookupTableRegister start="0x60"/>
      <ParamBlock id="0" name="Setup" start="0" length="4"/>
      <LookupTable id="1" name="Matrix" deviceID="0x20" start="0x2000" length="256"/>
    </FPGA>
    <Group><FPGA id="2" name="Deep" interfaceID="JTAG" deviceID="1"/></Group>)")));
    EXPECT_EQ(m_description.moduleType, 2u);
    EXPECT_EQ(m_description.fpgaId, 3);
    EXPECT_EQ(m_description.address, 0x1234);
    std::vector<uint8_t> ids;
    m_description.ListFpgaIds(ids);
    EXPECT_EQ(ids, (std::vector<uint8_t>{0, 2}));

    const FpgaDescription* fpga = m_description.FindFpga(0);
    ASSERT_NE(fpga, nullptr);
    EXPECT_EQ(fpga->name, L"Main");
    EXPECT_EQ(fpga->interface, 1);
    EXPECT_EQ(fpga->deviceId, 0x10);
    EXPECT_EQ(fpga->lookupTableRegisterStart, 0x60u);
    EXPECT_EQ(fpga->firmware.interface, 2);
    EXPECT_EQ(fpga->firmware.deviceId, 0x66);
    EXPECT_EQ(fpga->firmware.start, 0x77u);
    EXPECT_EQ(fpga->firmware.revisionStart, 0x55);
    EXPECT_EQ(fpga->firmware.version, kNoVersion);
    EXPECT_TRUE(fpga->firmware.imageFile.empty());
    ASSERT_EQ(fpga->paramBlocks.size(), 1u);
    EXPECT_EQ(fpga->paramBlocks.at(0).name, L"Setup");
    EXPECT_EQ(fpga->paramBlocks.at(0).length, 4);
    const LookupTableDescription* table = fpga->FindLookupTable(1);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->name, L"Matrix");
    EXPECT_EQ(table->deviceId, 0x20);
    EXPECT_EQ(table->start, 0x2000u);
    EXPECT_EQ(table->length, 256u);
    EXPECT_EQ(table->version, (VersionNumber{0, 0}));
    EXPECT_EQ(m_description.FpgaName(2), L"Deep");
    EXPECT_EQ(m_description.FindFpga(2)->interface, 3);
}

TEST_F(ModuleTypeFile, FirmwareElementsTakeTheirDefaults) {
    struct Case {
        const char* name;
        std::string children;
        int32_t interface;
        uint8_t device;
        uint32_t start;
        uint16_t revision;
        uint32_t tableRegister;
    };
    const Case cases[] = {
        {"all missing", "", -1, 0, 0, 0, 0},
        {"empty elements", "<Firmware/><FirmwareRevision/><LookupTableRegister/>", -1, 102, 119, 85,
         85},
        {"only interface", R"(<Firmware interfaceID="JTAG"/>)", 3, 102, 119, 0, 0},
        {"lower case interface", R"(<Firmware interfaceID="spi config"/>)", -1, 102, 119, 0, 0},
        {"revision is not firmware", R"(<FirmwareRevision start="9"/>)", -1, 0, 0, 9, 0},
        {"register is not firmware", R"(<LookupTableRegister start="9"/>)", -1, 0, 0, 0, 9},
        {"given", R"(<Firmware interfaceID="SPI Config" deviceID="7" start="0" />)", 2, 7, 0, 0, 0},
        {"first element wins", R"(<Firmware deviceID="1"/><Firmware deviceID="2"/>)", -1, 1, 119, 0,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Load(TypeFile("type=\"TARN\"", "<FPGA id=\"4\">" + c.children + "</FPGA>")));
        EXPECT_EQ(m_description.FirmwareInterface(4), c.interface);
        EXPECT_EQ(m_description.FirmwareDeviceId(4), c.device);
        EXPECT_EQ(m_description.FirmwareStart(4), c.start);
        EXPECT_EQ(m_description.FindFpga(4)->firmware.revisionStart, c.revision);
        EXPECT_EQ(m_description.FindFpga(4)->lookupTableRegisterStart, c.tableRegister);
        EXPECT_EQ(m_description.FindFpga(4)->interface, -1);
    }
}

TEST_F(ModuleTypeFile, LaterDuplicateIdsReplaceEarlierOnes) {
    ASSERT_TRUE(Load(TypeFile("type=\"ORLAN6\"", R"(
    <FPGA id="1" name="first"/>
    <FPGA id="1" name="second" interfaceID="I2C">
      <ParamBlock id="3" name="a" start="1" length="2"/>
      <ParamBlock id="3" name="b" start="5" length="6"/>
      <LookupTable id="0" name="x"/>
      <LookupTable id="0" name="y" length="9"/>
    </FPGA>)")));
    ASSERT_EQ(m_description.fpgas.size(), 1u);
    const FpgaDescription& fpga = m_description.fpgas.at(1);
    EXPECT_EQ(fpga.name, L"second");
    ASSERT_EQ(fpga.paramBlocks.size(), 1u);
    EXPECT_EQ(fpga.paramBlocks.at(3).name, L"b");
    EXPECT_EQ(fpga.paramBlocks.at(3).start, 5);
    ASSERT_EQ(fpga.lookupTables.size(), 1u);
    EXPECT_EQ(fpga.lookupTables.at(0).length, 9u);
    std::vector<uint8_t> wire;
    SerializeFpga(fpga, wire);
    EXPECT_EQ(wire, (std::vector<uint8_t>{1, 1, 0, 0, 3, 0, 5, 0, 6}));
}

TEST_F(ModuleTypeFile, NumbersAreCutToTheirFieldWidth) {
    ASSERT_TRUE(Load(TypeFile(R"(type="TARN" fpgaID="0x1FF" addr="0x12345")", R"(
    <FPGA id="300" deviceID="-1">
      <FirmwareRevision start="0x12345"/>
      <LookupTableRegister start="0xFFFFFFFFFF"/>
      <ParamBlock id="257" start="70000" length="-2"/>
      <LookupTable id="2" start="-5" length="99999999999"/>
    </FPGA>)")));
    EXPECT_EQ(m_description.fpgaId, 0xFF);
    EXPECT_EQ(m_description.address, 0x2345);
    const FpgaDescription* fpga = m_description.FindFpga(44);
    ASSERT_NE(fpga, nullptr);
    EXPECT_EQ(fpga->deviceId, 0xFF);
    EXPECT_EQ(fpga->firmware.revisionStart, 0x2345);
    EXPECT_EQ(fpga->lookupTableRegisterStart, 0x7FFFFFFFu);
    EXPECT_EQ(fpga->paramBlocks.at(1).start, 70000 & 0xFFFF);
    EXPECT_EQ(fpga->paramBlocks.at(1).length, 0xFFFE);
    EXPECT_EQ(fpga->lookupTables.at(2).start, 0xFFFFFFFBu);
    EXPECT_EQ(fpga->lookupTables.at(2).length, 0x7FFFFFFFu);
}

TEST_F(ModuleTypeFile, ModuleTypeAsDocumentElementGivesTypeButNoLayout) {
    ASSERT_TRUE(Load(R"(<ModuleType version="0.1" type="ORLAN6" fpgaID="5" addr="6">
  <FPGA id="1" name="Lost"/>
</ModuleType>)"));
    EXPECT_EQ(m_description.moduleType, 1u);
    EXPECT_EQ(m_description.fpgaId, 0);
    EXPECT_EQ(m_description.address, 0);
    EXPECT_TRUE(m_description.fpgas.empty());
}

TEST_F(ModuleTypeFile, FailedParseEmptiesFpgasAndKeepsTheRest) {
    ASSERT_TRUE(Load(TypeFile(R"(type="TARN" fpgaID="3" addr="4")", "<FPGA id=\"0\"/>")));
    EXPECT_FALSE(Load(R"(<R><ModuleType version="0.2" type="ORLAN6" fpgaID="9"/></R>)"));
    EXPECT_TRUE(m_description.fpgas.empty());
    EXPECT_EQ(m_description.moduleType, 2u);
    EXPECT_EQ(m_description.fpgaId, 3);
    EXPECT_EQ(m_description.address, 4);
    EXPECT_FALSE(Load("not xml at all"));
    EXPECT_TRUE(m_description.fpgas.empty());
}

TEST(ModuleDescriptionWire, BlocksGoInAscendingIdOrder) {
    ModuleDescription description;
    FpgaDescription& a = description.fpgas[2];
    a.id = 2;
    a.interface = 1;
    a.deviceId = 0x10;
    a.paramBlocks[5] = ParamBlockDescription{5, L"five", 0x0102, 0x0010, nullptr};
    a.paramBlocks[1] = ParamBlockDescription{1, L"one", 0xABCD, 0x0304, nullptr};
    FpgaDescription& b = description.fpgas[0];
    b.id = 0; // interface stays -1
    b.deviceId = 7;

    std::vector<uint8_t> fpgaWire;
    SerializeFpga(a, fpgaWire);
    EXPECT_EQ(fpgaWire, (std::vector<uint8_t>{2, 2, 1, 0x10, 1, 0xAB, 0xCD, 0x03, 0x04, 5, 0x01,
                                              0x02, 0x00, 0x10}));

    std::vector<uint8_t> wire{0xEE}; // appended, not replaced
    SerializeModuleDescription(description, wire);
    const std::vector<uint8_t> expected{0xEE, 2,    0,    0,    0xFF, 7, 2,    2,    1,    0x10,
                                        1,    0xAB, 0xCD, 0x03, 0x04, 5, 0x01, 0x02, 0x00, 0x10};
    EXPECT_EQ(wire, expected);

    std::vector<uint8_t> empty;
    SerializeModuleDescription(ModuleDescription(), empty);
    EXPECT_EQ(empty, std::vector<uint8_t>{0});
}

class FakeBlock : public CConfigBlockIF {
public:
    FakeBlock(uint8_t fpgaId, uint8_t blockId) : CConfigBlockIF(nullptr, fpgaId, blockId) {}
    int32_t Read(CCmdChannel&) override { return 4; }
    int32_t Write(CCmdChannel&) override { return 0; }
};

TEST(ModuleDescriptionLookups, BlockHandlersAttachReplaceAndDetach) {
    ModuleDescription description;
    description.fpgas[0].paramBlocks[0].id = 0;
    description.fpgas[0].paramBlocks[2].id = 2;
    FakeBlock first(0, 2);
    FakeBlock second(0, 2);
    FakeBlock noBlock(0, 1);
    FakeBlock noFpga(3, 0);

    description.AttachBlockHandler(&first);
    EXPECT_EQ(description.FindParamBlock(0, 2)->block, &first);
    description.AttachBlockHandler(&second);
    EXPECT_EQ(description.FindParamBlock(0, 2)->block, &second);
    description.AttachBlockHandler(&noBlock);
    description.AttachBlockHandler(&noFpga);
    description.AttachBlockHandler(nullptr);
    EXPECT_EQ(description.FindParamBlock(0, 0)->block, nullptr);
    EXPECT_EQ(description.FindParamBlock(0, 1), nullptr);
    EXPECT_EQ(description.FindParamBlock(3, 0), nullptr);

    description.DetachBlockHandler(&first); // not attached any more: nothing changes
    EXPECT_EQ(description.FindParamBlock(0, 2)->block, &second);
    description.DetachBlockHandler(&second);
    EXPECT_EQ(description.FindParamBlock(0, 2)->block, nullptr);
}

} // namespace
