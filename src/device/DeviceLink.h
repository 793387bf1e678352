#pragma once

#include <cstdint>

#include "device/DeviceBackend.h"
#include "device/LinkHost.h"
#include "device/MemoryBlock.h"

namespace tavelo {

// Every pipe read and write gives up after this long, so a camera that stops answering ends
// the operation through its failure path instead of freezing the desktop.
inline constexpr int PIPE_TIMEOUT_MS = 5000;

inline constexpr std::uint8_t ACK = 0x06;
inline constexpr std::uint8_t NAK = 0x15;
inline constexpr int PACKET_SIZE = 8;

// The four transfers of the camera link. Each one opens its pipe afresh, makes one transfer
// (or one series of row reads) and closes it again; nothing is kept between calls.
class DeviceLink {
public:
    DeviceLink(DeviceBackend& backend, LinkHost& host, int timeoutMs = PIPE_TIMEOUT_MS);

    // Writes `text` (at most 7 characters) as a zero-filled 8-byte packet to the command pipe.
    bool SendCommand(const char* text);
    // Zero-fills `buffer`, then reads one 8-byte reply into it.
    bool ReadReply(std::uint8_t (&buffer)[PACKET_SIZE]);
    // Reads a reply; true if its first byte is ACK, error 5 on NAK.
    bool WaitAck();
    // Reads PictureHeight() rows of 2 * PictureWidth() bytes into `block`, top row first.
    bool ReadImage(MemoryBlock& block);
    // The connection check: true if the command pipe opens (it is closed again at once).
    bool CheckConnection();

    DeviceBackend& Backend() { return m_backend; }
    int TimeoutMs() const { return m_nTimeoutMs; }

private:
    DeviceBackend& m_backend;
    LinkHost& m_host;
    int m_nTimeoutMs;
};

}  // namespace tavelo
