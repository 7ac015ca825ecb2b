// Release tables and module descriptions from generated type sets: the input
// chooses a types folder's assemblies (ids, releases, boards, components,
// FPGAs and tables) and the type files they name (FPGAs, firmware, blocks,
// tables), each value well-formed or not. Scanned, loaded and queried as
// connecting and the release update do.

#include "FuzzSupport.h"

#include "descriptions/CAssembliesXML.h"
#include "descriptions/CModuleTypeXML.h"
#include "descriptions/CModuleTypesLinux.h"
#include "descriptions/ModuleDescription.h"
#include "descriptions/ReleaseTable.h"
#include "descriptions/XercesSession.h"
#include "descriptions/XmlText.h"

namespace {

// A value as a file may give it: usually a sensible one, sometimes any text.
std::string Number(fuzz::DataProvider& input) {
    static const char* const kNumbers[] = {"0",   "1",     "2",          "0x10",       "255",
                                           "256", "65535", "4294967295", "4294967296", "-1",
                                           "0x",  "",      "1x"};
    switch (input.InRange(0, 3)) {
    case 0:
        return input.Pick(kNumbers);
    case 1:
        return std::to_string(input.InRange(0, 3));
    case 2:
        return "0x" + std::to_string(input.Integral<uint16_t>());
    default:
        return input.String(6);
    }
}

std::string Version(fuzz::DataProvider& input) {
    static const char* const kVersions[] = {"1.0", "1.1", "2.0", "2.1",   "0.0",   "255.255",
                                            "1",   "1.",  ".1",  "1.2.3", "256.0", ""};
    return input.Bool() ? input.Pick(kVersions) : input.String(6);
}

std::string Interface(fuzz::DataProvider& input) {
    static const char* const kInterfaces[] = {"I2C",  "SPI Control", "SPI Config",
                                              "JTAG", "i2c",         ""};
    return input.Bool() ? input.Pick(kInterfaces) : input.String(8);
}

// An attribute, left out now and then.
std::string Attribute(fuzz::DataProvider& input, const char* name, const std::string& value) {
    if (input.InRange(0, 7) == 0)
        return {};
    std::string text = std::string(" ") + name + "=\"";
    for (char c : value)
        text += c == '"'   ? std::string("&quot;")
                : c == '<' ? std::string("&lt;")
                : c == '&' ? std::string("&amp;")
                           : std::string(1, c);
    return text + "\"";
}

std::string TypeFile(fuzz::DataProvider& input, const std::string& type) {
    std::string xml = "<?xml version=\"1.0\"?>\n<ModuleDefinition>\n<ModuleType" +
                      Attribute(input, "version", input.Bool() ? "0.1" : Version(input)) +
                      Attribute(input, "type", type) + Attribute(input, "fpgaID", Number(input)) +
                      Attribute(input, "addr", Number(input)) + ">\n";
    for (int fpgas = input.InRange(0, 3); fpgas > 0; --fpgas) {
        xml += "<FPGA" + Attribute(input, "id", Number(input)) +
               Attribute(input, "name", input.String(8)) +
               Attribute(input, "interfaceID", Interface(input)) +
               Attribute(input, "deviceID", Number(input)) + ">\n";
        for (int children = input.InRange(0, 6); children > 0; --children) {
            switch (input.InRange(0, 4)) {
            case 0:
                xml += "<Firmware" + Attribute(input, "interfaceID", Interface(input)) +
                       Attribute(input, "deviceID", Number(input)) +
                       Attribute(input, "start", Number(input)) + "/>\n";
                break;
            case 1:
                xml += "<FirmwareRevision" + Attribute(input, "start", Number(input)) + "/>\n";
                break;
            case 2:
                xml += "<LookupTableRegister" + Attribute(input, "start", Number(input)) + "/>\n";
                break;
            case 3:
                xml += "<ParamBlock" + Attribute(input, "id", Number(input)) +
                       Attribute(input, "name", input.String(8)) +
                       Attribute(input, "start", Number(input)) +
                       Attribute(input, "length", Number(input)) + "/>\n";
                break;
            default:
                xml += "<LookupTable" + Attribute(input, "id", Number(input)) +
                       Attribute(input, "name", input.String(8)) +
                       Attribute(input, "deviceID", Number(input)) +
                       Attribute(input, "start", Number(input)) +
                       Attribute(input, "length", Number(input)) + "/>\n";
                break;
            }
        }
        xml += "</FPGA>\n";
    }
    return xml + "</ModuleType>\n</ModuleDefinition>\n";
}

std::string Component(fuzz::DataProvider& input, const char* element, const std::string& extra,
                      const std::string& body) {
    return std::string("<") + element + extra + Attribute(input, "version", Version(input)) +
           Attribute(input, "filename", input.Bool() ? "types/X/image.bin" : input.String(12)) +
           (body.empty() ? "/>\n" : ">\n" + body + "</" + element + ">\n");
}

std::string AssemblyFile(fuzz::DataProvider& input, const std::string& type, int typeFiles) {
    std::string xml = "<?xml version=\"1.0\"?>\n<Releases>\n<Module" +
                      Attribute(input, "version", input.Bool() ? "0.1" : Version(input)) +
                      Attribute(input, "type", type) + ">\n";
    for (int assemblies = input.InRange(0, 4); assemblies > 0; --assemblies) {
        xml += "<Assembly" + Attribute(input, "id", Number(input)) + ">\n";
        xml += "<Release" + Attribute(input, "version", Version(input)) + "/>\n";
        if (input.Bool())
            xml += "<BoardAssembly" +
                   Attribute(input, "number", input.Bool() ? "B7" : input.String(10)) + "/>\n";
        xml += "<ModuleType" +
               Attribute(input, "filename",
                         "types/X/type" + std::to_string(input.InRange(0, typeFiles)) + ".xml") +
               "/>\n";
        xml += Component(input, "SafeBoot", "", "");
        xml += Component(input, "Ferrin", "", "");
        for (int fpgas = input.InRange(0, 3); fpgas > 0; --fpgas) {
            std::string tables;
            for (int count = input.InRange(0, 3); count > 0; --count)
                tables +=
                    Component(input, "LookupTable", Attribute(input, "id", Number(input)), "");
            xml += Component(input, "FPGA", Attribute(input, "id", Number(input)), tables);
        }
        xml += "</Assembly>\n";
    }
    return xml + "</Module>\n</Releases>\n";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CXercesSession xerces;
    static const char* const kTypes[] = {"TARN", "ORLAN6", "Unknown", "tarn", ""};
    fuzz::DataProvider input(data, size);
    fuzz::ClearScratch();
    std::error_code ec;
    std::filesystem::create_directories(fuzz::Scratch() / "types" / "X", ec);
    const std::string type = input.Pick(kTypes);
    const int typeFiles = input.InRange(0, 2);
    for (int i = 0; i < typeFiles; ++i)
        fuzz::WriteScratch("types/X/type" + std::to_string(i) + ".xml", TypeFile(input, type));
    fuzz::WriteScratch("types/X/assembly.xml", AssemblyFile(input, type, typeFiles));

    CModuleTypesLinux registry(Utf8ToWide((fuzz::Scratch() / "types").string()));
    registry.Scan();
    for (const auto& [typeId, directory] : registry.Directories()) {
        CAssembliesXML reader;
        reader.Parse(L"", directory + L"assembly.xml");
        ReleaseTable table;
        LoadReleaseTable(table, reader, registry.DataDirectory());
        std::vector<uint8_t> ids;
        ListIdsByRelease(table, ids);
        const VersionNumber asked{input.InRange<uint8_t>(0, 3), input.InRange<uint8_t>(0, 3)};
        const std::string board = input.Bool() ? "B7" : "";
        FindByRelease(table, asked);
        SelectAssembly(table, asked, board);
        FindById(table, input.Integral<uint8_t>());
        for (const auto& [id, record] : table.assemblies) {
            std::vector<std::wstring> files;
            record.ListReleaseFiles(files);
            record.FpgaVersion(0);
            record.TableVersion(0, 1);
            ModuleDescription description;
            CModuleTypeXML typeReader;
            if (!LoadModuleDescription(description, typeReader, record.moduleTypeFile))
                continue;
            std::vector<uint8_t> wire;
            SerializeModuleDescription(description, wire);
            ModuleIdentityView module;
            module.release = record.release;
            module.assembly = board;
            module.ferrin = record.ferrin.version;
            module.safeBoot = record.safeBoot.version;
            module.description = &description;
            VerifyRelease(table, module);
            FindModuleAssembly(table, asked, board);
            for (uint8_t fpga = 0; fpga < 3; ++fpga) {
                description.FirmwareStart(fpga);
                description.TableVersion(fpga, 0);
            }
        }
    }
    return 0;
}
