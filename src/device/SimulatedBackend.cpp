#include "device/SimulatedBackend.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <set>
#include <thread>

#include "device/DeviceDiscovery.h"

namespace tavelo {

namespace {

constexpr std::size_t kLongPathLength = 300;
constexpr std::uint8_t kNak = 0x15;

enum class Pipe { Interface, Command, Reply, Image };

const char* PipeName(Pipe pipe) {
    switch (pipe) {
        case Pipe::Command:
            return "PIPE00";
        case Pipe::Reply:
            return "PIPE01";
        case Pipe::Image:
            return "PIPE03";
        default:
            return "";
    }
}

}  // namespace

struct SimulatedBackend::Impl {
    class Handle;
    struct Unit {
        std::unique_ptr<SimulatedCamera> camera = std::make_unique<SimulatedCamera>();
        std::deque<std::array<std::uint8_t, 8>> replies;
        bool plugged = true;
        bool locked = false;
        bool denied = false;
        bool pathUnreadable = false;
        bool enumerationFails = false;
    };

    std::vector<Unit> units;
    std::function<void()> onDeviceChange;
    bool enumerationFails = false;
    bool nakNext = false;
    bool dropNext = false;
    std::set<std::string> brokenPipes;
    int shortRowAt = -1;
    int unplugAtRow = -1;
    bool neverAnswers = false;
    std::size_t pathLength = 0;
    bool keepWire = false;
    std::vector<WireEvent> wire;
    std::size_t wireBytes = 0;
    int openCount = 0;

    std::string PathOf(int index) const {
        std::string path =
            "\\\\?\\sim#cam" + std::to_string(index) + "#{f1c1ec02-5fe8-4bef-bc2e-59f87233b1fa}";
        if (pathLength > path.size()) {
            // Pad inside the instance part, as a long hardware id would be.
            path.insert(path.find("#{"), pathLength - path.size(), 'x');
        }
        return path;
    }

    void SetPlugged(int index, bool plugged) {
        Unit& unit = units.at(static_cast<std::size_t>(index));
        if (unit.plugged == plugged) {
            return;
        }
        unit.plugged = plugged;
        unit.replies.clear();
        if (onDeviceChange) {
            onDeviceChange();
        }
    }

    void Log(Pipe pipe, bool write, std::span<const std::uint8_t> bytes, std::size_t asked) {
        const std::size_t cost = bytes.size() + sizeof(WireEvent);
        if (!keepWire || wireBytes + cost > kWireLimit) {
            return;
        }
        wireBytes += cost;
        wire.push_back({PipeName(pipe), write, {bytes.begin(), bytes.end()}, asked});
    }

    static void Wait(int timeoutMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(0, timeoutMs)));
    }

    IoResult Write(int index, Pipe pipe, std::span<const std::uint8_t> data);
    IoResult Read(int index, Pipe pipe, int row, std::span<std::uint8_t> buffer, int timeoutMs);
};

// One open interface or pipe of a simulated camera.
class SimulatedBackend::Impl::Handle : public PipeHandle {
public:
    Handle(Impl& impl, int index, Pipe pipe) : m_impl(impl), m_index(index), m_pipe(pipe) {}

    IoResult Read(std::span<std::uint8_t> buffer, int timeoutMs) override {
        return m_impl.Read(m_index, m_pipe, m_nRowsRead++, buffer, timeoutMs);
    }
    IoResult Write(std::span<const std::uint8_t> data, int) override {
        return m_impl.Write(m_index, m_pipe, data);
    }

private:
    Impl& m_impl;
    int m_index;
    Pipe m_pipe;
    int m_nRowsRead = 0;  // reads made on this handle: the row index on the image pipe
};

IoResult SimulatedBackend::Impl::Write(int index, Pipe pipe, std::span<const std::uint8_t> data) {
    Unit& unit = units[static_cast<std::size_t>(index)];
    if (!unit.plugged) {
        return {IoResult::Status::Gone, 0};
    }
    if (pipe != Pipe::Command) {
        // Only the command pipe goes out to the camera.
        return {IoResult::Status::Failed, 0};
    }
    Log(pipe, true, data, data.size());
    if (nakNext) {
        // Refused before the camera acts on it.
        nakNext = false;
        unit.replies.push_back({kNak});
    } else {
        unit.camera->ReceivePacket(data);
        std::uint8_t reply[8];
        while (unit.camera->TakeReply(reply)) {
            std::array<std::uint8_t, 8> queued;
            std::copy_n(reply, 8, queued.begin());
            unit.replies.push_back(queued);
        }
    }
    return {IoResult::Status::Done, data.size()};
}

IoResult SimulatedBackend::Impl::Read(int index, Pipe pipe, int row, std::span<std::uint8_t> buffer,
                                      int timeoutMs) {
    if (pipe != Pipe::Reply && pipe != Pipe::Image) {
        // Nothing comes back on the command pipe or the interface itself.
        return {IoResult::Status::Failed, 0};
    }
    Unit& unit = units[static_cast<std::size_t>(index)];
    const auto delivered = [&](IoResult::Status status, std::size_t n) {
        Log(pipe, false, buffer.first(n), buffer.size());
        return IoResult{status, n};
    };
    if (!unit.plugged) {
        return delivered(IoResult::Status::Gone, 0);
    }
    if (neverAnswers) {
        Wait(timeoutMs);
        return delivered(IoResult::Status::TimedOut, 0);
    }
    if (pipe == Pipe::Reply) {
        if (dropNext) {
            // The reply that was due is lost on the way.
            dropNext = false;
            if (!unit.replies.empty()) {
                unit.replies.pop_front();
            }
            return delivered(IoResult::Status::TimedOut, 0);
        }
        if (unit.replies.empty()) {
            return delivered(IoResult::Status::TimedOut, 0);
        }
        const std::size_t n = std::min<std::size_t>(buffer.size(), 8);
        std::copy_n(unit.replies.front().begin(), n, buffer.begin());
        unit.replies.pop_front();
        return delivered(n == buffer.size() ? IoResult::Status::Done : IoResult::Status::Short, n);
    }
    {
        if (row == unplugAtRow) {
            unplugAtRow = -1;
            SetPlugged(index, false);
            return delivered(IoResult::Status::Gone, 0);
        }
        std::span<std::uint8_t> wanted = buffer;
        if (row == shortRowAt) {
            shortRowAt = -1;
            wanted = buffer.first(buffer.size() / 2);
        }
        const std::size_t n = unit.camera->ReadPicture(wanted);
        if (n == 0) {
            return delivered(IoResult::Status::TimedOut, 0);
        }
        return delivered(n == buffer.size() ? IoResult::Status::Done : IoResult::Status::Short, n);
    }
}

SimulatedBackend::SimulatedBackend(WireLog log) : m_pImpl(std::make_unique<Impl>()) {
    m_pImpl->units.emplace_back();
    m_pImpl->keepWire = log == WireLog::Kept;
}

SimulatedBackend::~SimulatedBackend() = default;

std::optional<std::vector<InterfaceEntry>> SimulatedBackend::EnumerateInterfaces(const Guid& cls) {
    Impl& impl = *m_pImpl;
    if (impl.enumerationFails) {
        return std::nullopt;
    }
    std::vector<InterfaceEntry> entries;
    if (!(cls == GUID_DEVINTERFACE_CAMERA)) {
        return entries;
    }
    for (std::size_t i = 0; i < impl.units.size(); ++i) {
        const Impl::Unit& unit = impl.units[i];
        if (!unit.plugged) {
            continue;
        }
        if (unit.enumerationFails) {
            entries.push_back({InterfaceEntry::State::EnumerationFailed, {}});
        } else if (unit.pathUnreadable) {
            entries.push_back({InterfaceEntry::State::PathUnreadable, {}});
        } else {
            entries.push_back({InterfaceEntry::State::Present, impl.PathOf(static_cast<int>(i))});
        }
    }
    return entries;
}

std::unique_ptr<PipeHandle> SimulatedBackend::Open(std::string_view path) {
    Impl& impl = *m_pImpl;
    for (std::size_t i = 0; i < impl.units.size(); ++i) {
        const Impl::Unit& unit = impl.units[i];
        const std::string device = impl.PathOf(static_cast<int>(i));
        if (!unit.plugged || unit.locked || unit.denied || !path.starts_with(device)) {
            continue;
        }
        const std::string_view rest = path.substr(device.size());
        Pipe pipe;
        if (rest.empty()) {
            pipe = Pipe::Interface;
        } else if (rest == "\\PIPE00") {
            pipe = Pipe::Command;
        } else if (rest == "\\PIPE01") {
            pipe = Pipe::Reply;
        } else if (rest == "\\PIPE03") {
            pipe = Pipe::Image;
        } else {
            continue;
        }
        if (pipe != Pipe::Interface && impl.brokenPipes.count(PipeName(pipe))) {
            return nullptr;
        }
        ++impl.openCount;
        return std::make_unique<Impl::Handle>(impl, static_cast<int>(i), pipe);
    }
    return nullptr;
}

CameraDiagnosis SimulatedBackend::DescribeNotReady() {
    using Kind = CameraDiagnosis::Kind;
    const Impl& impl = *m_pImpl;
    CameraDiagnosis diagnosis;
    diagnosis.simulated = true;
    if (impl.enumerationFails) {
        diagnosis.kind = Kind::UsbUnavailable;
        diagnosis.detail = "the simulated cameras cannot be listed";
        return diagnosis;
    }
    const auto faultOf = [&](int index) {
        const Impl::Unit& unit = impl.units[static_cast<std::size_t>(index)];
        if (unit.denied) {
            return Kind::NoPermission;
        }
        if (unit.locked) {
            return Kind::Busy;
        }
        const bool pipeTooLong =
            impl.PathOf(index).size() + PIPE_COMMAND.size() + 1 >= PATH_BUFFER_SIZE;
        if (unit.pathUnreadable || unit.enumerationFails || pipeTooLong ||
            impl.brokenPipes.count(PipeName(Pipe::Command)) != 0) {
            return Kind::Failed;
        }
        return Kind::Reachable;
    };
    // The first camera that opens wins; else the fault a person can mend soonest is told.
    constexpr Kind kOrder[] = {Kind::Reachable, Kind::NoPermission, Kind::Busy, Kind::Failed};
    const auto place = [&](Kind kind) { return std::find(kOrder, std::end(kOrder), kind); };
    diagnosis.kind = Kind::NoDevice;
    for (int i = 0; i < CameraCount(); ++i) {
        if (!impl.units[static_cast<std::size_t>(i)].plugged) {
            continue;
        }
        const Kind kind = faultOf(i);
        if (diagnosis.kind == Kind::NoDevice || place(kind) < place(diagnosis.kind)) {
            diagnosis.kind = kind;
            diagnosis.device = "sim:" + std::to_string(i);
        }
    }
    if (diagnosis.kind == Kind::Failed) {
        diagnosis.detail = "a simulated fault";
    }
    return diagnosis;
}

SimulatedCamera& SimulatedBackend::Camera(int index) {
    return *m_pImpl->units.at(static_cast<std::size_t>(index)).camera;
}

int SimulatedBackend::CameraCount() const {
    return static_cast<int>(m_pImpl->units.size());
}

int SimulatedBackend::AddCamera() {
    m_pImpl->units.emplace_back();
    if (m_pImpl->onDeviceChange) {
        m_pImpl->onDeviceChange();
    }
    return CameraCount() - 1;
}

std::string SimulatedBackend::DevicePath(int index) const {
    return m_pImpl->PathOf(index);
}

void SimulatedBackend::SetPlugged(int index, bool plugged) {
    m_pImpl->SetPlugged(index, plugged);
}

bool SimulatedBackend::IsPlugged(int index) const {
    return m_pImpl->units.at(static_cast<std::size_t>(index)).plugged;
}

void SimulatedBackend::SetDeviceChangeHandler(std::function<void()> handler) {
    m_pImpl->onDeviceChange = std::move(handler);
}

void SimulatedBackend::SetLocked(int index, bool locked) {
    m_pImpl->units.at(static_cast<std::size_t>(index)).locked = locked;
}

void SimulatedBackend::SetPermissionDenied(int index, bool denied) {
    m_pImpl->units.at(static_cast<std::size_t>(index)).denied = denied;
}

void SimulatedBackend::SetPathUnreadable(int index, bool unreadable) {
    m_pImpl->units.at(static_cast<std::size_t>(index)).pathUnreadable = unreadable;
}

void SimulatedBackend::SetEnumerationFails(bool fails) {
    m_pImpl->enumerationFails = fails;
}

void SimulatedBackend::SetEntryEnumerationFails(int index, bool fails) {
    m_pImpl->units.at(static_cast<std::size_t>(index)).enumerationFails = fails;
}

void SimulatedBackend::NakNextCommand() {
    m_pImpl->nakNext = true;
}

void SimulatedBackend::DropNextReply() {
    m_pImpl->dropNext = true;
}

void SimulatedBackend::SetPipeBroken(const std::string& pipe, bool broken) {
    if (broken) {
        m_pImpl->brokenPipes.insert(pipe);
    } else {
        m_pImpl->brokenPipes.erase(pipe);
    }
}

void SimulatedBackend::SetShortRowAt(int row) {
    m_pImpl->shortRowAt = row;
}

void SimulatedBackend::SetUnplugAtRow(int row) {
    m_pImpl->unplugAtRow = row;
}

void SimulatedBackend::SetNeverAnswers(bool never) {
    m_pImpl->neverAnswers = never;
}

void SimulatedBackend::SetLongDevicePath(bool tooLong) {
    m_pImpl->pathLength = tooLong ? kLongPathLength : 0;
}

void SimulatedBackend::SetDevicePathLength(std::size_t length) {
    m_pImpl->pathLength = length;
}

const std::vector<SimulatedBackend::WireEvent>& SimulatedBackend::Wire() const {
    return m_pImpl->wire;
}

void SimulatedBackend::ClearWire() {
    m_pImpl->wire.clear();
    m_pImpl->wireBytes = 0;
}

int SimulatedBackend::OpenCount() const {
    return m_pImpl->openCount;
}

}  // namespace tavelo
