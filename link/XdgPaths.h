#pragma once

#include <filesystem>

// The user's folders after the XDG base directory rules, one reading for every
// file the programs keep (the results log, the USB port numbers, the port
// directory). A variable that is unset, empty or relative is ignored: the
// rules call a relative one invalid, and it would name a different folder
// from each working directory.
namespace xdg {

// The home folder: $HOME when set, else the user's entry in the password
// database; empty when neither gives one.
std::filesystem::path Home();

// $XDG_STATE_HOME, else <home>/.local/state; empty without either.
std::filesystem::path StateHome();

// $XDG_RUNTIME_DIR; empty when it is not set (it has no fallback of its own).
std::filesystem::path RuntimeDir();

} // namespace xdg
