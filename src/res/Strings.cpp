#include "res/Strings.h"

#include <iterator>

namespace tavelo {
namespace {

struct Entry {
    int id;
    const char* text;
};

constexpr Entry kStrings[] = {
    {IDS_READY, "Ready !"},
    {IDS_BUSY, "Busy !"},
    {IDS_INITIALIZING, "The main unit is now initializing."},
    {IDS_NOT_READY, "Not Ready"},
};

constexpr const char* kErrors[] = {
    "The communication setting is not for USB.",
    "USB:Failed to transmit.",
    "USB:Failed to receive.",
    "USB:Failed to capture the image.",
    "USB:Failed to communicate.",
    "USB:Disconnected from the main unit.",
    "Memory size is insufficient for allocation.",
    "Failed to load the image. !",
    "Failed to save the image.",
    "Failed to create the remote control.",
    "Time out (The main unit is now initializing.)",
    "The RGB output setting is not XGA output",
};

}  // namespace

const char* LoadString(int id) {
    for (const Entry& e : kStrings) {
        if (e.id == id) {
            return e.text;
        }
    }
    return nullptr;
}

const char* ErrorText(int code) {
    if (code < 1 || code > static_cast<int>(std::size(kErrors))) {
        return nullptr;
    }
    return kErrors[code - 1];
}

}  // namespace tavelo
