#pragma once

#include <QObject>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace tavelo {

// Tells the thread it lives on (the user-interface thread) that a USB device came or went.
// It watches udev's device events through a socket notifier in the event loop, so it never
// blocks; the receiver (the frame's OnDeviceChange) decides what the change means.
class HotplugMonitor : public QObject {
    Q_OBJECT

public:
    explicit HotplugMonitor(QObject* parent = nullptr);
    ~HotplugMonitor() override;

    // False when udev's events cannot be watched here (no udev, as in some containers); the
    // connection check at every pipe access still notices a lost camera then.
    bool IsActive() const { return m_pNotifier != nullptr; }

Q_SIGNALS:
    void deviceChanged();

private:
    void OnEvents();

    struct udev* m_pUdev = nullptr;
    struct udev_monitor* m_pMonitor = nullptr;
    QSocketNotifier* m_pNotifier = nullptr;
};

}  // namespace tavelo
