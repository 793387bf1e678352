#pragma once

#include <string>

namespace tavelo {

// Why no camera can be reached right now, in terms a person can act on. A backend answers it
// after a connection check found no camera, so that the window can say more than "Not Ready".
struct CameraDiagnosis {
    enum class Kind {
        Reachable,       // a camera opens: the next check finds it
        NoDevice,        // no attached device is taken for the camera
        NoPermission,    // a device is there, but this user may not open it
        Busy,            // a device is there, held by another program
        NotTheCamera,    // a device was taken for the camera but lacks its interface
        UsbUnavailable,  // USB cannot be used at all, so no device can be seen
        Failed,          // a device is there and cannot be opened for another reason
    };
    Kind kind = Kind::Reachable;
    bool simulated = false;     // the camera is the in-process model
    std::string device;         // the device concerned ("usb:1-2"), or empty
    std::string usbId;          // its ids as lsusb prints them ("f055:7a01"), or empty
    bool markedByRule = false;  // the udev rules already mark the device as the camera
    std::string detail;         // the lower layer's own word for it (a Failed open, no USB)
};

}  // namespace tavelo
