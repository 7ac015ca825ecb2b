// The results log: appends from many threads and processes at once, reading
// a log with bad lines, the 'log' command's order and filters, and a log that
// cannot be written.
#include "CliProcess.h"

#include "frontend/ResultsLog.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <thread>

namespace {

using frontend::JsonValue;
using frontend::ResultsLog;

class CliResultsLog : public CliFixture {};

TEST_F(CliResultsLog, ThreadsAndProcessesAppendWithoutLosingOrTearingARecord) {
    const fs::path file = Scratch("new") / "folders" / "results.jsonl";
    constexpr int kProcesses = 4;
    constexpr int kThreads = 4;
    constexpr int kRecords = 40;
    // Records of several kilobytes: larger than a pipe's atomic write, as a
    // record with many FPGAs may be.
    const std::string padding(6000, 'x');
    auto appendAll = [&](int process) {
        const ResultsLog log(file, nullptr);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                for (int i = 0; i < kRecords; ++i) {
                    JsonValue record = JsonValue::MakeObject();
                    record.Set("writer", process * 100 + t).Set("i", i).Set("pad", padding);
                    log.Append(record);
                }
            });
        for (std::thread& thread : threads)
            thread.join();
    };
    // The children are forked before any thread of this test exists.
    std::vector<pid_t> children;
    for (int p = 1; p < kProcesses; ++p) {
        const pid_t child = fork();
        if (child == 0) {
            appendAll(p);
            _exit(0);
        }
        children.push_back(child);
    }
    appendAll(0);
    for (const pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const ResultsLog::Contents contents = ResultsLog::Read(file);
    EXPECT_EQ(contents.skipped, 0u) << "no torn line";
    std::set<std::pair<int64_t, int64_t>> seen;
    for (const JsonValue& record : contents.records) {
        EXPECT_EQ(record.Text("pad"), padding);
        seen.emplace(record.Get("writer")->AsInteger().value_or(-1),
                     record.Get("i")->AsInteger().value_or(-1));
    }
    EXPECT_EQ(contents.records.size(), size_t{kProcesses * kThreads * kRecords});
    EXPECT_EQ(seen.size(), size_t{kProcesses * kThreads * kRecords}) << "none lost or doubled";
}

TEST_F(CliResultsLog, BadLinesAreSkippedAndCounted) {
    const fs::path file = Scratch("results.jsonl");
    // {"long":"yyy..."} of exactly the longest a record may be, and one byte more.
    auto longLine = [](size_t bytes) {
        return "{\"long\":\"" + std::string(bytes - 11, 'y') + "\"}\n";
    };
    std::ofstream(file, std::ios::binary)
        << "{\"command\":\"update\"}\n"
        << "{\"command\":\"csv\",\"tor\n"                // torn by a full disk
        << "\n"                                          // blank: no record, no fault
        << "[1,2]\n"                                     // no object
        << longLine(ResultsLog::kMaxLineBytes)           // a record
        << longLine(ResultsLog::kMaxLineBytes + 1)       // longer than any record
        << "{\"command\":\"csv\",\"torn\":\"at the end"; // the last line without its line end
    const ResultsLog::Contents contents = ResultsLog::Read(file);
    EXPECT_EQ(contents.error, 0);
    ASSERT_EQ(contents.records.size(), 2u);
    EXPECT_EQ(contents.records[1].Text("long").size(), ResultsLog::kMaxLineBytes - 11);
    EXPECT_EQ(contents.skipped, 4u);
    // The next record ends the torn line first instead of joining it.
    EXPECT_TRUE(ResultsLog(file, nullptr).Append(JsonValue::MakeObject().Set("command", "csv")));
    const ResultsLog::Contents appended = ResultsLog::Read(file);
    ASSERT_EQ(appended.records.size(), 3u);
    EXPECT_EQ(appended.records[2].Text("command"), "csv");
    EXPECT_EQ(appended.skipped, 4u);
    const ResultsLog::Contents none = ResultsLog::Read(Scratch("none.jsonl"));
    EXPECT_TRUE(none.records.empty() && none.error == 0) << "no log yet";
}

TEST_F(CliResultsLog, LogListsTheRecordsTheFiltersLeave) {
    const std::string file = Scratch("bench.jsonl").string();
    auto record = [](const char* time, const char* serial, const char* before, const char* after) {
        return std::string("{\"time\":\"") + time + "\",\"command\":\"update\",\"port\":3," +
               "\"serial\":\"" + serial + "\",\"before\":{\"release\":\"" + before +
               "\"},\"after\":{\"release\":\"" + after + "\"},\"resultText\":\"done\"}\n";
    };
    // Saved by an editor (a byte order mark), records in the order their runs
    // ended, a fresh board's serial (eight 0xFF) and a text that would
    // rewrite its line on a terminal.
    WriteScratch("bench.jsonl",
                 "\xEF\xBB\xBF" + record("2026-12-05T23:59:59Z", "00001234", "1.0", "1.1") +
                     "not json\n" + record("2026-12-06T09:30:00Z", "00001234", "1.1", "1.1") +
                     record("2026-12-06T08:00:00Z", "00005678", "2.0", "2.1") +
                     record("2026-12-06T10:00:00Z",
                            "\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF",
                            "1.0", "1.1\\r\\u001b[Kall passed"));
    const std::string first = "2026-12-05T23:59:59Z update COM3 00001234 1.0 -> 1.1 done\n";
    const std::string second = "2026-12-06T08:00:00Z update COM3 00005678 2.0 -> 2.1 done\n";
    const std::string third = "2026-12-06T09:30:00Z update COM3 00001234 1.1 -> 1.1 done\n";
    const std::string fourth =
        "2026-12-06T10:00:00Z update COM3 blank 1.0 -> 1.1\\x0D\\x1B[Kall passed done\n";
    const struct {
        std::vector<std::string> filters;
        std::string out;
    } cases[] = {
        {{}, first + second + third + fourth},
        {{"--since", "2026-12-06"}, second + third + fourth},
        {{"--since", "2026-12-06T09:30:00Z", "--serial", "00001234"}, third},
        {{"--serial", "blank"}, fourth},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"log", "--log", file};
        args.insert(args.end(), c.filters.begin(), c.filters.end());
        const CliResult result = Cli(args);
        EXPECT_EQ(result.exitCode, 0) << result;
        EXPECT_EQ(result.out, c.out) << result;
        EXPECT_EQ(result.err, "pellworth-cli: warning: skipped 1 bad line in " + file + "\n");
    }
    const CliResult json = Cli({"--json", "log", "--log", file, "--serial", "00005678"});
    ASSERT_EQ(json.exitCode, 0) << json;
    std::string error;
    const auto object = JsonValue::Parse(json.out, error);
    ASSERT_TRUE(object && object->Get("records") && object->Get("records")->AsArray())
        << error << json;
    const auto& records = *object->Get("records")->AsArray();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records.front().Text("time"), "2026-12-06T08:00:00Z");

    // No log written yet: nothing to list, no failure; an object all the same.
    const CliResult none = Cli({"--json", "log"});
    EXPECT_EQ(none.exitCode, 0) << none;
    EXPECT_EQ(none.out, "{\"command\":\"log\",\"ok\":true,\"exit\":0,\"records\":[],\"skipped\":0,"
                        "\"formatVersion\":2}\n");
}

TEST_F(CliResultsLog, AnUnwritableLogIsSaidOnceAndTheOperationStands) {
    sim::SimulatedModule& module = StartModule(sim::Profile::Tarn, {1, 0});
    fs::create_directories(Scratch("a-directory"));
    // A FIFO nobody reads: a collector that died.
    ASSERT_EQ(mkfifo(Scratch("a-fifo").c_str(), 0600), 0);
    const struct {
        std::string log;
        std::string reason;
    } cases[] = {
        {Scratch("a-directory").string(), "Is a directory"},
        {Scratch("a-fifo").string(), "not a regular file"},
    };
    for (const auto& c : cases) {
        SetSetupBytes(module, {0x04, 0x99, 0x19, 0x32});
        // The watchdog: a log that blocks fails here instead of hanging the suite.
        const CliResult result =
            CliChild({"setup", "--port", Port(module), "--log", c.log, "defaults"})
                .Finish(std::chrono::seconds(20));
        EXPECT_EQ(result.exitCode, 0) << result;
        EXPECT_EQ(SetupBytes(module), std::vector<uint8_t>(4, 0)) << c.log;
        EXPECT_EQ(result.err, "pellworth-cli: warning: cannot write the results log " + c.log +
                                  ": " + c.reason + "\n")
            << result;
    }

    // --no-log writes nothing, not even the default log.
    const CliResult quiet = Cli({"setup", "--port", Port(module), "--no-log", "defaults"});
    EXPECT_EQ(quiet.exitCode, 0) << quiet;
    EXPECT_FALSE(fs::exists(ResultsLogFile()));
}

} // namespace
