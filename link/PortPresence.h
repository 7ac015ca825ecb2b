#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <utility>

// Watches one COM port for presence only, never opening it: a module that
// reboots or is replugged goes away and comes back as a new device node (or
// the same name for a new node). A USB-serial bridge that keeps its node
// through the module's reboot is never seen to go away.
class CPortPresenceWatch {
public:
    // Watches nothing: never gone, never back.
    CPortPresenceWatch() = default;
    // Remembers the port's node as it is now (absent counts as gone).
    explicit CPortPresenceWatch(uint16_t port);

    // Looks at the port now: true once it was seen gone (or its node
    // replaced) and is present now.
    bool Back();
    bool WentAway() const { return m_gone; }
    // Starts over from the port as it is now.
    void Rearm();

private:
    using NodeId = std::pair<dev_t, ino_t>;
    static std::optional<NodeId> Node(uint16_t port);

    uint16_t m_port = 0;
    std::optional<NodeId> m_before;
    bool m_gone = false;
};
