#pragma once

#include "descriptions/VersionNumber.h"
#include "engine/ModuleOperationKind.h"
#include "frontend/Json.h"

#include <chrono>
#include <cstdint>
#include <string>

class CCmdEngine;
struct ModuleRecord;

namespace frontend {

// The command of the results log: "update", "download", "download-lut",
// "setup-load", "setup-defaults", "csv".
const char* OperationName(ModuleOperationKind kind);

// Who writes the log: the program's name and version, and the release data
// it runs on (the data folder, its version file's text, whether they are
// sample data).
struct Origin {
    std::string program;
    std::string version;
    std::string dataDir;
    std::string dataVersion;
    bool sampleData = false;
};

// The origin of this process: its own version and the data datadir chose.
Origin ThisProgram(std::string program);

// One operation on a module from its start to its outcome: what the module
// was before (taken at the start), what it is after, and how it went. Made
// on the thread that owns the engine, while no worker downloads.
class ModuleOperation {
public:
    // file: the image, table, setup or CSV file (recorded absolute); component: what a download
    // writes ("FPGA 0", "FPGA 0 table 1"); release: the release an update
    // goes to (none: no release).
    // An update also records the module's setup block as it is at the start.
    ModuleOperation(const Origin& origin, ModuleOperationKind kind, uint16_t port,
                    CCmdEngine& engine, const std::wstring& file = {},
                    const std::wstring& component = {}, VersionNumber release = kNoVersion);

    // The record of the operation. `after` is what the module reports when
    // its identification and versions are read again now: null when it is
    // gone or does not answer. Time spent waiting for the operator at a box
    // is not counted in the duration.
    JsonValue Record(int32_t result, const std::wstring& text, CCmdEngine& engine) const;

    // The versions of the module the engine has read: release, module type,
    // SafeBoot, Ferrin, every FPGA and its lookup tables.
    static JsonValue Versions(const CCmdEngine& engine);
    // Every FPGA of the module with its version and its lookup tables'.
    static JsonValue FpgaVersions(const ModuleRecord& module);
    // "2026-12-06T17:45:53Z".
    static std::string UtcTime(std::chrono::system_clock::time_point time);

private:
    ModuleOperationKind m_kind;
    std::wstring m_component;
    JsonValue m_head;
    JsonValue m_before;
    JsonValue m_setupBefore;
    size_t m_firstImage = 0; // the engine's images sent before this operation
    std::chrono::steady_clock::time_point m_start;
    std::chrono::milliseconds m_waitAtStart;
};

} // namespace frontend
