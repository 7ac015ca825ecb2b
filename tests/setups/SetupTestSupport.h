#pragma once

// The setup tests' side of the shared fixtures: a module holding a given
// parameter block, what it was sent, and setup files written by hand.
#include "MaintenanceFixture.h"

#include <csignal>
#include <sys/resource.h>

// The four block bytes a parameter block sends.
template <class Block> Bytes Encode(const Block& b) {
    return {b.EncodeByte(0), b.EncodeByte(1), b.EncodeByte(2), b.EncodeByte(3)};
}
// Four block bytes written as one number, the first byte most significant.
inline Bytes Wire(uint32_t bytes) {
    return {uint8_t(bytes >> 24), uint8_t(bytes >> 16), uint8_t(bytes >> 8), uint8_t(bytes)};
}

// Runs fn with the size of files this process writes limited (as a full
// disk would): writes beyond the limit fail instead of raising a signal.
inline void WithFileSizeLimit(rlim_t bytes, const std::function<void()>& fn) {
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t previous = std::exchange(limit.rlim_cur, bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    fn();
    limit.rlim_cur = previous;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, handler);
}

// Names in a directory, sorted; the working copy's module types left out.
inline std::vector<std::string> ListDirectory(const fs::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        if (entry.path().filename() != "types")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string Param(const std::string& name, const std::string& value) {
    return "    <Param name=\"" + name + "\" value=\"" + value + "\"/>\n";
}
inline std::string SetupXml(const std::string& type, const std::string& version,
                            const std::string& params) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ModuleParams>\n  <Module version=\"" +
           version + "\" type=\"" + type + "\">\n" + params + "  </Module>\n</ModuleParams>\n";
}

// A module change: parameter block (0, 0) holds these bytes.
inline std::function<void(sim::ModuleConfig&)> Holding(const Bytes& block) {
    return [block](sim::ModuleConfig& c) { c.state.blocks[{0, 0}].data = block; };
}
// The bytes of each block write (0x8B) the module received since the last ClearLog.
inline std::vector<Bytes> BlockWrites(const sim::SimulatedModule& module) {
    std::vector<Bytes> writes;
    for (const auto& transfer : module.Transfers())
        if (transfer.startCode == 0x8B)
            writes.push_back(transfer.data);
    return writes;
}
// What the module holds in parameter block (0, 0).
inline Bytes BlockOf(const sim::SimulatedModule& module) {
    return module.State().blocks[{0, 0}].data;
}

class SetupFixture : public MaintenanceFixture {
protected:
    // Writes a file of the working directory and returns its path.
    std::wstring Write(const std::string& relative, const std::string& content) const {
        WriteFile(Work(relative), content);
        return WorkWide(relative);
    }
};
