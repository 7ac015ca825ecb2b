#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// The wire trace: a line for every open, close, write, read and purge at a
// serial port, for a field engineer to see what crossed the link (answers
// arrive in pieces, and stray bytes are thrown away by purges that no frame
// shows). Process-wide, off unless asked for: $PELLWORTH_TRACE=FILE, or the
// file a front end names. A line:
//   2026-12-07T10:15:02.123456Z COM3 write 6/6 AA 55 80 00 00 2A
//   2026-12-07T10:15:02.131020Z COM3 read 2/8 AA 55
//   2026-12-07T10:15:02.140001Z COM3 purge 3 FF 00 13
//   2026-12-07T10:15:02.150000Z COM3 open /dev/ttyACM0
// (UTC; read and write: bytes moved / bytes asked for; purge: bytes thrown
// away). Each line is one write() on a file opened with O_APPEND, so runs
// side by side, in one process or several, never mix their lines. The file
// must be a regular file: a FIFO or device is refused without waiting.
namespace wiretrace {

// Traces into file from now on (an empty path ends the trace). 0, or the
// errno of a file that cannot be opened; the trace is off then.
int Start(const std::filesystem::path& file);
// Starts the trace $PELLWORTH_TRACE names, once per process (later calls
// give the first answer); 0 when it is unset or empty. A front end that
// calls Start itself has the last word.
int StartFromEnvironment();
// The file being traced into, empty when off.
std::filesystem::path File();
bool Active();

// Appends one line (nothing when off). A trace that cannot be written is
// said once on standard error; the port goes on regardless.
void Record(uint16_t port, std::string_view event, std::string_view detail,
            const uint8_t* bytes = nullptr, size_t count = 0);

// The line Record writes, at the given time (for tests and readers).
std::string Line(int64_t unixMicros, uint16_t port, std::string_view event, std::string_view detail,
                 const uint8_t* bytes, size_t count);

} // namespace wiretrace
