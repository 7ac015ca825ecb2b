#include "DescTestSupport.h"

#include "descriptions/CAssembliesXML.h"
#include "descriptions/ModuleDescription.h"
#include "descriptions/ReleaseTable.h"

namespace {

AssemblyRecord Record(uint8_t id, VersionNumber release, const std::string& board = "") {
    AssemblyRecord record;
    record.id = id;
    record.release = release;
    record.boardAssembly = WidenText(board);
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
    CAssembliesXML reader;
    ASSERT_TRUE(reader.Parse(L"", dir.Write("assembly.xml", R"(<?xml version="1.0"?>
<Releases><Module version="0.1" type="TARN">
  <Assembly id="1"><Release version="9.9"/></Assembly>
  <Assembly id="1"><Release version="1.1"/><BoardAssembly number="B&#xE9;7"/>
    <ModuleType filename="types/TARN/tarn.xml"/>
    <SafeBoot version="1.0" filename="/opt/sb.iic"/><Ferrin version="1.1" filename="fe.bin"/>
    <FPGA id="2" version="3.4" filename="f2.rpd">
      <LookupTable id="1" version="3.5" filename="t21.bin"/>
      <LookupTable id="0" version="3.6" filename="t20.bin"/></FPGA>
    <FPGA id="0" filename="f0.ace"><LookupTable id="7"/></FPGA></Assembly>
  <Assembly id="0x102"/>
</Module></Releases>)")));
    ReleaseTable table = Table({Record(9, {1, 0})}); // emptied by the load
    LoadReleaseTable(table, reader);
    ASSERT_EQ(table.assemblies.size(), 2u);

    const AssemblyRecord& r = table.assemblies.at(1);
    EXPECT_EQ(r.release, (VersionNumber{1, 1}));
    EXPECT_EQ(r.boardAssemblyNarrow, "B.7");
    EXPECT_EQ(r.safeBoot.version, (VersionNumber{1, 0}));
    EXPECT_EQ(r.FpgaVersion(2), (VersionNumber{3, 4}));
    EXPECT_EQ(r.FpgaVersion(0), (VersionNumber{0, 0})); // attribute missing
    EXPECT_EQ(r.TableVersion(2, 1), (VersionNumber{3, 5}));
    EXPECT_EQ(r.TableFile(2, 0), L"t20.bin");
    // An installed data directory: relative names are taken from it, absolute
    // and empty ones stay.
    LoadReleaseTable(table, reader, L"/usr/share/pellworth");
    std::vector<std::wstring> files;
    table.assemblies.at(1).ListReleaseFiles(files);
    EXPECT_EQ(table.assemblies.at(1).moduleTypeFile, L"/usr/share/pellworth/types/TARN/tarn.xml");
    EXPECT_EQ(files, (std::vector<std::wstring>{
                         L"/opt/sb.iic", L"/usr/share/pellworth/fe.bin",
                         L"/usr/share/pellworth/f0.ace", L"", L"/usr/share/pellworth/f2.rpd",
                         L"/usr/share/pellworth/t20.bin", L"/usr/share/pellworth/t21.bin"}));

    // Missing elements read as 0.0 and empty, not the record's initial 255.255.
    const AssemblyRecord& bare = table.assemblies.at(2);
    EXPECT_EQ(bare.release, VersionNumber());
    EXPECT_EQ(bare.safeBoot.version, VersionNumber());
    EXPECT_TRUE(bare.fpgas.empty());
}

TEST(ReleaseTable, LatestReleaseAndNoneRelease) {
    const ReleaseTable table =
        Table({Record(1, {1, 2}), Record(2, {1, 10}), Record(3, {1, 10}), Record(4, {0, 0})});
    EXPECT_EQ(IdOf(FindLatest(table)), 2);
    EXPECT_EQ(IdOf(FindByRelease(table, {1, 10})), 2);
    EXPECT_EQ(IdOf(FindByRelease(table, {1, 3})), -1);
    EXPECT_EQ(IdOf(FindByRelease(table, {0, 0})), 2);
    std::vector<uint8_t> ids{99};
    ListIdsByRelease(table, ids);
    EXPECT_EQ(ids, (std::vector<uint8_t>{4, 1, 2, 3}));

    // A None release means the lowest release here, not the latest.
    const ReleaseTable three = Table({Record(1, {1, 2}), Record(2, {1, 10}), Record(3, {1, 10})});
    EXPECT_EQ(IdOf(SelectAssembly(three, kNoVersion, "")), 1);
    EXPECT_EQ(IdOf(SelectAssembly(three, {0, 0}, "B5")), 1);

    EXPECT_EQ(SelectAssembly(ReleaseTable(), kNoVersion, ""), nullptr);
}

TEST(ReleaseTable, SelectAssemblyMatchesTheBoard) {
    const VersionNumber r{1, 10};
    const struct {
        const char* name;
        ReleaseTable table;
        VersionNumber release;
        std::string board;
        int id;
    } cases[] = {
        {"own board before any board", Table({Record(2, r, ""), Record(3, r, "B7")}), r, "B7", 3},
        {"any board as fallback", Table({Record(2, r, "B5"), Record(3, r, "")}), r, "B7", 3},
        {"no fitting board", Table({Record(2, r, "B5"), Record(3, r, "B5")}), r, "B7", -1},
        {"padded module text", Table({Record(2, r, "B7")}), r, std::string("B7\0\0", 4), 2},
        {"single candidate, no board", Table({Record(2, r, "B5")}), r, "", 2},
        {"several, no board", Table({Record(2, r, "B5"), Record(3, r, ""), Record(4, r, "")}), r,
         "", 3},
        {"other release ignored", Table({Record(1, {1, 2}, ""), Record(2, r, "B7")}), r, "B5", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IdOf(SelectAssembly(c.table, c.release, c.board)), c.id) << c.name;
    }
}

// A module matching assembly 1 of its table in every component; assembly 2 has
// the same release but only the first record of a release counts.
struct Verify {
    Verify() {
        description.fpgas[0].firmware.version = {3, 0};
        description.fpgas[0].lookupTables[0].version = {3, 1};
        description.fpgas[1].firmware.version = {3, 4};
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
        later.safeBoot.version = {7, 7};
        table = Table({record, later, Record(3, {1, 0})});
    }
    ModuleDescription description;
    ModuleIdentityView view{{2, 0}, "B7", {1, 0}, {2, 0}, &description};
    ReleaseTable table;
};

TEST(ReleaseTable, VerifyReleaseChecksEveryComponent) {
    using V = Verify;
    const VersionNumber ok{2, 0};
    const VersionNumber none = kNoVersion;
    const struct {
        const char* name;
        void (*change)(Verify&);
        VersionNumber result;
    } cases[] = {
        {"all match", [](V&) {}, ok},
        {"release not in table", [](V& v) { v.view.release.minor = 1; }, {2, 1}},
        {"none release", [](V& v) { v.view.release = VersionNumber(); }, none},
        {"safeboot", [](V& v) { v.view.safeBoot.minor = 1; }, none},
        {"ferrin", [](V& v) { v.view.ferrin.minor = 1; }, none},
        {"board differs", [](V& v) { v.view.assembly = "B5"; }, none},
        {"board padded", [](V& v) { v.view.assembly.resize(9); }, ok},
        {"any board",
         [](V& v) {
             v.table.assemblies[1].boardAssemblyNarrow = "";
             v.view.assembly = "A1";
         },
         ok},
        // A board with a record of its own is judged by that record, not by
        // an earlier generic one.
        {"own record preferred", [](V& v) { v.table.assemblies[1].boardAssemblyNarrow = ""; },
         none},
        {"fpga version", [](V& v) { v.description.fpgas[1].firmware.version.minor = 5; }, none},
        {"fpga unknown to record", [](V& v) { v.description.fpgas[4] = v.description.fpgas[1]; },
         none},
        {"table version", [](V& v) { v.description.fpgas[0].lookupTables[0].version.minor = 2; },
         none},
        {"record table without version",
         [](V& v) {
             v.table.assemblies[1].fpgas[0].lookupTables[0].version = VersionNumber();
             v.description.fpgas[0].lookupTables[0].version = VersionNumber();
         },
         none},
        {"no description", [](V& v) { v.view.description = nullptr; }, ok},
    };
    for (const auto& c : cases) {
        Verify v;
        c.change(v);
        EXPECT_EQ(VerifyRelease(v.table, v.view), c.result) << c.name;
    }
}

} // namespace
