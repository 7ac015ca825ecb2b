#pragma once

#include "frontend/Json.h"

#include <string>
#include <vector>

class CCliSession;

namespace cli {

using frontend::JsonValue;

// Exit status of the tool.
namespace exitcode {
constexpr int kOk = 0;
constexpr int kFailed = 1;        // the operation failed (the program's text says why)
constexpr int kUsage = 2;         // a bad argument; nothing was done to the module
constexpr int kNoConnection = 3;  // the port cannot be opened or the module not connected
constexpr int kDeclined = 4;      // a question was answered No or could not be asked
constexpr int kInterrupted = 130; // Ctrl-C: the download was aborted
} // namespace exitcode

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

// Runs the command of the session's arguments.
void RunCommand(CCliSession& session, CommandOutput& out);

} // namespace cli
