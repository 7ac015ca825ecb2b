#pragma once

#include <filesystem>
#include <string>

// Where the program finds its data ("types", "version") and where it may put
// the operator's files. A development tree or a bench runs in a working
// directory that holds "types"; an installed program is started from anywhere
// and takes the data directory installed with it, <exe dir>/../share/pellworth,
// so it follows the prefix actually installed to. That directory is read-only
// and belongs to the package: nothing is written there.
namespace datadir {

// "" (the working directory) when the working directory holds "types"; else
// <executable's dir>/../share/pellworth when that holds "types"; else "", so
// that what is missing is reported as before, relative to the working directory.
std::filesystem::path Find(const std::filesystem::path& executable);

// Find() for this process, looked up once.
const std::filesystem::path& Directory();

// A data file's name as the program opens it: relative names are taken from
// Directory(); absolute and empty names stay as they are.
std::wstring DataFile(const std::wstring& name);

// The folder file dialogs for the operator's own files start in when there is
// no last folder: "" (the working directory) in a working directory of the
// operator's; home when the data are the installed ones or the working
// directory is the installed data directory (a desktop entry starts it there).
std::wstring UserFolder(const std::filesystem::path& executable, const std::wstring& home);
std::wstring UserFolder();

} // namespace datadir
