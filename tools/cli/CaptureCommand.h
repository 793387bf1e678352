#pragma once

#include <QPageSize>
#include <QString>
#include <string>

#include "CaptureTarget.h"
#include "CliHost.h"
#include "device/DeviceLink.h"
#include "pages/PageStraightener.h"
#include "picture/CaptureLook.h"

namespace tavelo::cli {

struct CaptureOptions {
    CaptureTarget target;
    int count = 1;
    double intervalSeconds = 0;  // from one picture written to the next capture started
    // How the picture is made to look and written, as the application does.
    int qFactor = 15;
    int sharpIndex = kDefaultSharpIndex;
    QPageSize::PageSizeId paper = QPageSize::A4;  // of a PDF
    // The document page: the sheet found in each picture, straightened, in `look`.
    bool document = false;
    PageLook look = PageLook::Grey;
    bool json = false;  // one JSON object on stdout for each page written
    QString languages;  // reading the pages' text in these languages ("eng+deu"); empty: not
};

// `capture`: `count` pictures, each captured, brought to the shape the application shows and
// sharpened by the sharpness position, then written as the target says (see WritePages), one
// line on stdout for each. The first failure ends the run with its exit code; files already
// written stay, while a PDF is written only whole. Returns the exit code.
int CaptureCommand(DeviceLink& link, CliHost& host, const CaptureOptions& options);

}  // namespace tavelo::cli
