#pragma once

#include <string>
#include <string_view>

namespace cli {

// Text from outside the tool (a module's name, assembly and serial, port
// descriptions, results log records) as it may reach a terminal: every
// control character (C0, DEL, C1) is shown as "\xHH", so no such text can
// move the cursor, erase a line or retitle the window. keepLineBreaks keeps
// '\n' for the tool's own texts of several lines. --json output does not
// pass through here: JSON escapes what it must itself.
std::wstring VisibleText(std::wstring_view text, bool keepLineBreaks = false);

// A module's serial as shown: "blank" for the eight 0xFF bytes of a fresh
// board (as widened from the module, eight U+00FF), else its visible text.
std::wstring SerialText(std::wstring_view serial);

// Whether the tool may draw on the stream (move the cursor, erase lines):
// only on a terminal that understands it. Not a terminal (a pipe, a file, a
// CI log) or TERM unset, empty or "dumb" (an editor's shell, a serial
// console): plain lines only.
bool CanDraw(int fd, const char* term);

} // namespace cli
