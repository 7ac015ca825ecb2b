#pragma once

#include "link/CSerialIF.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

// The serial port to one module. Opens COM<n> (numbering in link/PortNames.h)
// exclusively, sets it to raw 8N1 at 38400 baud and gives reads and writes the
// time-outs the command layer relies on:
//   normal: a read of n bytes gives up 500 + 500*n ms after it starts or 500 ms
//           after the last byte received, returning what it has; a write of n
//           bytes gives up after 500 + 500*n ms;
//   none:   reads and writes wait until all bytes are transferred;
//   purge:  (inside Purge only) a read returns at once with what is buffered or
//           waits at most 1 ms for a first byte.
// No lock: one thread at a time uses it (the engine's update flag keeps the GUI
// and a download worker apart).
class CUSBSerialPort : public CSerialIF {
public:
    // Receives the text of a read or write failure reported by the system, on
    // the thread that made the call.
    using ErrorHandler = std::function<void(const std::wstring& text)>;
    static constexpr int kInvalidHandle = -1;

    CUSBSerialPort();
    ~CUSBSerialPort() override;
    CUSBSerialPort(const CUSBSerialPort&) = delete;
    CUSBSerialPort& operator=(const CUSBSerialPort&) = delete;

    // Why the last Open failed.
    struct OpenFailure {
        enum class Kind {
            None,       // it opened
            NoSuchPort, // no port has the number
            Missing,    // the number's device is not there (unplugged, its simulator gone)
            Busy,       // another program (or this one) holds it
            NoAccess,   // permission denied
            NotASerialPort,
            Other,
        };
        Kind kind = Kind::None;
        int error = 0;     // the system's error number, when it gave one
        std::string where; // the device node, or the USB location of a missing module
    };

    // Closes the port if open, then opens COM<portNumber>. False (and closed)
    // when the port does not exist, cannot be opened or is in use by anyone,
    // this process included; LastOpenFailure() then says why. Applies the
    // normal or none set per the flag.
    bool Open(uint16_t portNumber);
    const OpenFailure& LastOpenFailure() const { return m_openFailure; }
    // One sentence on the last failed Open, for the operator: the port, its
    // device and why, and for a denied one what gives access.
    std::wstring OpenFailureText() const;
    void Close();
    bool IsOpen() const { return m_fd != kInvalidHandle; }
    // The file descriptor of the open port, kInvalidHandle when closed.
    int GetHandle() const { return m_fd; }
    // The open port's number and device node; 0 and empty when closed.
    uint16_t GetPortNumber() const { return m_portNumber; }
    const std::filesystem::path& GetDevicePath() const { return m_devicePath; }

    // Choose the normal (enable) or none (disable) set. The choice is kept
    // while closed and across Close/Open.
    void EnableTimeouts();
    void DisableTimeouts();
    bool TimeoutsEnabled() const { return m_timeoutsEnabled.load(); }

    // Without a handler, failure texts go to stderr.
    void SetErrorHandler(ErrorHandler handler);

    // Closed port: Read returns 0, Write and Purge do nothing. A failure
    // reported by the system is passed to the handler once until the port is
    // opened again (a module that went away fails every later call too: one
    // incident, one report); Read then returns 0, Write returns, the port
    // stays open.
    uint32_t Read(void* buffer, uint32_t count) override;
    void Write(const void* buffer, uint32_t count) override;
    // Discards what the module has sent and not been read (for at most 2 s
    // when it never stops sending), then puts back the set chosen by the flag.
    void Purge() override;

    // The bytes that crossed the link since the port object was made (a
    // benchmark compares its time with their wire time).
    uint64_t BytesWritten() const { return m_bytesWritten.load(); }
    uint64_t BytesRead() const { return m_bytesRead.load(); }

private:
    // The record behind each set, in milliseconds (defined in the source).
    struct Timeouts;
    static const Timeouts kNormalSet;
    static const Timeouts kNoneSet;
    static const Timeouts kPurgeSet;

    const Timeouts& ChosenSet() const;
    uint32_t ReadWith(const Timeouts& timeouts, uint8_t* buffer, uint32_t count);
    void ReportFailure(const char* operation, int error);

    bool Fail(uint16_t portNumber, OpenFailure::Kind kind, int error, std::string where);

    int m_fd = kInvalidHandle;
    uint16_t m_portNumber = 0;
    uint16_t m_failedPort = 0;
    OpenFailure m_openFailure;
    std::filesystem::path m_devicePath;
    std::atomic<bool> m_timeoutsEnabled{true};
    std::atomic<const Timeouts*> m_inForce;
    ErrorHandler m_errorHandler;
    // Set by the first failure since Open (reads and writes may come from a worker).
    std::atomic<bool> m_failureReported{false};
    std::atomic<uint64_t> m_bytesWritten{0};
    std::atomic<uint64_t> m_bytesRead{0};
};
