#include "device/HotplugMonitor.h"

#include <libudev.h>

#include <QSocketNotifier>
#include <cstring>

namespace tavelo {

HotplugMonitor::HotplugMonitor(QObject* parent) : QObject(parent) {
    m_pUdev = udev_new();
    if (m_pUdev == nullptr) {
        return;
    }
    // "udev" events come after the rules ran, so a camera is already accessible when we hear.
    m_pMonitor = udev_monitor_new_from_netlink(m_pUdev, "udev");
    if (m_pMonitor == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(m_pMonitor, "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(m_pMonitor) < 0) {
        return;
    }
    const int fd = udev_monitor_get_fd(m_pMonitor);
    if (fd < 0) {
        return;
    }
    m_pNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &HotplugMonitor::OnEvents);
}

HotplugMonitor::~HotplugMonitor() {
    delete m_pNotifier;
    if (m_pMonitor != nullptr) {
        udev_monitor_unref(m_pMonitor);
    }
    if (m_pUdev != nullptr) {
        udev_unref(m_pUdev);
    }
}

void HotplugMonitor::OnEvents() {
    // The monitor's socket does not block: take every waiting event, then tell once.
    bool changed = false;
    while (struct udev_device* device = udev_monitor_receive_device(m_pMonitor)) {
        const char* action = udev_device_get_action(device);
        if (action != nullptr &&
            (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0)) {
            changed = true;
        }
        udev_device_unref(device);
    }
    if (changed) {
        Q_EMIT deviceChanged();
    }
}

}  // namespace tavelo
