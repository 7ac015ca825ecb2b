// Every command the program sends, crossed with every fault the module can
// make: each cell must end within the port's time-outs, give the code its
// table names, leave nothing unread and let the next command through.
#include "ModuleFixture.h"

#include "engine/EngineCodes.h"

#include <array>
#include <ostream>
#include <poll.h>
#include <thread>

namespace {

using sim::Reply;
using Channel = CCmdChannel;

// A read of n bytes that get no answer gives up after this (link/CUSBSerialPort.h).
constexpr milliseconds ReadLimit(uint32_t n) {
    return milliseconds(500 + 500 * n);
}
constexpr milliseconds kGap{500};  // the longest pause after a received byte
constexpr milliseconds kLate{700}; // longer than a gap, well inside a header's wait
constexpr milliseconds kAway{100};
constexpr milliseconds kMargin{1500};

// Whether the module acts on the request (a reboot then happens), refuses it, or
// takes its port away.
enum class Effect { Acts, Refuses, Unplugs };
using enum Effect;

struct Column {
    const char* name;
    milliseconds worst; // the longest the port may rightly wait in this fault
    Effect effect;
    Reply (*reply)(uint8_t code, size_t answerBytes);
};

// "length" claims a byte less than the answer has; "short" never sends the
// answer's last byte, so a field (or for a bare answer the header) stays short.
// The waits: a header that never comes (a lost port ends it sooner); a one-byte
// field that never starts (a longer one ends a gap after its last byte); for a
// pending frame of length 0 ("pend0"), a gap after the swallowed answer, then a
// header.
const Column kColumns[] = {
    // clang-format off
    {"silence",  ReadLimit(4),        Acts,    [](uint8_t, size_t) { return Reply::Silence(); }},
    {"reject",   {},                  Refuses, [](uint8_t, size_t) { return Reply::Reject(); }},
    {"status",   {},                  Refuses, [](uint8_t, size_t) { return Reply::Status(0xFC); }},
    {"code",     {},                  Acts,
     [](uint8_t c, size_t) { return Reply::WrongCode(uint8_t(c + 0x41)); }},
    {"length",   {},                  Acts,
     [](uint8_t, size_t n) { Reply r; r.lengthField = uint16_t(n - 1); return r; }},
    {"short",    ReadLimit(1),        Acts,    [](uint8_t, size_t n) { return Reply::Cut(n - 1); }},
    {"garbage",  {},                  Acts,    [](uint8_t, size_t) { return Reply::Garbage(300); }},
    {"pending",  {},                  Acts,
     [](uint8_t, size_t) { return Reply::Pending(2, {1, 2, 3}); }},
    {"pend0",    kGap + ReadLimit(4), Acts,
     [](uint8_t, size_t) { return Reply::Pending(1, {}, 0); }},
    {"before",   ReadLimit(4),        Unplugs,
     [](uint8_t, size_t) { return Reply::Unplug(Reply::Disconnect::InsteadOfAnswer, kAway); }},
    {"after",    ReadLimit(4),        Unplugs,
     [](uint8_t, size_t) { return Reply::Unplug(Reply::Disconnect::AfterAnswer, kAway); }},
    {"late",     kLate,               Acts,    [](uint8_t, size_t) { Reply r; r.delay = kLate; return r; }},
    // clang-format on
};
constexpr size_t kColumnCount = std::size(kColumns);

chan::Code Download(Channel& c, bool abort) {
    constexpr uint32_t kSize = 300; // two chunks of the module's 256
    uint16_t chunk = 0;
    if (const auto r = c.StartFpgaDownload(2, 0x66, 0x77, kSize, chunk); r != chan::kOk)
        return r;
    if (abort)
        c.RequestAbort();
    const Bytes image(kSize, 0x3C);
    return c.SendChunks(image.data(), kSize, kSize, chunk);
}

struct Row {
    const char* name;
    uint8_t code;       // the request the fault is scripted on
    size_t answerBytes; // its normal answer frame
    std::array<chan::Code, kColumnCount> expected;
    chan::Code (*run)(Channel&);
    bool reboots = false;
};

// Failures name the row, not its bytes.
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

constexpr chan::Code OK = chan::kOk;
constexpr chan::Code TO = chan::kTimeout;
constexpr chan::Code RJ = chan::kRejected;
constexpr chan::Code FC = chan::kStatusFC;
constexpr chan::Code BC = chan::kBadResponseCode;
constexpr chan::Code BL = chan::kBadLength;
constexpr chan::Code AB = chan::kAborted;

// Answers to Poke, Peek, the layout, chunks, finish, abort, reboot and restore
// carry no length the channel checks. A pending frame of length 0 announces
// 65532 bytes, which swallow the final answer (see ChannelTest). A disconnect
// after the answer fails the operations that still have requests to send.
// A disconnect, or a reboot the module carries out, takes the port away: it
// comes back as a new pty under the same COM number, and the next command
// runs after the port is opened again.
const Row kRows[] = {
    // clang-format off
    //                                    silence status  length  garbage pend0   after
    //                                        reject  code    short   pending before  late
    {"CheckProtocol",          0x80,  5, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { uint8_t v; return c.CheckProtocol(v); }},
    {"ReadIdentity",           0x81,  9, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { uint8_t v[5]; return c.ReadIdentity(v); }},
    {"SendModuleLayout",       0x82,  4, {TO, RJ, FC, BC, OK, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { return c.SendModuleLayout({1, 0, 1, 1, 0x10, 0, 0, 0, 0, 4}); }},
    {"ReadModuleType",         0x83,  5, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { uint8_t v; return c.ReadModuleType(v); }},
    {"ReadFpgaRevision",       0x84,  6, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { uint8_t a, b; return c.ReadFpgaRevision(1, 0x10, 0x55, a, b); }},
    {"StartImageDownload",     0x87,  6, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, TO, OK},
     [](Channel& c) { return Download(c, false); }},
    {"ImageChunk",             0x88,  4, {TO, RJ, FC, BC, OK, TO, BC, OK, TO, TO, TO, OK},
     [](Channel& c) { return Download(c, false); }},
    {"ImageFinish",            0x8A,  4, {TO, RJ, FC, BC, OK, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { return Download(c, false); }},
    {"AbortDownload",          0x91,  4, {AB, AB, AB, AB, AB, AB, AB, AB, AB, AB, AB, AB},
     [](Channel& c) { return Download(c, true); }},
    {"WriteConfigBlock",       0x8B,  6, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, TO, OK},
     [](Channel& c) { const uint8_t b[4] = {}; return c.WriteConfigBlock(0, 0, b, 4); }},
    {"ReadConfigBlock",        0x8C,  6, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, TO, OK},
     [](Channel& c) { uint8_t b[4]; return c.ReadConfigBlock(0, 0, b, 4); }},
    {"UploadChunk",            0x89, 10, {TO, RJ, FC, BC, OK, TO, BC, OK, TO, TO, TO, OK},
     [](Channel& c) { uint8_t b[4]; return c.ReadConfigBlock(0, 0, b, 4); }},
    {"RestoreBlockDefaults",   0x92,  4, {TO, RJ, FC, BC, OK, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { return c.RestoreBlockDefaults(0, 0); }},
    {"ReadRelease",            0x95,  6, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { uint8_t a, b; return c.ReadRelease(a, b); }},
    {"WriteRelease",           0x96,  4, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { return c.WriteRelease(1, 1); }},
    {"ReadName",               0x97, 12, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { std::string s; return c.ReadName(s); }},
    {"WriteName",              0x98,  4, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { return c.WriteName("cam"); }},
    {"ReadAssembly",           0x99, 13, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { std::string s; return c.ReadAssembly(s); }},
    {"WriteAssembly",          0x9A,  4, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { return c.WriteAssembly("123456789"); }},
    {"ReadSerial",             0x9B, 12, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { std::string s; return c.ReadSerial(s); }},
    {"WriteSerial",            0x9C,  4, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { return c.WriteSerial("00001234"); }},
    {"Poke",                   0x9D,  4, {TO, RJ, FC, BC, OK, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { const uint8_t v = 7; return c.Poke(1, 0x10, 0x100, &v, 1); }},
    {"Peek",                   0x9E,  6, {TO, RJ, FC, BC, OK, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { uint8_t v; return c.Peek(1, 0x10, 0x100, &v, 1); }},
    {"WriteModuleType",        0x9F,  4, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { return c.WriteModuleType(2); }},
    {"Reboot",                 0xA0,  4, {TO, RJ, FC, BC, OK, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { return c.Reboot(); }, true},
    {"ReadLookupTableVersion", 0xA2,  6, {TO, RJ, FC, BC, BL, TO, BC, OK, TO, TO, OK, OK},
     [](Channel& c) { uint8_t a, b; return c.ReadLookupTableVersion(1, 0x10, 0, 0x1001, a, b); }},
    // clang-format on
};

class FaultMatrixTest : public EngineOnModule, public testing::WithParamInterface<Row> {
protected:
    void SetUp() override {
        EngineOnModule::SetUp();
        port.SetErrorHandler([](const std::wstring&) {}); // lost ports are expected here
    }
    // After the module's next boot; the old handle stays dead.
    bool Reopen(uint32_t bootsBefore) {
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (module->BootCount() == bootsBefore && Clock::now() < until)
            std::this_thread::sleep_for(milliseconds(10));
        return module->WaitUntilPresent(milliseconds(1000)) && port.Open(module->PortNumber());
    }
};

TEST_P(FaultMatrixTest, EveryFault) {
    const Row& row = GetParam();
    CCmdChannel& channel = engine->Channel();
    for (size_t i = 0; i < kColumnCount; ++i) {
        const Column& column = kColumns[i];
        SCOPED_TRACE(column.name);
        module->Script(row.code, column.reply(row.code, row.answerBytes));
        const uint32_t boots = module->BootCount();
        const auto start = Clock::now();
        EXPECT_EQ(row.run(channel), row.expected[i]);
        EXPECT_LE(Clock::now() - start, column.worst + kMargin);
        EXPECT_EQ(module->QueuedScripts(row.code), 0u) << "the fault was never asked for";
        if (column.effect == Unplugs || (row.reboots && column.effect == Acts)) {
            ASSERT_TRUE(Reopen(boots));
        }
        pollfd unread{port.GetHandle(), POLLIN, 0};
        EXPECT_EQ(poll(&unread, 1, 50), 0) << "bytes left unread";
        uint8_t version = 0;
        EXPECT_EQ(channel.CheckProtocol(version), chan::kOk);
    }
}

INSTANTIATE_TEST_SUITE_P(FaultMatrix, FaultMatrixTest, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& p) { return p.param.name; });

} // namespace
