#include "frontend/ResultsLog.h"

#include "link/AppendFile.h"
#include "link/XdgPaths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>

namespace frontend {

namespace {

// Makes the missing folders above the file, 0700 as the state folders are
// meant to be; an existing folder is left as it is.
int MakeFolders(const std::filesystem::path& folder) {
    if (folder.empty())
        return 0;
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT)
        return errno;
    if (folder.has_parent_path() && folder.parent_path() != folder)
        if (const int error = MakeFolders(folder.parent_path()); error != 0)
            return error;
    // Another writer may make it at the same moment.
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

// True when the file is empty or its last byte is a line end; also when that
// cannot be read (write-only): nothing better is known then.
bool EndsWithLineBreak(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_size == 0)
        return true;
    char last = '\n';
    return pread(fd, &last, 1, info.st_size - 1) != 1 || last == '\n';
}

} // namespace

ResultsLog::ResultsLog(std::filesystem::path file, WarningSink warn)
    : m_enabled(true), m_file(std::move(file)), m_warn(std::move(warn)) {}

std::filesystem::path ResultsLog::DefaultFile() {
    const std::filesystem::path state = xdg::StateHome();
    return state.empty() ? state : state / "pellworth" / "results.jsonl";
}

bool ResultsLog::Warn(const std::string& reason) const {
    if (!m_warned.exchange(true) && m_warn)
        m_warn(m_file.string(), reason);
    return false;
}

bool ResultsLog::Append(const JsonValue& record) const {
    if (!m_enabled)
        return true;
    if (m_file.empty())
        return Warn("no home directory (HOME and XDG_STATE_HOME are not set)");
    if (const int error = MakeFolders(m_file.parent_path()); error != 0)
        return Warn(std::strerror(error));
    // Read access only to look at the last byte; a write-only log is still written.
    const int fd = appendfile::OpenForAppend(m_file, true);
    if (fd < 0)
        return Warn(std::string(appendfile::Reason(-fd)));
    // A last line without its line end (torn by a full disk) would swallow
    // this record: it is ended first. Two writers may both end it; the blank
    // line that leaves is no record and no fault.
    const std::string line = (EndsWithLineBreak(fd) ? "" : "\n") + record.Write() + "\n";
    // One write() appends the whole line at the end; a line torn by a full
    // disk is skipped alone by the reader.
    int error = appendfile::WriteAll(fd, line);
    if (close(fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    if (error != 0)
        return Warn(std::strerror(error));
    return true;
}

ResultsLog::Contents ResultsLog::Read(const std::filesystem::path& file) {
    Contents contents;
    // Only a regular file: a FIFO of that name would block the reader.
    struct stat info {};
    if (stat(file.c_str(), &info) != 0) {
        if (errno != ENOENT)
            contents.error = errno;
        return contents;
    }
    if (!S_ISREG(info.st_mode)) {
        contents.error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return contents;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        contents.error = errno ? errno : EIO;
        return contents;
    }
    // Lines are read into a bounded buffer: a file without line ends costs
    // no more memory than one record may take. getline stores at most
    // size - 1 bytes and fails on a longer line.
    std::vector<char> buffer(kMaxLineBytes + 1);
    // A log saved by an editor may begin with a UTF-8 byte order mark.
    if (in.peek() == 0xEF) {
        char bom[3] = {};
        in.read(bom, 3);
        if (in.gcount() != 3 || std::string_view(bom, 3) != "\xEF\xBB\xBF") {
            in.clear();
            in.seekg(0);
        }
    }
    std::string error;
    for (;;) {
        in.getline(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<size_t>(in.gcount());
        if (in.fail() && !in.eof() && got > 0) {
            // Longer than any record: skipped to its end.
            in.clear();
            in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
            ++contents.skipped;
            continue;
        }
        if (got == 0 && in.eof())
            break;
        // gcount counts the line end when one was taken.
        const size_t length = in.eof() ? got : got - 1;
        const std::string_view line(buffer.data(), length);
        if (!line.empty()) {
            std::optional<JsonValue> record = JsonValue::Parse(line, error);
            if (record && record->IsObject())
                contents.records.push_back(std::move(*record));
            else
                ++contents.skipped;
        }
        if (in.eof() || in.fail())
            break;
    }
    if (in.bad())
        contents.error = EIO;
    return contents;
}

} // namespace frontend
