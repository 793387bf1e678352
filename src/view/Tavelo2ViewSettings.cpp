// The view's picture settings commands: Sharpness rebuilds the picture from the raw capture
// with the chosen amount, JPEG Setting chooses the Q factor Save writes with.

#include "picture/CaptureLook.h"
#include "res/Strings.h"
#include "settings/Profile.h"
#include "settings/QFactorDlg.h"
#include "settings/SharpnessDlg.h"
#include "ui/CLead.h"
#include "ui/Prompts.h"
#include "ui/ViewHost.h"
#include "ui/WaitCursor.h"
#include "view/Tavelo2View.h"
#include "view/ViewPreviewSource.h"

namespace tavelo {

void CTavelo2View::OnSharpness() {
    const float left = m_lead->GetViewLeft();
    const float top = m_lead->GetViewTop();
    const float width = m_lead->GetViewWidth();
    const float height = m_lead->GetViewHeight();

    ViewPreviewSource source(*this);
    CSharpnessDlg dlg(this, &source, m_pFrame);
    dlg.m_nSharpValue = m_nSharpValue;
    dlg.m_nRotIndex = m_nRotIndex;
    dlg.m_nRotAngle = m_nRotAngle;
    dlg.m_nMode = m_nMode;
    dlg.m_nCamRotation = m_nCamRotation;
    dlg.m_nKind = CSharpnessDlg::KIND_SHARPNESS;
    dlg.m_nSharpIndex = m_nSharpIndex;
    if (dlg.DoModal() == IDCANCEL) {
        return;
    }
    m_nSharpIndex = dlg.m_nSharpIndex;
    m_nSharpValue = SharpnessValue(m_nSharpIndex);
    WriteProfileInt(SETTINGS_SECTION, "Sharpness", m_nSharpIndex);

    if (m_pFrame != nullptr) {
        m_pFrame->SetStatusText(IDS_BUSY);
    }
    WaitCursor wait;
    // The sharpness of a capture is absolute: the picture is made afresh from the raw capture.
    // Without one (a picture opened from a file, or no memory for the image) there is nothing
    // to make it from, and sharpening, resizing and turning the shown picture would pile a
    // second resize and turn onto one already done: it stays as it is, and the position
    // chosen applies from the next capture on.
    MemoryBlock bitmap = source.BuildBitmap();
    if (bitmap.IsNull()) {
        wait.Restore();
        ShowIdleStatus();
        return;
    }
    m_lead->SetAutoRedraw(false);
    const std::int16_t loaded = m_lead->LoadMemory(bitmap, 0, 0, m_nBmpSize);
    bitmap.Free();
    if (loaded != 0) {
        m_lead->SetAutoRedraw(true);
        wait.Restore();
        ShowIdleStatus();
        return;
    }
    m_lead->Sharpen(static_cast<short>(m_nSharpValue));
    int shownWidth = 0, shownHeight = 0;
    if (ShownCaptureSize(m_nMode, m_nCamRotation, shownWidth, shownHeight)) {
        m_lead->Resize(static_cast<float>(shownWidth), static_cast<float>(shownHeight),
                       kCaptureResizeFlags);
    }
    m_nRotAngle = RotationAngle();
    m_lead->Rotate(m_nRotAngle, true, FILL_COLOUR);

    // Same zoom, same place as before the rebuild.
    m_lead->SetFlag5(false);
    m_lead->SetViewRectA(left, top, width, height);
    m_lead->SetViewRectB(left, top, width, height);
    m_lead->SetFlag5(true);

    m_lead->SetAutoRedraw(true);
    wait.Restore();
    ShowIdleStatus();
    m_lead->Redraw();
}

void CTavelo2View::OnJpegSetting() {
    CQFactorDlg dlg;  // no parent window: the dialog stands on its own
    dlg.m_nQFactor = m_nQFactor;
    if (dlg.DoModal() == IDCANCEL) {
        return;
    }
    m_nQFactor = dlg.m_nQFactor;
    WriteProfileInt(SETTINGS_SECTION, "Qfactor", m_nQFactor);
}

}  // namespace tavelo
