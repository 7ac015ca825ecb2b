#include "link/AppendFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace appendfile {

int OpenForAppend(const std::filesystem::path& file, bool readable) {
    struct stat info {};
    if (stat(file.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return S_ISDIR(info.st_mode) ? -EISDIR : -EINVAL;
    constexpr int kFlags = O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = readable ? open(file.c_str(), O_RDWR | kFlags, 0644) : -1;
    if (fd < 0 && (!readable || errno == EACCES))
        fd = open(file.c_str(), O_WRONLY | kFlags, 0644);
    if (fd < 0)
        return -errno;
    // What was opened counts, not what stat saw before.
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -EINVAL;
    }
    return fd;
}

int WriteAll(int fd, std::string_view text) {
    // A signal before anything was written repeats the write; a short write
    // (a full disk) is finished if the rest fits.
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

std::string_view Reason(int error) {
    if (error == ENXIO || error == EINVAL)
        return "not a regular file";
    return std::strerror(error);
}

} // namespace appendfile
