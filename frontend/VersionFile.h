#pragma once

#include <filesystem>
#include <string>

// The "version" file of the working directory: up to 32 bytes of 8-bit text,
// ending at the first zero byte or at the end of the file.
namespace versionfile {

inline constexpr size_t kMaxBytes = 32;

struct Result {
    bool opened = false;
    int systemError = 0; // errno when the file could not be opened
    std::string text;
};

Result Read(const std::filesystem::path& path = "version");

} // namespace versionfile
