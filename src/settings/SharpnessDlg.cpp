#include "settings/SharpnessDlg.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include "res/Strings.h"
#include "settings/DialogFrame.h"
#include "settings/DialogUnits.h"
#include "settings/PreviewSource.h"
#include "settings/SliderControls.h"
#include "settings/Trackbar.h"
#include "ui/CLead.h"
#include "ui/Prompts.h"
#include "ui/ViewHost.h"
#include "ui/WaitCursor.h"

namespace tavelo {
namespace {

// Template 134, in dialog units.
constexpr QSize kDialogSize(187, 241);
constexpr QRect kPreviewRect(23, 7, 139, 129);
constexpr SliderTemplate kControls{{15, 152, 155, 25},
                                   {19, 180, 45, 10},
                                   {122, 180, 45, 10},
                                   {33, 205, 50, 14},
                                   {102, 205, 50, 14}};

constexpr int kUnrotated = 3;
constexpr int kQuarterTurn = 9000;
constexpr int kLastPosition = 6;

}  // namespace

CSharpnessDlg::CSharpnessDlg(QWidget* view, PreviewSource* source, ViewHost* frame)
    : QDialog(view), m_pFrame(frame), m_pView(source) {
    setWindowTitle(QStringLiteral("Picture Adjust"));
    m_preview = new CLead(this);
    m_preview->setObjectName(QStringLiteral("preview1002"));
    const DialogBaseUnits base = BaseUnitsOf(font());
    SetTemplateFrame(this, kDialogSize, base);
    PlaceControl(m_preview, kPreviewRect, base);
    // Their texts come with the adjustment kind, when the dialog starts.
    const SliderControls controls = CreateSliderControls(this, QStringLiteral("Left"),
                                                         QStringLiteral("Right"), kControls, base);
    m_slider = controls.slider;
    m_leftText = controls.leftText;
    m_rightText = controls.rightText;
    m_ok = controls.ok;
    m_cancel = controls.cancel;
    m_slider->setTickInterval(1);
    connect(m_slider, &CTrackbar::EndTrack, this, [this] { OnHScroll(CTrackbar::TB_ENDTRACK); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) { OnActivateApp(state == Qt::ApplicationActive); });
}

CSharpnessDlg::~CSharpnessDlg() = default;

int CSharpnessDlg::DoModal() {
    OnInitDialog();
    CentreOnScreen(this);
    const int result = exec() == QDialog::Accepted ? IDOK : IDCANCEL;
    DestroyWindow();
    return result;
}

bool CSharpnessDlg::OnInitDialog() {
    DoDataExchange(false);
    InitPreview();
    UpdatePreview();
    FitPreview();
    if (m_nKind == KIND_SHARPNESS) {
        setWindowTitle(QStringLiteral("Sharpness"));
        m_leftText->setText(QStringLiteral("Softer"));
        m_rightText->setText(QStringLiteral("Sharper"));
        m_slider->SetRange(0, kLastPosition);
        m_slider->setValue(m_nSharpIndex);
    }
    m_slider->setFocus();
    return true;
}

void CSharpnessDlg::InitPreview() {
    m_preview->SetFlag20(false);
    m_preview->SetAppearance(0);
    m_preview->SetBorderStyle(1);
    m_preview->SetValue6(1);
    m_preview->SetValue19(0);
    m_preview->SetAutoRedraw(true);
    m_preview->SetAutoSize(false);
    m_preview->SetFlag57(true);
    m_preview->SetZoomMode(CLead::kZoomModeFit);  // the whole picture scaled into the window
}

// The preview window takes the picture's shape inside the template's rectangle, centred
// across the dialog and in the upper 60 % of its height. Without a picture there is no shape
// to take: the window keeps the template's rectangle.
void CSharpnessDlg::FitPreview() {
    const int pw = static_cast<int>(m_preview->GetPictureWidth());
    const int ph = static_cast<int>(m_preview->GetPictureHeight());
    if (pw <= 0 || ph <= 0) {
        return;
    }
    const QSize client = m_preview->contentsRect().size();
    int w = client.width();
    int h = client.height();
    if (h <= 0 || w <= 0) {
        return;
    }
    if (ph * w / h < pw) {
        h = ph * w / pw;
    } else {
        w = pw * h / ph;
    }
    const QRect dialog = rect();
    const int left = (dialog.width() - w) / 2;
    const int top = (static_cast<int>(0.6 * dialog.height()) - h) / 2;
    m_preview->setGeometry(left, top, w, h);
    m_preview->Redraw();
}

void CSharpnessDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_nSharpIndex = m_slider->value();
    } else {
        m_slider->setValue(m_nSharpIndex);
    }
}

void CSharpnessDlg::ShowIdleStatus() {
    if (m_pFrame != nullptr) {
        m_pFrame->SetStatusText(m_pView != nullptr && m_pView->NotReady() ? IDS_NOT_READY
                                                                          : IDS_READY);
    }
}

void CSharpnessDlg::UpdatePreview() {
    if (m_pFrame != nullptr) {
        m_pFrame->SetStatusText(IDS_BUSY);
    }
    WaitCursor wait;
    m_preview->SetAutoRedraw(false);
    MemoryBlock block = m_pView != nullptr ? m_pView->BuildBitmap() : MemoryBlock();
    if (!block.IsNull()) {
        m_preview->SetPictureHandle(0);
        const std::int16_t result = m_preview->LoadMemory(block, 0, 0, m_pView->BmpSize());
        block.Free();
        if (result == 0) {
            m_preview->Sharpen(static_cast<short>(m_nSharpValue));
            // The preview's own sizes for a mode 2 capture, larger than the main picture's.
            if (m_nMode == 2) {
                if (m_nCamRotation == 0 || m_nCamRotation == 2) {
                    m_preview->Resize(1024.0f, 768.0f, 1);
                } else if (m_nCamRotation == 1 || m_nCamRotation == 3) {
                    m_preview->Resize(768.0f, 964.0f, 1);
                }
            }
            m_preview->Rotate(static_cast<long>(m_nRotIndex - kUnrotated) * kQuarterTurn, true,
                              FILL_COLOUR);
            wait.Restore();
            ShowIdleStatus();
            m_preview->SetAutoRedraw(true);
            m_preview->Redraw();
            return;
        }
    }
    wait.Restore();
    ShowIdleStatus();
    m_preview->SetAutoRedraw(true);
}

void CSharpnessDlg::OnHScroll(int code) {
    if (code != CTrackbar::TB_ENDTRACK) {
        return;
    }
    DoDataExchange(true);
    const int amount = m_pView != nullptr ? m_pView->SharpnessValue(m_nSharpIndex) : 0;
    if (amount != m_nSharpValue) {
        m_nSharpValue = amount;
        UpdatePreview();
    }
}

void CSharpnessDlg::OnActivateApp(bool active) {
    if (active && m_preview != nullptr) {
        m_preview->Redraw();
    }
}

void CSharpnessDlg::DestroyWindow() {
    m_preview->SetPictureHandle(0);
}

void CSharpnessDlg::accept() {
    DoDataExchange(true);
    QDialog::accept();
}

}  // namespace tavelo
