#include "descriptions/ReleaseTable.h"

#include "descriptions/CAssembliesXMLIF.h"
#include "descriptions/ModuleDescription.h"
#include "descriptions/XmlText.h"

#include <algorithm>

namespace {

// Module texts come from zero-padded fixed-size fields.
std::string UpToNul(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

bool IsRealVersion(const VersionNumber& version) {
    return !version.IsNone();
}

} // namespace

bool AssemblyRecord::HasFpga(uint8_t fpgaId) const {
    return fpgas.count(fpgaId) != 0;
}

VersionNumber AssemblyRecord::FpgaVersion(uint8_t fpgaId) const {
    const auto it = fpgas.find(fpgaId);
    return it != fpgas.end() ? it->second.version : kNoVersion;
}

std::wstring AssemblyRecord::FpgaFile(uint8_t fpgaId) const {
    const auto it = fpgas.find(fpgaId);
    return it != fpgas.end() ? it->second.fileName : std::wstring();
}

VersionNumber AssemblyRecord::TableVersion(uint8_t fpgaId, uint8_t tableId) const {
    const auto it = fpgas.find(fpgaId);
    if (it == fpgas.end()) {
        return kNoVersion;
    }
    const auto table = it->second.lookupTables.find(tableId);
    return table != it->second.lookupTables.end() ? table->second.version : kNoVersion;
}

std::wstring AssemblyRecord::TableFile(uint8_t fpgaId, uint8_t tableId) const {
    const auto it = fpgas.find(fpgaId);
    if (it == fpgas.end()) {
        return std::wstring();
    }
    const auto table = it->second.lookupTables.find(tableId);
    return table != it->second.lookupTables.end() ? table->second.fileName : std::wstring();
}

void AssemblyRecord::ListFpgaIds(std::vector<uint8_t>& ids) const {
    ids.clear();
    for (const auto& [fpgaId, fpga] : fpgas) {
        ids.push_back(fpgaId);
    }
}

void AssemblyRecord::ListReleaseFiles(std::vector<std::wstring>& files) const {
    files.push_back(safeBoot.fileName);
    files.push_back(ferrin.fileName);
    for (const auto& [fpgaId, fpga] : fpgas) {
        files.push_back(fpga.fileName);
        for (const auto& [tableId, table] : fpga.lookupTables) {
            files.push_back(table.fileName);
        }
    }
}

void LoadReleaseTable(ReleaseTable& table, const CAssembliesXMLIF& reader,
                      const std::wstring& dataDirectory) {
    const auto name = [&dataDirectory](std::wstring file) {
        if (dataDirectory.empty() || file.empty() || file.front() == L'/')
            return file;
        return dataDirectory + (dataDirectory.back() == L'/' ? L"" : L"/") + file;
    };
    table.assemblies.clear();
    AssemblyReaders assemblies;
    reader.GetAssemblies(assemblies);
    for (const auto& assembly : assemblies) {
        const uint8_t id = assembly->GetId();
        AssemblyRecord& record = table.assemblies[id] = AssemblyRecord();
        record.id = id;
        record.release = assembly->GetReleaseVersion();
        record.boardAssembly = assembly->GetBoardAssemblyNumber();
        record.boardAssemblyNarrow = NarrowText(record.boardAssembly);
        record.moduleTypeFile = name(assembly->GetModuleTypeFilename());
        record.safeBoot = {assembly->GetSafeBootVersion(), name(assembly->GetSafeBootFilename())};
        record.ferrin = {assembly->GetFerrinVersion(), name(assembly->GetFerrinFilename())};

        AssemblyFPGAReaders fpgas;
        assembly->GetFpgas(fpgas);
        for (const auto& fpgaReader : fpgas) {
            FpgaComponentRecord& fpga = record.fpgas[fpgaReader->GetId()] = FpgaComponentRecord();
            fpga.version = fpgaReader->GetComponentVersion();
            fpga.fileName = name(fpgaReader->GetFilename());
            AssemblyLookupTableReaders tables;
            fpgaReader->GetLookupTables(tables);
            for (const auto& tableReader : tables) {
                fpga.lookupTables[tableReader->GetId()] = {tableReader->GetComponentVersion(),
                                                           name(tableReader->GetFilename())};
            }
        }
    }
}

const AssemblyRecord* FindById(const ReleaseTable& table, uint8_t id) {
    const auto it = table.assemblies.find(id);
    return it != table.assemblies.end() ? &it->second : nullptr;
}

const AssemblyRecord* FindByRelease(const ReleaseTable& table, const VersionNumber& release) {
    if (release.IsNone()) {
        return FindLatest(table);
    }
    for (const auto& [id, record] : table.assemblies) {
        if (record.release == release) {
            return &record;
        }
    }
    return nullptr;
}

const AssemblyRecord* FindLatest(const ReleaseTable& table) {
    const AssemblyRecord* latest = nullptr;
    for (const auto& [id, record] : table.assemblies) {
        // Strictly newer only, so the lowest id wins among equal releases.
        if (latest == nullptr || IsNewer(record.release, latest->release)) {
            latest = &record;
        }
    }
    return latest;
}

void ListIdsByRelease(const ReleaseTable& table, std::vector<uint8_t>& ids) {
    ids.clear();
    for (const auto& [id, record] : table.assemblies) {
        ids.push_back(id);
    }
    // The map already orders by id; a stable sort keeps that among equals.
    std::stable_sort(ids.begin(), ids.end(), [&table](uint8_t a, uint8_t b) {
        return table.assemblies.at(a).release.Value() < table.assemblies.at(b).release.Value();
    });
}

const AssemblyRecord* SelectAssembly(const ReleaseTable& table, VersionNumber release,
                                     const std::string& board) {
    if (release.IsNone()) {
        std::vector<uint8_t> ids;
        ListIdsByRelease(table, ids);
        if (ids.empty()) {
            return nullptr;
        }
        release = table.assemblies.at(ids.front()).release;
    }
    std::vector<const AssemblyRecord*> candidates;
    for (const auto& [id, record] : table.assemblies) {
        if (record.release == release) {
            candidates.push_back(&record);
        }
    }
    if (candidates.empty()) {
        return nullptr;
    }
    const std::string moduleBoard = UpToNul(board);
    if (!moduleBoard.empty()) {
        for (const AssemblyRecord* record : candidates) {
            if (record->boardAssemblyNarrow == moduleBoard) {
                return record;
            }
        }
    } else if (candidates.size() == 1) {
        return candidates.front();
    }
    for (const AssemblyRecord* record : candidates) {
        if (record->boardAssemblyNarrow.empty()) {
            return record;
        }
    }
    return nullptr;
}

const AssemblyRecord* FindModuleAssembly(const ReleaseTable& table, const VersionNumber& release,
                                         const std::string& board) {
    // The record an update of this module would have installed. A module on
    // board A1 brought to a release with a B7 and a generic record runs the
    // generic one: taking the release's first record would judge it by B7's.
    if (!release.IsNone()) {
        if (const AssemblyRecord* record = SelectAssembly(table, release, board)) {
            return record;
        }
    }
    return FindByRelease(table, release);
}

VersionNumber VerifyRelease(const ReleaseTable& table, const ModuleIdentityView& module) {
    if (module.release.IsNone()) {
        return kNoVersion;
    }
    const AssemblyRecord* record = FindModuleAssembly(table, module.release, module.assembly);
    if (record == nullptr) {
        return module.release; // the table cannot contradict it
    }
    if (record->safeBoot.version != module.safeBoot || record->ferrin.version != module.ferrin) {
        return kNoVersion;
    }
    if (!record->boardAssemblyNarrow.empty() &&
        record->boardAssemblyNarrow != UpToNul(module.assembly)) {
        return kNoVersion;
    }
    if (module.description != nullptr) {
        for (const auto& [fpgaId, fpga] : module.description->fpgas) {
            const VersionNumber expected = record->FpgaVersion(fpgaId);
            if (!IsRealVersion(expected) || expected != fpga.firmware.version) {
                return kNoVersion;
            }
            for (const auto& [tableId, lookupTable] : fpga.lookupTables) {
                const VersionNumber expectedTable = record->TableVersion(fpgaId, tableId);
                if (!IsRealVersion(expectedTable) || expectedTable != lookupTable.version) {
                    return kNoVersion;
                }
            }
        }
    }
    return module.release;
}
