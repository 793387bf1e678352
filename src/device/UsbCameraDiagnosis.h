#pragma once

#include <vector>

#include "device/CameraDiagnosis.h"
#include "device/UsbDiagnostics.h"

namespace tavelo {

// The one diagnosis a person is told out of the reports on every candidate device: Reachable
// if any of them can be used, else the first device with the fault that is soonest mended
// (permission, then another program holding it, then any other failure, then a device that
// is not the camera); NoDevice when there is no candidate at all.
CameraDiagnosis DiagnosisOfUsbReports(const std::vector<UsbDeviceReport>& reports);

// Looks at the devices now, as `tavelo-cli devices` does.
CameraDiagnosis DiagnoseUsbCamera(const UsbOptions& options);

}  // namespace tavelo
