#include "view/Tavelo2View.h"

#include <QGuiApplication>
#include <QResizeEvent>
#include <optional>

#include "camera/Capture.h"

#include "panel/RemoteDlg.h"
#include "picture/CaptureLook.h"
#include "picture/RawConversion.h"
#include "picture/RawPicture.h"
#include "res/CommandIds.h"
#include "res/ErrorCode.h"
#include "res/Strings.h"
#include "settings/DialogUnits.h"
#include "settings/Profile.h"
#include "ui/CLead.h"
#include "ui/FrameErrors.h"
#include "ui/ViewHost.h"
#include "ui/WaitCursor.h"
#include "view/LeadTarget.h"

namespace tavelo {
namespace {

constexpr int kRotationAngles[] = {-27000, -18000, -9000, 0, 9000, 18000, 27000};
constexpr int kUnrotated = 3;
constexpr int kQuarterTurn = 9000;
// The view's form in dialog units: a child window whose only control is the picture.
constexpr int kFormWidthUnits = 150;
constexpr int kFormHeightUnits = 105;

// What the view shows around the picture transfer: "Busy !", the wait cursor and the main
// window disabled while the rows come, the progress bar moving with them and back at 0 after.
class TransferFeedback final : public CaptureHooks {
public:
    explicit TransferFeedback(ViewHost& frame) : m_frame(frame) {}

    void TransferStarts(int, int) override {
        m_frame.SetStatusText(IDS_BUSY);
        m_wait.emplace();
        m_frame.EnableMainWindow(false);
    }
    void RowsReceived(int rows) override { m_frame.SetProgressPos(rows); }
    void TransferEnded() override {
        // The bar first, while nothing else waits to be painted: the window enabled again is
        // painted once, with the picture, instead of once here and once more for the picture.
        m_frame.SetProgressPos(0);
        m_frame.EnableMainWindow(true);
    }
    void RestoreCursor() { m_wait.reset(); }

private:
    ViewHost& m_frame;
    std::optional<WaitCursor> m_wait;
};

}  // namespace

CTavelo2View::CTavelo2View(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    m_lead = new CLead(this);
    m_lead->setObjectName(QStringLiteral("lead"));
    m_lead->setGeometry(rect());
    // Keys given to the view reach the control, whose arrows and pages pan the picture.
    setFocusProxy(m_lead);
    connect(m_lead, &CLead::zoomStepsRequested, this, &CTavelo2View::OnWheelZoom);
}

CTavelo2View::~CTavelo2View() {
    // An open panel is a child window of the view and is deleted with it, after this body:
    // it never calls back into the view from there, and nothing keeps pointing at it.
    m_pRemote = nullptr;
    m_hRaw.Free();
    m_lead->SetPictureHandle(0);
}

void CTavelo2View::InitControl() {
    m_lead->SetFlag20(false);
    m_lead->SetAppearance(0);
    m_lead->SetValue6(1);
    m_lead->SetValue19(0);
    m_lead->SetAutoRedraw(true);
    m_lead->SetAutoSize(false);
    m_lead->SetFlag57(true);
    m_lead->SetFlag5(true);
}

void CTavelo2View::OnInitialUpdate(ViewHost* frame) {
    InitControl();
    m_pFrame = frame;
    GreyPictureMenus(true);
    m_nQFactor = GetProfileInt("Settings", "Qfactor", 15);
    if (m_nQFactor < 2 || m_nQFactor > 255) {
        m_nQFactor = 15;
    }
    m_nSharpIndex = GetProfileInt("Settings", "Sharpness", 3);
    m_nSharpValue = SharpnessValue(m_nSharpIndex);
    RegisterCommands();
    RegisterPageCommands();
}

void CTavelo2View::RegisterCommands() {
    if (m_pFrame == nullptr) {
        return;
    }
    ViewHost& f = *m_pFrame;
    f.SetCommandHandler(ID_CAPTURE, [this] { OnCapture(); });
    f.SetCommandHandler(ID_ZOOM_IN, [this] { OnZoomIn(); });
    f.SetCommandHandler(ID_ZOOM_OUT, [this] { OnZoomOut(); });
    f.SetCommandHandler(ID_BEST_FIT, [this] { OnBestFit(); });
    f.SetCommandHandler(ID_ACTUAL_SIZE, [this] { OnActualSize(); });
    f.SetCommandHandler(ID_ROTATE_LEFT, [this] { OnRotateLeft(); });
    f.SetCommandHandler(ID_ROTATE_RIGHT, [this] { OnRotateRight(); });
    f.SetCommandHandler(ID_HIDDEN_MODE, [this] { OnHiddenMode(); });
    f.SetCommandHandler(ID_RC_SHOW, [this] { OnRcShow(); });
    f.SetCommandHandler(ID_RC_HIDE, [this] { OnRcHide(); });
    f.SetCommandHandler(ID_RC_TOGGLE, [this] { OnRcToggle(); });
    f.SetCommandHandler(ID_SHARPNESS, [this] { OnSharpness(); });
    f.SetCommandHandler(ID_JPEG_SETTING, [this] { OnJpegSetting(); });
    f.SetCommandHandler(ID_FILE_SAVE, [this] { OnFileSave(); });
    f.SetCommandHandler(ID_FILE_OPEN, [this] { OnFileOpen(); });

    const auto ready = [this](CommandState& s) { s.Enable(!m_bNotReady); };
    const auto picture = [this](CommandState& s) { s.Enable(m_bImage); };
    f.SetUpdateHandler(ID_CAPTURE, ready);
    f.SetUpdateHandler(ID_RC_TOGGLE, [this](CommandState& s) {
        s.Enable(!m_bNotReady);
        s.SetCheck(m_pRemote != nullptr);
    });
    f.SetUpdateHandler(ID_RC_SHOW, [this](CommandState& s) {
        s.Enable(m_pRemote == nullptr && !m_bNotReady);
        s.SetCheck(m_pRemote != nullptr);
    });
    f.SetUpdateHandler(ID_RC_HIDE, [this](CommandState& s) {
        s.Enable(m_pRemote != nullptr && !m_bNotReady);
        s.SetCheck(m_pRemote == nullptr);
    });
    for (int id : {ID_ZOOM_IN, ID_BEST_FIT, ID_ACTUAL_SIZE, ID_ROTATE_LEFT, ID_ROTATE_RIGHT,
                   ID_SHARPNESS, ID_FILE_SAVE}) {
        f.SetUpdateHandler(id, picture);
    }
    f.SetUpdateHandler(ID_ZOOM_OUT, [this](CommandState& s) {
        s.Enable(m_bImage && static_cast<int>(m_lead->GetZoomPercent()) > 10);
    });
}

void CTavelo2View::GreyPictureMenus(bool grey) {
    if (m_pFrame == nullptr) {
        return;
    }
    const int flags = grey ? (MF_GRAYED | MF_DISABLED) : MF_ENABLED;
    m_pFrame->EnableTopMenu(MENU_POS_EDIT, flags);
    m_pFrame->EnableTopMenu(MENU_POS_ZOOM, flags);
    m_pFrame->EnableTopMenu(MENU_POS_ROTATION, flags);
}

int CTavelo2View::RotationAngle() {
    if (m_nRotIndex < 0 || m_nRotIndex > 6) {
        m_nRotIndex = kUnrotated;
    }
    return kRotationAngles[m_nRotIndex];
}

int CTavelo2View::SharpnessValue(int index) {
    if (!IsSharpIndex(index)) {
        index = kDefaultSharpIndex;
        m_nSharpIndex = index;
    }
    return kSharpAmounts[index];
}

float CTavelo2View::CalcFitZoom() const {
    const int cw = width(), ch = height();
    const int w = static_cast<int>(m_lead->GetPictureWidth());
    const int h = static_cast<int>(m_lead->GetPictureHeight());
    if (w <= 0 || h <= 0) {
        return 100.0f;  // no picture: nothing to fit, and no division by zero
    }
    if ((cw * h) / w < ch) {
        return 100.0f * static_cast<float>(cw) / static_cast<float>(w);
    }
    return 100.0f * static_cast<float>(ch) / static_cast<float>(h);
}

QSize CTavelo2View::FormSize() const {
    return MapDialogSize(QSize(kFormWidthUnits, kFormHeightUnits), BaseUnitsOf(font()));
}

void CTavelo2View::ShowIdleStatus() {
    if (m_pFrame != nullptr) {
        m_pFrame->SetStatusText(m_bNotReady ? IDS_NOT_READY : IDS_READY);
    }
}

bool CTavelo2View::OnCapture() {
    if (m_pFrame == nullptr) {
        return false;
    }
    ViewHost& frame = *m_pFrame;
    FrameErrors errors(m_pFrame);

    // The frame has shown whatever the link had to say; a status that names no picture size
    // ends the command without a word, and the size, mode and rotation the view keeps still
    // describe the raw capture it keeps until new rows replace it.
    TransferFeedback feedback(frame);
    CapturedRows captured = CaptureRows(frame, feedback);
    if (captured.result == LinkResult::OutOfMemory) {
        frame.ReportError(ERR_MEMORY);
        return false;
    }
    if (captured.result == LinkResult::Incomplete) {
        feedback.RestoreCursor();
        frame.ReportError(ERR_CAPTURE);
        ShowIdleStatus();
        return false;
    }
    if (captured.result != LinkResult::Done) {
        return false;
    }

    // A picture opened from a file zeroes the applied amount; a fresh capture takes the
    // chosen sharpness again rather than staying unsharpened until the next OK.
    const int amount = SharpnessValue(m_nSharpIndex);
    const RawShape shape{captured.width, captured.height, captured.mode, captured.rotation};
    LeadTarget target(*m_lead);
    const RawPictureResult result =
        ShowRawCapture(target, m_hRaw, std::move(captured.rows), shape, amount, errors);
    if (RawReplaced(result)) {
        m_nMode = shape.mode;
        m_nCamRotation = shape.camRotation;
        m_nWidth = shape.width;
        m_nHeight = shape.height;
        m_nBmpSize = static_cast<int>(BitmapFileSize(m_nWidth, m_nHeight));
    }
    if (result == RawPictureResult::LoadFailed) {
        m_bImage = false;
        frame.ShowZoom(-1.0f);
        GreyPictureMenus(true);
        feedback.RestoreCursor();
        frame.SetStatusText(IDS_READY);
        m_lead->SetAutoRedraw(true);
        frame.ReportError(ERR_LOAD);
        return false;
    }
    // Loaded, even where a resize or sharpen could not be done: the picture is the new one.
    const bool shown = result == RawPictureResult::Shown || result == RawPictureResult::NotFinished;
    if (shown) {
        m_nRotAngle = 0;
        m_nRotIndex = kUnrotated;
        m_nSharpValue = amount;
        m_bImage = true;
        const float fit = CalcFitZoom();
        m_lead->SetZoomMode(CLead::kZoomModeFactor);
        m_lead->SetZoomPercent(fit);
        m_lead->SetAutoRedraw(true);
        frame.ShowZoom(fit);
        GreyPictureMenus(false);
    }
    feedback.RestoreCursor();
    frame.SetStatusText(IDS_READY);
    return shown;
}

void CTavelo2View::SetZoom(float percent) {
    m_lead->SetFlag57(true);
    m_lead->SetZoomMode(CLead::kZoomModeFactor);
    m_lead->SetZoomPercent(percent);
    if (m_pFrame != nullptr) {
        m_pFrame->ShowZoom(percent);
    }
}

void CTavelo2View::OnZoomIn() {
    int z = static_cast<int>(m_lead->GetZoomPercent());
    z = z / 10 * 10 + 10;
    SetZoom(static_cast<float>(z));
}

void CTavelo2View::OnZoomOut() {
    int z = static_cast<int>(m_lead->GetZoomPercent());
    if (z % 10 != 0) {
        z = (z / 10 + 1) * 10;
    }
    if (z <= 10) {
        return;
    }
    SetZoom(static_cast<float>(z - 10));
}

void CTavelo2View::OnBestFit() {
    SetZoom(CalcFitZoom());
}

void CTavelo2View::OnActualSize() {
    m_lead->SetAutoRedraw(false);
    m_lead->SetFlag57(true);
    m_lead->SetZoomMode(CLead::kZoomModeFactor);
    m_lead->SetZoomPercent(100.0f);
    const float w = m_lead->GetViewWidth(), h = m_lead->GetViewHeight();
    m_lead->SetViewRectA(0, 0, w, h);
    m_lead->SetViewRectB(0, 0, w, h);
    m_lead->SetAutoRedraw(true);
    m_lead->Redraw();
    if (m_pFrame != nullptr) {
        m_pFrame->ShowZoom(100.0f);
    }
}

// The picture turns a quarter against what is shown; the index and angle only record the
// total, which wraps after a full turn.
void CTavelo2View::Rotate(int step) {
    m_lead->SetZoomMode(CLead::kZoomModeFactor);
    m_lead->SetZoomPercent(m_lead->GetZoomPercent());
    m_nRotIndex += step;
    m_nRotAngle = RotationAngle();
    m_lead->Rotate(step * kQuarterTurn, true, FILL_COLOUR);
    m_lead->SetAutoRedraw(true);
    m_lead->Redraw();
}

void CTavelo2View::OnRotateLeft() {
    TurnShown(-1);
}

void CTavelo2View::OnRotateRight() {
    TurnShown(+1);
}

void CTavelo2View::OnHiddenMode() {
    m_bHiddenMode = !m_bHiddenMode;
}

void CTavelo2View::OnRcShow() {
    if (m_pRemote != nullptr) {
        m_pRemote->raise();
        m_pRemote->activateWindow();
        return;
    }
    if (m_pFrame == nullptr) {
        return;
    }
    // Known to the view before it opens: a status query that cannot be sent while it opens
    // asks the view to close it again.
    m_pRemote = new CRemoteDlg(*m_pFrame, *this);
    if (!m_pRemote->Create()) {
        delete m_pRemote;
        m_pRemote = nullptr;
        m_pFrame->ReportError(ERR_REMOTE);
    }
}

void CTavelo2View::OnRcHide() {
    // The panel forgets itself here and deletes itself later; the view never deletes it.
    if (m_pRemote != nullptr) {
        m_pRemote->OnCancel();
    }
}

void CTavelo2View::OnRcToggle() {
    if (m_pRemote == nullptr) {
        OnRcShow();
    } else {
        OnRcHide();
    }
}

void CTavelo2View::CloseRemote() {
    // Queued: the link and the connection check ask for this while a panel handler may still
    // be on the stack.
    if (m_pRemote != nullptr) {
        m_pRemote->PostClose();
    }
}

void CTavelo2View::RepaintPicture() {
    if (m_bImage) {
        m_lead->Redraw();
    }
}

void CTavelo2View::ForgetRemote() {
    m_pRemote = nullptr;
    // The panel may go on its own (close box, Esc, a failed send, a lost camera); the menu
    // items and the toolbar button show that at once, not at the next command.
    if (m_pFrame != nullptr) {
        m_pFrame->UpdateCommandUI();
    }
}

void CTavelo2View::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (window()->isMinimized()) {
        return;
    }
    m_lead->setGeometry(0, 0, event->size().width(), event->size().height());
    m_lead->Redraw();
}

}  // namespace tavelo
