#pragma once

#include "simulator/Profiles.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Command line of pellworth-modsim: which modules to start and how they behave.
namespace sim {

struct ModsimModule {
    Profile profile = Profile::Tarn;
    ModuleConfig config;
};

struct ModsimOptions {
    bool help = false;
    bool version = false;
    std::optional<std::string> portDirectory; // --port-dir
    std::vector<ModsimModule> modules;
};

inline constexpr const char* kModsimUsageLine =
    "usage: pellworth-modsim [--type tarn|orlan6|none] [--release M.N] [--com N] [options] "
    "[--next [options]]... (--help for more)";

// Full help text.
std::string ModsimHelp();

// Parses the arguments after the program name. On a bad command line returns
// nullopt with a one-line reason in `error`.
std::optional<ModsimOptions> ParseModsimArgs(const std::vector<std::string>& args,
                                             std::string& error);

// Gives every module without a COM number the lowest one that is neither in
// use (inUse, the port directory) nor given to another module of the line, so
// that each module, and each module back from a reboot, has a number of its own.
void AssignPortNumbers(std::vector<ModsimModule>& modules,
                       const std::function<bool(uint16_t)>& inUse);

} // namespace sim
