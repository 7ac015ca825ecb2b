#include "link/PortDirectory.h"

#include "link/XdgPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace portdir {

namespace {

// The per-user folder in the shared temporary directory, when that is where
// the port directory lies.
std::optional<fs::path> SharedBase() {
    if (const char* dir = std::getenv("PELLWORTH_PORT_DIR"); dir && *dir)
        return std::nullopt;
    if (!xdg::RuntimeDir().empty())
        return std::nullopt;
    const char* tmp = std::getenv("TMPDIR");
    return fs::path(tmp && *tmp ? tmp : "/tmp") / ("pellworth-" + std::to_string(getuid()));
}

} // namespace

fs::path Directory() {
    if (const char* dir = std::getenv("PELLWORTH_PORT_DIR"); dir && *dir)
        return dir;
    if (const fs::path run = xdg::RuntimeDir(); !run.empty())
        return run / "pellworth" / "ports";
    return *SharedBase() / "ports";
}

std::string Untrusted() {
    const auto base = SharedBase();
    if (!base)
        return {};
    struct stat info {};
    if (::lstat(base->c_str(), &info) != 0)
        return errno == ENOENT ? std::string() : base->string() + ": " + std::strerror(errno);
    const std::string refused = "the port folder " + base->string() + " is not used: ";
    if (!S_ISDIR(info.st_mode))
        return refused + "it is not a folder (remove it, or set XDG_RUNTIME_DIR)";
    if (info.st_uid != ::getuid())
        return refused + "it belongs to user " + std::to_string(info.st_uid) +
               " (remove it, or set XDG_RUNTIME_DIR)";
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return refused + "others can write it (chmod 700 it, or set XDG_RUNTIME_DIR)";
    return {};
}

fs::path LinkPath(uint16_t portNumber) {
    return Directory() / ("COM" + std::to_string(portNumber));
}

fs::path DescriptionPath(uint16_t portNumber) {
    return Directory() / ("COM" + std::to_string(portNumber) + ".description");
}

bool Publish(uint16_t portNumber, const fs::path& deviceNode, const std::string& description) {
    if (const auto base = SharedBase())
        ::mkdir(base->c_str(), 0700); // one made by someone else is refused below
    if (!Untrusted().empty())
        return false;
    std::error_code ec;
    fs::create_directories(Directory(), ec);
    if (ec)
        return false;
    // Write beside and rename, so a reader never sees a half-written entry.
    const fs::path link = LinkPath(portNumber);
    const fs::path tmpLink = link.string() + ".new";
    fs::remove(tmpLink, ec);
    fs::create_symlink(deviceNode, tmpLink, ec);
    if (ec)
        return false;
    const fs::path desc = DescriptionPath(portNumber);
    const fs::path tmpDesc = desc.string() + ".new";
    {
        std::ofstream out(tmpDesc, std::ios::trunc);
        out << description;
        if (!out)
            return false;
    }
    fs::rename(tmpDesc, desc, ec);
    if (ec)
        return false;
    fs::rename(tmpLink, link, ec);
    return !ec;
}

void Unpublish(uint16_t portNumber) {
    std::error_code ec;
    fs::remove(LinkPath(portNumber), ec);
    fs::remove(DescriptionPath(portNumber), ec);
}

} // namespace portdir
