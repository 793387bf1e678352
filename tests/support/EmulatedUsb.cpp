#include "support/EmulatedUsb.h"

#include <linux/capability.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>

namespace tavelo::test {

namespace {

constexpr std::uint8_t kCommandEndpoint = 0x01;
constexpr std::uint8_t kReplyEndpoint = 0x81;
constexpr std::uint8_t kImageEndpoint = 0x82;

void AppendHex(std::string& text, std::initializer_list<int> bytes) {
    for (int byte : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte & 0xff);
        text += pair;
    }
}

// Device and configuration descriptors as the kernel shows them in sysfs.
std::string Descriptors(const EmulatedDeviceSpec& described) {
    const std::vector<int> endpoints = !described.endpoints.empty() ? described.endpoints
                                       : described.cameraInterface
                                           ? std::vector<int>{0x01, 0x81, 0x02, 0x82}
                                           : std::vector<int>{0x01, 0x81};
    const int total = 9 + 9 + 7 * static_cast<int>(endpoints.size());
    const int vendor = described.id.vendor;
    const int product = described.id.product;
    std::string hex;
    AppendHex(hex, {0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x40, vendor & 0xff, vendor >> 8,
                    product & 0xff, product >> 8, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01});
    AppendHex(hex, {0x09, 0x02, total & 0xff, total >> 8, 0x01, 0x01, 0x00, 0x80, 0x32});
    AppendHex(hex, {0x09, 0x04, 0x00, 0x00, static_cast<int>(endpoints.size()),
                    described.interfaceClass, 0x00, 0x00, 0x00});
    for (int address : endpoints) {
        AppendHex(hex, {0x07, 0x05, address, 0x02, 0x00, 0x02, 0x00});
    }
    return hex;
}

}  // namespace

// A URB the device has taken: waiting for data, or done and waiting to be reaped.
struct EmulatedCamera::Pending {
    UMockdevIoctlData* urb = nullptr;     // our reference to libusb's usbdevfs_urb
    UMockdevIoctlData* buffer = nullptr;  // and to an IN URB's buffer
    std::vector<std::uint8_t> data;       // what an IN URB delivers
    int status = 0;
    int actual = 0;
    ~Pending() {
        if (buffer != nullptr) {
            umockdev_ioctl_data_unref(buffer);
        }
        if (urb != nullptr) {
            umockdev_ioctl_data_unref(urb);
        }
    }
};

EmulatedCamera::EmulatedCamera(const EmulatedDeviceSpec& described)
    : m_spec(described), m_pHandler(umockdev_ioctl_base_new()) {
    g_signal_connect_after(m_pHandler, "handle-ioctl", G_CALLBACK(&EmulatedCamera::OnIoctl), this);
}

EmulatedCamera::~EmulatedCamera() {
    g_signal_handlers_disconnect_by_data(m_pHandler, this);
    m_pending.clear();
    m_completed.clear();
    g_object_unref(m_pHandler);
}

std::string EmulatedCamera::SysPath() const {
    return "/sys/devices/usb" + std::to_string(m_spec.bus) + "/" + std::to_string(m_spec.bus) +
           "-" + std::to_string(m_spec.port);
}

std::string EmulatedCamera::DevNode() const {
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", m_spec.bus, m_spec.address);
    return node;
}

std::string EmulatedCamera::PathText() const {
    return "usb:" + std::to_string(m_spec.bus) + "-" + std::to_string(m_spec.port);
}

std::string EmulatedCamera::Description() const {
    char bus[8];
    char address[8];
    std::snprintf(bus, sizeof bus, "%03d", m_spec.bus);
    std::snprintf(address, sizeof address, "%03d", m_spec.address);
    std::string text = "P: " + SysPath().substr(4) + "\n";
    text += "N: " + DevNode().substr(5) + "\n";
    text += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n";
    text += std::string("E: BUSNUM=") + bus + "\nE: DEVNUM=" + address + "\n";
    text += "E: DEVNAME=" + DevNode() + "\n";
    if (m_spec.marked) {
        text.append("E: ").append(CAMERA_UDEV_PROPERTY).append("=1\n");
    }
    text += "A: busnum=" + std::to_string(m_spec.bus) + "\\n\n";
    text += "A: devnum=" + std::to_string(m_spec.address) + "\\n\n";
    text += "A: bConfigurationValue=1\\n\nA: speed=480\\n\n";
    if (!m_spec.product.empty()) {
        text += "A: product=" + m_spec.product + "\\n\n";
    }
    text += "H: descriptors=" + Descriptors(m_spec) + "\n";
    return text;
}

void EmulatedCamera::SetClaimRefused(bool refused) {
    std::lock_guard lock(m_mutex);
    m_bClaimRefused = refused;
}

void EmulatedCamera::SetShortRowAt(int row) {
    std::lock_guard lock(m_mutex);
    m_nShortRowAt = row;
}

void EmulatedCamera::SetGoneAtRow(int row) {
    std::lock_guard lock(m_mutex);
    m_nGoneAtRow = row;
}

void EmulatedCamera::SetGone(bool gone) {
    std::lock_guard lock(m_mutex);
    m_bGone = gone;
}

void EmulatedCamera::SetFault(const std::string& text, Fault fault) {
    std::lock_guard lock(m_mutex);
    m_faultText = text;
    m_fault = fault;
}

std::vector<EmulatedCamera::Urb> EmulatedCamera::Wire() const {
    std::lock_guard lock(m_mutex);
    return m_wire;
}

int EmulatedCamera::IoctlCount() const {
    std::lock_guard lock(m_mutex);
    return m_nIoctls;
}

int EmulatedCamera::Claims() const {
    std::lock_guard lock(m_mutex);
    return m_nClaims;
}

int EmulatedCamera::Releases() const {
    std::lock_guard lock(m_mutex);
    return m_nReleases;
}

int EmulatedCamera::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    return static_cast<EmulatedCamera*>(self)->Handle(client) ? TRUE : FALSE;
}

bool EmulatedCamera::Handle(UMockdevIoctlClient* client) {
    std::lock_guard lock(m_mutex);
    ++m_nIoctls;
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    // A device that went away answers everything as the kernel does for it.
    if (m_bGone && request != USBDEVFS_REAPURBNDELAY && request != USBDEVFS_REAPURB) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
            *reinterpret_cast<guint32*>(caps->data) =
                USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
            umockdev_ioctl_data_unref(caps);
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        }
        case USBDEVFS_CLAIMINTERFACE:
            // Like the kernel, one claim at a time: a second one is refused as busy.
            if (m_bClaimRefused || m_bClaimed) {
                umockdev_ioctl_client_complete(client, -1, EBUSY);
            } else {
                m_bClaimed = true;
                ++m_nClaims;
                umockdev_ioctl_client_complete(client, 0, 0);
            }
            return true;
        case USBDEVFS_RELEASEINTERFACE:
            m_bClaimed = false;
            ++m_nReleases;
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        case USBDEVFS_CLEAR_HALT:
        case USBDEVFS_RESETEP:
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        case USBDEVFS_SUBMITURB:
            return Submit(client, arg);
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY:
            Reap(client, arg);
            return true;
        case USBDEVFS_DISCARDURB:
            Discard(client, arg);
            return true;
        default:
            return false;
    }
}

bool EmulatedCamera::Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    auto pending = std::make_unique<Pending>();
    pending->urb = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    auto* urb = reinterpret_cast<usbdevfs_urb*>(pending->urb->data);
    if (urb->type != USBDEVFS_URB_TYPE_BULK || urb->buffer_length < 0) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return true;
    }
    const std::size_t length = static_cast<std::size_t>(urb->buffer_length);
    if ((urb->endpoint & 0x80) == 0) {
        UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
            pending->urb, G_STRUCT_OFFSET(usbdevfs_urb, buffer), length, nullptr);
        std::vector<std::uint8_t> bytes(buffer->data, buffer->data + length);
        umockdev_ioctl_data_unref(buffer);
        if (urb->endpoint == kCommandEndpoint) {
            m_model.ReceivePacket(bytes);
            if (m_model.PictureArmed()) {
                m_nImageRow = 0;  // rows are counted from the start of each picture
            }
            const std::string text(
                reinterpret_cast<const char*>(bytes.data()),
                strnlen(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
            if (m_fault != Fault::None && text == m_faultText) {
                std::uint8_t withheld[8];
                m_model.TakeReply(withheld);
                m_bEmptyReplyNext = m_fault == Fault::EmptyReply;
                if (m_fault == Fault::GoneAfter) {
                    m_bGone = true;
                }
            }
        }
        m_wire.push_back({urb->endpoint, bytes, urb->buffer_length});
        pending->actual = urb->buffer_length;
        m_completed.push_back(std::move(pending));
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    // An IN URB: the camera answers at once if it has something to give, else it waits
    // until libusb gives up and discards the URB. The buffer is resolved through umockdev,
    // so the rows also reach a tool running in a process of its own.
    pending->buffer = umockdev_ioctl_data_resolve(
        pending->urb, G_STRUCT_OFFSET(usbdevfs_urb, buffer), length, nullptr);
    std::vector<std::uint8_t> data(length);
    std::size_t given = 0;
    bool gone = false;
    bool empty = false;
    if (urb->endpoint == kReplyEndpoint && m_bEmptyReplyNext) {
        m_bEmptyReplyNext = false;
        empty = true;
    } else if (urb->endpoint == kReplyEndpoint) {
        std::uint8_t reply[8];
        if (m_model.TakeReply(reply)) {
            given = std::min(length, sizeof reply);
            std::memcpy(data.data(), reply, given);
        }
    } else if (urb->endpoint == kImageEndpoint && m_model.PictureArmed()) {
        const int row = m_nImageRow++;
        if (row == m_nGoneAtRow) {
            gone = true;
        } else {
            given = m_model.ReadPicture(data);
            if (row == m_nShortRowAt) {
                given /= 2;
            }
        }
    }
    if (gone) {
        // The URB was on its way when the device went: it ends with ENODEV, and so does
        // everything after it.
        m_bGone = true;
        pending->status = -ENODEV;
        m_wire.push_back({urb->endpoint, {}, urb->buffer_length});
        m_completed.push_back(std::move(pending));
    } else if (given > 0 || empty) {
        data.resize(given);
        m_wire.push_back({urb->endpoint, data, urb->buffer_length});
        pending->actual = static_cast<int>(given);
        pending->data = std::move(data);
        m_completed.push_back(std::move(pending));
    } else {
        m_pending.push_back(std::move(pending));
    }
    umockdev_ioctl_client_complete(client, 0, 0);
    return true;
}

void EmulatedCamera::Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    if (m_completed.empty()) {
        umockdev_ioctl_client_complete(client, -1, EAGAIN);
        return;
    }
    std::unique_ptr<Pending> done = std::move(m_completed.front());
    m_completed.erase(m_completed.begin());
    auto* urb = reinterpret_cast<usbdevfs_urb*>(done->urb->data);
    urb->status = done->status;
    urb->actual_length = done->actual;
    if (!done->data.empty() && done->buffer != nullptr) {
        umockdev_ioctl_data_update(done->buffer, 0, done->data.data(),
                                   static_cast<gint>(done->data.size()));
    }
    UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
    umockdev_ioctl_data_set_ptr(slot, 0, done->urb);
    umockdev_ioctl_data_unref(slot);
    umockdev_ioctl_client_complete(client, 0, 0);
}

void EmulatedCamera::Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    const gulong address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
    const auto found = std::find_if(m_pending.begin(), m_pending.end(),
                                    [&](const auto& p) { return p->urb->client_addr == address; });
    if (found == m_pending.end()) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    (*found)->status = -ENOENT;
    (*found)->actual = 0;
    m_completed.push_back(std::move(*found));
    m_pending.erase(found);
    umockdev_ioctl_client_complete(client, 0, 0);
}

std::vector<std::uint8_t> ExpectedPicture(const SimulatedCamera::State& state) {
    SimulatedCamera twin;
    twin.GetState() = state;
    twin.ReceivePacket(std::vector<std::uint8_t>{'T', 'R', '0', ' ', ' ', 0, 0, 0});
    std::uint8_t ack[8];
    twin.TakeReply(ack);
    std::vector<std::uint8_t> bytes(4 * 1024 * 1024);
    bytes.resize(twin.ReadPicture(bytes));
    return bytes;
}

EmulatedUsb::EmulatedUsb() : m_pTestbed(umockdev_testbed_new()) {}

EmulatedUsb::~EmulatedUsb() {
    // The testbed removes its temporary folder when the last reference goes.
    g_object_unref(m_pTestbed);
    m_cameras.clear();
}

bool EmulatedUsb::IsEmulating() const {
    return umockdev_in_mock_environment();
}

EmulatedCamera& EmulatedUsb::Plug(const EmulatedDeviceSpec& described) {
    auto camera = std::make_unique<EmulatedCamera>(described);
    // The handler first, so that the node exists as an emulated device when udev hears "add".
    umockdev_testbed_attach_ioctl(m_pTestbed, camera->DevNode().c_str(), camera->Handler(),
                                  nullptr);
    umockdev_testbed_add_from_string(m_pTestbed, camera->Description().c_str(), nullptr);
    m_cameras.push_back(std::move(camera));
    return *m_cameras.back();
}

void EmulatedUsb::Unplug(EmulatedCamera& camera) {
    umockdev_testbed_uevent(m_pTestbed, camera.SysPath().c_str(), "remove");
    umockdev_testbed_remove_device(m_pTestbed, camera.SysPath().c_str());
    umockdev_testbed_detach_ioctl(m_pTestbed, camera.DevNode().c_str(), nullptr);
}

bool EmulatedUsb::SetNodeMode(const EmulatedCamera& camera, unsigned mode) {
    gchar* root = umockdev_testbed_get_root_dir(m_pTestbed);  // ours to free
    const std::string node = std::string(root) + camera.DevNode();
    g_free(root);
    return ::chmod(node.c_str(), static_cast<mode_t>(mode)) == 0;
}

namespace {

bool Capabilities(__user_cap_data_struct (&data)[2], bool set) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

constexpr unsigned kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

}  // namespace

WithoutFileOverride::WithoutFileOverride() {
    __user_cap_data_struct data[2] = {};
    if (!Capabilities(data, false)) {
        return;
    }
    m_effective[0] = data[0].effective;
    m_effective[1] = data[1].effective;
    if ((data[0].effective & kOverrides) == 0) {
        m_bActive = true;  // nothing to give up: not root, or already without them
        return;
    }
    // Only the effective set: the permitted one keeps them, so they can be taken back.
    data[0].effective &= ~kOverrides;
    m_bActive = m_bRestore = Capabilities(data, true);
}

WithoutFileOverride::~WithoutFileOverride() {
    if (!m_bRestore) {
        return;
    }
    __user_cap_data_struct data[2] = {};
    if (Capabilities(data, false)) {
        data[0].effective = m_effective[0];
        data[1].effective = m_effective[1];
        Capabilities(data, true);
    }
}

}  // namespace tavelo::test
