#include "panel/RemoteDlg.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>

#include "camera/CommandSet.h"
#include "panel/BitmapButton.h"
#include "panel/HoldButton.h"
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

// Creation order of the buttons, as the panel declares them.
constexpr int HOLD_ORDER[] = {1009, 1010, 1011, 1012, 1013, 1014,
                              1015, 1016, 1017, 1018, 1034, 1033};
constexpr int TOGGLE_ORDER[] = {1032, 1031, 1030, 1019, 1020, 1021, 1022, 1024, 1023,
                                1025, 1026, 1027, 1029, 1028, 1006, 1007, 1008};
constexpr int BITMAP_ORDER[] = {1035, 1036, 1037};

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
    for (int id : HOLD_ORDER) {
        auto* button = new CHoldButton(id, this);
        connect(button, &CHoldButton::RcMessage, this, &CRemoteDlg::OnRcMessage,
                Qt::DirectConnection);
        m_holdButtons.push_back(button);
    }
    for (int id : TOGGLE_ORDER) {
        auto* button = new CToggleButton(id, this);
        connect(button, &CToggleButton::RcMessage, this, &CRemoteDlg::OnRcMessage,
                Qt::DirectConnection);
        m_toggleButtons.push_back(button);
    }
    OnInitDialog();
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
    for (const PanelControl& control : PANEL_CONTROLS) {
        QWidget* widget = HoldButton(control.id);
        if (!widget) {
            widget = ToggleButton(control.id);
        }
        if (!widget) {
            widget = BitmapButton(control.id);
        }
        if (widget) {
            widget->setGeometry(control.Rect());
            widget->update();
        }
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

    SelectInGroup(IDC_LAMP_BASE, IDC_LAMP_UPPER, m_nLamp, 1);
    SelectInGroup(IDC_SOURCE_MAIN, IDC_SOURCE_RGB2, state.group0.videoSource, 0);
    SelectInGroup(IDC_ROTATION_0, IDC_ROTATION_270, state.group2.rotation, 0);
    UpdateArrows();
    UpdateGammaButtons();
}

void CRemoteDlg::SelectInGroup(int first, int last, int value, int base) {
    const int index = value - base;
    for (int id = first; id <= last; ++id) {
        if (CToggleButton* button = ToggleButton(id)) {
            button->m_bChecked = (id - first == index) ? 1 : 0;
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
    switch (id) {
        case IDC_AWB:
            SendAndConfirm(cmd::AUTO_WHITE);
            break;
        case IDC_AF:
            SendAndConfirm(cmd::AUTO_FOCUS);
            break;
        case IDC_IRIS_NORMAL:
            SendAndConfirm(cmd::IRIS_NORMAL);
            break;
        default:
            break;
    }
}

int CRemoteDlg::OnRcButtonDown(int id, int) {
    switch (id) {
        case IDC_ARROW_UP:
            SendAndConfirm(FormatCommand(Code::PointerMove, PM_UP).data());
            break;
        case IDC_ARROW_LEFT:
            SendAndConfirm(FormatCommand(Code::PointerMove, PM_LEFT).data());
            break;
        case IDC_ARROW_RIGHT:
            SendAndConfirm(FormatCommand(Code::PointerMove, PM_RIGHT).data());
            break;
        case IDC_ARROW_DOWN:
            SendAndConfirm(FormatCommand(Code::PointerMove, PM_DOWN).data());
            break;
        case IDC_TELE:
            SendAndConfirm(cmd::ZOOM_TELE);
            break;
        case IDC_WIDE:
            SendAndConfirm(cmd::ZOOM_WIDE);
            break;
        case IDC_NEAR:
            SendAndConfirm(cmd::FOCUS_NEAR);
            break;
        case IDC_FAR:
            SendAndConfirm(cmd::FOCUS_FAR);
            break;
        case IDC_IRIS_OPEN:
            SendAndConfirm(cmd::IRIS_OPEN);
            break;
        case IDC_IRIS_CLOSE:
            SendAndConfirm(cmd::IRIS_CLOSE);
            break;
        case IDC_GAMMA_MINUS:
            GammaStepUp();
            break;
        case IDC_GAMMA_PLUS:
            GammaStepDown();
            break;
        default:
            break;
    }
    return 0;
}

int CRemoteDlg::OnRcButtonUp(int id, int) {
    switch (id) {
        case IDC_ARROW_UP:
        case IDC_ARROW_LEFT:
        case IDC_ARROW_RIGHT:
        case IDC_ARROW_DOWN:
            SendAndConfirm(cmd::POINTER_STOP);
            break;
        case IDC_TELE:
        case IDC_WIDE:
            SendAndConfirm(cmd::ZOOM_STOP);
            break;
        case IDC_NEAR:
        case IDC_FAR:
            SendAndConfirm(cmd::FOCUS_STOP);
            break;
        case IDC_IRIS_OPEN:
        case IDC_IRIS_CLOSE:
            SendAndConfirm(cmd::IRIS_STOP);
            break;
        default:
            // The gamma buttons act once per press; their release sends nothing.
            break;
    }
    return 0;
}

int CRemoteDlg::OnRcToggled(int id, int) {
    switch (id) {
        case IDC_LOCK:
            SendAndConfirm(FormatCommand(Code::Lock, Latch(id)).data());
            break;
        case IDC_POINTER:
            // The arrows follow the pointer only once the camera has taken the command.
            if (tavelo::SendAndConfirm(m_link, FormatCommand(Code::Pointer, Latch(id))) ==
                LinkResult::Done) {
                UpdateArrows();
            }
            break;
        case IDC_MAGNIFY:
            SendAndConfirm(FormatCommand(Code::Magnify, Latch(id)).data());
            break;
        case IDC_ROTATION_0:
        case IDC_ROTATION_90:
        case IDC_ROTATION_180:
        case IDC_ROTATION_270:
            SelectInGroup(IDC_ROTATION_0, IDC_ROTATION_270, id - IDC_ROTATION_0, 0);
            SendAndConfirm(FormatCommand(Code::Rotation, id - IDC_ROTATION_0).data());
            break;
        case IDC_LAMP_BASE:
        case IDC_LAMP_UPPER:
            if (id == IDC_LAMP_BASE) {
                m_nLamp = Latch(id) != 0 ? 1 : 0;
            } else {
                m_nLamp = Latch(id) != 0 ? 2 : 0;
            }
            SelectInGroup(IDC_LAMP_BASE, IDC_LAMP_UPPER, m_nLamp, 1);
            SendAndConfirm(FormatCommand(Code::Lamp, m_nLamp).data());
            break;
        case IDC_SOURCE_MAIN:
        case IDC_SOURCE_RGB1:
        case IDC_SOURCE_RGB2: {
            // The camera wants a status query first; its answer is not needed.
            StatusReply discarded{};
            if (QueryStatus(m_link, cmd::QUERY_GROUP2, discarded) == LinkResult::NotSent) {
                break;
            }
            SelectInGroup(IDC_SOURCE_MAIN, IDC_SOURCE_RGB2, id - IDC_SOURCE_MAIN, 0);
            SendAndConfirm(FormatCommand(Code::VideoSource, id - IDC_SOURCE_MAIN).data());
            break;
        }
        case IDC_CONTRAST:
            SendAndConfirm(FormatCommand(Code::Contrast, Latch(id)).data());
            break;
        case IDC_APERTURE:
            SendAndConfirm(FormatCommand(Code::Aperture, Latch(id)).data());
            break;
        case IDC_PAUSE:
            SendAndConfirm(FormatCommand(Code::Pause, Latch(id)).data());
            break;
        case IDC_POSI_NEGA:
            repaint(POSI_NEGA_AREA);
            SendAndConfirm(FormatCommand(Code::Negative, Latch(id)).data());
            break;
        case IDC_COLOR_BW:
            repaint(COLOR_BW_AREA);
            SendAndConfirm(FormatCommand(Code::BlackWhite, Latch(id)).data());
            break;
        default:
            break;
    }
    return 0;
}

// GAMMA - (1033): one step up, the gamma shown one tenth lower.
void CRemoteDlg::GammaStepUp() {
    if (m_nGamma >= GAMMA_STEP_MAX) {
        m_nGamma = GAMMA_STEP_MAX;
        return;
    }
    // A step from an unreadable status is taken as step 0, so the command carries the step
    // the panel will show and never more than one digit.
    if (m_nGamma < 0) {
        m_nGamma = 0;
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
    if (m_nGamma <= 0) {
        m_nGamma = 0;
        repaint(GAMMA_VALUE_AREA);
        return;
    }
    if (m_nGamma > GAMMA_STEP_MAX) {
        m_nGamma = GAMMA_STEP_MAX;
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

void CRemoteDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    painter.drawImage(0, 0, LoadMappedPicture(IDB_REMOTE_BACKGROUND, colours));
    // Each state picture only for a value its pictures cover.
    const int negative = Latch(IDC_POSI_NEGA);
    if (negative >= 0 && negative <= 1) {
        painter.drawImage(POSI_NEGA_ORIGIN, LoadMappedPicture(IDB_POSI_NEGA + negative, colours));
    }
    const int blackWhite = Latch(IDC_COLOR_BW);
    if (blackWhite >= 0 && blackWhite <= 1) {
        painter.drawImage(COLOR_BW_ORIGIN, LoadMappedPicture(IDB_COLOR_BW + blackWhite, colours));
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

CBitmapButton* CRemoteDlg::BitmapButton(int id) const {
    for (CBitmapButton* button : m_bitmapButtons) {
        if (button->GetDlgCtrlID() == id) {
            return button;
        }
    }
    return nullptr;
}

}  // namespace tavelo
