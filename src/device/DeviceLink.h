#pragma once

#include "device/CameraLink.h"
#include "device/DeviceBackend.h"

namespace tavelo {

// Every pipe read and write gives up after this long, so a camera that stops answering ends
// the operation through its failure path instead of freezing the desktop.
inline constexpr int PIPE_TIMEOUT_MS = 5000;

// The four transfers of the camera link. Each one opens its pipe afresh, makes one transfer
// (or one series of row reads) and closes it again; nothing is kept between calls, and
// nothing is shown: every call answers what happened.
class DeviceLink final : public CameraLink {
public:
    explicit DeviceLink(DeviceBackend& backend, int timeoutMs = PIPE_TIMEOUT_MS);

    LinkResult SendCommand(const char* text) override;
    LinkResult ReadReply(std::uint8_t (&buffer)[PACKET_SIZE]) override;
    LinkResult WaitAck() override;
    LinkResult ReadImage(MemoryBlock& block, int width, int height, RowProgress* progress) override;
    // The connection check: true if the command pipe opens (it is closed again at once).
    bool CheckConnection();

    DeviceBackend& Backend() { return m_backend; }
    int TimeoutMs() const { return m_nTimeoutMs; }

private:
    DeviceBackend& m_backend;
    int m_nTimeoutMs;
};

}  // namespace tavelo
