#include "link/PortPresence.h"

#include "link/PortNames.h"

#include <sys/stat.h>

CPortPresenceWatch::CPortPresenceWatch(uint16_t port) : m_port(port) {
    Rearm();
}

std::optional<CPortPresenceWatch::NodeId> CPortPresenceWatch::Node(uint16_t port) {
    const auto node = portnames::ResolvePort(port);
    struct stat info {};
    if (!node || ::stat(node->c_str(), &info) != 0)
        return std::nullopt;
    return NodeId{info.st_rdev, info.st_ino};
}

void CPortPresenceWatch::Rearm() {
    if (m_port == 0)
        return;
    m_before = Node(m_port);
    m_gone = !m_before;
}

bool CPortPresenceWatch::Back() {
    if (m_port == 0)
        return false;
    const auto now = Node(m_port);
    m_gone = m_gone || !now || now != m_before;
    return m_gone && now;
}
