#include "app/VersionFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace versionfile {

Result Read(const std::filesystem::path& path) {
    Result result;
    errno = 0;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        result.systemError = errno ? errno : ENOENT;
        return result;
    }
    char bytes[kMaxBytes] = {};
    const size_t got = std::fread(bytes, 1, kMaxBytes, file.get());
    if (got == 0 && std::ferror(file.get())) {
        // Opens but cannot be read (a directory of that name).
        result.systemError = errno ? errno : EIO;
        return result;
    }
    result.opened = true;
    result.text.assign(bytes, std::find(bytes, bytes + got, '\0'));
    return result;
}

} // namespace versionfile
