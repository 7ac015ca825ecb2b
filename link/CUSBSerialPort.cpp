#include "link/CUSBSerialPort.h"

#include "link/PortDirectory.h"
#include "link/PortNames.h"
#include "link/UsbPortNumbers.h"
#include "link/WireTrace.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

constexpr uint32_t kMaxTimeout = 0xFFFFFFFF;

// A module that never stops sending must not keep Purge (run after every
// failed transaction) going for ever.
constexpr Millis kPurgeLimit{2000};

// poll() time-out for waiting until deadline: -1 without one, else the
// remaining milliseconds rounded up so that the deadline has passed on return.
int PollTimeout(const std::optional<Clock::time_point>& deadline) {
    if (!deadline)
        return -1;
    const auto left = std::chrono::ceil<Millis>(*deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<int64_t>(left, 0, INT_MAX));
}

bool Passed(const std::optional<Clock::time_point>& deadline) {
    return deadline && Clock::now() >= *deadline;
}

std::optional<Clock::time_point> Earlier(const std::optional<Clock::time_point>& a,
                                         const std::optional<Clock::time_point>& b) {
    if (!a)
        return b;
    if (!b)
        return a;
    return std::min(*a, *b);
}

// A total time-out of perByte * count + constant; both zero means none.
std::optional<Clock::time_point> TotalDeadline(Clock::time_point start, uint32_t perByte,
                                               uint32_t constant, uint32_t count) {
    if (perByte == 0 && constant == 0)
        return std::nullopt;
    return start + Millis(uint64_t{perByte} * count + constant);
}

std::string Moved(uint32_t done, uint32_t asked) {
    return std::to_string(done) + "/" + std::to_string(asked);
}

} // namespace

// The time-out record of the port, with the meaning serial drivers give it:
// interval is the longest gap between two received bytes (0: none); a read of
// n bytes ends perByte * n + constant after it starts (both 0: never). Interval
// and perByte both at the maximum is the special case "return what is
// buffered, or wait up to constant for a first byte".
struct CUSBSerialPort::Timeouts {
    uint32_t readInterval;
    uint32_t readPerByte;
    uint32_t readConstant;
    uint32_t writePerByte;
    uint32_t writeConstant;
};

const CUSBSerialPort::Timeouts CUSBSerialPort::kNormalSet{500, 500, 500, 500, 500};
const CUSBSerialPort::Timeouts CUSBSerialPort::kNoneSet{0, 0, 0, 0, 0};
const CUSBSerialPort::Timeouts CUSBSerialPort::kPurgeSet{kMaxTimeout, kMaxTimeout, 1, 500, 500};

CUSBSerialPort::CUSBSerialPort() : m_inForce(&kNormalSet) {
    // Like a serial library's debug variable: every port of the process
    // traces once it is set.
    wiretrace::StartFromEnvironment();
}

CUSBSerialPort::~CUSBSerialPort() {
    Close();
}

const CUSBSerialPort::Timeouts& CUSBSerialPort::ChosenSet() const {
    return m_timeoutsEnabled.load() ? kNormalSet : kNoneSet;
}

bool CUSBSerialPort::Fail(uint16_t portNumber, OpenFailure::Kind kind, int error,
                          std::string where) {
    m_failedPort = portNumber;
    m_openFailure = {kind, error, std::move(where)};
    return false;
}

bool CUSBSerialPort::Open(uint16_t portNumber) {
    using Kind = OpenFailure::Kind;
    Close();
    m_openFailure = {};
    const auto node = portnames::ResolvePort(portNumber);
    if (!node) {
        // A published entry whose device is gone, or a USB location that has
        // the number but no device now: the module is missing, not unknown.
        std::error_code ec;
        const std::filesystem::path link = portdir::LinkPath(portNumber);
        if (std::filesystem::is_symlink(link, ec)) {
            const std::string target = std::filesystem::read_symlink(link, ec).string();
            return Fail(portNumber,
                        std::filesystem::exists(link, ec) ? Kind::NotASerialPort : Kind::Missing,
                        ENOENT, target);
        }
        if (const auto location = portnames::UsbPortNumbers::Shared().LocationOf(portNumber))
            return Fail(portNumber, Kind::Missing, ENOENT, "USB " + *location);
        return Fail(portNumber, Kind::NoSuchPort, ENOENT, {});
    }
    // Non-blocking: open must not wait for a carrier, and reads and writes wait
    // in poll() where the time-outs are kept.
    const int fd = ::open(node->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        const Kind kind = error == EACCES || error == EPERM                      ? Kind::NoAccess
                          : error == EBUSY                                       ? Kind::Busy
                          : error == ENOENT || error == ENODEV || error == ENXIO ? Kind::Missing
                                                                                 : Kind::Other;
        return Fail(portNumber, kind, error, node->string());
    }
    // Exclusive before the line is touched. flock keeps out every program that
    // honours it, root included; TIOCEXCL is the kernel's check for all others
    // (except root). Either one refused means someone has the port.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        ::close(fd);
        return Fail(portNumber, error == ENOTTY ? Kind::NotASerialPort : Kind::Busy, error,
                    node->string());
    }
    termios line{};
    if (::tcgetattr(fd, &line) == 0) {
        // Raw bytes (no echo, no line editing, no XON/XOFF interpretation of the
        // data), 8N1 at 38400; hardware flow control stays as the driver has it.
        ::cfmakeraw(&line);
        line.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
        line.c_cflag |= CS8 | CREAD | CLOCAL;
        // One byte makes the port readable for poll().
        line.c_cc[VMIN] = 1;
        line.c_cc[VTIME] = 0;
        ::cfsetispeed(&line, B38400);
        ::cfsetospeed(&line, B38400);
        // A setting the driver rejects goes unnoticed, as with any serial driver.
        ::tcsetattr(fd, TCSANOW, &line);
    }
    m_fd = fd;
    m_portNumber = portNumber;
    m_devicePath = *node;
    m_inForce.store(&ChosenSet());
    m_failureReported.store(false);
    wiretrace::Record(portNumber, "open", node->string());
    return true;
}

std::wstring CUSBSerialPort::OpenFailureText() const {
    using Kind = OpenFailure::Kind;
    const OpenFailure& failure = m_openFailure;
    std::string text = "COM" + std::to_string(m_failedPort);
    if (!failure.where.empty())
        text += " (" + failure.where + ")";
    switch (failure.kind) {
    case Kind::None:
        return {};
    case Kind::NoSuchPort:
        text += ": no such port (no module or serial device has this number).";
        break;
    case Kind::Missing:
        text += ": the device is missing (unplugged, or the program that made it has ended).";
        break;
    case Kind::Busy:
        text += " is busy: another program holds it.";
        break;
    case Kind::NoAccess:
        // What link/60-pellworth.rules gives: the user at the seat, else the group.
        text += ": permission denied. The udev rule 60-pellworth.rules (from the pellworth-cli "
                "package, or link/60-pellworth.rules copied to /etc/udev/rules.d) gives the user "
                "at the seat access once the module is replugged; without a seat, add the user "
                "to the group dialout and log in again.";
        break;
    case Kind::NotASerialPort:
        text += ": not a serial port.";
        break;
    case Kind::Other:
        text += ": " + std::system_category().message(failure.error) + ".";
        break;
    }
    return portnames::WidenUtf8(text);
}

void CUSBSerialPort::Close() {
    if (!IsOpen())
        return;
    // The exclusive flag belongs to the terminal, not to this descriptor: left
    // set, it would refuse the next user while anyone else (a simulator holding
    // its side) keeps the terminal open.
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    wiretrace::Record(m_portNumber, "close", {});
    m_fd = kInvalidHandle;
    m_portNumber = 0;
    m_devicePath.clear();
}

void CUSBSerialPort::EnableTimeouts() {
    m_timeoutsEnabled.store(true);
    m_inForce.store(&kNormalSet);
}

void CUSBSerialPort::DisableTimeouts() {
    m_timeoutsEnabled.store(false);
    m_inForce.store(&kNoneSet);
}

void CUSBSerialPort::SetErrorHandler(ErrorHandler handler) {
    m_errorHandler = std::move(handler);
}

uint32_t CUSBSerialPort::Read(void* buffer, uint32_t count) {
    if (!IsOpen())
        return 0;
    const uint32_t got = ReadWith(*m_inForce.load(), static_cast<uint8_t*>(buffer), count);
    m_bytesRead += got;
    wiretrace::Record(m_portNumber, "read", Moved(got, count), static_cast<uint8_t*>(buffer), got);
    return got;
}

uint32_t CUSBSerialPort::ReadWith(const Timeouts& timeouts, uint8_t* buffer, uint32_t count) {
    const Clock::time_point start = Clock::now();
    const bool firstByteEnds =
        timeouts.readInterval == kMaxTimeout && timeouts.readPerByte == kMaxTimeout;
    const std::optional<Clock::time_point> total =
        firstByteEnds ? std::optional(start + Millis(timeouts.readConstant))
                      : TotalDeadline(start, timeouts.readPerByte, timeouts.readConstant, count);
    const bool useInterval = !firstByteEnds && timeouts.readInterval != 0;

    uint32_t got = 0;
    std::optional<Clock::time_point> intervalEnd;
    while (got < count) {
        const std::optional<Clock::time_point> deadline = Earlier(total, intervalEnd);
        pollfd waiter{m_fd, POLLIN, 0};
        const int ready = ::poll(&waiter, 1, PollTimeout(deadline));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            ReportFailure("reading from", errno);
            return 0;
        }
        if (ready == 0) {
            if (Passed(deadline))
                break;
            continue;
        }
        const ssize_t n = ::read(m_fd, buffer + got, count - got);
        if (n > 0) {
            got += static_cast<uint32_t>(n);
            if (firstByteEnds)
                break;
            if (useInterval)
                intervalEnd = Clock::now() + Millis(timeouts.readInterval);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        // End of file on a terminal is a hang-up: the device is gone (USB
        // unplugged, the other side of a pseudo-terminal closed).
        ReportFailure("reading from", n == 0 ? EIO : errno);
        return 0;
    }
    return got;
}

void CUSBSerialPort::Write(const void* buffer, uint32_t count) {
    if (!IsOpen() || count == 0)
        return;
    const Timeouts& timeouts = *m_inForce.load();
    const std::optional<Clock::time_point> deadline =
        TotalDeadline(Clock::now(), timeouts.writePerByte, timeouts.writeConstant, count);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    uint32_t sent = 0;
    // What went out, also when the write gave up part way.
    struct Traced {
        uint16_t port;
        const uint8_t* bytes;
        const uint32_t& sent;
        uint32_t count;
        ~Traced() { wiretrace::Record(port, "write", Moved(sent, count), bytes, sent); }
    } traced{m_portNumber, bytes, sent, count};
    while (sent < count) {
        const ssize_t n = ::write(m_fd, bytes + sent, count - sent);
        if (n > 0) {
            sent += static_cast<uint32_t>(n);
            m_bytesWritten += static_cast<uint64_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN) {
            ReportFailure("writing to", n == 0 ? EIO : errno);
            return;
        }
        // The output buffer is full: wait for room, or give up as a time-out
        // (the command layer then sees no answer).
        if (Passed(deadline))
            return;
        pollfd waiter{m_fd, POLLOUT, 0};
        if (::poll(&waiter, 1, PollTimeout(deadline)) < 0 && errno != EINTR) {
            ReportFailure("writing to", errno);
            return;
        }
    }
}

void CUSBSerialPort::Purge() {
    if (!IsOpen())
        return;
    m_inForce.store(&kPurgeSet);
    // Traced, the bytes are read rather than flushed unseen: the stray bytes
    // are what the trace is for.
    const bool traced = wiretrace::Active();
    if (!traced)
        ::tcflush(m_fd, TCIFLUSH);
    const Clock::time_point stop = Clock::now() + kPurgeLimit;
    uint8_t scrap[256];
    std::string thrown;
    for (uint32_t n; (n = ReadWith(kPurgeSet, scrap, sizeof scrap)) != 0;) {
        if (traced)
            thrown.append(reinterpret_cast<const char*>(scrap), n);
        if (Clock::now() >= stop)
            break;
    }
    m_inForce.store(&ChosenSet());
    wiretrace::Record(m_portNumber, "purge", std::to_string(thrown.size()),
                      reinterpret_cast<const uint8_t*>(thrown.data()), thrown.size());
}

void CUSBSerialPort::ReportFailure(const char* operation, int error) {
    if (m_failureReported.exchange(true))
        return;
    const std::string text = std::string("An error occurred while ") + operation + " COM" +
                             std::to_string(m_portNumber) + " (" + m_devicePath.string() +
                             "): " + std::system_category().message(error) + ".";
    if (m_errorHandler)
        m_errorHandler(portnames::WidenUtf8(text));
    else
        std::cerr << text << '\n';
}
