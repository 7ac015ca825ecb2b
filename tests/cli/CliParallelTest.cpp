// update --port 3,4,7 / --port all: several modules updated at once, one run
// per module; a failing module does not stop the others.
#include "CliProcess.h"

#include "link/CUSBSerialPort.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

class CliParallel : public CliFixture {
protected:
    std::vector<sim::SimulatedModule*> StartModules(size_t count, sim::Version release) {
        std::vector<sim::SimulatedModule*> modules;
        for (size_t i = 0; i < count; ++i)
            modules.push_back(&StartModule(sim::Profile::Tarn, release, [i](sim::ModuleConfig& c) {
                c.state.serial = "0000123" + std::to_string(i);
            }));
        return modules;
    }
    static std::string List(const std::vector<sim::SimulatedModule*>& modules) {
        std::string list;
        for (const sim::SimulatedModule* m : modules)
            list += (list.empty() ? "" : ",") + Port(*m);
        return list;
    }
};

TEST_F(CliParallel, OneModuleFailsMidwayTheOthersReachTheRelease) {
    const auto modules = StartModules(3, {1, 0});
    sim::SimulatedModule& failing = *modules[1];
    // Ferrin is 12 chunks: this unplugs the module halfway through its FPGA image.
    failing.Script(0x88, sim::Reply::Unplug().After(20));
    // A fresh board: its serial is eight 0xFF bytes.
    modules[2]->UpdateState([](sim::ModuleState& s) { s.serial = std::string(8, '\xFF'); });

    const CliResult result = Cli({"update", "--port", List(modules), "--release", "1.1", "--yes"});
    EXPECT_EQ(result.exitCode, 1) << result;

    // Without a terminal every line is whole and says whose it is.
    const std::regex line("COM(" + Port(*modules[0]) + "|" + Port(*modules[1]) + "|" +
                          Port(*modules[2]) + "):( .*)?");
    std::istringstream err(result.err);
    for (std::string text; std::getline(err, text);)
        EXPECT_TRUE(std::regex_match(text, line)) << text;
    const std::string bad = "COM" + Port(failing) + ": ";
    EXPECT_TRUE(result.ErrHas(bad + "Component 2 of 4 updated unsuccessfully!\n")) << result;
    EXPECT_FALSE(result.OutHas(bad)) << "a failure is no result line";

    // A result line for each that succeeded, and a summary row for each module.
    for (size_t i = 0; i < modules.size(); ++i) {
        const std::string com = "COM" + Port(*modules[i]);
        const bool ok = modules[i] != &failing;
        EXPECT_EQ(result.OutHas(com + ": Update to Release '1.1' completed successfully.\n"), ok);
        const std::string serial = i == 2 ? "blank" : "0000123" + std::to_string(i);
        const std::regex row("(^|\n)" + com + " +" + serial + " +1\\.0 +" +
                             (ok ? "1\\.1 +updated" : "Unknown +failed") + " +\\d+\\.\\d s\n");
        EXPECT_TRUE(std::regex_search(result.out, row)) << com << result;
    }
    EXPECT_TRUE(result.OutHas("2 of 3 modules succeeded; not COM" + Port(failing) + ".\n"))
        << result;
}

TEST_F(CliParallel, RefusalsExitStatusAndJson) {
    // No module at all.
    const CliResult none = Cli({"update", "--port", "all", "--yes"});
    EXPECT_EQ(none.exitCode, 3) << none;
    EXPECT_EQ(none.err, "No appropriate devices were found!\n");
    const CliResult ports = Cli({"ports"});
    EXPECT_EQ(ports.exitCode, 1) << ports;
    EXPECT_EQ(ports.err, none.err);
    // A module port that cannot be opened is no "no devices": it says why.
    {
        CUSBSerialPort holder;
        ASSERT_TRUE(holder.Open(StartModule(sim::Profile::Tarn).PortNumber()));
        const CliResult busy = Cli({"ports"});
        EXPECT_EQ(busy.err, "No appropriate devices were found! COM" +
                                std::to_string(holder.GetPortNumber()) + " (" +
                                holder.GetDevicePath().string() +
                                ") is busy: another program holds it.\n")
            << busy;
    }
    m_modules.clear();

    const auto modules = StartModules(2, {1, 1});
    const std::string list = List(modules);
    const CliResult closed = Cli({"update", "--port", "250,251", "--yes"});
    EXPECT_EQ(closed.exitCode, 3) << closed;
    EXPECT_TRUE(closed.ErrHas("COM250: Port cannot be opened! COM250: no such port")) << closed;

    // Up to date, and a listed port that does not open: that module's failure.
    const CliResult json =
        Cli({"--json", "update", "--port", list + ",250", "--release", "1.1", "--yes"});
    EXPECT_EQ(json.exitCode, 1) << json;
    EXPECT_TRUE(
        json.OutHas("{\"command\":\"update\",\"ok\":false,\"exit\":1,\"modules\":[{\"port\":" +
                    Port(*modules[0]) +
                    ",\"serial\":\"00001230\",\"ok\":true,\"exit\":0,\"outcome\":\"up to "
                    "date\",\"text\":\"No updates were needed.\""))
        << json;
    EXPECT_TRUE(json.OutHas("\"releaseBefore\":\"1.1\",\"releaseAfter\":\"1.1\",\"durationMs\":"))
        << json;
    EXPECT_TRUE(json.OutHas("{\"port\":250,\"serial\":\"\",\"ok\":false,\"exit\":3,\"outcome\":"
                            "\"no connection\",\"text\":\"Port cannot be opened! COM250"))
        << json;
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 1) << "one object";
}

TEST_F(CliParallel, CtrlCStopsEveryRunAtAChunkBoundary) {
    const auto modules = StartModules(2, {1, 0});
    sim::Reply slow;
    slow.delay = 300ms;
    for (sim::SimulatedModule* m : modules)
        m->ScriptAlways(0x88, slow);
    CliChild child({"update", "--port", List(modules), "--release", "1.1", "--yes"});
    for (sim::SimulatedModule* m : modules)
        ASSERT_TRUE(m->WaitForRequest(0x88, 20s));
    ASSERT_EQ(kill(child.Pid(), SIGINT), 0);
    const CliResult result = child.Finish(30s);
    EXPECT_EQ(result.exitCode, 130) << result;
    for (const sim::SimulatedModule* m : modules) {
        // The last image transfer (the record reads the setup block afterwards).
        std::vector<sim::TransferRecord> images = m->Transfers();
        std::erase_if(images, [](const sim::TransferRecord& t) {
            return t.startCode == 0x8B || t.startCode == 0x8C;
        });
        ASSERT_FALSE(images.empty());
        EXPECT_EQ(images.back().end, sim::TransferRecord::End::Aborted);
        EXPECT_EQ(m->State().release, (sim::Version{1, 0}));
        EXPECT_TRUE(result.ErrHas("COM" + Port(*m) + ": Interrupted: stopping the update.\n"))
            << result;
    }
}

} // namespace
