#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceBackend.h"

namespace tavelo {

// A USB vendor and product id pair, as lsusb prints it ("1234:abcd").
struct UsbId {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    friend bool operator==(const UsbId&, const UsbId&) = default;
};

// Parses "VID:PID" (one to four hex digits each, as --usb-id takes it); false on anything else.
bool ParseUsbId(std::string_view text, UsbId& id);
std::string FormatUsbId(const UsbId& id);

// The udev property our rules file puts on every device that is the camera.
inline constexpr const char* CAMERA_UDEV_PROPERTY = "TAVELO_CAMERA";
// The rules file a user installs so that the desktop user may open the camera.
inline constexpr const char* CAMERA_UDEV_RULES = "70-tavelo-camera.rules";

// Which attached USB devices count as the camera.
struct UsbOptions {
    // Devices the udev rules marked with CAMERA_UDEV_PROPERTY=1 count.
    bool useUdevProperty = true;
    // So do devices with these ids (--usb-id), for a model the rules do not list yet.
    std::vector<UsbId> extraIds;
};

// The device seam over libusb. The present interfaces are the attached devices that count as
// the camera, ordered by bus number, then port path; a device path reads "usb:1-1.4" (bus,
// then the ports from the root hub), and "PIPEnn" below it is the nn-th endpoint of the
// camera's interface. Opening claims that interface; closing releases it and closes the
// device. nullptr when libusb cannot be started at all.
std::unique_ptr<DeviceBackend> CreateUsbBackend(UsbOptions options);

}  // namespace tavelo
