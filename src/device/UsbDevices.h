#pragma once

#include <libusb.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/UsbBackend.h"

struct udev;

namespace tavelo::usb {

struct DeviceUnref {
    void operator()(libusb_device* device) const { libusb_unref_device(device); }
};
using DeviceRef = std::unique_ptr<libusb_device, DeviceUnref>;

// One attached device that counts as the camera.
struct CameraDevice {
    DeviceRef device;
    std::string path;  // "usb:1-1.4"
    UsbId id;
    std::uint8_t bus = 0;
    std::uint8_t address = 0;
    std::vector<std::uint8_t> ports;
    bool markedByRule = false;  // carries the udev property
    bool listedById = false;    // its ids were given with --usb-id
};

// The camera's interface on a device: the first one whose first alternate setting has the
// pipes the link uses, PIPE00 a bulk OUT, PIPE01 and PIPE03 bulk IN endpoints.
struct CameraInterface {
    int number = -1;
    std::vector<std::uint8_t> endpoints;  // endpoint addresses; index nn is "PIPEnn"
};
bool FindCameraInterface(libusb_device* device, CameraInterface& found);

// A device that may be a camera of this kind whose ids are not known yet: an interface of
// the vendor-specific class whose first alternate setting starts with four bulk endpoints,
// OUT, IN, OUT, IN, the camera's layout. Read from the descriptors alone: nothing is sent.
bool FindCandidateInterface(libusb_device* device, CameraInterface& found);

// An opened device with the camera's interface claimed; releases and closes on destruction.
class ClaimedInterface {
public:
    ClaimedInterface() = default;
    ClaimedInterface(libusb_device_handle* handle, int number)
        : m_pHandle(handle), m_nNumber(number) {}
    ClaimedInterface(ClaimedInterface&& other) noexcept;
    ClaimedInterface& operator=(ClaimedInterface&& other) noexcept;
    ClaimedInterface(const ClaimedInterface&) = delete;
    ClaimedInterface& operator=(const ClaimedInterface&) = delete;
    ~ClaimedInterface();

    libusb_device_handle* Handle() const { return m_pHandle; }
    explicit operator bool() const { return m_pHandle != nullptr; }

private:
    void Reset();
    libusb_device_handle* m_pHandle = nullptr;
    int m_nNumber = -1;
};

// Where opening a camera stopped.
enum class OpenStage { Done, Open, Claim };

// Opens the device and claims the interface; `error` receives libusb's code of the step
// named by `stage` when it failed.
ClaimedInterface OpenAndClaim(libusb_device* device, int interfaceNumber, OpenStage& stage,
                              int& error);

// A libusb context and a udev handle held for the backend's lifetime. Every scan asks both
// afresh, so a camera that came or went is seen at the next scan.
class UsbSession {
public:
    static std::unique_ptr<UsbSession> Create(UsbOptions options);
    ~UsbSession();
    UsbSession(const UsbSession&) = delete;
    UsbSession& operator=(const UsbSession&) = delete;

    // The attached devices that count as the camera, by bus number, then port path. False
    // when libusb could not list the devices at all.
    bool ScanCameras(std::vector<CameraDevice>& cameras);
    // Every attached device but the root hubs, in the same order, each marked as above.
    bool ScanAll(std::vector<CameraDevice>& devices);
    // "manufacturer product" as the kernel read them when the device came; empty without udev.
    std::string NameOf(const CameraDevice& device);

    libusb_context* Context() const { return m_pContext; }
    const UsbOptions& Options() const { return m_options; }

private:
    UsbSession(libusb_context* context, struct udev* udev, UsbOptions options);
    // (bus, address) of every usb_device that the rules marked as the camera.
    std::vector<std::pair<int, int>> MarkedDevices();
    bool Scan(bool everyDevice, std::vector<CameraDevice>& devices);

    libusb_context* m_pContext;
    struct udev* m_pUdev;
    UsbOptions m_options;
};

// "usb:" bus "-" ports joined by ".", the kernel's own name of the device's place.
std::string DevicePathOf(std::uint8_t bus, const std::vector<std::uint8_t>& ports,
                         std::uint8_t address);

}  // namespace tavelo::usb
