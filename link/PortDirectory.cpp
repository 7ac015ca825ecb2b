#include "link/PortDirectory.h"

#include <cstdlib>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace portdir {

fs::path Directory() {
    if (const char* dir = std::getenv("PELLWORTH_PORT_DIR"); dir && *dir)
        return dir;
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run)
        return fs::path(run) / "pellworth" / "ports";
    return fs::path("/tmp") / ("pellworth-" + std::to_string(getuid())) / "ports";
}

fs::path LinkPath(uint16_t portNumber) {
    return Directory() / ("COM" + std::to_string(portNumber));
}

fs::path DescriptionPath(uint16_t portNumber) {
    return Directory() / ("COM" + std::to_string(portNumber) + ".description");
}

bool Publish(uint16_t portNumber, const fs::path& deviceNode, const std::string& description) {
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
