#include "link/WireTrace.h"

#include "link/AppendFile.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <mutex>

namespace wiretrace {

namespace {

// The descriptor is read on every port call: one atomic load when off.
std::atomic<int> g_fd{-1};
std::atomic<bool> g_warned{false};
std::mutex g_fileMutex;
std::filesystem::path g_file;

} // namespace

int Start(const std::filesystem::path& file) {
    const std::lock_guard lock(g_fileMutex);
    int fd = -1;
    if (!file.empty()) {
        fd = appendfile::OpenForAppend(file);
        if (fd < 0) {
            g_fd.store(-1);
            g_file.clear();
            return -fd;
        }
    }
    // A port call on another thread may have loaded the old descriptor and
    // still write to it: it stays open rather than have its number reused
    // by a file the trace must not touch (a front end starts a trace once).
    g_fd.store(fd);
    g_file = file;
    g_warned.store(false);
    return 0;
}

int StartFromEnvironment() {
    static const int result = [] {
        const char* file = std::getenv("PELLWORTH_TRACE");
        return file && *file ? Start(file) : 0;
    }();
    return result;
}

std::filesystem::path File() {
    const std::lock_guard lock(g_fileMutex);
    return g_file;
}

bool Active() {
    return g_fd.load() >= 0;
}

std::string Line(int64_t unixMicros, uint16_t port, std::string_view event, std::string_view detail,
                 const uint8_t* bytes, size_t count) {
    const time_t seconds = static_cast<time_t>(unixMicros / 1000000);
    tm utc{};
    gmtime_r(&seconds, &utc);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.%06dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(unixMicros % 1000000));
    std::string line;
    line.reserve(64 + detail.size() + 3 * count);
    line += stamp;
    line += " COM" + std::to_string(port) + " ";
    line += event;
    if (!detail.empty()) {
        line += ' ';
        line += detail;
    }
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < count; ++i) {
        line += ' ';
        line += kDigits[bytes[i] >> 4];
        line += kDigits[bytes[i] & 0xF];
    }
    line += '\n';
    return line;
}

void Record(uint16_t port, std::string_view event, std::string_view detail, const uint8_t* bytes,
            size_t count) {
    const int fd = g_fd.load();
    if (fd < 0)
        return;
    const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    const int error =
        appendfile::WriteAll(fd, Line(now.count(), port, event, detail, bytes, count));
    if (error != 0 && !g_warned.exchange(true))
        std::cerr << "pellworth: warning: cannot write the wire trace " << File().string() << ": "
                  << appendfile::Reason(error) << '\n';
}

} // namespace wiretrace
