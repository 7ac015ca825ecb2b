#include "simulator/Profiles.h"

#include <algorithm>
#include <cctype>

namespace sim {

namespace {

constexpr uint8_t kSpiControl = 1;
constexpr uint8_t kSpiConfig = 2;
constexpr uint8_t kJtag = 3;

SimFpga Fpga(uint8_t id, uint8_t interface, uint8_t device, uint8_t fwInterface, uint8_t fwDevice,
             uint32_t fwStart, uint32_t lutRegister, std::vector<SimLookupTable> tables) {
    SimFpga f;
    f.id = id;
    f.interface = interface;
    f.device = device;
    f.firmwareInterface = fwInterface;
    f.firmwareDevice = fwDevice;
    f.firmwareStart = fwStart;
    f.revisionRegister = 0x55;
    f.lookupTableRegister = lutRegister;
    f.tables = std::move(tables);
    return f;
}

SimLookupTable Table(uint8_t id, uint8_t device, uint32_t start, uint32_t length) {
    return SimLookupTable{id, device, start, length, {}};
}

// The boards as the module type files describe them.
std::vector<SimFpga> Board(Profile profile) {
    switch (profile) {
    case Profile::Tarn:
        return {Fpga(0, kSpiControl, 0x10, kSpiConfig, 0x66, 0x77, 0x60,
                     {Table(0, 0x20, 0x1000, 1024), Table(1, 0x20, 0x2000, 256)})};
    case Profile::Orlan6:
        return {Fpga(0, kSpiControl, 0x10, kSpiConfig, 0x66, 0x77, 0x60,
                     {Table(0, 0x20, 0x1000, 1024)}),
                Fpga(1, kJtag, 0x01, kJtag, 0x01, 0, 0x70, {Table(0, 0x21, 0x4000, 1024)})};
    case Profile::None:
        break;
    }
    return {};
}

} // namespace

std::optional<Profile> ProfileFromName(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "none")
        return Profile::None;
    if (lower == "tarn")
        return Profile::Tarn;
    if (lower == "orlan6")
        return Profile::Orlan6;
    return std::nullopt;
}

const char* ProfileName(Profile profile) {
    switch (profile) {
    case Profile::Tarn:
        return "TARN";
    case Profile::Orlan6:
        return "ORLAN6";
    case Profile::None:
        break;
    }
    return "none";
}

std::vector<ReleaseVersions> KnownReleases(Profile profile) {
    switch (profile) {
    case Profile::Tarn:
        return {
            {{1, 0}, {1, 0}, {1, 0}, {{0, {1, 0}}}, {{{0, 0}, {1, 0}}, {{0, 1}, {1, 0}}}},
            {{1, 1}, {1, 0}, {1, 1}, {{0, {1, 1}}}, {{{0, 0}, {1, 1}}, {{0, 1}, {1, 0}}}},
        };
    case Profile::Orlan6:
        return {
            {{2, 0},
             {1, 0},
             {2, 0},
             {{0, {2, 0}}, {1, {2, 0}}},
             {{{0, 0}, {2, 0}}, {{1, 0}, {2, 0}}}},
            {{2, 1},
             {1, 0},
             {2, 1},
             {{0, {2, 1}}, {1, {2, 1}}},
             {{{0, 0}, {2, 1}}, {{1, 0}, {2, 1}}}},
        };
    case Profile::None:
        break;
    }
    return {};
}

Version DefaultRelease(Profile profile) {
    const std::vector<ReleaseVersions> releases = KnownReleases(profile);
    if (releases.empty())
        return {};
    return releases[releases.size() >= 2 ? releases.size() - 2 : 0].release;
}

void ApplyRelease(ModuleState& state, const ReleaseVersions& release) {
    state.release = release.release;
    state.safeBoot = release.safeBoot;
    state.ferrin = release.ferrin;
    for (SimFpga& fpga : state.fpgas) {
        if (const auto it = release.fpgas.find(fpga.id); it != release.fpgas.end())
            fpga.revision = it->second;
        for (SimLookupTable& table : fpga.tables)
            if (const auto t = release.tables.find(BlockKey{fpga.id, table.id});
                t != release.tables.end())
                table.version = t->second;
    }
}

std::optional<ModuleConfig> MakeModule(Profile profile, Version release) {
    ModuleConfig config;
    ModuleState& s = config.state;
    s.fpgas = Board(profile);
    s.serial = FixedText("00001234", 8);
    switch (profile) {
    case Profile::Tarn:
        s.moduleType = 2;
        s.name = FixedText("SIM-TARN", 8);
        s.assembly = FixedText("TARN-A01", 9);
        break;
    case Profile::Orlan6:
        s.moduleType = 1;
        s.name = FixedText("SIM-ORL6", 8);
        s.assembly = FixedText("ORLAN-A02", 9);
        break;
    case Profile::None:
        s.moduleType = 0xFF;
        s.name = FixedText("SIM-NONE", 8);
        s.assembly = FixedText("", 9);
        s.release = Version{0xFF, 0xFF};
        s.safeBoot = Version{1, 0};
        s.ferrin = Version{1, 0};
        return config;
    }
    // Both boards keep their setup in parameter block 0 of FPGA 0, 4 bytes.
    s.blocks[BlockKey{0, 0}] = SimBlock{std::vector<uint8_t>(4, 0), std::vector<uint8_t>(4, 0)};

    const std::vector<ReleaseVersions> releases = KnownReleases(profile);
    const ReleaseVersions* chosen = nullptr;
    if (release == Version{0, 0}) {
        chosen = &releases.back();
    } else {
        for (const ReleaseVersions& r : releases)
            if (r.release == release)
                chosen = &r;
    }
    if (!chosen)
        return std::nullopt;
    ApplyRelease(s, *chosen);
    return config;
}

} // namespace sim
