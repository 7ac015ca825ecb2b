#pragma once

// Shared pieces of the fuzz targets: a port that plays input bytes as the
// module's answers, and a scratch directory for the readers that read files.

#include "fuzz/DataProvider.h"
#include "link/CSerialIF.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace fuzz {

// A command line from the input: program name first, then the input split at
// zero bytes into arguments.
inline std::vector<std::string> CommandLine(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back().push_back(static_cast<char>(data[i]));
    }
    return args;
}

// The module's side of the link is the input: every read takes the next
// bytes, and a read past the end returns short at once, as a time-out would
// (without its cost). Writes and purges change nothing, so stray bytes stay
// for the next command to cope with.
class InputPort : public CSerialIF {
public:
    explicit InputPort(DataProvider& input) : m_input(input) {}
    uint32_t Read(void* buffer, uint32_t count) override {
        return static_cast<uint32_t>(m_input.Take(buffer, count));
    }
    void Write(const void*, uint32_t) override {}
    void Purge() override {}

private:
    DataProvider& m_input;
};

// One directory per process under the system's temporary folder, removed
// with everything in it when the process exits (a crash leaves it, beside
// its reproducer).
class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string name =
            (std::filesystem::temp_directory_path() / "pellworth-fuzz-XXXXXX").string();
        if (mkdtemp(name.data()) == nullptr)
            std::abort();
        m_path = name;
    }
    ~ScratchDirectory() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline const std::filesystem::path& Scratch() {
    static const ScratchDirectory directory;
    return directory.Path();
}

// Empties the scratch directory for the next input.
inline void ClearScratch() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(Scratch(), ec))
        std::filesystem::remove_all(entry.path(), ec);
}

// Writes a file of the scratch directory (replacing it) and returns its path.
inline std::filesystem::path WriteScratch(const std::string& name, std::string_view bytes) {
    const std::filesystem::path path = Scratch() / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

} // namespace fuzz
