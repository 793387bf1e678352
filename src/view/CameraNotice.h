#pragma once

#include <QString>

#include "device/CameraDiagnosis.h"

namespace tavelo {

// What the empty view says about the camera: a short heading and one or two sentences on what
// is wrong and what to do about it.
struct CameraNotice {
    QString heading;
    QString text;
    bool IsEmpty() const { return heading.isEmpty() && text.isEmpty(); }
};

// The notice for a diagnosis; `ready` is the last connection check's finding. Empty while a
// real camera is ready: the view is then the plain grey one. The simulated camera always
// says that it is one.
CameraNotice NoticeOf(const CameraDiagnosis& diagnosis, bool ready);

}  // namespace tavelo
