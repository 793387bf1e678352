#pragma once

#include <QObject>
#include <memory>
#include <vector>

#include "device/DeviceBackend.h"
#include "device/UsbBackend.h"

namespace tavelo {

class HotplugMonitor;

// The camera the application runs on, and the news of cameras coming and going.
//
// On USB the backend is the libusb one and a udev monitor hears devices being plugged in and
// out; with `simulate` it is the simulated camera, whose own plug and unplug are the news.
// `deviceChanged` is emitted on the user-interface thread for every change, whether or not a
// frame exists yet to act on it.
class DeviceSession : public QObject {
    Q_OBJECT
public:
    DeviceSession(bool simulate, std::vector<UsbId> usbIds, QObject* parent = nullptr);
    // On a USB backend made elsewhere; null stands for libusb not starting.
    explicit DeviceSession(std::unique_ptr<DeviceBackend> usbBackend, QObject* parent = nullptr);
    ~DeviceSession() override;

    DeviceBackend& Backend() const { return *m_pBackend; }
    bool IsSimulated() const { return m_bSimulated; }
    // False when libusb could not be started: no camera can be reached, every connection
    // check finds none.
    bool IsUsbUsable() const { return m_bUsbUsable; }
    // True while device changes are heard (the udev monitor runs, or the simulated camera).
    bool IsWatching() const;

    // No more `deviceChanged` after this; called before whoever receives it goes away.
    void StopWatching();

Q_SIGNALS:
    void deviceChanged();

private:
    void StartOnUsb(std::unique_ptr<DeviceBackend> usbBackend);

    std::unique_ptr<DeviceBackend> m_pBackend;
    std::unique_ptr<HotplugMonitor> m_pMonitor;
    bool m_bSimulated = false;
    bool m_bUsbUsable = false;
    bool m_bWatching = false;
};

}  // namespace tavelo
