#pragma once

#include <functional>
#include <memory>

#include "device/DeviceBackend.h"

namespace tavelo {

// The device backend the application runs on: the simulated camera when asked for, else
// the USB one. `onDeviceChange` is called on the UI thread whenever a camera comes or goes.
std::unique_ptr<DeviceBackend> CreateBackend(bool simulate, std::function<void()> onDeviceChange);

// Stops a backend's device-change notifications before their receiver goes away.
void ForgetDeviceChanges(DeviceBackend& backend);

}  // namespace tavelo
