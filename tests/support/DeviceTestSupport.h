#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceBackend.h"
#include "support/LinkRig.h"

namespace tavelo::test {

// Passes everything to another backend, remembers every path asked to open, and lets a test
// replace how transfers on the opened handles end.
class TamperingBackend : public DeviceBackend {
public:
    using ReadHook = std::function<IoResult(PipeHandle&, std::span<std::uint8_t>, int)>;
    using WriteHook = std::function<IoResult(PipeHandle&, std::span<const std::uint8_t>, int)>;

    explicit TamperingBackend(DeviceBackend& inner) : m_inner(inner) {}

    std::optional<std::vector<InterfaceEntry>> EnumerateInterfaces(const Guid& cls) override {
        return m_inner.EnumerateInterfaces(cls);
    }
    std::unique_ptr<PipeHandle> Open(std::string_view path) override {
        openedPaths.emplace_back(path);
        auto handle = m_inner.Open(path);
        if (!handle) {
            return nullptr;
        }
        return std::make_unique<Handle>(*this, std::move(handle));
    }
    CameraDiagnosis DescribeNotReady() override { return m_inner.DescribeNotReady(); }
    bool IsSimulated() const override { return m_inner.IsSimulated(); }

    std::vector<std::string> openedPaths;
    ReadHook onRead;    // when set, decides every read
    WriteHook onWrite;  // when set, decides every write

private:
    class Handle : public PipeHandle {
    public:
        Handle(TamperingBackend& owner, std::unique_ptr<PipeHandle> inner)
            : m_owner(owner), m_inner(std::move(inner)) {}
        IoResult Read(std::span<std::uint8_t> buffer, int timeoutMs) override {
            return m_owner.onRead ? m_owner.onRead(*m_inner, buffer, timeoutMs)
                                  : m_inner->Read(buffer, timeoutMs);
        }
        IoResult Write(std::span<const std::uint8_t> data, int timeoutMs) override {
            return m_owner.onWrite ? m_owner.onWrite(*m_inner, data, timeoutMs)
                                   : m_inner->Write(data, timeoutMs);
        }

    private:
        TamperingBackend& m_owner;
        std::unique_ptr<PipeHandle> m_inner;
    };

    DeviceBackend& m_inner;
};

}  // namespace tavelo::test
