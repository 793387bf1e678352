#include "settings/Trackbar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

namespace tavelo {

CTrackbar::CTrackbar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setFocusPolicy(Qt::StrongFocus);
    setTickPosition(QSlider::TicksBelow);
}

void CTrackbar::SetRange(int minimum, int maximum) {
    setRange(minimum, maximum);
    setPageStep(std::max(1, (maximum - minimum) / 5));
}

void CTrackbar::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    // Besides the left button, the style may let another button set the thumb where it is
    // clicked (the middle one, commonly) or page it: that move ends on its release too.
    const int moving = Qt::LeftButton |
                       style()->styleHint(QStyle::SH_Slider_AbsoluteSetButtons, nullptr, this) |
                       style()->styleHint(QStyle::SH_Slider_PageSetButtons, nullptr, this);
    if ((event->button() & moving) != 0) {
        Q_EMIT EndTrack();
    }
}

void CTrackbar::keyReleaseEvent(QKeyEvent* event) {
    QSlider::keyReleaseEvent(event);
    if (event->isAutoRepeat()) {
        return;  // the key is still held: the thumb is still moving
    }
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            Q_EMIT EndTrack();
            break;
        default:
            break;
    }
}

void CTrackbar::wheelEvent(QWheelEvent* event) {
    const int before = value();
    QSlider::wheelEvent(event);
    // A wheel notch is a whole move; it ends where it stops.
    if (value() != before) {
        Q_EMIT EndTrack();
    }
}

}  // namespace tavelo
