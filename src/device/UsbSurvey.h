#pragma once

#include <string>
#include <vector>

#include "device/UsbBackend.h"

namespace tavelo {

// One attached USB device, judged from its descriptors alone: whether it is taken for the
// camera, or has the camera's interface layout and so may be a model whose ids are not known.
struct UsbSurveyEntry {
    std::string path;  // "usb:1-1.4"
    UsbId id;
    std::string name;             // manufacturer and product as the kernel read them; may be empty
    bool takenForCamera = false;  // marked by the udev rules or named by --usb-id
    bool markedByRule = false;
    bool candidate = false;  // a vendor-specific interface with bulk OUT, IN, OUT, IN
    int interfaceNumber = -1;
};

// Every attached device but the root hubs, in the backend's order. No device is opened and
// nothing is sent to any. False, with `problem` saying why, when they could not be listed.
bool SurveyUsbDevices(const UsbOptions& options, std::vector<UsbSurveyEntry>& entries,
                      std::string& problem);

// One device a line, candidates marked, and how to take one for the camera.
std::string FormatUsbSurvey(const std::vector<UsbSurveyEntry>& entries);

}  // namespace tavelo
