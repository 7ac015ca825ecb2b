#include "link/XdgPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace fs = std::filesystem;

namespace xdg {

namespace {

fs::path AbsoluteVariable(const char* name) {
    if (const char* value = std::getenv(name); value && value[0] == '/')
        return value;
    return {};
}

} // namespace

fs::path Home() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* user = getpwuid(getuid()); user && user->pw_dir && *user->pw_dir)
        return user->pw_dir;
    return {};
}

fs::path StateHome() {
    if (fs::path state = AbsoluteVariable("XDG_STATE_HOME"); !state.empty())
        return state;
    const fs::path home = Home();
    return home.empty() ? fs::path() : home / ".local" / "state";
}

fs::path RuntimeDir() {
    return AbsoluteVariable("XDG_RUNTIME_DIR");
}

} // namespace xdg
