#include "panel/HoldButton.h"

#include <QMouseEvent>

namespace tavelo {

CHoldButton::CHoldButton(int id, QWidget* parent) : CPanelButton(id, parent) {}

CHoldButton::~CHoldButton() = default;

int CHoldButton::CurrentPicture() const {
    if (!isEnabled()) {
        return m_nDisabledPic;
    }
    return m_bPressed == 1 ? m_nPressedPic : m_nReleasedPic;
}

void CHoldButton::Press(QMouseEvent* event, bool capture) {
    m_bPressed = 1;
    repaint();
    if (capture) {
        grabMouse();
    }
    Q_EMIT RcMessage(WM_RC_BUTTONDOWN, m_nId);
    // The standard press: the button goes down and keeps the mouse until the release.
    QAbstractButton::mousePressEvent(event);
}

void CHoldButton::SpaceDown() {
    m_bPressed = 1;
    repaint();
    Q_EMIT RcMessage(WM_RC_BUTTONDOWN, m_nId);
}

void CHoldButton::SpaceUp() {
    m_bPressed = 0;
    repaint();
    Q_EMIT RcMessage(WM_RC_BUTTONUP, m_nId);
}

void CHoldButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractButton::mousePressEvent(event);
        return;
    }
    Press(event, false);
}

void CHoldButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click is a press of its own: down, up, down, up.
    if (event->button() != Qt::LeftButton) {
        QAbstractButton::mouseDoubleClickEvent(event);
        return;
    }
    Press(event, true);
}

void CHoldButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractButton::mouseReleaseEvent(event);
        return;
    }
    m_bPressed = 0;
    repaint();
    if (mouseGrabber() == this) {
        releaseMouse();
    }
    // Wherever the pointer is now: a movement started by the press must always be stopped.
    Q_EMIT RcMessage(WM_RC_BUTTONUP, m_nId);
    QAbstractButton::mouseReleaseEvent(event);
}

}  // namespace tavelo
