#include "DeviceListing.h"

#include <algorithm>
#include <cstdio>

#include "device/UsbDiagnostics.h"
#include "device/UsbSurvey.h"

namespace tavelo::cli {

int ListDevices(const BackendOptions& backend, bool all) {
    constexpr int kUsable = 0;
    constexpr int kNone = 2;
    UsbOptions usb;
    usb.extraIds = backend.usbIds;
    std::vector<UsbDeviceReport> reports;
    std::string problem;
    if (!DiagnoseUsbDevices(usb, reports, problem)) {
        std::fprintf(stderr, "tavelo-cli: %s\n", problem.c_str());
        return kNone;
    }
    std::fputs(FormatUsbReports(reports).c_str(), stdout);
    const bool usable = std::any_of(reports.begin(), reports.end(), [](const auto& r) {
        return r.verdict == UsbDeviceReport::Verdict::Usable;
    });
    if (all) {
        std::vector<UsbSurveyEntry> entries;
        if (!SurveyUsbDevices(usb, entries, problem)) {
            std::fprintf(stderr, "tavelo-cli: %s\n", problem.c_str());
            return kNone;
        }
        std::fputs("\nevery attached USB device:\n", stdout);
        std::fputs(FormatUsbSurvey(entries).c_str(), stdout);
    }
    return usable ? kUsable : kNone;
}

std::string NoCameraHintFor(const BackendOptions& backend) {
    UsbOptions usb;
    usb.extraIds = backend.usbIds;
    std::vector<UsbDeviceReport> reports;
    std::string problem;
    if (!DiagnoseUsbDevices(usb, reports, problem)) {
        return problem;
    }
    std::string hint = NoCameraHint(reports);
    if (!hint.empty() && !reports.empty()) {
        hint.append(" (tavelo-cli devices says why)");
    }
    return hint;
}

}  // namespace tavelo::cli
