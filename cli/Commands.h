#pragma once

#include "cli/CTerminalDialogs.h"
#include "cli/ExitCodes.h"
#include "frontend/Json.h"

#include <string>
#include <vector>

class CCliSession;

namespace cli {

using frontend::JsonValue;

struct CommandOutput {
    int exitCode = exitcode::kOk;
    // The result for standard output (text mode), line by line.
    std::vector<std::wstring> lines;
    // The command's members of the JSON object.
    JsonValue data = JsonValue::MakeObject();
    // A bad argument found only once the module was known (an FPGA id it lacks).
    std::wstring usageError;
    // The status texts of an update run.
    std::vector<std::wstring> log;
};

// Sets "messages" (the boxes shown, with the answers to questions) and "log"
// (the run's status texts) of a command's JSON object.
void SetShownJson(JsonValue& json, const std::vector<CTerminalDialogs::Box>& boxes,
                  const std::vector<std::wstring>& log);

// Runs the command of the session's arguments.
void RunCommand(CCliSession& session, CommandOutput& out);

} // namespace cli
