#include "device/UsbDevices.h"

#include <libudev.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace tavelo::usb {

namespace {

bool IsBulk(const libusb_endpoint_descriptor& endpoint) {
    return (endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_BULK;
}

bool IsIn(const libusb_endpoint_descriptor& endpoint) {
    return (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
}

bool HasCameraPipes(const libusb_interface_descriptor& setting) {
    if (setting.bNumEndpoints < 4) {
        return false;
    }
    const libusb_endpoint_descriptor* endpoints = setting.endpoint;
    return IsBulk(endpoints[0]) && !IsIn(endpoints[0]) && IsBulk(endpoints[1]) &&
           IsIn(endpoints[1]) && IsBulk(endpoints[3]) && IsIn(endpoints[3]);
}

bool HasCandidateLayout(const libusb_interface_descriptor& setting) {
    if (setting.bInterfaceClass != LIBUSB_CLASS_VENDOR_SPEC || setting.bNumEndpoints < 4) {
        return false;
    }
    for (int e = 0; e < 4; ++e) {
        const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
        if (!IsBulk(endpoint) || IsIn(endpoint) != (e % 2 == 1)) {
            return false;
        }
    }
    return true;
}

struct ConfigFree {
    void operator()(libusb_config_descriptor* config) const {
        libusb_free_config_descriptor(config);
    }
};

// A number from a udev property or attribute such as "001"; -1 when absent or not a number.
int ParseNumber(const char* text) {
    if (text == nullptr || *text == '\0') {
        return -1;
    }
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    while (end != nullptr && (*end == '\n' || *end == ' ')) {
        ++end;
    }
    return (end != nullptr && *end == '\0' && value >= 0 && value <= 255) ? static_cast<int>(value)
                                                                          : -1;
}

int UdevNumber(struct udev_device* device, const char* property, const char* attribute) {
    const int value = ParseNumber(udev_device_get_property_value(device, property));
    return value >= 0 ? value : ParseNumber(udev_device_get_sysattr_value(device, attribute));
}

}  // namespace

namespace {

// The first interface whose first alternate setting passes `fits`.
template <typename Fits>
bool FindInterface(libusb_device* device, Fits fits, CameraInterface& found) {
    libusb_config_descriptor* raw = nullptr;
    // A device not configured yet still describes its first configuration.
    if (libusb_get_active_config_descriptor(device, &raw) != LIBUSB_SUCCESS &&
        libusb_get_config_descriptor(device, 0, &raw) != LIBUSB_SUCCESS) {
        return false;
    }
    std::unique_ptr<libusb_config_descriptor, ConfigFree> config(raw);
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& interface = config->interface[i];
        if (interface.num_altsetting < 1 || !fits(interface.altsetting[0])) {
            continue;
        }
        const libusb_interface_descriptor& setting = interface.altsetting[0];
        found.number = setting.bInterfaceNumber;
        found.endpoints.clear();
        for (int e = 0; e < setting.bNumEndpoints; ++e) {
            found.endpoints.push_back(setting.endpoint[e].bEndpointAddress);
        }
        return true;
    }
    return false;
}

}  // namespace

bool FindCameraInterface(libusb_device* device, CameraInterface& found) {
    return FindInterface(device, HasCameraPipes, found);
}

bool FindCandidateInterface(libusb_device* device, CameraInterface& found) {
    return FindInterface(device, HasCandidateLayout, found);
}

ClaimedInterface::ClaimedInterface(ClaimedInterface&& other) noexcept
    : m_pHandle(other.m_pHandle), m_nNumber(other.m_nNumber) {
    other.m_pHandle = nullptr;
}

ClaimedInterface& ClaimedInterface::operator=(ClaimedInterface&& other) noexcept {
    if (this != &other) {
        Reset();
        m_pHandle = other.m_pHandle;
        m_nNumber = other.m_nNumber;
        other.m_pHandle = nullptr;
    }
    return *this;
}

ClaimedInterface::~ClaimedInterface() {
    Reset();
}

void ClaimedInterface::Reset() {
    if (m_pHandle != nullptr) {
        // A device that went away fails the release; closing frees the handle regardless.
        libusb_release_interface(m_pHandle, m_nNumber);
        libusb_close(m_pHandle);
        m_pHandle = nullptr;
    }
}

ClaimedInterface OpenAndClaim(libusb_device* device, int interfaceNumber, OpenStage& stage,
                              int& error) {
    libusb_device_handle* handle = nullptr;
    error = libusb_open(device, &handle);
    if (error != LIBUSB_SUCCESS) {
        stage = OpenStage::Open;
        return {};
    }
    error = libusb_claim_interface(handle, interfaceNumber);
    if (error != LIBUSB_SUCCESS) {
        stage = OpenStage::Claim;
        libusb_close(handle);
        return {};
    }
    stage = OpenStage::Done;
    return ClaimedInterface(handle, interfaceNumber);
}

std::string DevicePathOf(std::uint8_t bus, const std::vector<std::uint8_t>& ports,
                         std::uint8_t address) {
    std::string path = "usb:" + std::to_string(bus);
    if (ports.empty()) {
        // Only a root hub has no port; it is never the camera, but stays nameable.
        return path + "-root." + std::to_string(address);
    }
    for (std::size_t i = 0; i < ports.size(); ++i) {
        path += (i == 0 ? '-' : '.');
        path += std::to_string(ports[i]);
    }
    return path;
}

std::unique_ptr<UsbSession> UsbSession::Create(UsbOptions options) {
    libusb_context* context = nullptr;
    if (libusb_init(&context) != LIBUSB_SUCCESS) {
        return nullptr;
    }
    // Without udev (a container, say) only the --usb-id list can name the camera.
    struct udev* udev = options.useUdevProperty ? udev_new() : nullptr;
    return std::unique_ptr<UsbSession>(new UsbSession(context, udev, std::move(options)));
}

UsbSession::UsbSession(libusb_context* context, struct udev* udev, UsbOptions options)
    : m_pContext(context), m_pUdev(udev), m_options(std::move(options)) {}

UsbSession::~UsbSession() {
    if (m_pUdev != nullptr) {
        udev_unref(m_pUdev);
    }
    libusb_exit(m_pContext);
}

std::vector<std::pair<int, int>> UsbSession::MarkedDevices() {
    std::vector<std::pair<int, int>> marked;
    if (m_pUdev == nullptr) {
        return marked;
    }
    struct udev_enumerate* enumerate = udev_enumerate_new(m_pUdev);
    if (enumerate == nullptr) {
        return marked;
    }
    udev_enumerate_add_match_subsystem(enumerate, "usb");
    udev_enumerate_add_match_property(enumerate, CAMERA_UDEV_PROPERTY, "1");
    if (udev_enumerate_scan_devices(enumerate) >= 0) {
        struct udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
            struct udev_device* device =
                udev_device_new_from_syspath(m_pUdev, udev_list_entry_get_name(entry));
            if (device == nullptr) {
                continue;
            }
            const char* type = udev_device_get_devtype(device);
            if (type != nullptr && std::string_view(type) == "usb_device") {
                const int bus = UdevNumber(device, "BUSNUM", "busnum");
                const int address = UdevNumber(device, "DEVNUM", "devnum");
                if (bus > 0 && address > 0) {
                    marked.emplace_back(bus, address);
                }
            }
            udev_device_unref(device);
        }
    }
    udev_enumerate_unref(enumerate);
    return marked;
}

bool UsbSession::ScanCameras(std::vector<CameraDevice>& cameras) {
    return Scan(false, cameras);
}

bool UsbSession::ScanAll(std::vector<CameraDevice>& devices) {
    return Scan(true, devices);
}

std::string UsbSession::NameOf(const CameraDevice& device) {
    if (m_pUdev == nullptr || device.path.size() <= 4) {
        return {};
    }
    // The kernel's name of a device is its path without "usb:".
    struct udev_device* entry =
        udev_device_new_from_subsystem_sysname(m_pUdev, "usb", device.path.c_str() + 4);
    if (entry == nullptr) {
        return {};
    }
    std::string name;
    for (const char* attribute : {"manufacturer", "product"}) {
        const char* value = udev_device_get_sysattr_value(entry, attribute);
        std::string_view text = value != nullptr ? value : "";
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
            text.remove_suffix(1);
        }
        if (!text.empty()) {
            name += (name.empty() ? "" : " ") + std::string(text);
        }
    }
    udev_device_unref(entry);
    return name;
}

bool UsbSession::Scan(bool everyDevice, std::vector<CameraDevice>& cameras) {
    cameras.clear();
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(m_pContext, &list);
    if (count < 0) {
        return false;
    }
    const auto marked = MarkedDevices();
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device* device = list[i];
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS) {
            continue;
        }
        CameraDevice camera;
        camera.id = {descriptor.idVendor, descriptor.idProduct};
        camera.bus = libusb_get_bus_number(device);
        camera.address = libusb_get_device_address(device);
        camera.markedByRule =
            std::find(marked.begin(), marked.end(),
                      std::pair<int, int>(camera.bus, camera.address)) != marked.end();
        camera.listedById = std::find(m_options.extraIds.begin(), m_options.extraIds.end(),
                                      camera.id) != m_options.extraIds.end();
        if (!everyDevice && !camera.markedByRule && !camera.listedById) {
            continue;
        }
        std::uint8_t ports[8];
        const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
        if (everyDevice && depth <= 0) {
            continue;  // a root hub
        }
        camera.ports.assign(ports, ports + std::max(depth, 0));
        camera.path = DevicePathOf(camera.bus, camera.ports, camera.address);
        camera.device.reset(libusb_ref_device(device));
        cameras.push_back(std::move(camera));
    }
    libusb_free_device_list(list, 1);
    std::sort(cameras.begin(), cameras.end(), [](const CameraDevice& a, const CameraDevice& b) {
        if (a.bus != b.bus) {
            return a.bus < b.bus;
        }
        if (a.ports != b.ports) {
            return a.ports < b.ports;
        }
        return a.address < b.address;
    });
    return true;
}

}  // namespace tavelo::usb
