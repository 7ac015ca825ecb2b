#pragma once

#include "simulator/SimulatedModule.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Built-in modules: the boards, their identity and the component versions of
// each release. The test data (tests/data/types) carries every release; the
// demo data (data/types) only the latest.
namespace sim {

enum class Profile { None, Tarn, Orlan6 };

// "none", "tarn", "orlan6" (case-insensitive).
std::optional<Profile> ProfileFromName(std::string_view name);
const char* ProfileName(Profile profile);

// Component versions of one release of a module type.
struct ReleaseVersions {
    Version release;
    Version safeBoot;
    Version ferrin;
    std::map<uint8_t, Version> fpgas;   // by FPGA id
    std::map<BlockKey, Version> tables; // by (FPGA id, table id)
};

// Releases known for a profile, ascending (empty for None).
std::vector<ReleaseVersions> KnownReleases(Profile profile);
// The release a module of the profile starts with when none is asked for: one
// before the latest (the demo data carries the latest, so one update brings
// the module current); 0.0 for None.
Version DefaultRelease(Profile profile);

// A module of the profile at a release: hardware (FPGAs, tables, parameter blocks
// with zero factory defaults), module type (TARN 2, ORLAN6 1, None 0xFF), release,
// SafeBoot/Ferrin, FPGA and table versions, name, assembly and serial "00001234".
// Release 0.0 picks the latest. nullopt for a release the profile does not know.
// Profile None: no FPGAs, no blocks, type 0xFF, release 255.255, SafeBoot and Ferrin 1.0.
std::optional<ModuleConfig> MakeModule(Profile profile, Version release = {});

// Applies a release to a state (module type kept): versions of every component.
void ApplyRelease(ModuleState& state, const ReleaseVersions& release);

} // namespace sim
