// pellworth-modsim's command line: the input split at zero bytes into
// arguments, then the port numbers given to the modules it describes. No two
// modules may end up with one number.

#include "fuzz/FuzzSupport.h"
#include "simulator/ModsimOptions.h"

#include <cstdlib>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> args = fuzz::CommandLine(data, size);
    std::string error;
    std::optional<sim::ModsimOptions> options = sim::ParseModsimArgs(args, error);
    if (!options)
        return 0;
    sim::AssignPortNumbers(options->modules, [](uint16_t number) { return number % 3 == 0; });
    std::set<uint16_t> numbers;
    for (const sim::ModsimModule& module : options->modules)
        if (module.config.portNumber == 0 || !numbers.insert(module.config.portNumber).second)
            std::abort();
    return 0;
}
