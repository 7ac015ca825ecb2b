#include "DescTestSupport.h"

#include "descriptions/CModuleTypeXML.h"
#include "descriptions/ModuleDescription.h"

#include <sstream>

namespace {

std::string TypeFile(const std::string& moduleTypeAttributes, const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<Definition>\n  <ModuleType version=\"0.1\" " +
           moduleTypeAttributes + ">\n" + body + "\n  </ModuleType>\n</Definition>\n";
}

// Every field the reader fills, on one line: interfaces in decimal, the rest in hex.
std::string Dump(const ModuleDescription& d) {
    std::ostringstream out;
    out << std::hex << "type " << d.moduleType << " fpga " << int(d.fpgaId) << " addr "
        << d.address;
    for (const auto& [id, f] : d.fpgas) {
        out << std::dec << " | if " << f.interface << '/' << f.firmware.interface << std::hex
            << " id " << int(id) << ':' << WideToUtf8(f.name) << " dev " << int(f.deviceId) << '/'
            << int(f.firmware.deviceId) << " fw " << f.firmware.start << '/'
            << f.firmware.revisionStart << " reg " << f.lookupTableRegisterStart;
        for (const auto& [blockId, b] : f.paramBlocks) {
            out << " block " << int(blockId) << ':' << WideToUtf8(b.name) << ' ' << b.start << ' '
                << b.length;
        }
        for (const auto& [tableId, t] : f.lookupTables) {
            out << " table " << int(tableId) << ':' << WideToUtf8(t.name) << ' ' << int(t.deviceId)
                << ' ' << t.start << ' ' << t.length;
        }
    }
    return out.str();
}

TEST(ModuleTypeFile, ReadsEveryFieldWithDefaultsAndFieldWidths) {
    const struct {
        const char* name;
        std::string xml;
        std::string dump;
    } cases[] = {
        {"every field", TypeFile(R"(type="TARN" fpgaID="3" addr="0x1234")", R"(
<FPGA id="0" name="Main" interfaceID="SPI Control" deviceID="0x10">
  <Firmware interfaceID="SPI Config" deviceID="0x66" start="0x77"/>
  <FirmwareRevision start="0x55"/><LookupTableRegister start="0x60"/>
  <ParamBlock id="0" name="Setup" start="0" length="4"/>
  <LookupTable id="1" name="Matrix" deviceID="0x20" start="0x2000" length="256"/></FPGA>
<Group><FPGA id="2" name="Deep" interfaceID="JTAG" deviceID="1"/></Group>)"),
         "type 2 fpga 3 addr 1234 | if 1/2 id 0:Main dev 10/66 fw 77/55 reg 60 block 0:Setup 0 4 "
         "table 1:Matrix 20 2000 100 | if 3/-1 id 2:Deep dev 1/0 fw 0/0 reg 0"},
        {"later duplicate ids replace earlier ones",
         TypeFile(R"(type="ORLAN6")", R"(<FPGA id="1" name="first"/>
<FPGA id="1" name="second" interfaceID="I2C">
  <ParamBlock id="3" name="a" start="1" length="2"/>
  <ParamBlock id="3" name="b" start="5" length="6"/>
  <LookupTable id="0" name="x"/><LookupTable id="0" name="y" length="9"/></FPGA>)"),
         "type 1 fpga 0 addr 0 | if 0/-1 id 1:second dev 0/0 fw 0/0 reg 0 block 3:b 5 6 "
         "table 0:y 0 0 9"},
        {"numbers are cut to their field width",
         TypeFile(R"(type="TARN" fpgaID="0x1FF" addr="0x12345")", R"(<FPGA id="300" deviceID="-1">
  <FirmwareRevision start="0x12345"/><LookupTableRegister start="0xFFFFFFFFFF"/>
  <ParamBlock id="257" start="70000" length="-2"/>
  <LookupTable id="2" start="-5" length="99999999999"/></FPGA>)"),
         "type 2 fpga ff addr 2345 | if -1/-1 id 2c: dev ff/0 fw 0/2345 reg 7fffffff "
         "block 1: 1170 fffe table 2: 0 fffffffb 7fffffff"},
        // A child element without the attribute has its own default; a missing one gives 0
        // (as FPGA "Deep" above).
        {"firmware elements empty",
         TypeFile("type=\"TARN\"",
                  "<FPGA id=\"4\"><Firmware/><FirmwareRevision/><LookupTableRegister/></FPGA>"),
         "type 2 fpga 0 addr 0 | if -1/-1 id 4: dev 0/66 fw 77/55 reg 55"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        ModuleDescription description;
        CModuleTypeXML reader;
        EXPECT_TRUE(LoadModuleDescription(description, reader, dir.Write("type.xml", c.xml)));
        EXPECT_EQ(Dump(description), c.dump) << c.name;
    }
}

TEST(ModuleTypeFile, FailedParseEmptiesFpgasAndKeepsTheRest) {
    TempDir dir;
    ModuleDescription description;
    CModuleTypeXML reader;
    ASSERT_TRUE(LoadModuleDescription(
        description, reader,
        dir.Write("good.xml", TypeFile(R"(type="TARN" fpgaID="3" addr="4")", "<FPGA id=\"0\"/>"))));
    EXPECT_FALSE(LoadModuleDescription(
        description, reader,
        dir.Write("bad.xml", R"(<R><ModuleType version="0.2" type="ORLAN6" fpgaID="9"/></R>)")));
    EXPECT_FALSE(reader.HasError()); // the error text is taken and dropped
    EXPECT_EQ(Dump(description), "type 2 fpga 3 addr 4");
}

TEST(ModuleDescriptionWire, FpgasAndBlocksGoInAscendingIdOrder) {
    ModuleDescription description;
    FpgaDescription& a = description.fpgas[2];
    a.id = 2;
    a.interface = 1;
    a.deviceId = 0x10;
    a.paramBlocks[5] = ParamBlockDescription{5, L"five", 0x0102, 0x0010};
    a.paramBlocks[1] = ParamBlockDescription{1, L"one", 0xABCD, 0x0304};
    description.fpgas[0].deviceId = 7; // interface stays -1

    std::vector<uint8_t> wire{0xEE}; // appended, not replaced
    SerializeModuleDescription(description, wire);
    const std::vector<uint8_t> expected{0xEE, 2,    0,    0,    0xFF, 7, 2,    2,    1,    0x10,
                                        1,    0xAB, 0xCD, 0x03, 0x04, 5, 0x01, 0x02, 0x00, 0x10};
    EXPECT_EQ(wire, expected);
}

} // namespace
