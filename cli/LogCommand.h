#pragma once

#include "cli/CliArguments.h"

#include <filesystem>
#include <memory>

class CConsole;

namespace frontend {
class ResultsLog;
}

namespace cli {

// The results log the arguments choose: --log FILE, none with --no-log, else
// the default file.
std::filesystem::path ResultsLogFile(const Arguments& args);
// The log the tool appends to. A log that cannot be written is said once per
// run on standard error, however many sessions and threads write records.
std::unique_ptr<frontend::ResultsLog> OpenResultsLog(const Arguments& args, CConsole& console);

// pellworth-cli log: the records of the log, oldest first, filtered by
// --serial and --since; text lines or a JSON array on standard output.
int RunLog(const Arguments& args, CConsole& console);

} // namespace cli
