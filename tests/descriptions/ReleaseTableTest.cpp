#include "DescTestSupport.h"

#include "descriptions/CAssembliesXML.h"
#include "descriptions/ModuleDescription.h"
#include "descriptions/ReleaseTable.h"

#include <gtest/gtest.h>

namespace {

AssemblyRecord Record(uint8_t id, VersionNumber release, const std::string& board = "") {
    AssemblyRecord record;
    record.id = id;
    record.release = release;
    record.boardAssembly = std::wstring(board.begin(), board.end());
    record.boardAssemblyNarrow = board;
    return record;
}

ReleaseTable Table(std::initializer_list<AssemblyRecord> records) {
    ReleaseTable table;
    for (const AssemblyRecord& record : records) {
        table.assemblies[record.id] = record;
    }
    return table;
}

int IdOf(const AssemblyRecord* record) {
    return record != nullptr ? record->id : -1;
}

TEST(ReleaseTable, LoadsEveryFieldAndLaterIdsReplace) {
    TempDir dir;
    const std::wstring path = dir.Write("assembly.xml", R"(<?xml version="1.0"?>
<Releases>
  <Module version="0.1" type="TARN">
    <Assembly id="1"><Release version="9.9"/></Assembly>
    <Assembly id="1">
      <Release version="1.1"/>
      <BoardAssembly number="B&#xE9;7"/>
      <ModuleType filename="types/TARN/tarn.xml"/>
      <SafeBoot version="1.0" filename="sb.iic"/>
      <Ferrin version="1.1" filename="fe.bin"/>
      <FPGA id="2" version="3.4" filename="f2.rpd">
        <LookupTable id="1" version="3.5" filename="t21.bin"/>
        <LookupTable id="0" version="3.6" filename="t20.bin"/>
      </FPGA>
      <FPGA id="0" filename="f0.ace"><LookupTable id="7"/></FPGA>
    </Assembly>
    <Assembly id="0x102"/>
  </Module>
</Releases>
)");
    CAssembliesXML reader;
    ASSERT_TRUE(reader.Parse(L"", path));
    EXPECT_EQ(reader.GetModuleType(), 2u);
    EXPECT_EQ(reader.GetVersion(), L"0.1");
    ReleaseTable table = Table({Record(9, {1, 0})}); // emptied by the load
    LoadReleaseTable(table, reader);
    ASSERT_EQ(table.assemblies.size(), 2u);

    const AssemblyRecord& r = table.assemblies.at(1);
    EXPECT_EQ(r.release, (VersionNumber{1, 1}));
    EXPECT_EQ(r.boardAssembly, L"B\u00E97");
    EXPECT_EQ(r.boardAssemblyNarrow, "B.7");
    EXPECT_EQ(r.moduleTypeFile, L"types/TARN/tarn.xml");
    EXPECT_EQ(r.safeBoot.version, (VersionNumber{1, 0}));
    EXPECT_EQ(r.safeBoot.fileName, L"sb.iic");
    EXPECT_EQ(r.ferrin.version, (VersionNumber{1, 1}));
    EXPECT_EQ(r.ferrin.fileName, L"fe.bin");
    EXPECT_EQ(r.FpgaVersion(2), (VersionNumber{3, 4}));
    EXPECT_EQ(r.FpgaVersion(0), (VersionNumber{0, 0})); // attribute missing
    EXPECT_EQ(r.TableVersion(0, 7), (VersionNumber{0, 0}));
    EXPECT_EQ(r.TableFile(2, 0), L"t20.bin");
    EXPECT_EQ(r.TableVersion(2, 1), (VersionNumber{3, 5}));

    std::vector<std::wstring> files{L"kept"};
    r.ListReleaseFiles(files);
    EXPECT_EQ(files, (std::vector<std::wstring>{L"kept", L"sb.iic", L"fe.bin", L"f0.ace", L"",
                                                L"f2.rpd", L"t20.bin", L"t21.bin"}));

    // Missing elements read as 0.0 and empty, not the record's initial 255.255.
    const AssemblyRecord& bare = table.assemblies.at(2);
    EXPECT_EQ(bare.release, (VersionNumber{0, 0}));
    EXPECT_EQ(bare.safeBoot.version, (VersionNumber{0, 0}));
    EXPECT_TRUE(bare.fpgas.empty());

    // A reader without a document empties the table.
    CAssembliesXML failed;
    EXPECT_FALSE(failed.Parse(L"", dir.Wide("missing.xml")));
    LoadReleaseTable(table, failed);
    EXPECT_TRUE(table.assemblies.empty());
}

TEST(ReleaseTable, ModuleAsDocumentElementHasNoAssemblies) {
    TempDir dir;
    const std::wstring path = dir.Write(
        "assembly.xml", R"(<Module version="0.1" type="ORLAN6"><Assembly id="1"/></Module>)");
    CAssembliesXML reader;
    ASSERT_TRUE(reader.Parse(L"", path));
    EXPECT_EQ(reader.GetModuleType(), 1u);
    ReleaseTable table;
    LoadReleaseTable(table, reader);
    EXPECT_TRUE(table.assemblies.empty());
}

TEST(ReleaseTable, LatestReleaseAndNoneRelease) {
    const ReleaseTable table =
        Table({Record(1, {1, 2}), Record(2, {1, 10}), Record(3, {1, 10}), Record(4, {0, 0})});
    EXPECT_EQ(IdOf(FindLatest(table)), 2);
    EXPECT_EQ(IdOf(FindByRelease(table, {1, 10})), 2);
    EXPECT_EQ(IdOf(FindByRelease(table, {1, 2})), 1);
    EXPECT_EQ(IdOf(FindByRelease(table, {1, 3})), -1);
    EXPECT_EQ(IdOf(FindByRelease(table, {0, 0})), 2);
    EXPECT_EQ(IdOf(FindByRelease(table, kNoVersion)), 2);
    EXPECT_EQ(IdOf(FindById(table, 3)), 3);
    EXPECT_EQ(IdOf(FindById(table, 5)), -1);

    std::vector<uint8_t> ids{99};
    ListIdsByRelease(table, ids);
    EXPECT_EQ(ids, (std::vector<uint8_t>{4, 1, 2, 3}));

    const ReleaseTable three = Table({Record(1, {1, 2}), Record(2, {1, 10}), Record(3, {1, 10})});
    ListIdsByRelease(three, ids);
    EXPECT_EQ(ids, (std::vector<uint8_t>{1, 2, 3}));
    // A None release means the lowest release here, not the latest.
    EXPECT_EQ(IdOf(SelectAssembly(three, kNoVersion, "")), 1);
    EXPECT_EQ(IdOf(SelectAssembly(three, {0, 0}, "B5")), 1);

    const ReleaseTable empty;
    EXPECT_EQ(FindLatest(empty), nullptr);
    EXPECT_EQ(FindByRelease(empty, kNoVersion), nullptr);
    EXPECT_EQ(SelectAssembly(empty, kNoVersion, ""), nullptr);
    ListIdsByRelease(empty, ids);
    EXPECT_TRUE(ids.empty());
}

TEST(ReleaseTable, SelectAssemblyMatchesTheBoard) {
    struct Case {
        const char* name;
        ReleaseTable table;
        VersionNumber release;
        std::string board;
        int id;
    };
    const VersionNumber r{1, 10};
    const Case cases[] = {
        {"own board before any board", Table({Record(2, r, ""), Record(3, r, "B7")}), r, "B7", 3},
        {"any board as fallback", Table({Record(2, r, "B5"), Record(3, r, "")}), r, "B7", 3},
        {"no fitting board", Table({Record(2, r, "B5"), Record(3, r, "B5")}), r, "B7", -1},
        {"exact board text", Table({Record(2, r, "b7"), Record(3, r, "B7 ")}), r, "B7", -1},
        {"padded module text", Table({Record(2, r, "B7")}), r, std::string("B7\0\0", 4), 2},
        {"single candidate, no board", Table({Record(2, r, "B5")}), r, "", 2},
        {"several, no board", Table({Record(2, r, "B5"), Record(3, r, ""), Record(4, r, "")}), r,
         "", 3},
        {"several, none for any board", Table({Record(2, r, "B5"), Record(3, r, "B6")}), r, "", -1},
        {"other release ignored", Table({Record(1, {1, 2}, ""), Record(2, r, "B7")}), r, "B5", -1},
        {"unknown release", Table({Record(1, {1, 2})}), {2, 0}, "", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IdOf(SelectAssembly(c.table, c.release, c.board)), c.id);
    }
}

// A module matching assembly 1 of VerifyTable() in every component.
struct ModuleFixture {
    ModuleDescription description;
    ModuleIdentityView view;

    ModuleFixture() {
        description.fpgas[0].firmware.version = {3, 0};
        description.fpgas[0].lookupTables[0].version = {3, 1};
        description.fpgas[1].firmware.version = {3, 4};
        view.release = {2, 0};
        view.assembly = "B7";
        view.safeBoot = {1, 0};
        view.ferrin = {2, 0};
        view.description = &description;
    }
};

ReleaseTable VerifyTable() {
    AssemblyRecord record = Record(1, {2, 0}, "B7");
    record.safeBoot = {{1, 0}, L"sb"};
    record.ferrin = {{2, 0}, L"fe"};
    record.fpgas[0].version = {3, 0};
    record.fpgas[0].lookupTables[0] = {{3, 1}, L"t"};
    record.fpgas[0].lookupTables[1] = {{3, 2}, L"unused by the module"};
    record.fpgas[1].version = {3, 4};
    record.fpgas[9].version = {1, 0}; // an FPGA the module does not have
    AssemblyRecord later = record;
    later.id = 2;
    later.safeBoot.version = {7, 7}; // only the first record of a release counts
    return Table({record, later, Record(3, {1, 0})});
}

TEST(ReleaseTable, VerifyReleaseChecksEveryComponent) {
    struct Case {
        const char* name;
        void (*change)(ModuleFixture&, ReleaseTable&);
        VersionNumber result;
    };
    const VersionNumber ok{2, 0};
    const Case cases[] = {
        {"all match", [](ModuleFixture&, ReleaseTable&) {}, ok},
        {"release not in table",
         [](ModuleFixture& m, ReleaseTable&) {
             m.view.release = {2, 1};
         },
         {2, 1}},
        {"none release",
         [](ModuleFixture& m, ReleaseTable&) {
             m.view.release = {0, 0};
         },
         kNoVersion},
        {"unset release", [](ModuleFixture& m, ReleaseTable&) { m.view.release = kNoVersion; },
         kNoVersion},
        {"safeboot",
         [](ModuleFixture& m, ReleaseTable&) {
             m.view.safeBoot = {1, 1};
         },
         kNoVersion},
        {"ferrin",
         [](ModuleFixture& m, ReleaseTable&) {
             m.view.ferrin = {2, 1};
         },
         kNoVersion},
        {"board differs", [](ModuleFixture& m, ReleaseTable&) { m.view.assembly = "B5"; },
         kNoVersion},
        {"board missing", [](ModuleFixture& m, ReleaseTable&) { m.view.assembly.clear(); },
         kNoVersion},
        {"board padded", [](ModuleFixture& m, ReleaseTable&) { m.view.assembly.resize(9); }, ok},
        {"any board",
         [](ModuleFixture& m, ReleaseTable& t) {
             t.assemblies[1].boardAssemblyNarrow.clear();
             m.view.assembly = "ZZ";
         },
         ok},
        {"fpga version",
         [](ModuleFixture& m, ReleaseTable&) {
             m.description.fpgas[1].firmware.version = {3, 5};
         },
         kNoVersion},
        {"fpga unknown to record",
         [](ModuleFixture& m, ReleaseTable&) {
             m.description.fpgas[4].firmware.version = {1, 0};
         },
         kNoVersion},
        {"record fpga without version",
         [](ModuleFixture& m, ReleaseTable& t) {
             t.assemblies[1].fpgas[1].version = {0, 0};
             m.description.fpgas[1].firmware.version = {0, 0};
         },
         kNoVersion},
        {"record fpga 255.255",
         [](ModuleFixture& m, ReleaseTable& t) {
             t.assemblies[1].fpgas[1].version = kNoVersion;
             m.description.fpgas[1].firmware.version = kNoVersion;
         },
         kNoVersion},
        {"table version",
         [](ModuleFixture& m, ReleaseTable&) {
             m.description.fpgas[0].lookupTables[0].version = {3, 2};
         },
         kNoVersion},
        {"table unknown to record",
         [](ModuleFixture& m, ReleaseTable&) {
             m.description.fpgas[1].lookupTables[0].version = {0, 0};
         },
         kNoVersion},
        {"record table without version",
         [](ModuleFixture& m, ReleaseTable& t) {
             t.assemblies[1].fpgas[0].lookupTables[0].version = {0, 0};
             m.description.fpgas[0].lookupTables[0].version = {0, 0};
         },
         kNoVersion},
        {"no description", [](ModuleFixture& m, ReleaseTable&) { m.view.description = nullptr; },
         ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleFixture module;
        ReleaseTable table = VerifyTable();
        c.change(module, table);
        EXPECT_EQ(VerifyRelease(table, module.view), c.result);
    }
}

} // namespace
