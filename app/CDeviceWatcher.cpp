#include "app/CDeviceWatcher.h"

#include <QObject>
#include <QSocketNotifier>

#include <cstring>
#include <libudev.h>

struct CDeviceWatcher::Impl {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;

    ~Impl() {
        notifier.reset();
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
    }
};

CDeviceWatcher::CDeviceWatcher(RemovedHandler onRemoved, AddedHandler onAdded)
    : m_impl(std::make_unique<Impl>()), m_onRemoved(std::move(onRemoved)),
      m_onAdded(std::move(onAdded)) {}

CDeviceWatcher::~CDeviceWatcher() = default;

bool CDeviceWatcher::Start() {
    if (IsListening())
        return true;
    m_impl = std::make_unique<Impl>();
    m_impl->context = udev_new();
    if (!m_impl->context)
        return false;
    m_impl->monitor = udev_monitor_new_from_netlink(m_impl->context, "udev");
    if (!m_impl->monitor)
        return false;
    if (udev_monitor_filter_add_match_subsystem_devtype(m_impl->monitor, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(m_impl->monitor) < 0) {
        return false;
    }
    const int fd = udev_monitor_get_fd(m_impl->monitor);
    if (fd < 0)
        return false;
    m_impl->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(m_impl->notifier.get(), &QSocketNotifier::activated, [this] { OnReadable(); });
    return true;
}

bool CDeviceWatcher::IsListening() const {
    return m_impl && m_impl->notifier != nullptr;
}

void CDeviceWatcher::OnReadable() {
    // The monitor's socket is non-blocking: take every queued event.
    while (udev_device* device = udev_monitor_receive_device(m_impl->monitor)) {
        const char* action = udev_device_get_action(device);
        const char* node = udev_device_get_devnode(device);
        const bool removed = action && std::strcmp(action, "remove") == 0 && node;
        const bool added = action && std::strcmp(action, "add") == 0 && node;
        const std::filesystem::path path = removed || added ? node : "";
        udev_device_unref(device);
        if (removed && m_onRemoved)
            m_onRemoved(path);
        if (added && m_onAdded)
            m_onAdded(path);
    }
}
