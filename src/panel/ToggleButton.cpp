#include "panel/ToggleButton.h"

#include <QMouseEvent>

namespace tavelo {

CToggleButton::CToggleButton(int id, QWidget* parent) : CPanelButton(id, parent) {}

CToggleButton::~CToggleButton() = default;

int CToggleButton::CurrentPicture() const {
    if (m_bTracking) {
        return m_nOnPic;
    }
    return m_bChecked == 1 ? m_nOnPic : m_nOffPic;
}

void CToggleButton::SpaceDown() {
    m_bTracking = 1;
    repaint();
}

void CToggleButton::SpaceUp() {
    m_bChecked = m_bChecked == 1 ? 0 : 1;
    Q_EMIT RcMessage(WM_RC_TOGGLED, m_nId);
    m_bTracking = 0;
    repaint();
}

void CToggleButton::SpaceLost() {
    m_bTracking = 0;
    repaint();
}

void CToggleButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bTracking = 1;
        grabMouse();
        repaint();
    }
    QAbstractButton::mousePressEvent(event);
}

void CToggleButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();
        return;
    }
    QAbstractButton::mouseDoubleClickEvent(event);
}

void CToggleButton::mouseMoveEvent(QMouseEvent* event) {
    if (mouseGrabber() != nullptr) {
        const QPoint pos = event->position().toPoint();
        const int wasTracking = m_bTracking;
        // Strictly inside: the picture's edge rows and columns count as outside.
        m_bTracking =
            (pos.x() > 0 && pos.x() < m_nPicWidth && pos.y() > 0 && pos.y() < m_nPicHeight) ? 1 : 0;
        if (m_bTracking != wasTracking) {
            repaint();
        }
    }
    QAbstractButton::mouseMoveEvent(event);
}

void CToggleButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractButton::mouseReleaseEvent(event);
        return;
    }
    if (m_bTracking) {
        m_bChecked = m_bChecked == 1 ? 0 : 1;
    }
    if (mouseGrabber() == this) {
        releaseMouse();
    }
    if (m_bTracking) {
        Q_EMIT RcMessage(WM_RC_TOGGLED, m_nId);
    }
    m_bTracking = 0;
    repaint();
    QAbstractButton::mouseReleaseEvent(event);
}

}  // namespace tavelo
