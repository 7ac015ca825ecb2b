#include "descriptions/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace inputfile {

namespace {

// Opens without blocking (O_NONBLOCK only matters for a FIFO or a device,
// which are refused right after) and tests the kind of file.
int OpenRegular(const std::string& path, uint64_t* size, int& fd) {
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno != 0 ? errno : ENOENT;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno != 0 ? errno : EIO;
        ::close(fd);
        fd = -1;
        return error;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        fd = -1;
        return S_ISDIR(info.st_mode) ? EISDIR : kNotRegular;
    }
    if (size)
        *size = static_cast<uint64_t>(info.st_size);
    return 0;
}

int ImageError(int error, uint64_t size) {
    if (error != 0)
        return error;
    if (size == 0)
        return kEmpty;
    return size > UINT32_MAX ? EFBIG : 0;
}

} // namespace

std::wstring ErrorReason(int error) {
    std::string reason;
    switch (error) {
    case kNotRegular:
        reason = "Not a regular file";
        break;
    case kEmpty:
        reason = "The file is empty";
        break;
    default:
        reason = std::strerror(error);
        break;
    }
    return std::wstring(reason.begin(), reason.end());
}

int Check(const std::string& path, uint64_t* size) {
    int fd = -1;
    const int error = OpenRegular(path, size, fd);
    if (fd >= 0)
        ::close(fd);
    return error;
}

int Open(std::ifstream& stream, const std::string& path, uint64_t& size) {
    stream.close();
    size = 0;
    int fd = -1;
    if (const int error = OpenRegular(path, &size, fd); error != 0)
        return error;
    // The stream opens the very file that was tested, even if the name has
    // been pointed elsewhere since.
    errno = 0;
    stream.open("/proc/self/fd/" + std::to_string(fd), std::ios::binary);
    if (!stream.is_open()) // no /proc: the name itself, just tested
        stream.open(path, std::ios::binary);
    const int error = stream.is_open() ? 0 : (errno != 0 ? errno : EIO);
    ::close(fd);
    if (error != 0)
        size = 0;
    return error;
}

int CheckImage(const std::string& path, uint32_t& size) {
    uint64_t length = 0;
    const int checked = Check(path, &length);
    const int error = ImageError(checked, length);
    size = error == 0 ? static_cast<uint32_t>(length) : 0;
    return error;
}

int OpenImage(std::ifstream& stream, const std::string& path, uint32_t& size) {
    uint64_t length = 0;
    const int opened = Open(stream, path, length);
    const int error = ImageError(opened, length);
    if (error != 0)
        stream.close();
    size = error == 0 ? static_cast<uint32_t>(length) : 0;
    return error;
}

} // namespace inputfile
