#pragma once

#include "descriptions/ModuleDescription.h"
#include "descriptions/ReleaseTable.h"
#include "descriptions/VersionNumber.h"

#include <cstdint>
#include <string>

// The engine's record of the connected module: its description plus identity.
struct ModuleRecord : ModuleDescription {
    std::string name;
    VersionNumber release{0, 0};
    std::string assembly;
    std::string serial;
    ComponentRecord safeBoot;
    ComponentRecord ferrin;
    uint32_t identityFlag = 0;
    int32_t runningImage = -1; // 0 SafeBoot, 1 Ferrin, -1 before the first connect

    // What release verification compares.
    ModuleIdentityView IdentityView() const {
        return {release, assembly, safeBoot.version, ferrin.version, this};
    }
};

constexpr int32_t kRunningSafeBoot = 0;
constexpr int32_t kRunningFerrin = 1;
