#pragma once

#include "link/CSerialIF.h"

#include <cstdint>

// Passes everything to a port and counts the bytes that crossed the link, so a
// benchmark can compare its elapsed time with the wire time of those bytes.
class CountingPort : public CSerialIF {
public:
    explicit CountingPort(CSerialIF& port) : m_port(port) {}
    uint32_t Read(void* buffer, uint32_t count) override {
        const uint32_t n = m_port.Read(buffer, count);
        received += n;
        return n;
    }
    void Write(const void* buffer, uint32_t count) override {
        m_port.Write(buffer, count);
        sent += count;
    }
    void Purge() override { m_port.Purge(); }

    // Seconds the bytes need on the wire at 38400 baud, 10 bit times each.
    double WireSeconds() const { return static_cast<double>(sent + received) * 10.0 / 38400.0; }

    uint64_t sent = 0;
    uint64_t received = 0;

private:
    CSerialIF& m_port;
};
