#pragma once

#include <cstdint>

#include "device/MemoryBlock.h"

namespace tavelo {

inline constexpr std::uint8_t ACK = 0x06;
inline constexpr std::uint8_t NAK = 0x15;
inline constexpr int PACKET_SIZE = 8;

// What a transfer, or a whole exchange built on transfers, came to. The link only says what
// happened; whoever called it decides what the user is told.
enum class LinkResult {
    Done,
    NotACommand,         // the text does not fit a packet: nothing was sent
    NotSent,             // the command pipe could not be opened, or the packet not written
    ReplyPipeNotOpened,  // the reply pipe could not be opened
    Refused,             // the camera answered NAK
    NoAnswer,            // no acknowledgement, or an empty status reply
    NoPictureSize,       // the status names a capture mode and rotation with no picture size
    Incomplete,          // the image pipe did not open, or a row came short
    OutOfMemory,         // the block for the rows could not be had
};

// Told after every picture row that arrived whole, with the count so far.
class RowProgress {
public:
    virtual void RowsReceived(int rows) = 0;

protected:
    ~RowProgress() = default;
};

// The four transfers of the camera link as the protocol uses them. The device link makes
// them; the frame passes them on and shows their messages.
class CameraLink {
public:
    // Writes `text` (at most 7 characters) as a zero-filled 8-byte packet to the command pipe.
    virtual LinkResult SendCommand(const char* text) = 0;
    // Zero-fills `buffer`, then reads one 8-byte reply into it; what did not arrive stays
    // zero, and the reply counts as read once the pipe opened.
    virtual LinkResult ReadReply(std::uint8_t (&buffer)[PACKET_SIZE]) = 0;
    // Reads a reply: Done if its first byte is ACK, Refused on NAK, NoAnswer otherwise.
    virtual LinkResult WaitAck() = 0;
    // Reads `height` rows of 2 * `width` bytes into `block`, top row first, telling `progress`
    // (when given) after each row.
    virtual LinkResult ReadImage(MemoryBlock& block, int width, int height,
                                 RowProgress* progress) = 0;

protected:
    ~CameraLink() = default;
};

}  // namespace tavelo
