#include "panel/PanelButton.h"

#include <QKeyEvent>
#include <QPainter>

#include "panel/PanelPictures.h"

namespace tavelo {

CPanelButton::CPanelButton(int id, QWidget* parent) : QAbstractButton(parent), m_nId(id) {
    setFocusPolicy(Qt::TabFocus);
}

void DrawFocusMark(QPainter& painter, const QRect& rect) {
    const QRect ring = rect.adjusted(1, 1, -2, -2);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(ring);
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawRect(ring);
}

void CPanelButton::paintEvent(QPaintEvent*) {
    const QImage picture = LoadMappedPicture(CurrentPicture(), palette());
    QPainter painter(this);
    if (!picture.isNull()) {
        painter.drawImage(0, 0, picture);
    }
    if (hasFocus()) {
        DrawFocusMark(painter, rect());
    }
}

void CPanelButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space) {
        QAbstractButton::keyPressEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || m_bSpaceDown) {
        return;
    }
    m_bSpaceDown = true;
    SpaceDown();
}

void CPanelButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space) {
        QAbstractButton::keyReleaseEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || !m_bSpaceDown) {
        return;
    }
    m_bSpaceDown = false;
    SpaceUp();
}

void CPanelButton::focusOutEvent(QFocusEvent* event) {
    if (m_bSpaceDown) {
        m_bSpaceDown = false;
        SpaceLost();
    }
    QAbstractButton::focusOutEvent(event);
}

}  // namespace tavelo
