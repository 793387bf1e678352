// What the view says about the camera while it shows no picture, and zooming by the wheel.
#include <cstdlib>

#include "res/CommandIds.h"
#include "ui/CLead.h"
#include "ui/ViewHost.h"
#include "view/CameraNotice.h"
#include "view/Tavelo2View.h"

namespace tavelo {

void CTavelo2View::ShowCameraDiagnosis(const CameraDiagnosis& diagnosis, bool ready) {
    const CameraNotice notice = NoticeOf(diagnosis, ready);
    m_lead->SetNotice(notice.heading, notice.text);
}

void CTavelo2View::OnWheelZoom(int steps) {
    if (m_pFrame == nullptr) {
        return;
    }
    // Through the commands, so a notch does what the menu item does and nothing while greyed.
    const int id = steps > 0 ? ID_ZOOM_IN : ID_ZOOM_OUT;
    for (int i = 0; i < std::abs(steps); ++i) {
        m_pFrame->RunCommand(id);
    }
}

}  // namespace tavelo
