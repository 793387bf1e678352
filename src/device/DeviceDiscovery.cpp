#include "device/DeviceDiscovery.h"

namespace tavelo {

namespace {
// Whether a path of `length` characters fits the path buffer with its terminating zero.
bool FitsPathBuffer(std::size_t length) {
    return length < PATH_BUFFER_SIZE;
}
}  // namespace

std::unique_ptr<PipeHandle> OpenPipe(DeviceBackend& backend, std::string_view name) {
    std::string path;
    if (!FindDevice(backend, GUID_DEVINTERFACE_CAMERA, path)) {
        return nullptr;
    }
    // A pipe path that would overflow the buffer is never opened: the camera counts as absent.
    if (!FitsPathBuffer(path.size() + 1 + name.size())) {
        return nullptr;
    }
    path += '\\';
    path += name;
    return backend.Open(path);
}

bool FindDevice(DeviceBackend& backend, const Guid& cls, std::string& path) {
    // Opened only to prove it can be; the handle closes here.
    return OpenFirstInterface(backend, cls, path) != nullptr;
}

std::unique_ptr<PipeHandle> OpenFirstInterface(DeviceBackend& backend, const Guid& cls,
                                               std::string& path) {
    path.clear();
    const auto entries = backend.EnumerateInterfaces(cls);
    if (!entries) {
        return nullptr;
    }
    for (const InterfaceEntry& entry : *entries) {
        if (entry.state == InterfaceEntry::State::EnumerationFailed) {
            continue;
        }
        if (auto handle = OpenInterface(backend, entry, path)) {
            return handle;
        }
    }
    // Nothing opened: give back no path rather than that of a skipped interface.
    path.clear();
    return nullptr;
}

std::unique_ptr<PipeHandle> OpenInterface(DeviceBackend& backend, const InterfaceEntry& entry,
                                          std::string& path) {
    if (entry.state != InterfaceEntry::State::Present || !FitsPathBuffer(entry.path.size())) {
        return nullptr;
    }
    path = entry.path;
    return backend.Open(path);
}

}  // namespace tavelo
