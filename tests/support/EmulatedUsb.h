#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/SimulatedCamera.h"
#include "device/UsbBackend.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace tavelo::test {

// The ids every emulated camera has unless a test says otherwise; no real product has them.
inline constexpr UsbId kTestCameraId{0xf055, 0x7a01};

// How one emulated USB device looks on the bus.
struct EmulatedDeviceSpec {
    int bus = 1;
    int address = 2;
    int port = 1;  // on the root hub: the device is "bus-port"
    UsbId id = kTestCameraId;
    bool marked = true;           // the udev rules marked it as the camera
    bool cameraInterface = true;  // false: an interface with two endpoints only
    std::vector<int> endpoints;   // when given, the interface's bulk endpoints instead
    int interfaceClass = 0xff;    // vendor-specific
    std::string product;          // the kernel's "product" attribute, when given
};

// One emulated camera: answers usbdevfs ioctls from libusb with a SimulatedCamera model.
// Its endpoints, in descriptor order: 0x01 OUT (PIPE00), 0x81 IN (PIPE01), 0x02 OUT (PIPE02),
// 0x82 IN (PIPE03). The ioctls arrive on umockdev's worker thread; every member locks.
class EmulatedCamera {
public:
    explicit EmulatedCamera(const EmulatedDeviceSpec& described);
    ~EmulatedCamera();
    EmulatedCamera(const EmulatedCamera&) = delete;
    EmulatedCamera& operator=(const EmulatedCamera&) = delete;

    const EmulatedDeviceSpec& Described() const { return m_spec; }
    std::string SysPath() const;  // "/sys/devices/usb1/1-2"
    std::string DevNode() const;  // "/dev/bus/usb/001/002"
    std::string Description() const;
    std::string PathText() const;  // as the backend names it: "usb:1-2"

    // Faults.
    void SetClaimRefused(bool refused);  // another process holds the interface: EBUSY
    void SetShortRowAt(int row);         // that row of the picture arrives half long
    void SetGoneAtRow(int row);          // the device goes away while sending that row
    void SetGone(bool gone);             // every ioctl answers ENODEV
    // How the camera takes the command `text` (five characters): it keeps its answer to
    // itself (a read waits out its time-out), answers with an empty packet, or goes away
    // right after the packet.
    enum class Fault { None, Silent, EmptyReply, GoneAfter };
    void SetFault(const std::string& text, Fault fault);

    // What happened on the wire.
    struct Urb {
        std::uint8_t endpoint;
        std::vector<std::uint8_t> bytes;  // written (OUT), or delivered (IN)
        int asked;
    };
    std::vector<Urb> Wire() const;
    int IoctlCount() const;
    int Claims() const;
    int Releases() const;

    // The model behind the device, used under the lock.
    template <typename Fn>
    auto WithModel(Fn fn) {
        std::lock_guard lock(m_mutex);
        return fn(m_model);
    }

    UMockdevIoctlBase* Handler() const { return m_pHandler; }

private:
    struct Pending;
    static int OnIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
    bool Handle(UMockdevIoctlClient* client);
    bool Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg);

    EmulatedDeviceSpec m_spec;
    UMockdevIoctlBase* m_pHandler;
    mutable std::mutex m_mutex;
    SimulatedCamera m_model;
    std::vector<std::unique_ptr<Pending>> m_pending;    // waiting for data (an IN URB)
    std::vector<std::unique_ptr<Pending>> m_completed;  // ready to be reaped, in order
    std::vector<Urb> m_wire;
    int m_nImageRow = 0;
    int m_nShortRowAt = -1;
    int m_nGoneAtRow = -1;
    bool m_bClaimRefused = false;
    bool m_bClaimed = false;
    bool m_bGone = false;
    std::string m_faultText;
    Fault m_fault = Fault::None;
    bool m_bEmptyReplyNext = false;
    int m_nIoctls = 0;
    int m_nClaims = 0;
    int m_nReleases = 0;
};

// The rows an emulated camera in this state sends for "TR0  ", top row first, taken from a
// twin of its model.
std::vector<std::uint8_t> ExpectedPicture(const SimulatedCamera::State& state);

// An in-process umockdev testbed: emulated sysfs, udev database and device nodes for the
// unmodified libusb and libudev of the code under test (the test runs under
// umockdev-wrapper). Destroying it removes the testbed's temporary folder.
class EmulatedUsb {
public:
    EmulatedUsb();
    ~EmulatedUsb();
    EmulatedUsb(const EmulatedUsb&) = delete;
    EmulatedUsb& operator=(const EmulatedUsb&) = delete;

    bool IsEmulating() const;

    // Plugs a device in (udev hears "add"); the camera lives until the testbed goes.
    EmulatedCamera& Plug(const EmulatedDeviceSpec& described);
    // Unplugs it (udev hears "remove", its sysfs entry and node go away).
    void Unplug(EmulatedCamera& camera);
    // Gives its device node these permission bits (0: nobody may open it, as before the
    // udev rule gave the desktop user access); false if the node could not be changed.
    bool SetNodeMode(const EmulatedCamera& camera, unsigned mode);

private:
    UMockdevTestbed* m_pTestbed;
    std::vector<std::unique_ptr<EmulatedCamera>> m_cameras;
};

// While it lives, this thread cannot override file permissions even when it runs as root, so
// a node without permission bits stays closed to it as to a desktop user. False from Active()
// when that could not be arranged.
class WithoutFileOverride {
public:
    WithoutFileOverride();
    ~WithoutFileOverride();
    WithoutFileOverride(const WithoutFileOverride&) = delete;
    WithoutFileOverride& operator=(const WithoutFileOverride&) = delete;
    bool Active() const { return m_bActive; }

private:
    bool m_bActive = false;
    bool m_bRestore = false;
    unsigned m_effective[2] = {};
};

}  // namespace tavelo::test
