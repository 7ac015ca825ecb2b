#pragma once

namespace cli {

// Exit status of the tool.
namespace exitcode {
constexpr int kOk = 0;
constexpr int kFailed = 1;        // the operation failed (the program's text says why)
constexpr int kUsage = 2;         // a bad argument; nothing was done to the module
constexpr int kNoConnection = 3;  // the port cannot be opened or the module not connected
constexpr int kDeclined = 4;      // a question was answered No or could not be asked
constexpr int kInterrupted = 130; // Ctrl-C: the download was aborted
} // namespace exitcode

} // namespace cli
