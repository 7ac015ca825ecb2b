// pellworth-cli's command line: the input split at zero bytes into arguments.

#include "cli/CliArguments.h"
#include "fuzz/FuzzSupport.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> args = fuzz::CommandLine(data, size);
    cli::ParseArguments(args);
    return 0;
}
