#include "pages/PageCorners.h"

#include <algorithm>
#include <cmath>

namespace tavelo {

PageCorners WholePicture(QSizeF size) {
    return {QPointF(0, 0), QPointF(size.width(), 0), QPointF(size.width(), size.height()),
            QPointF(0, size.height())};
}

PageCorners OrderCorners(const PageCorners& corners) {
    QPointF centre;
    for (const QPointF& p : corners) {
        centre += p / 4;
    }
    PageCorners ordered = corners;
    // Clockwise as shown (y grows downwards, so by growing angle), then starting from the
    // corner nearest the top left of the picture's frame of reference.
    std::sort(ordered.begin(), ordered.end(), [&](const QPointF& a, const QPointF& b) {
        return std::atan2(a.y() - centre.y(), a.x() - centre.x()) <
               std::atan2(b.y() - centre.y(), b.x() - centre.x());
    });
    const auto first = std::min_element(ordered.begin(), ordered.end(), [&](auto& a, auto& b) {
        return (a.x() - centre.x()) + (a.y() - centre.y()) <
               (b.x() - centre.x()) + (b.y() - centre.y());
    });
    std::rotate(ordered.begin(), first, ordered.end());
    return ordered;
}

PageCorners TurnCorners(const PageCorners& corners, QSizeF size, int steps) {
    PageCorners turned = corners;
    for (int step = ((steps % 4) + 4) % 4; step > 0; --step) {
        // A quarter turn to the right: the left edge becomes the top one.
        for (QPointF& p : turned) {
            p = QPointF(size.height() - p.y(), p.x());
        }
        size.transpose();
        std::rotate(turned.begin(), turned.begin() + 3, turned.end());
    }
    return turned;
}

double CornersArea(const PageCorners& corners) {
    double a = 0;
    for (int i = 0; i < 4; ++i) {
        const QPointF& u = corners[i];
        const QPointF& v = corners[(i + 1) % 4];
        a += u.x() * v.y() - v.x() * u.y();
    }
    return std::abs(a) / 2;
}

}  // namespace tavelo
