#include "device/DeviceLink.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "device/DeviceDiscovery.h"

namespace tavelo {

namespace {

// The one place that decides what a transfer that ended early means. Only the bytes the
// backend says moved count: whatever it left in the rest of the buffer is wiped, so a
// timed-out, failed or short read leaves zeros there, and a caller compares the returned
// count with what it asked for.
std::size_t ReadPipe(PipeHandle& pipe, std::span<std::uint8_t> buffer, int timeoutMs) {
    const IoResult result = pipe.Read(buffer, timeoutMs);
    const std::size_t moved = std::min(result.transferred, buffer.size());
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(moved), buffer.end(), 0);
    return moved;
}

std::size_t WritePipe(PipeHandle& pipe, std::span<const std::uint8_t> data, int timeoutMs) {
    const IoResult result = pipe.Write(data, timeoutMs);
    return result.status == IoResult::Status::Done ? std::min(result.transferred, data.size()) : 0;
}

}  // namespace

DeviceLink::DeviceLink(DeviceBackend& backend, int timeoutMs)
    : m_backend(backend), m_nTimeoutMs(timeoutMs) {}

LinkResult DeviceLink::SendCommand(const char* text) {
    // A text that does not fit the packet with its terminating zero is never handed over.
    if (text == nullptr || strnlen(text, PACKET_SIZE) >= PACKET_SIZE) {
        return LinkResult::NotACommand;
    }
    std::uint8_t packet[PACKET_SIZE] = {};
    std::memcpy(packet, text, std::strlen(text) + 1);

    auto pipe = OpenPipe(m_backend, PIPE_COMMAND);
    const bool sent = pipe && WritePipe(*pipe, packet, m_nTimeoutMs) == PACKET_SIZE;
    return sent ? LinkResult::Done : LinkResult::NotSent;
}

LinkResult DeviceLink::ReadReply(std::uint8_t (&buffer)[PACKET_SIZE]) {
    std::fill(std::begin(buffer), std::end(buffer), 0);
    auto pipe = OpenPipe(m_backend, PIPE_REPLY);
    if (!pipe) {
        return LinkResult::ReplyPipeNotOpened;
    }
    // What did not arrive stays zero; the reply is taken as read either way.
    ReadPipe(*pipe, buffer, m_nTimeoutMs);
    return LinkResult::Done;
}

LinkResult DeviceLink::WaitAck() {
    std::uint8_t reply[PACKET_SIZE];
    if (ReadReply(reply) != LinkResult::Done) {
        return LinkResult::ReplyPipeNotOpened;
    }
    if (reply[0] == ACK) {
        return LinkResult::Done;
    }
    return reply[0] == NAK ? LinkResult::Refused : LinkResult::NoAnswer;
}

LinkResult DeviceLink::ReadImage(MemoryBlock& block, int width, int height, RowProgress* progress) {
    // Never read past the caller's block, whatever the sizes say.
    if (width <= 0 || height <= 0 || block.IsNull() ||
        block.Size() / 2 / static_cast<std::size_t>(width) < static_cast<std::size_t>(height)) {
        return LinkResult::Incomplete;
    }
    const std::size_t rowSize = 2 * static_cast<std::size_t>(width);

    auto pipe = OpenPipe(m_backend, PIPE_IMAGE);
    if (!pipe) {
        return LinkResult::Incomplete;
    }
    std::uint8_t* position = block.Data();
    for (int rows = 0; rows < height;) {
        if (ReadPipe(*pipe, {position, rowSize}, m_nTimeoutMs) < rowSize) {
            return LinkResult::Incomplete;
        }
        position += rowSize;
        ++rows;
        if (progress != nullptr) {
            progress->RowsReceived(rows);
        }
    }
    return LinkResult::Done;
}

bool DeviceLink::CheckConnection() {
    return OpenPipe(m_backend, PIPE_COMMAND) != nullptr;
}

}  // namespace tavelo
