#include "setups/CReplacementFile.h"

#include "descriptions/XmlText.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kNameAttempts = 16;

std::string Native(const std::wstring& path) {
    return WideToUtf8(path);
}

} // namespace

CReplacementFile::~CReplacementFile() {
    Discard();
}

bool CReplacementFile::ExistsAsNonFile(const std::wstring& path) {
    struct stat info {};
    if (::stat(Native(path).c_str(), &info) != 0) {
        return false;
    }
    return !S_ISREG(info.st_mode);
}

bool CReplacementFile::IsWritableFile(const std::wstring& path) {
    const std::string native = Native(path);
    struct stat info {};
    if (::stat(native.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
           ::access(native.c_str(), W_OK) == 0;
}

bool CReplacementFile::Create(const std::wstring& target, int& systemError) {
    Discard();
    systemError = 0;

    // Writing through a symbolic link replaces the file it points to, as
    // writing the file in place would, and keeps the link.
    std::error_code ec;
    fs::path resolved = fs::path(Native(target));
    if (fs::is_symlink(fs::symlink_status(resolved, ec))) {
        const fs::path canonical = fs::weakly_canonical(resolved, ec);
        if (!ec) {
            resolved = canonical;
        }
    }

    mode_t mode = 0666; // a new file gets what the umask leaves of this
    bool existing = false;
    struct stat info {};
    if (::stat(resolved.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            systemError = EISDIR;
            return false;
        }
        if (!IsWritableFile(Utf8ToWide(resolved.string()))) {
            systemError = EACCES;
            return false;
        }
        existing = true;
        mode = info.st_mode & 07777;
    } else if (errno != ENOENT) {
        systemError = errno;
        return false;
    }

    const fs::path directory = resolved.has_parent_path() ? resolved.parent_path() : fs::path(".");
    const std::string base = resolved.filename().string();
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const fs::path candidate = directory / ("." + base + ".tmp" + std::to_string(::getpid()) +
                                                "-" + std::to_string(random() % 1000000));
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            systemError = errno;
            return false;
        }
        if (existing) {
            // The replacement keeps the old file's owner and permissions (the
            // umask would otherwise have narrowed them). Only a privileged
            // process can hand a file to another owner; then it must.
            // An unprivileged process cannot, and the replacement is then its own.
            if (::fchown(fd, info.st_uid, info.st_gid) != 0)
                errno = 0;
            (void)::fchmod(fd, mode);
        }
        m_fd = fd;
        m_target = Utf8ToWide(resolved.string());
        m_temporary = Utf8ToWide(candidate.string());
        return true;
    }
    systemError = EEXIST;
    return false;
}

bool CReplacementFile::Commit(int& systemError) {
    systemError = 0;
    if (m_fd < 0) {
        systemError = EBADF;
        return false;
    }
    // The writer wrote through its own handle on the same file; this one
    // reaches the same data for the flush to disk.
    if (::fsync(m_fd) != 0) {
        systemError = errno;
        Discard();
        return false;
    }
    ::close(m_fd);
    m_fd = -1;
    if (::rename(Native(m_temporary).c_str(), Native(m_target).c_str()) != 0) {
        systemError = errno;
        Discard();
        return false;
    }
    m_temporary.clear();
    // Make the rename itself durable; not every file system supports this,
    // and the new content is in place either way.
    const fs::path directory = fs::path(Native(m_target)).parent_path();
    const int dirFd =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

void CReplacementFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(Native(m_temporary).c_str());
        m_temporary.clear();
    }
}
