#pragma once

#include "cli/CTerminalDialogs.h"
#include "cli/ExitCodes.h"
#include "frontend/Json.h"

#include <functional>
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

// What the program would have shown once a command ended: its result lines
// (to `out`), the boxes not shown yet, then the status line unless the run's
// log already printed it (to `err`). False when nothing at all was shown.
bool PrintResult(const CommandOutput& output, const std::vector<CTerminalDialogs::Box>& boxes,
                 const std::wstring& status, bool statusLogged,
                 const std::function<void(const std::wstring&)>& out,
                 const std::function<void(const std::wstring&)>& err);

// Runs the command of the session's arguments.
void RunCommand(CCliSession& session, CommandOutput& out);

} // namespace cli
