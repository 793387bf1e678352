#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/CameraDiagnosis.h"

namespace tavelo {

// A device interface class, in the usual GUID layout.
struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
    friend bool operator==(const Guid&, const Guid&) = default;
};

// The camera's device interface class {F1C1EC02-5FE8-4BEF-BC2E-59F87233B1FA}.
inline constexpr Guid GUID_DEVINTERFACE_CAMERA{
    0xF1C1EC02, 0x5FE8, 0x4BEF, {0xBC, 0x2E, 0x59, 0xF8, 0x72, 0x33, 0xB1, 0xFA}};

// How one synchronous transfer ended. `transferred` counts the bytes that did move.
struct IoResult {
    enum class Status {
        Done,      // the whole request moved
        Short,     // fewer bytes moved than asked
        TimedOut,  // nothing more moved within the time-out
        Failed,    // the transfer failed (stall, I/O error)
        Gone,      // the device went away
    };
    Status status = Status::Failed;
    std::size_t transferred = 0;

    bool Complete(std::size_t asked) const {
        return status == Status::Done && transferred == asked;
    }
};

// An open interface or pipe. Closing is destruction.
class PipeHandle {
public:
    virtual ~PipeHandle() = default;
    virtual IoResult Read(std::span<std::uint8_t> buffer, int timeoutMs) = 0;
    virtual IoResult Write(std::span<const std::uint8_t> data, int timeoutMs) = 0;
};

// One entry of the enumeration of present interfaces, at its index.
struct InterfaceEntry {
    enum class State {
        Present,            // enumerated, `path` holds its device path
        EnumerationFailed,  // the entry at this index could not be enumerated
        PathUnreadable,     // enumerated, but its device path could not be read
    };
    State state = State::Present;
    std::string path;
};

// The platform seam: the only thing that differs between the libusb backend, the simulated
// camera and a future SetupAPI backend. Nothing above device/ knows which one runs.
class DeviceBackend {
public:
    virtual ~DeviceBackend() = default;

    // The present interfaces of a class in a stable order; nullopt when the set of
    // interfaces could not be obtained at all.
    virtual std::optional<std::vector<InterfaceEntry>> EnumerateInterfaces(const Guid& cls) = 0;

    // Opens an interface's device path, or a pipe path (device path, "\", pipe name), for
    // synchronous reading and writing, shared. nullptr is the invalid handle.
    virtual std::unique_ptr<PipeHandle> Open(std::string_view path) = 0;

    // Why no camera opens, asked after a connection check found none; it may look at the
    // devices afresh. A backend that cannot tell says Failed.
    virtual CameraDiagnosis DescribeNotReady() {
        CameraDiagnosis diagnosis;
        diagnosis.kind = CameraDiagnosis::Kind::Failed;
        diagnosis.simulated = IsSimulated();
        return diagnosis;
    }
    // True when the camera is a model inside the program rather than a device.
    virtual bool IsSimulated() const { return false; }
};

}  // namespace tavelo
