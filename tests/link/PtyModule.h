#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <string>
#include <string_view>
#include <unistd.h>

// The module side of a port: a pseudo-terminal whose master plays the module.
// The slave stays open here as well, as a simulator would keep it.
class PtyModule {
public:
    PtyModule() {
        if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
            ADD_FAILURE() << "openpty failed";
        else
            m_slaveName = ::ttyname(m_slave);
    }
    ~PtyModule() {
        CloseMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    const std::filesystem::path& SlavePath() const { return m_slaveName; }

    void Send(std::string_view bytes) const {
        ASSERT_EQ(::write(m_master, bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }
    // What the port wrote, until count bytes came or nothing came for limit.
    std::string Receive(size_t count, std::chrono::milliseconds limit) const {
        std::string got;
        char buffer[4096];
        while (got.size() < count) {
            pollfd waiter{m_master, POLLIN, 0};
            if (::poll(&waiter, 1, static_cast<int>(limit.count())) <= 0)
                break;
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.append(buffer, static_cast<size_t>(n));
        }
        return got;
    }
    void CloseMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::filesystem::path m_slaveName;
};

// A private port directory for the test, so published ports never meet the
// user's or another test's.
class TempPortDirTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pellworth-link-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        ::setenv("PELLWORTH_PORT_DIR", pattern, 1);
    }
    void TearDown() override {
        ::unsetenv("PELLWORTH_PORT_DIR");
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    std::filesystem::path m_dir;
};

template <class F> double SecondsFor(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
