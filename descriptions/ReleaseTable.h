#pragma once

#include "descriptions/VersionNumber.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class CAssembliesXMLIF;
struct ModuleDescription;

// One firmware component of a release (also the engine's SafeBoot and
// Ferrin records of a module).
struct ComponentRecord {
    VersionNumber version = kNoVersion;
    std::wstring fileName;
};

struct FpgaComponentRecord {
    VersionNumber version = kNoVersion;
    std::wstring fileName;
    std::map<uint8_t, ComponentRecord> lookupTables; // by table id
};

// One Assembly of a release assembly file: a release for one board variant.
struct AssemblyRecord {
    uint8_t id = 0;
    VersionNumber release = kNoVersion;
    std::wstring boardAssembly;      // empty: any board
    std::string boardAssemblyNarrow; // ASCII kept, other characters '.'
    std::wstring moduleTypeFile;     // relative names: to the data directory
    ComponentRecord safeBoot;
    ComponentRecord ferrin;
    std::map<uint8_t, FpgaComponentRecord> fpgas; // by FPGA id

    bool HasFpga(uint8_t fpgaId) const;
    // 255.255 and empty when the FPGA or table is absent.
    VersionNumber FpgaVersion(uint8_t fpgaId) const;
    std::wstring FpgaFile(uint8_t fpgaId) const;
    VersionNumber TableVersion(uint8_t fpgaId, uint8_t tableId) const;
    std::wstring TableFile(uint8_t fpgaId, uint8_t tableId) const;
    // Ascending; the list is emptied first.
    void ListFpgaIds(std::vector<uint8_t>& ids) const;
    // Appends SafeBoot, Ferrin, then per FPGA (ascending id) its image and
    // its tables (ascending id).
    void ListReleaseFiles(std::vector<std::wstring>& files) const;
};

// The releases of one module type, by assembly id.
struct ReleaseTable {
    std::map<uint8_t, AssemblyRecord> assemblies;
};

// What release verification needs of the engine's record of a module.
struct ModuleIdentityView {
    VersionNumber release = kNoVersion;
    std::string assembly; // board assembly number; text after a zero byte is ignored
    VersionNumber safeBoot = kNoVersion;
    VersionNumber ferrin = kNoVersion;
    const ModuleDescription* description = nullptr; // FPGA and table versions; may be null
};

// Empties the table and fills it from a reader (a reader without a document
// gives an empty table). A later assembly with the same id replaces an
// earlier one. Relative file names are taken from dataDirectory (the one
// that holds the types directory; "" for the working directory).
void LoadReleaseTable(ReleaseTable& table, const CAssembliesXMLIF& reader,
                      const std::wstring& dataDirectory = {});

// Records are references into the table, valid until it is loaded again.
const AssemblyRecord* FindById(const ReleaseTable& table, uint8_t id);
// None (0.0 or 255.255) gives FindLatest; otherwise the lowest id with
// exactly that release.
const AssemblyRecord* FindByRelease(const ReleaseTable& table, const VersionNumber& release);
// Highest release; among equal releases the lowest id.
const AssemblyRecord* FindLatest(const ReleaseTable& table);
// Ids by ascending release, equal releases by ascending id; emptied first.
void ListIdsByRelease(const ReleaseTable& table, std::vector<uint8_t>& ids);
// The assembly the update pages use for a module of that release and board.
// A None release stands for the lowest release in the table.
const AssemblyRecord* SelectAssembly(const ReleaseTable& table, VersionNumber release,
                                     const std::string& board);
// The record a module of that release and board runs: SelectAssembly's
// choice, else FindByRelease's (the release's first record; the latest for None).
const AssemblyRecord* FindModuleAssembly(const ReleaseTable& table, const VersionNumber& release,
                                         const std::string& board);
// The module's reported release when its FindModuleAssembly record matches
// every component the module reports, or when the table has no such release;
// 255.255 otherwise.
VersionNumber VerifyRelease(const ReleaseTable& table, const ModuleIdentityView& module);
