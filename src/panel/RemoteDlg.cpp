#include "panel/RemoteDlg.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>

#include "camera/CommandSet.h"
#include "panel/BitmapButton.h"
#include "panel/HoldButton.h"
#include "panel/PanelButton.h"
#include "panel/PanelLayout.h"
#include "panel/PanelPictures.h"
#include "panel/RemoteOwner.h"
#include "panel/ToggleButton.h"

namespace tavelo {

// Counts a panel handler on the stack; the last one to leave lets a held close through,
// queued again so that the button that reported is out of its own event handler first.
class CRemoteDlg::BusyScope {
public:
    explicit BusyScope(CRemoteDlg& panel) : m_panel(panel) { ++m_panel.m_nBusy; }
    ~BusyScope() {
        if (--m_panel.m_nBusy == 0 && m_panel.m_bCloseHeld) {
            m_panel.m_bCloseHeld = false;
            m_panel.PostClose();
        }
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    CRemoteDlg& m_panel;
};

namespace {

// Edge and caption sizes of the window frame around the 330 x 480 client area.
constexpr int FRAME_EDGE = 2;

}  // namespace

CRemoteDlg::CRemoteDlg(CameraLink& link, RemoteOwner& owner)
    : QDialog(owner.RemoteParent(), Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                        Qt::WindowCloseButtonHint |
                                        Qt::MSWindowsFixedSizeDialogHint),
      m_link(link),
      m_owner(owner) {
    setModal(false);
    setWindowTitle(QStringLiteral("Remote control"));
    setFixedSize(PANEL_WIDTH, PANEL_HEIGHT);
}

// The buttons are children and go with the window; the owner is not told here, since a
// panel deleted from outside (with its parent) is one its owner already lets go of.
CRemoteDlg::~CRemoteDlg() = default;

bool CRemoteDlg::Create() {
    if (m_bCreated) {
        return false;
    }
    m_bCreated = true;
    for (const PanelControl& control : PANEL_CONTROLS) {
        CPanelButton* button = nullptr;
        if (control.kind == PanelControlKind::Hold) {
            m_holdButtons.push_back(new CHoldButton(control.id, this));
            button = m_holdButtons.back();
        } else if (control.kind == PanelControlKind::Toggle) {
            m_toggleButtons.push_back(new CToggleButton(control.id, this));
            button = m_toggleButtons.back();
        } else {
            continue;
        }
        connect(button, &CPanelButton::RcMessage, this, &CRemoteDlg::OnRcMessage,
                Qt::DirectConnection);
    }
    OnInitDialog();
    // The panel itself holds the focus at first, so no button shows the focus mark until Tab
    // moves it there.
    setFocus(Qt::OtherFocusReason);
    show();
    return true;
}

void CRemoteDlg::OnInitDialog() {
    BusyScope busy(*this);

    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight);
        const QSize outer(PANEL_WIDTH + 3 * FRAME_EDGE, PANEL_HEIGHT + caption + 3 * FRAME_EDGE);
        move(screen->geometry().topLeft() + CentredOrigin(screen->geometry().size(), outer));
    }

    SetButtonImages();
    for (const BitmapPictures& entry : BITMAP_PICTURES) {
        auto* button = new CBitmapButton(entry.id, this);
        button->AutoLoad(QLatin1String(entry.caption));
        connect(button, &QAbstractButton::clicked, this,
                [this, id = entry.id] { OnBitmapClicked(id); });
        m_bitmapButtons.push_back(button);
    }
    LayoutControls();
    QueryState();
}

QPoint CRemoteDlg::CentredOrigin(QSize screen, QSize outer) {
    return QPoint((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2);
}

void CRemoteDlg::SetButtonImages() {
    for (const HoldPictures& entry : HOLD_PICTURES) {
        if (CHoldButton* button = HoldButton(entry.id)) {
            button->m_nPressedPic = entry.pressed;
            button->m_nReleasedPic = entry.released;
            button->m_nDisabledPic = entry.disabled;
        }
    }
    for (const TogglePictures& entry : TOGGLE_PICTURES) {
        if (CToggleButton* button = ToggleButton(entry.id)) {
            button->m_nOnPic = entry.on;
            button->m_nOffPic = entry.off;
            button->m_nPicWidth = entry.width;
            button->m_nPicHeight = entry.height;
        }
    }
}

void CRemoteDlg::LayoutControls() {
    QWidget* previous = nullptr;
    for (const PanelControl& control : PANEL_CONTROLS) {
        QAbstractButton* button = Button(control.id);
        if (!button) {
            continue;
        }
        button->setGeometry(control.Rect());
        button->setToolTip(QString::fromUtf8(control.name));
        button->setAccessibleName(QString::fromUtf8(control.name));
        if (previous) {
            setTabOrder(previous, button);
        }
        previous = button;
        button->update();
    }
}

void CRemoteDlg::QueryState() {
    CameraState state;
    if (!tavelo::QueryState(m_link, state)) {
        // The frame has already asked for the close; it comes once the opening is over.
        return;
    }
    m_nLamp = state.group0.lamp;
    ToggleButton(IDC_POSI_NEGA)->m_bChecked = state.group0.negative;
    ToggleButton(IDC_COLOR_BW)->m_bChecked = state.group0.blackWhite;
    ToggleButton(IDC_POINTER)->m_bChecked = state.group0.pointer;
    ToggleButton(IDC_MAGNIFY)->m_bChecked = state.group0.magnify;
    ToggleButton(IDC_PAUSE)->m_bChecked = state.group0.pause;
    ToggleButton(IDC_LOCK)->m_bChecked = state.group0.lock;
    m_nGamma = state.group2.gamma;
    ToggleButton(IDC_APERTURE)->m_bChecked = state.group2.aperture;
    ToggleButton(IDC_CONTRAST)->m_bChecked = state.group2.contrast;

    SelectChoice(Code::Lamp, m_nLamp);
    SelectChoice(Code::VideoSource, state.group0.videoSource);
    SelectChoice(Code::Rotation, state.group2.rotation);
    UpdateArrows();
    UpdateGammaButtons();
}

void CRemoteDlg::SelectChoice(Code code, int value) {
    // A value no choice of the group stands for (lamp off, unreadable) lights none of them.
    for (const PanelControl& control : PANEL_CONTROLS) {
        if (control.action != PanelAction::Choice || control.code != code) {
            continue;
        }
        if (CToggleButton* button = ToggleButton(control.id)) {
            button->m_bChecked = control.value == value ? 1 : 0;
            button->repaint();
        }
    }
}

void CRemoteDlg::UpdateArrows() {
    // Any latch but 0 counts as a pointer that may be on, also one from an unreadable status.
    const bool enable = Latch(IDC_POINTER) != 0;
    for (int id = IDC_ARROW_UP; id <= IDC_ARROW_DOWN; ++id) {
        if (CHoldButton* button = HoldButton(id)) {
            button->setEnabled(enable);
            button->repaint();
        }
    }
}

void CRemoteDlg::UpdateGammaButtons() {
    if (m_nGamma == 0) {
        HoldButton(IDC_GAMMA_PLUS)->setEnabled(false);
        HoldButton(IDC_GAMMA_PLUS)->repaint();
    }
    if (m_nGamma == GAMMA_STEP_MAX) {
        HoldButton(IDC_GAMMA_MINUS)->setEnabled(false);
        HoldButton(IDC_GAMMA_MINUS)->repaint();
    }
}

int CRemoteDlg::Latch(int id) const {
    const CToggleButton* button = ToggleButton(id);
    return button ? button->m_bChecked : 0;
}

void CRemoteDlg::SendAndConfirm(const char* text) {
    // Only the pointer looks at the answer; every other command keeps what the panel shows.
    tavelo::SendAndConfirm(m_link, text);
}

void CRemoteDlg::OnRcMessage(int message, int id) {
    BusyScope busy(*this);
    switch (message) {
        case WM_RC_BUTTONUP:
            OnRcButtonUp(id, 0);
            break;
        case WM_RC_BUTTONDOWN:
            OnRcButtonDown(id, 0);
            break;
        case WM_RC_TOGGLED:
            OnRcToggled(id, 0);
            break;
        default:
            break;
    }
}

void CRemoteDlg::OnBitmapClicked(int id) {
    BusyScope busy(*this);
    const PanelControl* control = FindPanelControl(id);
    if (control && control->action == PanelAction::Click) {
        SendAndConfirm(control->press);
    }
}

int CRemoteDlg::OnRcButtonDown(int id, int) {
    const PanelControl* control = FindPanelControl(id);
    if (!control || control->kind != PanelControlKind::Hold) {
        return 0;
    }
    switch (control->action) {
        case PanelAction::WhileHeld:
            if (control->press) {
                SendAndConfirm(control->press);
            } else {
                SendAndConfirm(FormatCommand(control->code, control->value).data());
            }
            break;
        case PanelAction::GammaUp:
            GammaStepUp();
            break;
        case PanelAction::GammaDown:
            GammaStepDown();
            break;
        default:
            break;
    }
    return 0;
}

int CRemoteDlg::OnRcButtonUp(int id, int) {
    // The gamma buttons act once per press; their release sends nothing.
    const PanelControl* control = FindPanelControl(id);
    if (control && control->kind == PanelControlKind::Hold && control->release) {
        SendAndConfirm(control->release);
    }
    return 0;
}

int CRemoteDlg::OnRcToggled(int id, int) {
    const PanelControl* control = FindPanelControl(id);
    if (!control || control->kind != PanelControlKind::Toggle) {
        return 0;
    }
    if (control->action == PanelAction::Latch) {
        for (const PanelIndicator& indicator : PANEL_INDICATORS) {
            if (indicator.id == id) {
                repaint(indicator.area);
            }
        }
        const bool taken = tavelo::SendAndConfirm(
                               m_link, FormatCommand(control->code, Latch(id))) == LinkResult::Done;
        // The arrows follow the pointer only once the camera has taken the command.
        if (taken && (control->flags & PANEL_ARROWS_FOLLOW)) {
            UpdateArrows();
        }
    } else if (control->action == PanelAction::Choice) {
        if (control->flags & PANEL_QUERY_FIRST) {
            // The camera wants a status query first; its answer is not needed.
            StatusReply discarded{};
            if (QueryStatus(m_link, cmd::QUERY_GROUP2, discarded) == LinkResult::NotSent) {
                return 0;
            }
        }
        int value = control->value;
        if ((control->flags & PANEL_CAN_PUT_OUT) && Latch(id) == 0) {
            value = 0;
        }
        if (control->code == Code::Lamp) {
            m_nLamp = value;
        }
        SelectChoice(control->code, value);
        SendAndConfirm(FormatCommand(control->code, value).data());
    }
    return 0;
}

// GAMMA - (1033): one step up, the gamma shown one tenth lower.
void CRemoteDlg::GammaStepUp() {
    if (m_nGamma < 0 || m_nGamma >= GAMMA_STEP_MAX) {
        SettleGamma(GAMMA_STEP_MAX);
        return;
    }
    ++m_nGamma;
    if (m_link.SendCommand(FormatCommand(Code::Gamma, m_nGamma).data()) != LinkResult::Done) {
        return;
    }
    m_link.WaitAck();
    if (m_nGamma == GAMMA_STEP_MAX) {
        HoldButton(IDC_GAMMA_MINUS)->setEnabled(false);
        HoldButton(IDC_GAMMA_MINUS)->update();
    }
    if (m_nGamma == 1) {
        // It may have been disabled while held; it comes back drawn released.
        CHoldButton* plus = HoldButton(IDC_GAMMA_PLUS);
        plus->m_bPressed = 0;
        plus->setEnabled(true);
        plus->update();
    }
    repaint(GAMMA_VALUE_AREA);
}

// GAMMA + (1034): one step down, the gamma shown one tenth higher.
void CRemoteDlg::GammaStepDown() {
    if (m_nGamma <= 0 || m_nGamma > GAMMA_STEP_MAX) {
        SettleGamma(0);
        return;
    }
    --m_nGamma;
    if (m_link.SendCommand(FormatCommand(Code::Gamma, m_nGamma).data()) != LinkResult::Done) {
        return;
    }
    m_link.WaitAck();
    if (m_nGamma == 0) {
        HoldButton(IDC_GAMMA_PLUS)->setEnabled(false);
        HoldButton(IDC_GAMMA_PLUS)->update();
    }
    if (m_nGamma == GAMMA_STEP_MAX - 1) {
        CHoldButton* minus = HoldButton(IDC_GAMMA_MINUS);
        minus->m_bPressed = 0;
        minus->setEnabled(true);
        minus->update();
    }
    repaint(GAMMA_VALUE_AREA);
}

// At its limit, or from a step the status could not give (outside 0..7), a gamma button only
// puts the step at the limit it moves towards, without a word to the camera: every step sent
// is then one away from a step the panel has shown.
void CRemoteDlg::SettleGamma(int limit) {
    m_nGamma = limit;
    UpdateGammaButtons();
    repaint(GAMMA_VALUE_AREA);
}

void CRemoteDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    painter.drawImage(0, 0, LoadMappedPicture(IDB_REMOTE_BACKGROUND, colours));
    // Each state picture only for a value its pictures cover.
    for (const PanelIndicator& indicator : PANEL_INDICATORS) {
        const int latch = Latch(indicator.id);
        if (latch >= 0 && latch <= 1) {
            painter.drawImage(indicator.area.topLeft(),
                              LoadMappedPicture(indicator.firstPicture + latch, colours));
        }
    }
    if (m_nGamma >= 0 && m_nGamma <= GAMMA_STEP_MAX) {
        painter.drawImage(GAMMA_VALUE_ORIGIN,
                          LoadMappedPicture(IDB_GAMMA_VALUE + m_nGamma, colours));
    }
}

void CRemoteDlg::PostClose() {
    QMetaObject::invokeMethod(
        this, [this] { OnCancel(); }, Qt::QueuedConnection);
}

void CRemoteDlg::OnCancel() {
    if (m_bClosing) {
        return;
    }
    if (m_nBusy > 0) {
        m_bCloseHeld = true;
        return;
    }
    m_bClosing = true;
    m_owner.ForgetRemote();
    hide();
    deleteLater();
}

void CRemoteDlg::reject() {
    OnCancel();
}

void CRemoteDlg::accept() {
    OnOK();
}

CHoldButton* CRemoteDlg::HoldButton(int id) const {
    for (CHoldButton* button : m_holdButtons) {
        if (button->GetDlgCtrlID() == id) {
            return button;
        }
    }
    return nullptr;
}

CToggleButton* CRemoteDlg::ToggleButton(int id) const {
    for (CToggleButton* button : m_toggleButtons) {
        if (button->GetDlgCtrlID() == id) {
            return button;
        }
    }
    return nullptr;
}

QAbstractButton* CRemoteDlg::Button(int id) const {
    if (CHoldButton* button = HoldButton(id)) {
        return button;
    }
    if (CToggleButton* button = ToggleButton(id)) {
        return button;
    }
    return BitmapButton(id);
}

CBitmapButton* CRemoteDlg::BitmapButton(int id) const {
    for (CBitmapButton* button : m_bitmapButtons) {
        if (button->GetDlgCtrlID() == id) {
            return button;
        }
    }
    return nullptr;
}

}  // namespace tavelo
