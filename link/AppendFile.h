#pragma once

#include <filesystem>
#include <string_view>

// Files that several writers append to at once (the results log, the wire
// trace): each record is one write() on a descriptor opened with O_APPEND,
// so records of other threads and processes never land inside it.
namespace appendfile {

// The file as a regular file open for appending (made 0644 when missing),
// else -errno. Opened without blocking: a FIFO nobody reads (a collector
// that died) would otherwise hold the open, and with it the run; a FIFO,
// device or socket is refused (-EINVAL, -ENXIO), a folder is -EISDIR.
// readable: also open for reading when allowed (to look at the last byte).
int OpenForAppend(const std::filesystem::path& file, bool readable = false);

// Writes all of text with as few write() calls as the system allows (one,
// unless the disk is full); 0 or the errno of the failure.
int WriteAll(int fd, std::string_view text);

// "not a regular file" for the refusals above, else the system's text.
std::string_view Reason(int error);

} // namespace appendfile
