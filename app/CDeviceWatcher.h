#pragma once

#include <filesystem>
#include <functional>
#include <memory>

// Tells the GUI thread when a serial device goes away or comes: the system's
// device manager announces the removal or addition of a "tty" device (a USB
// module unplugged or plugged in again).
// Pseudo-terminals have no such announcement; the main dialog notices their
// hang-up on the open port instead.
class CDeviceWatcher {
public:
    using RemovedHandler = std::function<void(const std::filesystem::path& deviceNode)>;

    using AddedHandler = RemovedHandler;

    explicit CDeviceWatcher(RemovedHandler onRemoved, AddedHandler onAdded = {});
    ~CDeviceWatcher();
    CDeviceWatcher(const CDeviceWatcher&) = delete;
    CDeviceWatcher& operator=(const CDeviceWatcher&) = delete;

    // Starts listening; false when the system gives no notifications (a
    // container without the device manager's socket), which is tolerated.
    bool Start();
    bool IsListening() const;

private:
    void OnReadable();

    struct Impl;
    std::unique_ptr<Impl> m_impl;
    RemovedHandler m_onRemoved;
    AddedHandler m_onAdded;
};
