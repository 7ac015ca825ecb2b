#pragma once

#include "frontend/Json.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace frontend {

// The results log: one JSON record a line for every operation that changed a
// module. Appends from threads and processes never interleave: each record is
// one write() on a file opened with O_APPEND. One object may be shared by
// threads; it is also cheap enough to make one per run.
class ResultsLog {
public:
    // Told once per object when a record cannot be written: the file and why.
    using WarningSink = std::function<void(const std::string& file, const std::string& reason)>;

    // No file: the log is off and Append writes nothing.
    ResultsLog() = default;
    ResultsLog(std::filesystem::path file, WarningSink warn);
    ResultsLog(const ResultsLog&) = delete;
    ResultsLog& operator=(const ResultsLog&) = delete;

    // <state home>/pellworth/results.jsonl: $XDG_STATE_HOME, else
    // ~/.local/state (link/XdgPaths.h); empty when there is no home either.
    static std::filesystem::path DefaultFile();

    bool Enabled() const { return m_enabled; }
    const std::filesystem::path& File() const { return m_file; }

    // Appends the record as one line, making the file's folders as needed.
    // The log must be a regular file: anything else (a FIFO, a device) is
    // refused without waiting for it. False (and the warning, the first
    // time) when it could not be written.
    bool Append(const JsonValue& record) const;

    struct Contents {
        std::vector<JsonValue> records; // in the order of the file
        size_t skipped = 0;             // lines that are no JSON object (torn, edited, too long)
        int error = 0;                  // errno when the file exists but cannot be read
    };
    // Every record of a log; a missing file is an empty log. A UTF-8 byte
    // order mark at its start is passed over.
    static Contents Read(const std::filesystem::path& file);

    // Lines longer than this (line end not counted) are no records of ours:
    // the reader skips them.
    static constexpr size_t kMaxLineBytes = 64 * 1024;

private:
    bool Warn(const std::string& reason) const;

    bool m_enabled = false;
    std::filesystem::path m_file;
    WarningSink m_warn;
    mutable std::atomic<bool> m_warned{false};
};

} // namespace frontend
