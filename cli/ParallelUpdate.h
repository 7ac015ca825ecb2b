#pragma once

#include "cli/CliArguments.h"

class CConsole;

namespace cli {

// update --port 3,4,7 / --port all: one release update per module, all at
// once. Each module has its own session, engine, port and run, driven by a
// thread of its own exactly as the main thread drives a single update
// (RunCommand); they share only the output. Returns the exit status: 0 when
// every module succeeded, 1 when any did not, 3 when no module was found or
// none could be connected, 130 after Ctrl-C.
int RunParallelUpdate(const Arguments& args, CConsole& console);

} // namespace cli
