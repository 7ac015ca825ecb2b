#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Where the program finds its release data ("types", "version") and where it
// may put the operator's files. In this order:
//   1. the folder given with --data DIR, else the PELLWORTH_DATA variable;
//   2. the working directory, when it holds "types" (a development tree or a
//      bench's own folder);
//   3. the vendor's folder, <exe dir>/../share/pellworth, which the vendor's
//      release-data package installs (/usr/share/pellworth).
// A folder given in 1. that holds no "types" is an error, never a reason to
// fall back to another one. Sample data (the demo's, with their SAMPLE-IMAGE
// files) carry the marker file SAMPLE-DATA beside "types"; a vendor's release
// never does, so a bench always knows when it is not flashing a real release.
// The data folders are read-only: nothing is written there.
namespace datadir {

inline constexpr const char* kSampleMarker = "SAMPLE-DATA";
// sha256sum's format, names relative to the data folder; shipped by a
// release-data package, it is checked before a release update sends anything.
inline constexpr const char* kManifest = "SHA256SUMS";
inline constexpr const char* kEnvironment = "PELLWORTH_DATA";

enum class Source { Option, Environment, WorkingDirectory, Vendor, None };

struct Choice {
    Source source = Source::None;
    // "" for the working directory, and when nothing was found.
    std::filesystem::path directory;
    bool sample = false;
    // The folder named by --data or PELLWORTH_DATA holds no release data.
    std::string error;
    // Where release data were looked for, in order (also when found).
    std::vector<std::string> searched;

    bool Found() const { return source != Source::None; }
};

// option: --data's folder (empty when not given); environment:
// PELLWORTH_DATA's value (null when unset); executable: this program's path
// (empty when unknown).
Choice Find(const std::filesystem::path& option, const char* environment,
            const std::filesystem::path& executable);

// Chooses this process's data with --data's folder (empty: none given). Run
// once by main() before anything reads data; Current() chooses without
// --data when main() did not.
const Choice& Use(const std::filesystem::path& option);
const Choice& Current();

// Current().directory.
const std::filesystem::path& Directory();
// The data folder as an absolute path, for texts and the results log; empty
// when there are no release data.
std::string AbsoluteDirectory();

// A data file's name as the program opens it: relative names are taken from
// Directory(); absolute and empty names stay as they are.
std::wstring DataFile(const std::wstring& name);

// One line on what the data are when that needs saying: sample data in use,
// or none found (naming the places searched), or a bad --data. Empty for a
// vendor's release data.
std::string Notice(const Choice& choice);

// The folder file dialogs for the operator's own files start in when there is
// no last folder: "" (the working directory) in a working directory of the
// operator's; home when the data come from elsewhere or the working directory
// is a data folder of the install (a desktop entry may start it there).
std::wstring UserFolder(const Choice& choice, const std::filesystem::path& executable,
                        const std::wstring& home);
std::wstring UserFolder();

} // namespace datadir
