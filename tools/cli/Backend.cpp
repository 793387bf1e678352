#include "Backend.h"

#include "device/SimulatedBackend.h"

namespace tavelo::cli {

std::unique_ptr<DeviceBackend> MakeBackend(const BackendOptions& options) {
    if (!options.simulate) {
        UsbOptions usb;
        usb.extraIds = options.usbIds;
        return CreateUsbBackend(std::move(usb));
    }
    auto backend = std::make_unique<SimulatedBackend>();
    backend->Camera().GetState().captureMode = options.mode;
    backend->Camera().GetState().rotation = options.rotation;
    if (options.deskScene) {
        backend->Camera().SetScene(SimulatedCamera::Scene::Desk);
    }
    return backend;
}

}  // namespace tavelo::cli
