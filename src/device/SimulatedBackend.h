#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceBackend.h"
#include "device/SimulatedCamera.h"

namespace tavelo {

// The device seam answered in-process by SimulatedCamera models, with the faults that tests
// and demonstrations need. Starts with one camera plugged in. Handles it gives out must not
// outlive it. Single-threaded, like the link it serves.
//
// Reads never block except for a camera that never answers, which waits out the time-out it
// is given: a reply pipe with no reply queued, or an image pipe with no picture armed, times
// out at once with nothing delivered.
class SimulatedBackend : public DeviceBackend {
public:
    // Whether the transfers are kept for Wire(): only tests of the wire ask for them.
    enum class WireLog { Off, Kept };
    explicit SimulatedBackend(WireLog log = WireLog::Off);
    ~SimulatedBackend() override;

    std::optional<std::vector<InterfaceEntry>> EnumerateInterfaces(const Guid& cls) override;
    std::unique_ptr<PipeHandle> Open(std::string_view path) override;
    // From the fault state: what a person would be told about the first camera that fails.
    CameraDiagnosis DescribeNotReady() override;
    bool IsSimulated() const override { return true; }

    // Cameras, in enumeration order. Their device paths are stable texts.
    SimulatedCamera& Camera(int index = 0);
    int CameraCount() const;
    int AddCamera();  // plugs in another camera; returns its index
    std::string DevicePath(int index) const;

    // Plug and unplug; every change calls the device-change handler.
    void SetPlugged(int index, bool plugged);
    bool IsPlugged(int index) const;
    void SetDeviceChangeHandler(std::function<void()> handler);

    // Faults.
    void SetLocked(int index, bool locked);            // interface held elsewhere: cannot be opened
    void SetPermissionDenied(int index, bool denied);  // this user may not open it
    void SetPathUnreadable(int index, bool unreadable);
    void SetEnumerationFails(bool fails);  // the set of interfaces cannot be obtained
    void NakNextCommand();                 // the next command is refused with NAK
    void DropNextReply();                  // the next reply never comes (read times out)
    void SetPipeBroken(const std::string& pipe, bool broken);  // that pipe cannot be opened
    void SetShortRowAt(int row);           // row `row` of the next picture arrives short
    void SetUnplugAtRow(int row);          // the camera goes away while sending row `row`
    void SetNeverAnswers(bool never);      // replies and rows never come: reads time out
    void SetLongDevicePath(bool tooLong);  // device paths longer than the path buffer
    // Device paths padded to exactly `length` characters (0: their natural length), so that
    // a path that fits the buffer while its pipe paths do not can be tried.
    void SetDevicePathLength(std::size_t length);
    void SetEntryEnumerationFails(int index, bool fails);  // that one entry cannot be enumerated

    // Every transfer on the seam, in order, for tests of the wire; empty unless the backend
    // was made with WireLog::Kept. At most kWireLimit bytes are kept (bytes moved plus a
    // fixed share per event); the transfers after that are not recorded until ClearWire.
    static constexpr std::size_t kWireLimit = std::size_t(16) << 20;
    struct WireEvent {
        std::string pipe;    // "PIPE00", "PIPE01", "PIPE03", or "" for the interface itself
        bool write = false;  // false: read
        std::vector<std::uint8_t> bytes;  // written, or delivered by a read
        std::size_t asked = 0;
    };
    const std::vector<WireEvent>& Wire() const;
    void ClearWire();
    int OpenCount() const;  // successful opens of interfaces and pipes

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};

}  // namespace tavelo
