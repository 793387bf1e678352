#include "device/UsbBackend.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "device/UsbCameraDiagnosis.h"
#include "device/UsbDevices.h"

namespace tavelo {

namespace {

constexpr int kInterfaceOnly = -1;

bool ParseHex16(std::string_view text, std::uint16_t& value) {
    if (text.empty() || text.size() > 4) {
        return false;
    }
    unsigned result = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return false;
        }
        result = result * 16 + digit;
    }
    value = static_cast<std::uint16_t>(result);
    return true;
}

// "PIPEnn" with exactly two decimal digits; the endpoint index, or -1.
int ParsePipeName(std::string_view name) {
    if (name.size() != 6 || name.substr(0, 4) != "PIPE") {
        return -1;
    }
    const char tens = name[4];
    const char ones = name[5];
    if (tens < '0' || tens > '9' || ones < '0' || ones > '9') {
        return -1;
    }
    return (tens - '0') * 10 + (ones - '0');
}

// The one place that says what a libusb transfer's ending means to the link.
IoResult MapTransfer(int error, int transferred, std::size_t asked) {
    IoResult result;
    result.transferred = static_cast<std::size_t>(std::max(transferred, 0));
    switch (error) {
        case LIBUSB_SUCCESS:
            result.status =
                result.transferred == asked ? IoResult::Status::Done : IoResult::Status::Short;
            break;
        case LIBUSB_ERROR_TIMEOUT:
            result.status = IoResult::Status::TimedOut;
            break;
        case LIBUSB_ERROR_NO_DEVICE:
            result.status = IoResult::Status::Gone;
            break;
        default:  // stall, overflow, I/O error, ...
            result.status = IoResult::Status::Failed;
            break;
    }
    return result;
}

// An opened interface, or one pipe below it. Closing releases the interface and closes the
// device.
class UsbPipe : public PipeHandle {
public:
    UsbPipe(usb::ClaimedInterface claimed, int endpoint)
        : m_claimed(std::move(claimed)), m_nEndpoint(endpoint) {}

    IoResult Read(std::span<std::uint8_t> buffer, int timeoutMs) override {
        if (!IsPipe() || !IsIn()) {
            return {};
        }
        return Transfer(buffer.data(), buffer.size(), timeoutMs);
    }

    IoResult Write(std::span<const std::uint8_t> data, int timeoutMs) override {
        if (!IsPipe() || IsIn()) {
            return {};
        }
        // libusb takes a mutable pointer, but never writes to an OUT transfer's buffer.
        return Transfer(const_cast<std::uint8_t*>(data.data()), data.size(), timeoutMs);
    }

private:
    bool IsPipe() const { return m_nEndpoint != kInterfaceOnly; }
    bool IsIn() const { return (m_nEndpoint & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN; }

    IoResult Transfer(std::uint8_t* data, std::size_t size, int timeoutMs) {
        if (size > static_cast<std::size_t>(INT_MAX)) {
            return {};
        }
        // libusb reads a time-out of 0 as "wait for ever"; every transfer here is bounded.
        const unsigned int timeout = static_cast<unsigned int>(std::max(timeoutMs, 1));
        int transferred = 0;
        const int error =
            libusb_bulk_transfer(m_claimed.Handle(), static_cast<unsigned char>(m_nEndpoint), data,
                                 static_cast<int>(size), &transferred, timeout);
        return MapTransfer(error, transferred, size);
    }

    usb::ClaimedInterface m_claimed;
    int m_nEndpoint;
};

class UsbBackend : public DeviceBackend {
public:
    explicit UsbBackend(std::unique_ptr<usb::UsbSession> session)
        : m_pSession(std::move(session)) {}

    std::optional<std::vector<InterfaceEntry>> EnumerateInterfaces(const Guid& cls) override {
        if (!(cls == GUID_DEVINTERFACE_CAMERA)) {
            return std::vector<InterfaceEntry>{};
        }
        std::vector<usb::CameraDevice> cameras;
        if (!m_pSession->ScanCameras(cameras)) {
            return std::nullopt;
        }
        std::vector<InterfaceEntry> entries;
        entries.reserve(cameras.size());
        for (const usb::CameraDevice& camera : cameras) {
            entries.push_back({InterfaceEntry::State::Present, camera.path});
        }
        return entries;
    }

    std::unique_ptr<PipeHandle> Open(std::string_view path) override {
        std::string_view devicePath = path;
        int pipe = kInterfaceOnly;
        if (const auto slash = path.rfind('\\'); slash != std::string_view::npos) {
            pipe = ParsePipeName(path.substr(slash + 1));
            if (pipe < 0) {
                return nullptr;
            }
            devicePath = path.substr(0, slash);
        }
        // Only a device that counts as the camera right now is ever opened.
        std::vector<usb::CameraDevice> cameras;
        if (!m_pSession->ScanCameras(cameras)) {
            return nullptr;
        }
        const auto camera =
            std::find_if(cameras.begin(), cameras.end(),
                         [&](const usb::CameraDevice& c) { return c.path == devicePath; });
        if (camera == cameras.end()) {
            return nullptr;
        }
        usb::CameraInterface interface;
        if (!usb::FindCameraInterface(camera->device.get(), interface)) {
            return nullptr;
        }
        if (pipe != kInterfaceOnly &&
            static_cast<std::size_t>(pipe) >= interface.endpoints.size()) {
            return nullptr;
        }
        usb::OpenStage stage;
        int error;
        usb::ClaimedInterface claimed =
            usb::OpenAndClaim(camera->device.get(), interface.number, stage, error);
        if (!claimed) {
            return nullptr;
        }
        const int endpoint = pipe == kInterfaceOnly ? kInterfaceOnly : interface.endpoints[pipe];
        return std::make_unique<UsbPipe>(std::move(claimed), endpoint);
    }

    CameraDiagnosis DescribeNotReady() override { return DiagnoseUsbCamera(m_pSession->Options()); }

private:
    std::unique_ptr<usb::UsbSession> m_pSession;
};

}  // namespace

bool ParseUsbId(std::string_view text, UsbId& id) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    UsbId parsed;
    if (!ParseHex16(text.substr(0, colon), parsed.vendor) ||
        !ParseHex16(text.substr(colon + 1), parsed.product)) {
        return false;
    }
    id = parsed;
    return true;
}

std::string FormatUsbId(const UsbId& id) {
    char text[10];
    std::snprintf(text, sizeof text, "%04x:%04x", id.vendor, id.product);
    return text;
}

std::unique_ptr<DeviceBackend> CreateUsbBackend(UsbOptions options) {
    auto session = usb::UsbSession::Create(std::move(options));
    if (!session) {
        return nullptr;
    }
    return std::make_unique<UsbBackend>(std::move(session));
}

}  // namespace tavelo
