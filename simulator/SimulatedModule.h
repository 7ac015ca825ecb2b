#pragma once

#include "simulator/ModuleState.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A module on a pseudo-terminal. It publishes the pty as COM<n> in the port
// directory (link/PortDirectory.h) so discovery finds it, and answers every command
// of the module protocol from one thread per module. Tests script faults per
// command code and read back every request frame it received.
namespace sim {

// A scripted answer to one request (or to every request of a code). Unset fields
// keep the module's normal answer; several fields combine (for example pending
// frames followed by a cut answer).
struct Reply {
    // Requests of this code answered normally before this reply applies (one-shot
    // replies only): skip = 2 on 0x88 hits the third chunk.
    uint32_t skip = 0;

    // Send exactly these bytes instead of anything else (pending frames included).
    std::optional<std::vector<uint8_t>> raw;
    // Send nothing at all.
    bool silent = false;

    // Pending frames (status 0x02) sent before the final frame, each preceded by
    // pendingInterval; with payload and, when set, a length field of this value
    // (default 4 + payload size; 0 is allowed).
    uint32_t pendingFrames = 0;
    std::vector<uint8_t> pendingPayload;
    std::optional<uint16_t> pendingLength;
    std::chrono::milliseconds pendingInterval{0};

    // Pause before the first byte of the answer.
    std::chrono::milliseconds delay{0};

    // Changes to the final frame.
    std::optional<uint8_t> responseCode;         // e.g. a wrong code, or 0xFF
    std::optional<uint8_t> status;               // e.g. 0xF9
    std::optional<uint16_t> lengthField;         // length field written
    std::optional<std::vector<uint8_t>> payload; // payload instead of the normal one
    std::optional<size_t> cutAfter;              // send only the first k bytes
    std::vector<uint8_t> trailing;               // garbage after the final frame

    // Command-specific changes.
    std::optional<uint8_t> peekEcho;     // 0x9E: count echo (the n data bytes still follow)
    std::optional<uint16_t> chunkSize;   // start commands 0x85..0x87, 0xA1, 0x8B, 0x8C
    std::optional<uint16_t> uploadCount; // 0x89: count offered; that many bytes follow

    // Whether the command acts on the module. Default: it does, unless the answer
    // rejects it (response code 0xFF, or a status other than 0x00/0x02), in which
    // case a running transfer also ends.
    std::optional<bool> execute;

    // Take the port away (the module is "unplugged") before or after answering;
    // it comes back after returnAfter, or stays away until Plug().
    enum class Disconnect { No, InsteadOfAnswer, AfterAnswer };
    Disconnect disconnect = Disconnect::No;
    std::optional<std::chrono::milliseconds> returnAfter;

    // Shorthands.
    static Reply Silence();
    static Reply Raw(std::vector<uint8_t> bytes);
    static Reply Garbage(size_t count, uint8_t seed = 0x5A);
    static Reply Reject();               // 0xFF as response code, status 0xFF
    static Reply Status(uint8_t status); // the normal answer with this status
    static Reply WrongCode(uint8_t code);
    static Reply Cut(size_t bytes);
    static Reply Pending(uint32_t frames, std::vector<uint8_t> payload = {},
                         std::optional<uint16_t> lengthField = std::nullopt);
    static Reply ChunkSize(uint16_t size);
    static Reply UploadCount(uint16_t count);
    static Reply PeekEcho(uint8_t count);
    static Reply Unplug(Disconnect when = Disconnect::InsteadOfAnswer,
                        std::optional<std::chrono::milliseconds> back = std::nullopt);
    // Applies to the request after `count` requests of the code answered normally.
    Reply& After(uint32_t count) {
        skip = count;
        return *this;
    }
};

// One request frame as received (complete frame bytes, header included).
struct LoggedRequest {
    std::vector<uint8_t> bytes;
    std::chrono::steady_clock::time_point received; // when its first byte arrived
    uint8_t Code() const { return bytes.empty() ? 0 : bytes[0]; }
};

// One bulk transfer as the module saw it.
struct TransferRecord {
    enum class End { Open, Finished, Failed, Aborted, Replaced };
    uint8_t startCode = 0;             // 0x85, 0x86, 0x87, 0xA1, 0x8B or 0x8C
    std::vector<uint8_t> startPayload; // payload of the start request
    uint32_t size = 0;                 // bytes announced by the start request
    uint16_t chunkSize = 0;            // chunk size the module announced
    std::vector<uint8_t> data;         // bytes received (downloads) or sent (uploads)
    uint32_t chunks = 0;               // 0x88 or 0x89 frames accepted
    End end = End::Open;
};

struct ModuleConfig {
    // COM number; 0 picks the lowest number from 1 up that has no entry in the port
    // directory. A reboot brings the port back under the same number.
    uint16_t portNumber = 0;
    std::string description = kInterconnectDescription;
    Behaviour behaviour;
    ModuleState state; // what the module holds at power-up
};

class SimulatedModule {
public:
    explicit SimulatedModule(ModuleConfig config = {});
    ~SimulatedModule(); // stops
    SimulatedModule(const SimulatedModule&) = delete;
    SimulatedModule& operator=(const SimulatedModule&) = delete;

    // Opens the pty, publishes it and starts the module thread. False (with a reason
    // in Error()) when the pty or the port directory entry cannot be made.
    bool Start();
    // Stops the thread, closes the pty and removes the port directory entry.
    void Stop();
    bool IsRunning() const;
    std::string Error() const;

    uint16_t PortNumber() const;
    // Device node of the current pty slave (a reboot makes a new one); empty while away.
    std::filesystem::path DevicePath() const;
    // The port directory entry the module published (COM<n> symlink).
    std::filesystem::path LinkPath() const;

    // Port presence: away during a reboot or after an unplug.
    bool IsPresent() const;
    bool WaitUntilPresent(std::chrono::milliseconds timeout) const;
    bool WaitUntilAway(std::chrono::milliseconds timeout) const;
    // Takes the port away (the host sees EIO/hang-up) and keeps it away.
    void Unplug();
    // Brings the port back (a new pty under the same COM number).
    void Plug();
    // A power cycle from outside (the operator's reboot): away for `away`, then back
    // with the staged images started.
    void PowerCycle(std::chrono::milliseconds away);
    // Number of completed boots after the first (0xA0 and PowerCycle).
    uint32_t BootCount() const;

    // Scripting. Script() queues a one-shot reply for the next request of the code
    // (in order; see Reply::skip); ScriptAlways() sets the reply used whenever that
    // code's queue is empty, until ClearScripts().
    void Script(uint8_t code, Reply reply);
    void ScriptAlways(uint8_t code, Reply reply);
    void ClearScripts();
    size_t QueuedScripts(uint8_t code) const;

    // Request log (every complete frame received, in order) and transfer records.
    std::vector<LoggedRequest> Requests() const;
    std::vector<uint8_t> RequestCodes() const;
    size_t RequestCount() const;
    std::vector<TransferRecord> Transfers() const;
    // Clears requests, transfers and the dropped-byte count.
    void ClearLog();
    bool WaitForRequests(size_t count, std::chrono::milliseconds timeout) const;
    // Waits until a request of this code is in the log.
    bool WaitForRequest(uint8_t code, std::chrono::milliseconds timeout) const;
    // Input bytes dropped to resynchronise (bad headers, stale partial frames).
    size_t DroppedBytes() const;

    // Live state and behaviour (copies; changes are applied under the module's lock).
    ModuleState State() const;
    void UpdateState(const std::function<void(ModuleState&)>& change);
    Behaviour GetBehaviour() const;
    void Configure(const std::function<void(Behaviour&)>& change);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace sim

namespace sim {

// Points PELLWORTH_PORT_DIR at a new private directory for the life of the object,
// so test binaries running side by side never share COM numbers; restores the
// previous value and removes the directory afterwards. Create it before any thread
// that reads the environment.
class ScopedPortDirectory {
public:
    ScopedPortDirectory();
    ~ScopedPortDirectory();
    ScopedPortDirectory(const ScopedPortDirectory&) = delete;
    ScopedPortDirectory& operator=(const ScopedPortDirectory&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
    std::optional<std::string> previous_;
};

} // namespace sim
