#pragma once

#include "device/CameraLink.h"

namespace tavelo::cli {

// Exit codes, one per way to fail.
enum Exit : int {
    EXIT_OK = 0,
    EXIT_USAGE = 1,
    EXIT_NOT_SENT = 2,        // the command pipe could not be opened: no camera
    EXIT_NO_REPLY_PIPE = 3,   // the reply pipe could not be opened
    EXIT_REFUSED = 4,         // the camera answered NAK
    EXIT_NO_ANSWER = 5,       // no acknowledgement came
    EXIT_UNKNOWN_STATUS = 6,  // a capture mode and rotation with no picture size
    EXIT_TRANSFER = 7,        // the picture did not arrive whole
    EXIT_MEMORY = 8,
    EXIT_SAVE = 9,
    EXIT_LOAD = 10,  // a picture file could not be read
};

// The exit code of each way an exchange with the camera can end.
inline int ExitCode(LinkResult result) {
    switch (result) {
        case LinkResult::Done:
            return EXIT_OK;
        case LinkResult::NotACommand:
            return EXIT_USAGE;
        case LinkResult::NotSent:
            return EXIT_NOT_SENT;
        case LinkResult::ReplyPipeNotOpened:
            return EXIT_NO_REPLY_PIPE;
        case LinkResult::Refused:
            return EXIT_REFUSED;
        case LinkResult::NoAnswer:
            return EXIT_NO_ANSWER;
        case LinkResult::NoPictureSize:
            return EXIT_UNKNOWN_STATUS;
        case LinkResult::Incomplete:
            return EXIT_TRANSFER;
        case LinkResult::OutOfMemory:
            return EXIT_MEMORY;
    }
    return EXIT_USAGE;
}

}  // namespace tavelo::cli
