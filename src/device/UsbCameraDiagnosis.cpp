#include "device/UsbCameraDiagnosis.h"

#include <algorithm>
#include <iterator>

namespace tavelo {

namespace {

using Kind = CameraDiagnosis::Kind;
using Verdict = UsbDeviceReport::Verdict;

Kind KindOf(Verdict verdict) {
    switch (verdict) {
        case Verdict::Usable:
            return Kind::Reachable;
        case Verdict::NoPermission:
            return Kind::NoPermission;
        case Verdict::Busy:
            return Kind::Busy;
        case Verdict::NoCameraInterface:
            return Kind::NotTheCamera;
        case Verdict::Gone:
        case Verdict::Failed:
            break;
    }
    return Kind::Failed;
}

}  // namespace

CameraDiagnosis DiagnosisOfUsbReports(const std::vector<UsbDeviceReport>& reports) {
    constexpr Kind kOrder[] = {Kind::Reachable, Kind::NoPermission, Kind::Busy, Kind::Failed,
                               Kind::NotTheCamera};
    const auto place = [&](Kind kind) { return std::find(kOrder, std::end(kOrder), kind); };
    CameraDiagnosis diagnosis;
    diagnosis.kind = Kind::NoDevice;
    const UsbDeviceReport* told = nullptr;
    for (const UsbDeviceReport& report : reports) {
        if (told == nullptr || place(KindOf(report.verdict)) < place(KindOf(told->verdict))) {
            told = &report;
        }
    }
    if (told != nullptr) {
        diagnosis.kind = KindOf(told->verdict);
        diagnosis.device = told->path;
        diagnosis.usbId = FormatUsbId(told->id);
        diagnosis.markedByRule = told->markedByRule;
        diagnosis.detail = told->reason;
    }
    return diagnosis;
}

CameraDiagnosis DiagnoseUsbCamera(const UsbOptions& options) {
    std::vector<UsbDeviceReport> reports;
    std::string problem;
    if (!DiagnoseUsbDevices(options, reports, problem)) {
        CameraDiagnosis diagnosis;
        diagnosis.kind = Kind::UsbUnavailable;
        diagnosis.detail = problem;
        return diagnosis;
    }
    return DiagnosisOfUsbReports(reports);
}

}  // namespace tavelo
