#include "view/PageCanvas.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace tavelo {

namespace {

constexpr double kHandleRadius = 6.0;  // widget pixels
constexpr double kGrabRadius = 14.0;   // a press this near a corner takes its handle
constexpr int kBigStep = 10;           // Shift+arrow, in screen pixels

const char* const kCornerNames[4] = {"Top-left", "Top-right", "Bottom-right", "Bottom-left"};

double Cross(QPointF o, QPointF a, QPointF b) {
    return (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
}

}  // namespace

bool IsConvexOutline(const PageCorners& c) {
    // With y growing downwards, clockwise as shown is a positive cross product at every
    // corner; a zero one is a corner on the line of its neighbours.
    for (int i = 0; i < 4; ++i) {
        if (Cross(c[i], c[(i + 1) % 4], c[(i + 2) % 4]) <= 0) {
            return false;
        }
    }
    return true;
}

PageCanvas::PageCanvas(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    setAccessibleName(QStringLiteral("Page outline"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PageCanvas::SetPicture(const QImage& picture, const PageCorners& corners) {
    m_picture = picture;
    m_scaled = QPixmap();
    m_corners = corners;
    m_nDragged = -1;
    Describe();
    update();
}

void PageCanvas::SetCorners(const PageCorners& corners) {
    m_corners = corners;
    Describe();
    update();
}

bool PageCanvas::MoveCorner(int index, QPointF to) {
    if (index < 0 || index > 3 || m_picture.isNull()) {
        return false;
    }
    PageCorners moved = m_corners;
    moved[index] = QPointF(std::clamp(to.x(), 0.0, double(m_picture.width())),
                           std::clamp(to.y(), 0.0, double(m_picture.height())));
    if (!IsConvexOutline(moved)) {
        return false;
    }
    if (moved != m_corners) {
        m_corners = moved;
        Describe();
        update();
        Q_EMIT cornersChanged();
    }
    return true;
}

QRectF PageCanvas::PictureRect() const {
    const QRectF room =
        QRectF(contentsRect())
            .adjusted(kHandleRadius + 2, kHandleRadius + 2, -kHandleRadius - 2, -kHandleRadius - 2);
    if (m_picture.isNull() || room.width() <= 0 || room.height() <= 0) {
        return {};
    }
    const QSizeF size = QSizeF(m_picture.size()).scaled(room.size(), Qt::KeepAspectRatio);
    return QRectF(room.center() - QPointF(size.width() / 2, size.height() / 2), size);
}

double PageCanvas::Scale() const {
    return m_picture.isNull() ? 1.0 : PictureRect().width() / m_picture.width();
}

QPointF PageCanvas::ToWidget(QPointF p) const {
    return PictureRect().topLeft() + p * Scale();
}

QPointF PageCanvas::ToPicture(QPointF p) const {
    const double scale = Scale();
    return scale > 0 ? (p - PictureRect().topLeft()) / scale : QPointF();
}

int PageCanvas::CornerAt(QPointF widgetPoint) const {
    int nearest = -1;
    double best = kGrabRadius;
    for (int i = 0; i < 4; ++i) {
        const QPointF d = ToWidget(m_corners[i]) - widgetPoint;
        if (const double distance = std::hypot(d.x(), d.y()); distance <= best) {
            best = distance;
            nearest = i;
        }
    }
    return nearest;
}

void PageCanvas::Focus(int index) {
    m_nFocused = index;
    Describe();
    update();
}

void PageCanvas::Describe() {
    const QPointF p = m_corners[m_nFocused];
    setAccessibleDescription(QStringLiteral("%1 corner at %2, %3")
                                 .arg(QLatin1String(kCornerNames[m_nFocused]))
                                 .arg(std::lround(p.x()))
                                 .arg(std::lround(p.y())));
}

void PageCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Mid));
    const QRectF area = PictureRect();
    if (area.isEmpty()) {
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (area.size() * ratio).toSize();
    if (m_scaled.size() != pixels) {
        m_scaled = QPixmap::fromImage(
            m_picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        m_scaled.setDevicePixelRatio(ratio);
    }
    painter.drawPixmap(area.topLeft(), m_scaled);

    painter.setRenderHint(QPainter::Antialiasing);
    QPolygonF outline;
    for (const QPointF& p : m_corners) {
        outline << ToWidget(p);
    }
    // What falls outside the sheet is dimmed, so that the outline reads at a glance.
    QPainterPath outside;
    outside.setFillRule(Qt::OddEvenFill);
    outside.addRect(area);
    outside.addPolygon(outline);
    painter.fillPath(outside, QColor(0, 0, 0, 90));
    outline << outline.first();
    painter.setPen(QPen(QColor(0, 0, 0, 160), 3.5));
    painter.drawPolyline(outline);
    const QColor line = palette().color(QPalette::Highlight);
    painter.setPen(QPen(line.lighter(130), 1.5));
    painter.drawPolyline(outline);

    for (int i = 0; i < 4; ++i) {
        const bool focused = i == m_nFocused && hasFocus();
        const double radius = focused ? kHandleRadius + 2 : kHandleRadius;
        painter.setPen(QPen(focused ? Qt::white : Qt::black, focused ? 2.5 : 1.5));
        painter.setBrush(focused ? line : QColor(Qt::white));
        painter.drawEllipse(ToWidget(m_corners[i]), radius, radius);
    }
}

void PageCanvas::resizeEvent(QResizeEvent* event) {
    m_scaled = QPixmap();
    QWidget::resizeEvent(event);
}

void PageCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_nDragged = CornerAt(event->position());
    if (m_nDragged >= 0) {
        Focus(m_nDragged);
    }
}

void PageCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (m_nDragged >= 0) {
        // A refused position leaves the corner where it last could be.
        MoveCorner(m_nDragged, ToPicture(event->position()));
    }
}

void PageCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_nDragged = -1;
    }
}

void PageCanvas::keyPressEvent(QKeyEvent* event) {
    QPointF step;
    switch (event->key()) {
        case Qt::Key_Left:
            step = {-1, 0};
            break;
        case Qt::Key_Right:
            step = {1, 0};
            break;
        case Qt::Key_Up:
            step = {0, -1};
            break;
        case Qt::Key_Down:
            step = {0, 1};
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    // One pixel of the screen, however large the picture is shown.
    const double scale = Scale();
    const double pixels = event->modifiers() & Qt::ShiftModifier ? kBigStep : 1;
    if (scale > 0) {
        MoveCorner(m_nFocused, m_corners[m_nFocused] + step * pixels / scale);
    }
}

void PageCanvas::focusInEvent(QFocusEvent* event) {
    // Coming forwards the first corner has the focus, coming backwards the last.
    if (event->reason() == Qt::TabFocusReason) {
        Focus(0);
    } else if (event->reason() == Qt::BacktabFocusReason) {
        Focus(3);
    }
    QWidget::focusInEvent(event);
}

void PageCanvas::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

bool PageCanvas::focusNextPrevChild(bool next) {
    // Tab goes through the corners first, then on to the next control.
    if (next && m_nFocused < 3) {
        Focus(m_nFocused + 1);
        return true;
    }
    if (!next && m_nFocused > 0) {
        Focus(m_nFocused - 1);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

}  // namespace tavelo
