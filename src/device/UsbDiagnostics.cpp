#include "device/UsbDiagnostics.h"

#include <algorithm>
#include <cstdio>

#include "device/UsbDevices.h"

namespace tavelo {

namespace {

std::string DeviceNode(const usb::CameraDevice& camera) {
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", camera.bus, camera.address);
    return node;
}

void Judge(const usb::CameraDevice& camera, UsbDeviceReport& report) {
    usb::CameraInterface interface;
    if (!usb::FindCameraInterface(camera.device.get(), interface)) {
        report.verdict = UsbDeviceReport::Verdict::NoCameraInterface;
        report.reason =
            "no interface with the expected endpoints (bulk OUT PIPE00, bulk IN PIPE01 and "
            "PIPE03): not the camera, or its ids are listed by mistake";
        return;
    }
    usb::OpenStage stage;
    int error;
    const usb::ClaimedInterface claimed =
        usb::OpenAndClaim(camera.device.get(), interface.number, stage, error);
    if (claimed) {
        report.verdict = UsbDeviceReport::Verdict::Usable;
        report.reason = "ready (interface " + std::to_string(interface.number) + ")";
        return;
    }
    switch (error) {
        case LIBUSB_ERROR_ACCESS:
            report.verdict = UsbDeviceReport::Verdict::NoPermission;
            report.reason = "no permission to open " + DeviceNode(camera) + ": install " +
                            std::string(CAMERA_UDEV_RULES) +
                            " with this camera's ids in /etc/udev/rules.d, reload udev and "
                            "plug the camera in again";
            return;
        case LIBUSB_ERROR_BUSY:
            report.verdict = UsbDeviceReport::Verdict::Busy;
            report.reason = "interface " + std::to_string(interface.number) +
                            " is held by another process (or a kernel driver)";
            return;
        case LIBUSB_ERROR_NO_DEVICE:
            report.verdict = UsbDeviceReport::Verdict::Gone;
            report.reason = "unplugged while being looked at";
            return;
        default:
            report.verdict = UsbDeviceReport::Verdict::Failed;
            report.reason = std::string(stage == usb::OpenStage::Open ? "cannot be opened: "
                                                                      : "cannot be claimed: ") +
                            libusb_strerror(error);
            return;
    }
}

}  // namespace

bool DiagnoseUsbDevices(const UsbOptions& options, std::vector<UsbDeviceReport>& reports,
                        std::string& problem) {
    reports.clear();
    auto session = usb::UsbSession::Create(options);
    if (!session) {
        problem = "libusb could not be started";
        return false;
    }
    std::vector<usb::CameraDevice> cameras;
    if (!session->ScanCameras(cameras)) {
        problem = "the USB devices could not be listed";
        return false;
    }
    for (const usb::CameraDevice& camera : cameras) {
        UsbDeviceReport report;
        report.path = camera.path;
        report.id = camera.id;
        report.markedByRule = camera.markedByRule;
        report.listedById = camera.listedById;
        Judge(camera, report);
        reports.push_back(std::move(report));
    }
    return true;
}

std::string FormatUsbReports(const std::vector<UsbDeviceReport>& reports) {
    std::string text;
    bool chosen = false;
    for (const UsbDeviceReport& report : reports) {
        const bool usable = report.verdict == UsbDeviceReport::Verdict::Usable;
        text += report.path + "  " + FormatUsbId(report.id) + "  ";
        text += report.markedByRule ? "[udev rule]" : "[--usb-id]";
        text += "  " + report.reason;
        if (usable && !chosen) {
            text += "  <- in use";
            chosen = true;
        }
        text += '\n';
    }
    if (!chosen) {
        text += NoCameraHint(reports) + '\n';
    }
    return text;
}

std::string NoCameraHint(const std::vector<UsbDeviceReport>& reports) {
    const bool usable = std::any_of(reports.begin(), reports.end(), [](const auto& r) {
        return r.verdict == UsbDeviceReport::Verdict::Usable;
    });
    if (usable) {
        return {};
    }
    if (!reports.empty()) {
        return "no candidate can be used";
    }
    std::string hint = "no camera found: no attached device is marked by ";
    hint.append(CAMERA_UDEV_RULES)
        .append(" or matches a --usb-id VID:PID (find the ids with lsusb)");
    return hint;
}

}  // namespace tavelo
