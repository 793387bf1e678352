// What the view says about the camera while it shows no picture.
#include "ui/CLead.h"
#include "view/CameraNotice.h"
#include "view/Tavelo2View.h"

namespace tavelo {

void CTavelo2View::ShowCameraDiagnosis(const CameraDiagnosis& diagnosis, bool ready) {
    const CameraNotice notice = NoticeOf(diagnosis, ready);
    m_lead->SetNotice(notice.heading, notice.text);
}

}  // namespace tavelo
