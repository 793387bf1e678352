#include "Backend.h"

#include "device/SimulatedBackend.h"

namespace tavelo::cli {
namespace {

// Until the USB backend is built in, no camera is ever present without --simulate: every
// access then fails the way it does with the camera unplugged.
class NoCameraBackend : public DeviceBackend {
public:
    std::optional<std::vector<InterfaceEntry>> EnumerateInterfaces(const Guid&) override {
        return std::vector<InterfaceEntry>{};
    }
    std::unique_ptr<PipeHandle> Open(std::string_view) override { return nullptr; }
};

}  // namespace

std::unique_ptr<DeviceBackend> MakeBackend(const BackendOptions& options) {
    if (!options.simulate) {
        return std::make_unique<NoCameraBackend>();
    }
    auto backend = std::make_unique<SimulatedBackend>();
    backend->Camera().GetState().captureMode = options.mode;
    backend->Camera().GetState().rotation = options.rotation;
    return backend;
}

}  // namespace tavelo::cli
