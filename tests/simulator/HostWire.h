#pragma once

// The host end of the wire as the tests see it: raw bytes over the pty, frames
// written from the byte tables of the protocol. Deliberately tiny and independent
// of the program's own channel code.

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace hostwire {

using Bytes = std::vector<uint8_t>;
using std::chrono::milliseconds;

// Request frame: code, total length (big-endian, the 3 header bytes included), payload.
inline Bytes Request(uint8_t code, const Bytes& payload = {}) {
    const size_t length = payload.size() + 3;
    Bytes frame{code, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

inline Bytes Be16(uint16_t v) {
    return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}
inline Bytes Be32(uint32_t v) {
    return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}
inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

class HostPort {
public:
    explicit HostPort(const std::filesystem::path& node) {
        fd_ = open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            return;
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        tcsetattr(fd_, TCSANOW, &t);
    }
    ~HostPort() {
        if (fd_ >= 0)
            close(fd_);
    }
    bool IsOpen() const { return fd_ >= 0; }

    void Write(const Bytes& bytes) {
        for (size_t done = 0; done < bytes.size();) {
            const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return;
            done += n > 0 ? static_cast<size_t>(n) : 0;
            if (n <= 0)
                WaitFor(POLLOUT, milliseconds(50));
        }
    }

    // Up to `count` bytes; fewer when `timeout` passes first or the line hangs up.
    Bytes Read(size_t count, milliseconds timeout) {
        Bytes out;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (out.size() < count) {
            uint8_t buffer[4096];
            const ssize_t n = read(fd_, buffer, std::min(sizeof buffer, count - out.size()));
            if (n > 0)
                out.insert(out.end(), buffer, buffer + n);
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                hungUp_ = true;
            const auto left =
                std::chrono::duration_cast<milliseconds>(end - std::chrono::steady_clock::now());
            if (hungUp_ || (n < 0 && (left.count() <= 0 || !WaitFor(POLLIN, left))))
                break;
        }
        return out;
    }

    // One response frame: 3 bytes of code and length, then the rest the length says.
    Bytes ReadFrame() {
        Bytes frame = Read(3, milliseconds(3000));
        const size_t length = frame.size() == 3 ? (size_t{frame[1]} << 8) | frame[2] : 3;
        const Bytes rest = Read(std::max<size_t>(length, 3) - 3, milliseconds(3000));
        frame.insert(frame.end(), rest.begin(), rest.end());
        return frame;
    }
    Bytes Exchange(const Bytes& request) {
        Write(request);
        return ReadFrame();
    }

    // True once the other end has gone (hang-up or a read error).
    bool WaitHangUp(milliseconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!hungUp_ && std::chrono::steady_clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) > 0 && (p.revents & (POLLHUP | POLLERR)))
                return true;
            if (p.revents & POLLIN)
                Read(65536, milliseconds(0));
        }
        return hungUp_;
    }

private:
    bool WaitFor(short events, milliseconds timeout) {
        pollfd p{fd_, events, 0};
        return poll(&p, 1, static_cast<int>(timeout.count())) > 0;
    }

    int fd_ = -1;
    bool hungUp_ = false;
};

} // namespace hostwire
