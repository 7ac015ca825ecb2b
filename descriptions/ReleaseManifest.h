#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The manifest a release-data package ships beside types/ (SHA256SUMS, as
// sha256sum writes it: "<64 hex digits>  <name relative to the data folder>").
// When it is there, every file a release update would read must be listed
// with the hash of the bytes on disk: a file that was edited, swapped or
// damaged after the vendor built the package is refused before anything is
// sent, rather than found out on a module.
namespace manifest {

struct Mismatch {
    std::wstring file;   // as the release names it
    std::wstring reason; // why it does not match
};

// The first of files that does not match the manifest of dataFolder ("" for
// the working directory); none when all match or there is no manifest.
// Relative file names are taken from the working directory, as the program
// opens them.
std::optional<Mismatch> Check(const std::filesystem::path& dataFolder,
                              const std::vector<std::wstring>& files);

} // namespace manifest
