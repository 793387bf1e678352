#pragma once

#include <string>
#include <vector>

#include "device/UsbBackend.h"

namespace tavelo {

// What a look at one candidate device found: whether Tavelo can use it, and if not, why.
struct UsbDeviceReport {
    enum class Verdict {
        Usable,             // opens and its interface can be claimed
        NoPermission,       // the device node may not be opened by this user
        Busy,               // the interface is held by another process or a kernel driver
        NoCameraInterface,  // no interface with the pipes the camera has
        Gone,               // unplugged while being looked at
        Failed,             // any other failure; `reason` has libusb's word for it
    };
    std::string path;  // "usb:1-1.4"
    UsbId id;
    bool markedByRule = false;
    bool listedById = false;
    Verdict verdict = Verdict::Failed;
    std::string reason;  // one line for a person
};

// Looks at every attached device that counts as the camera, in the order the backend uses
// them. False, with `problem` saying why, when the USB devices could not be listed at all.
bool DiagnoseUsbDevices(const UsbOptions& options, std::vector<UsbDeviceReport>& reports,
                        std::string& problem);

// The reports as `tavelo-cli devices` prints them, one device a line, the one Tavelo would
// use marked, and a hint when there is none.
std::string FormatUsbReports(const std::vector<UsbDeviceReport>& reports);

// The hint FormatUsbReports ends with when no device can be used: "no camera found: ..."
// when none counts as the camera, "no candidate can be used" when none of them can; empty
// when one can.
std::string NoCameraHint(const std::vector<UsbDeviceReport>& reports);

}  // namespace tavelo
