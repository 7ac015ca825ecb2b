#pragma once

#include "cli/CliArguments.h"

#include <string>

class CConsole;

namespace cli {

struct PortChoice {
    bool ok = true;
    int exitCode = 0;
    std::wstring error;
};

// Turns the command line's device paths and module serials into COM numbers
// as the run starts (args.port, or args.ports in the list form). A path is
// resolved to its USB location's number, which the run then reconnects by.
// A serial needs a connect's first reads on every module candidate; a serial
// no module reports, or one found on two ports, chooses nothing.
PortChoice ChoosePorts(Arguments& args, CConsole& console);

} // namespace cli
