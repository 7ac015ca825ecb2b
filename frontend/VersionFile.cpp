#include "frontend/VersionFile.h"

#include "descriptions/InputFile.h"

#include <algorithm>
#include <cerrno>
#include <fstream>

namespace versionfile {

Result Read(const std::filesystem::path& path) {
    Result result;
    // A directory, FIFO or device of that name is no version file.
    std::ifstream file;
    uint64_t size = 0;
    if (const int error = inputfile::Open(file, path.string(), size); error != 0) {
        result.systemError = error;
        return result;
    }
    char bytes[kMaxBytes] = {};
    errno = 0;
    file.read(bytes, kMaxBytes);
    const auto got = static_cast<size_t>(file.gcount());
    if (file.bad()) {
        result.systemError = errno ? errno : EIO;
        return result;
    }
    result.opened = true;
    result.text.assign(bytes, std::find(bytes, bytes + got, '\0'));
    return result;
}

} // namespace versionfile
