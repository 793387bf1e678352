#include "device/UsbSurvey.h"

#include "device/UsbDevices.h"

namespace tavelo {

bool SurveyUsbDevices(const UsbOptions& options, std::vector<UsbSurveyEntry>& entries,
                      std::string& problem) {
    entries.clear();
    auto session = usb::UsbSession::Create(options);
    if (!session) {
        problem = "libusb could not be started";
        return false;
    }
    std::vector<usb::CameraDevice> devices;
    if (!session->ScanAll(devices)) {
        problem = "the USB devices could not be listed";
        return false;
    }
    for (const usb::CameraDevice& device : devices) {
        UsbSurveyEntry entry;
        entry.path = device.path;
        entry.id = device.id;
        entry.name = session->NameOf(device);
        entry.takenForCamera = device.markedByRule || device.listedById;
        entry.markedByRule = device.markedByRule;
        usb::CameraInterface interface;
        entry.candidate = usb::FindCandidateInterface(device.device.get(), interface);
        entry.interfaceNumber = interface.number;
        entries.push_back(std::move(entry));
    }
    return true;
}

std::string FormatUsbSurvey(const std::vector<UsbSurveyEntry>& entries) {
    std::string text;
    bool untakenCandidate = false;
    for (const UsbSurveyEntry& entry : entries) {
        text += entry.path + "  " + FormatUsbId(entry.id) + "  ";
        if (entry.takenForCamera) {
            text += entry.markedByRule ? "camera [udev rule]" : "camera [--usb-id]";
        } else if (entry.candidate) {
            text += "candidate: vendor-specific interface " +
                    std::to_string(entry.interfaceNumber) + " with bulk OUT, IN, OUT, IN";
            untakenCandidate = true;
        } else {
            text += "not a candidate";
        }
        if (!entry.name.empty()) {
            text += "  \"" + entry.name + "\"";
        }
        text += '\n';
    }
    if (entries.empty()) {
        text += "no USB device is attached\n";
    } else if (untakenCandidate) {
        text +=
            "try a candidate with `tavelo-cli --usb-id VID:PID devices`; keep it with "
            "`tavelo-cli udev-rule VID:PID --install`\n";
    } else {
        text += "no other device has the camera's interface\n";
    }
    return text;
}

}  // namespace tavelo
