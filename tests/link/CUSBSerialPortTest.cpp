#include "link/CUSBSerialPort.h"
#include "link/PortDirectory.h"
#include "link/PortNames.h"
#include "link/WireTrace.h"

#include "PtyModule.h"

#include <atomic>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <grp.h>
#include <regex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr uint16_t kPortA = 4001;
constexpr uint16_t kPortB = 4002;

// Sends each piece after its delay, counted from the previous piece.
std::jthread SendLater(const PtyModule& module,
                       std::vector<std::pair<std::chrono::milliseconds, std::string>> pieces) {
    return std::jthread([&module, pieces = std::move(pieces)] {
        for (const auto& [delay, bytes] : pieces) {
            std::this_thread::sleep_for(delay);
            module.Send(bytes);
        }
    });
}

// Runs body in a child process; its exit code, or -1 when it died otherwise.
template <class F> int InChild(F&& body) {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

constexpr int kOpened = 0;
constexpr int kRefused = 1;
constexpr int kNoPrivilegeDrop = 77;

class LinkSerialPort : public TempPortDirTest {
protected:
    void SetUp() override {
        TempPortDirTest::SetUp();
        ASSERT_TRUE(portdir::Publish(kPortA, m_module.SlavePath(), "test module"));
        m_port.SetErrorHandler([this](const std::wstring& text) { m_reports.push_back(text); });
    }
    std::string ReadText(uint32_t count) {
        std::string text(count, '\0');
        text.resize(m_port.Read(text.data(), count));
        return text;
    }

    PtyModule m_module;
    CUSBSerialPort m_port;
    std::vector<std::wstring> m_reports;
};

TEST_F(LinkSerialPort, ReadEndsAtTheTotalOrWhenTheModulePauses) {
    ASSERT_TRUE(m_port.Open(kPortA));
    uint8_t buffer[4];
    uint32_t got = 99;
    const double silent = SecondsFor([&] { got = m_port.Read(buffer, 4); });
    EXPECT_EQ(got, 0u);
    EXPECT_GT(silent, 2.2);
    EXPECT_LT(silent, 5.0);
    // The total for 10 bytes would be 5.5 s; the pause after "c" ends it.
    auto sender = SendLater(m_module, {{100ms, "ab"}, {300ms, "c"}});
    std::string text;
    EXPECT_LT(SecondsFor([&] { text = ReadText(10); }), 4.0);
    EXPECT_EQ(text, "abc");
    EXPECT_TRUE(m_reports.empty());
}

// Disabled on an open port, the setting holds after it is closed and opened again.
TEST_F(LinkSerialPort, DisabledTimeoutsWaitForAllBytesAcrossCloseAndOpen) {
    ASSERT_TRUE(m_port.Open(kPortA));
    m_port.DisableTimeouts();
    m_port.Close();
    ASSERT_TRUE(m_port.Open(kPortA));
    // A gap longer than both the interval and the normal total.
    auto sender = SendLater(m_module, {{100ms, "x"}, {1100ms, "y"}});
    EXPECT_EQ(ReadText(2), "xy");
}

TEST_F(LinkSerialPort, PurgeDropsInputPromptlyAndPutsBackTheChosenSet) {
    ASSERT_TRUE(m_port.Open(kPortA));
    for (bool enabled : {true, false}) {
        SCOPED_TRACE(enabled ? "time-outs enabled" : "time-outs disabled");
        enabled ? m_port.EnableTimeouts() : m_port.DisableTimeouts();
        m_module.Send("junk");
        pollfd waiter{m_port.GetHandle(), POLLIN, 0};
        ASSERT_EQ(::poll(&waiter, 1, 2000), 1);
        EXPECT_LT(SecondsFor([&] { m_port.Purge(); }), 1.0);
        m_module.Send("C");
        EXPECT_EQ(ReadText(1), "C");
        // One byte later than the normal total of a 1-byte read.
        auto sender = SendLater(m_module, {{1500ms, "Z"}});
        EXPECT_EQ(ReadText(1), enabled ? "" : "Z");
    }
}

TEST_F(LinkSerialPort, PurgeEndsWhileTheModuleKeepsSending) {
    ASSERT_TRUE(m_port.Open(kPortA));
    std::atomic<bool> stop{false};
    std::jthread chatter([&] {
        const auto end = std::chrono::steady_clock::now() + 8s;
        while (!stop && std::chrono::steady_clock::now() < end) {
            m_module.Send("0123456789");
            std::this_thread::sleep_for(200us);
        }
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_LT(SecondsFor([&] { m_port.Purge(); }), 6.0);
    stop = true;
}

TEST_F(LinkSerialPort, WriteGivesUpWhenTheModuleTakesNothing) {
    ASSERT_TRUE(m_port.Open(kPortA));
    // The terminal moves what was written on to the module's side in the
    // background, freeing room after a write was refused: fill until a pause
    // frees none (a loaded machine made a single fill flaky).
    const std::string block(4096, 'f');
    for (int round = 0; round < 200; ++round) {
        size_t written = 0;
        for (ssize_t n; (n = ::write(m_port.GetHandle(), block.data(), block.size())) > 0;)
            written += static_cast<size_t>(n);
        if (written == 0 && round > 0)
            break;
        std::this_thread::sleep_for(50ms);
    }
    const double seconds = SecondsFor([&] { m_port.Write("ab", 2); });
    EXPECT_GT(seconds, 1.0); // 500 + 2 * 500 ms
    EXPECT_LT(seconds, 5.0);
}

TEST_F(LinkSerialPort, EveryByteValuePassesUnchangedBothWaysAndLargeWritesArriveWhole) {
    ASSERT_TRUE(m_port.Open(kPortA));
    std::string data(200000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7 % 256);
    std::string received;
    std::jthread reader([&] { received = m_module.Receive(data.size(), 3000ms); });
    m_port.Write(data.data(), static_cast<uint32_t>(data.size()));
    reader.join();
    EXPECT_EQ(received, data);
    m_module.Send(data.substr(0, 256));
    EXPECT_EQ(ReadText(256), data.substr(0, 256));
}

// Refused to this process and to others while open; free again after Close.
// Unprivileged processes meet flock and TIOCEXCL, even when they open the
// terminal without knowing of flock.
TEST_F(LinkSerialPort, OpenIsExclusiveWithinAndAcrossProcesses) {
    ASSERT_TRUE(m_port.Open(kPortA));
    CUSBSerialPort other;
    EXPECT_FALSE(other.Open(kPortA));
    EXPECT_EQ(other.OpenFailureText(), L"COM4001 (" + m_module.SlavePath().wstring() +
                                           L") is busy: another program holds it.");
    EXPECT_EQ(InChild([] { return CUSBSerialPort().Open(kPortA) ? kOpened : kRefused; }), kRefused);
    m_port.Close();
    EXPECT_TRUE(other.Open(kPortA));
    other.Close();
    ASSERT_EQ(::chmod(m_dir.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(m_module.SlavePath().c_str(), 0666), 0);
    const fs::path slave = m_module.SlavePath();
    const struct {
        bool portHeld;
        bool plainOpen; // a program that knows nothing of flock
        int expected;
        bool denied = false; // the terminal is not open to the user
    } cases[] = {{true, false, kRefused},
                 {true, true, kRefused},
                 {false, false, kOpened},
                 {false, false, kRefused, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.portHeld << c.plainOpen);
        ASSERT_TRUE(m_port.Open(kPortA));
        if (!c.portHeld)
            m_port.Close();
        ASSERT_EQ(::chmod(slave.c_str(), c.denied ? 0600 : 0666), 0);
        const int result = InChild([&] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                return kNoPrivilegeDrop;
            if (!c.plainOpen) {
                CUSBSerialPort port;
                if (port.Open(kPortA))
                    return kOpened;
                // Busy, or denied with the rule and the group that give access.
                const std::wstring text = port.OpenFailureText();
                const bool said = c.denied
                                      ? text.find(L": permission denied. The udev rule "
                                                  L"60-pellworth.rules") != std::wstring::npos &&
                                            text.find(L"group dialout") != std::wstring::npos
                                      : text.ends_with(L" is busy: another program holds it.");
                return said ? kRefused : 3;
            }
            const int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            return fd >= 0 ? kOpened : errno == EBUSY ? kRefused : 2;
        });
        if (result == kNoPrivilegeDrop)
            GTEST_SKIP() << "cannot drop privileges here";
        EXPECT_EQ(result, c.expected);
        m_port.Close();
    }
}

TEST_F(LinkSerialPort, OpenOnAnOpenPortMovesToTheNewNumber) {
    PtyModule moduleB;
    ASSERT_TRUE(portdir::Publish(kPortB, moduleB.SlavePath(), "test module"));
    ASSERT_TRUE(m_port.Open(kPortA));
    ASSERT_TRUE(m_port.Open(kPortB));
    EXPECT_EQ(m_port.GetPortNumber(), kPortB);
    EXPECT_TRUE(CUSBSerialPort().Open(kPortA)); // released by the switch
    m_port.Write("B", 1);
    EXPECT_EQ(moduleB.Receive(1, 2000ms), "B");
    m_port.Close(); // before moduleB goes
}

// A failed open leaves nothing open, and a closed port neither reads, writes
// nor reports.
TEST_F(LinkSerialPort, FailedOpenLeavesThePortClosedAndAClosedPortDoesNothing) {
    const fs::path plainFile = m_dir / "plain";
    std::ofstream(plainFile) << "not a terminal";
    ASSERT_TRUE(portdir::Publish(4003, m_dir / "missing", "gone"));
    ASSERT_TRUE(portdir::Publish(4004, plainFile, "file"));
    using Kind = CUSBSerialPort::OpenFailure::Kind;
    const struct {
        uint16_t number;
        Kind kind;
        std::wstring text; // the device and why
    } cases[] = {
        {4009, Kind::NoSuchPort, L"COM4009: no such port"},
        {4003, Kind::Missing,
         L"COM4003 (" + (m_dir / "missing").wstring() + L"): the device is missing"},
        {4004, Kind::NotASerialPort, L"COM4004 (" + plainFile.wstring() + L"): not a serial port."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        ASSERT_TRUE(m_port.Open(kPortA));
        EXPECT_FALSE(m_port.Open(c.number));
        EXPECT_FALSE(m_port.IsOpen());
        EXPECT_EQ(m_port.GetPortNumber(), 0);
        EXPECT_EQ(m_port.LastOpenFailure().kind, c.kind);
        EXPECT_EQ(m_port.OpenFailureText().find(c.text), 0u) << m_port.OpenFailureText();
    }
    m_module.Send("unread"); // readable now that the line is raw
    uint8_t buffer[4] = {};
    EXPECT_LT(SecondsFor([&] { EXPECT_EQ(m_port.Read(buffer, 4), 0u); }), 0.5);
    m_port.Write("out", 3);
    m_port.Purge();
    EXPECT_EQ(m_module.Receive(1, 100ms), "");
    EXPECT_TRUE(m_reports.empty());
}

// A module that went away fails every call; the first failure is reported,
// the rest of the incident is not, until the port is opened again.
TEST_F(LinkSerialPort, HungUpPortReportsOnceUntilReopenedAndStaysOpen) {
    PtyModule other;
    ASSERT_TRUE(portdir::Publish(kPortB, other.SlavePath(), "test module"));
    uint8_t buffer[4];
    const auto read = [&] { EXPECT_EQ(m_port.Read(buffer, 4), 0u); };
    const auto write = [&] { m_port.Write("x", 1); };
    const auto purge = [&] { m_port.Purge(); };
    const struct {
        uint16_t number;
        PtyModule* module;
        const wchar_t* firstOperation;
        std::vector<std::function<void()>> calls;
    } cases[] = {
        {kPortA, &m_module, L"reading from", {read, write, purge, read}},
        {kPortB, &other, L"writing to", {write, read, purge, write}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        ASSERT_TRUE(m_port.Open(c.number));
        c.module->CloseMaster();
        m_reports.clear();
        for (const auto& call : c.calls) {
            EXPECT_LT(SecondsFor(call), 2.0);
            EXPECT_TRUE(m_port.IsOpen());
        }
        ASSERT_EQ(m_reports.size(), 1u);
        EXPECT_NE(m_reports[0].find(c.firstOperation + (L" COM" + std::to_wstring(c.number))),
                  std::wstring::npos)
            << testing::PrintToString(m_reports[0]);
    }
}

// A line per open, write, read, purge and close, with what moved; the purged
// stray bytes are seen, not flushed unseen. Only a regular file is a trace.
TEST_F(LinkSerialPort, WireTraceHasALinePerCallWithItsBytes) {
    ASSERT_EQ(::mkfifo((m_dir / "fifo").c_str(), 0600), 0);
    for (const char* refused : {"fifo", "."})
        EXPECT_LT(SecondsFor([&] { EXPECT_NE(wiretrace::Start(m_dir / refused), 0); }), 1.0);
    EXPECT_FALSE(wiretrace::Active());
    const fs::path trace = m_dir / "trace";
    ASSERT_EQ(wiretrace::Start(trace), 0);
    ASSERT_TRUE(m_port.Open(kPortA));
    m_port.Write("ab", 2);
    m_module.Send("xyz");
    EXPECT_EQ(ReadText(4), "xyz");
    m_module.Send("\x01junk");
    pollfd waiter{m_port.GetHandle(), POLLIN, 0};
    ASSERT_EQ(::poll(&waiter, 1, 2000), 1);
    m_port.Purge();
    m_port.Close();
    wiretrace::Start({});
    m_port.Write("unseen", 6);

    const std::regex stamp(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{6}Z)");
    std::vector<std::string> lines;
    std::ifstream in(trace);
    for (std::string line; std::getline(in, line);) {
        EXPECT_TRUE(std::regex_match(line.substr(0, 27), stamp)) << line;
        lines.push_back(line.substr(28));
    }
    const std::vector<std::string> expected{"COM4001 open " + m_module.SlavePath().string(),
                                            "COM4001 write 2/2 61 62", "COM4001 read 3/4 78 79 7A",
                                            "COM4001 purge 5 01 6A 75 6E 6B", "COM4001 close"};
    EXPECT_EQ(lines, expected);
}

} // namespace
