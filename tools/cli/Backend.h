#pragma once

#include <memory>
#include <vector>

#include "device/DeviceBackend.h"
#include "device/UsbBackend.h"

namespace tavelo::cli {

struct BackendOptions {
    bool simulate = false;
    int mode = 3;               // the simulated camera's starting capture mode
    int rotation = 0;           // and camera rotation
    bool deskScene = false;     // and whether it shows pages on a desk (else its chart page)
    std::vector<UsbId> usbIds;  // further devices that count as the camera (--usb-id)
};

// The camera the tool talks to: the simulated one, or the one on the USB bus. nullptr when
// there is no way to reach a camera at all (USB cannot be used on this machine).
std::unique_ptr<DeviceBackend> MakeBackend(const BackendOptions& options);

}  // namespace tavelo::cli
