#pragma once

#include <memory>

#include "device/DeviceBackend.h"

namespace tavelo::cli {

struct BackendOptions {
    bool simulate = false;
    int mode = 3;      // the simulated camera's starting capture mode
    int rotation = 0;  // and camera rotation
};

// The camera the tool talks to: the simulated one, or the one on the USB bus.
std::unique_ptr<DeviceBackend> MakeBackend(const BackendOptions& options);

}  // namespace tavelo::cli
