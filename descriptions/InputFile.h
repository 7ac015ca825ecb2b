#pragma once

#include <cstdint>
#include <fstream>
#include <string>

// Every file the program reads (images, tables, CSV, setup, type, assembly
// and version files) is opened through here. A name the operator or a data
// file gives may be a directory, a FIFO or a device: a FIFO blocks an open
// for ever, a directory "opens" as 4 GiB of nothing, /dev/zero never ends.
// Only regular files are read, and the test never blocks. Paths are UTF-8.
namespace inputfile {

// Errors beside the errno values (EISDIR for a directory); FileErrorText
// knows their texts.
inline constexpr int kNotRegular = 0x10000;
inline constexpr int kEmpty = 0x10001;

// The reason text of an error of these functions or of errno.
std::wstring ErrorReason(int error);

// 0 when the path names a regular file that opens for reading, with its size;
// otherwise the error.
int Check(const std::string& path, uint64_t* size = nullptr);

// Opens the stream on a regular file in binary mode at its start, with the
// file's size; the error otherwise (the stream is then closed).
int Open(std::ifstream& stream, const std::string& path, uint64_t& size);

// The same for an image to download: a file of no bytes is refused (kEmpty:
// nothing to send), and so is one over 4 GiB (EFBIG: a start command carries
// 32 bits of size).
int CheckImage(const std::string& path, uint32_t& size);
int OpenImage(std::ifstream& stream, const std::string& path, uint32_t& size);

} // namespace inputfile
