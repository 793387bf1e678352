#include "app/DeviceSession.h"

#include <cstdio>

#include "device/HotplugMonitor.h"
#include "device/SimulatedBackend.h"

namespace tavelo {

namespace {

// What the application runs on when USB cannot be used at all (libusb did not start): the set
// of camera interfaces cannot be obtained and nothing opens, so the camera stays "Not Ready".
class NoUsbBackend : public DeviceBackend {
public:
    std::optional<std::vector<InterfaceEntry>> EnumerateInterfaces(const Guid&) override {
        return std::nullopt;
    }
    std::unique_ptr<PipeHandle> Open(std::string_view) override { return nullptr; }
    CameraDiagnosis DescribeNotReady() override {
        CameraDiagnosis diagnosis;
        diagnosis.kind = CameraDiagnosis::Kind::UsbUnavailable;
        diagnosis.detail = "libusb could not be started";
        return diagnosis;
    }
};

}  // namespace

DeviceSession::DeviceSession(bool simulate, std::vector<UsbId> usbIds, QObject* parent)
    : QObject(parent), m_bSimulated(simulate) {
    if (simulate) {
        auto simulated = std::make_unique<SimulatedBackend>();
        simulated->SetDeviceChangeHandler([this] { Q_EMIT deviceChanged(); });
        m_pBackend = std::move(simulated);
        m_bWatching = true;
        return;
    }
    UsbOptions options;
    options.extraIds = std::move(usbIds);
    StartOnUsb(CreateUsbBackend(std::move(options)));
}

DeviceSession::DeviceSession(std::unique_ptr<DeviceBackend> usbBackend, QObject* parent)
    : QObject(parent) {
    StartOnUsb(std::move(usbBackend));
}

void DeviceSession::StartOnUsb(std::unique_ptr<DeviceBackend> usbBackend) {
    m_pBackend = std::move(usbBackend);
    m_bUsbUsable = m_pBackend != nullptr;
    if (!m_bUsbUsable) {
        std::fputs("tavelo: USB cannot be used on this machine, so no camera can be reached\n",
                   stderr);
        m_pBackend = std::make_unique<NoUsbBackend>();
        return;
    }
    // The monitor's socket is watched by this thread's event loop: its news arrives here,
    // between other events, and never makes the thread wait.
    m_pMonitor = std::make_unique<HotplugMonitor>();
    if (m_pMonitor->IsActive()) {
        connect(m_pMonitor.get(), &HotplugMonitor::deviceChanged, this,
                &DeviceSession::deviceChanged);
        m_bWatching = true;
    } else {
        // Without udev's events a lost camera is still noticed at its next access.
        m_pMonitor.reset();
    }
}

DeviceSession::~DeviceSession() {
    StopWatching();
}

bool DeviceSession::IsWatching() const {
    return m_bWatching;
}

void DeviceSession::StopWatching() {
    if (auto* simulated = dynamic_cast<SimulatedBackend*>(m_pBackend.get())) {
        simulated->SetDeviceChangeHandler({});
    }
    m_pMonitor.reset();
    m_bWatching = false;
}

}  // namespace tavelo
