#include "app/BackendFactory.h"

#include <cstdio>

#include "device/SimulatedBackend.h"

namespace tavelo {

std::unique_ptr<DeviceBackend> CreateBackend(bool simulate, std::function<void()> onDeviceChange) {
    if (!simulate) {
        // The USB backend is not part of this build yet.
        std::fputs("tavelo: no USB backend in this build; using the simulated camera\n", stderr);
    }
    auto backend = std::make_unique<SimulatedBackend>();
    backend->SetDeviceChangeHandler(std::move(onDeviceChange));
    return backend;
}

void ForgetDeviceChanges(DeviceBackend& backend) {
    if (auto* simulated = dynamic_cast<SimulatedBackend*>(&backend)) {
        simulated->SetDeviceChangeHandler({});
    }
}

}  // namespace tavelo
