#pragma once

// pellworth-cli run as a process, as a script runs it: in the demo working
// directory, standard input from /dev/null (no terminal can answer), both
// outputs captured. The simulated modules live in the test process and are
// published in its private port directory, which the child inherits through
// PELLWORTH_PORT_DIR.
#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"

#include <gtest/gtest.h>

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

struct CliResult {
    int exitCode = -1; // -1 when the child did not exit normally
    int signal = 0;    // the signal that ended it, if any
    bool timedOut = false;
    std::string out;
    std::string err;

    bool OutHas(const std::string& text) const { return out.find(text) != std::string::npos; }
    bool ErrHas(const std::string& text) const { return err.find(text) != std::string::npos; }
    // The failure's text comes last, after any warning of the connect.
    bool ErrEndsWith(const std::string& text) const { return err.ends_with(text); }
};

std::ostream& operator<<(std::ostream& os, const CliResult& result);

// One running child, in the demo working directory. Its results log goes
// below the fixture's XDG_STATE_HOME, never into the home of whoever runs the tests.
class CliChild {
public:
    explicit CliChild(const std::vector<std::string>& args);
    ~CliChild();
    CliChild(const CliChild&) = delete;
    CliChild& operator=(const CliChild&) = delete;

    pid_t Pid() const { return m_pid; }
    // Collects both outputs until the child ends; kills it after the limit.
    CliResult Finish(std::chrono::seconds limit = std::chrono::seconds(120));

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
};

// Modules and a scratch directory for one test.
class CliFixture : public ::testing::Test {
public:
    static fs::path DataDirectory();

protected:
    void SetUp() override;
    void TearDown() override;

    // A module of the profile at a release (0.0: the latest), started.
    sim::SimulatedModule& StartModule(sim::Profile profile, sim::Version release = {},
                                      const std::function<void(sim::ModuleConfig&)>& change = {});
    static std::string Port(const sim::SimulatedModule& module) {
        return std::to_string(module.PortNumber());
    }
    CliResult Cli(const std::vector<std::string>& args);
    // A file in the scratch directory.
    fs::path Scratch(const std::string& name) const { return m_scratch / name; }
    void WriteScratch(const std::string& name, const std::string& bytes) const;
    // The children's XDG_STATE_HOME, and the results log they write there.
    fs::path StateHome() const { return m_scratch / "state"; }
    fs::path ResultsLogFile() const { return StateHome() / "pellworth" / "results.jsonl"; }

    sim::ScopedPortDirectory m_ports;
    std::vector<std::unique_ptr<sim::SimulatedModule>> m_modules;
    fs::path m_scratch;
};

// The setup block bytes the module holds.
std::vector<uint8_t> SetupBytes(const sim::SimulatedModule& module);
void SetSetupBytes(sim::SimulatedModule& module, const std::vector<uint8_t>& bytes);
