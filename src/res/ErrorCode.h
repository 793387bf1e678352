#pragma once

namespace tavelo {

// Codes of the frame's error report; the texts are in res/Strings.h.
enum ErrorCode : int {
    ERR_NOT_USB = 1,       // "The communication setting is not for USB."
    ERR_TRANSMIT = 2,      // "USB:Failed to transmit."
    ERR_RECEIVE = 3,       // "USB:Failed to receive."
    ERR_CAPTURE = 4,       // "USB:Failed to capture the image."
    ERR_COMMUNICATE = 5,   // "USB:Failed to communicate."
    ERR_DISCONNECTED = 6,  // "USB:Disconnected from the main unit."
    ERR_MEMORY = 7,        // "Memory size is insufficient for allocation."
    ERR_LOAD = 8,          // "Failed to load the image. !"
    ERR_SAVE = 9,          // "Failed to save the image."
    ERR_REMOTE = 10,       // "Failed to create the remote control."
    ERR_TIME_OUT = 11,     // "Time out (The main unit is now initializing.)"
    ERR_NOT_XGA = 12,      // "The RGB output setting is not XGA output"
};

}  // namespace tavelo
