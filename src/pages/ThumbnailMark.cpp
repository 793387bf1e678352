#include "pages/ThumbnailMark.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace tavelo {

QImage MarkNoPageEdge(const QImage& thumbnail) {
    if (thumbnail.isNull()) {
        return thumbnail;
    }
    QImage marked = thumbnail.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // A fifth of the thumbnail's width, never so small that the mark cannot be made out.
    const qreal side = std::max<qreal>(12.0, marked.width() / 5.0);
    const qreal x = marked.width() - side - 1;
    QPainterPath triangle;
    triangle.moveTo(x + side / 2, 1);
    triangle.lineTo(x + side, side * 0.9 + 1);
    triangle.lineTo(x, side * 0.9 + 1);
    triangle.closeSubpath();
    QPainter painter(&marked);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(QColor(255, 176, 0));
    painter.drawPath(triangle);
    painter.setPen(QPen(Qt::black, std::max<qreal>(1.5, side / 8)));
    painter.drawLine(QPointF(x + side / 2, side * 0.3 + 1), QPointF(x + side / 2, side * 0.6 + 1));
    painter.drawPoint(QPointF(x + side / 2, side * 0.75 + 1));
    return marked;
}

}  // namespace tavelo
