#pragma once

#include "simulator/ModuleScript.h"
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
