#include "pages/QuadFit.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <opencv2/imgproc.hpp>

namespace tavelo {

namespace {

// Where the line through a, b meets the line through c, d.
std::optional<QPointF> Meet(cv::Point2f a, cv::Point2f b, cv::Point2f c, cv::Point2f d) {
    const cv::Point2f r = b - a, s = d - c;
    const double cross = double(r.x) * s.y - double(r.y) * s.x;
    if (std::abs(cross) < 1e-6 * cv::norm(r) * cv::norm(s)) {
        return std::nullopt;
    }
    const cv::Point2f ac = c - a;
    const double t = (double(ac.x) * s.y - double(ac.y) * s.x) / cross;
    return QPointF(a.x + t * r.x, a.y + t * r.y);
}

}  // namespace

std::optional<PageCorners> QuadFromContour(const std::vector<cv::Point>& contour, cv::Size frame) {
    std::vector<cv::Point> hull;
    cv::convexHull(contour, hull);
    if (hull.size() < 4) {
        return std::nullopt;
    }
    std::vector<cv::Point> poly;
    const double perimeter = cv::arcLength(hull, true);
    cv::approxPolyDP(hull, poly, 0.015 * perimeter, true);
    if (poly.size() < 4) {
        return std::nullopt;
    }
    PageCorners corners;
    if (poly.size() == 4) {
        for (int i = 0; i < 4; ++i) {
            corners[i] = QPointF(poly[i].x, poly[i].y);
        }
        return OrderCorners(corners);
    }
    // The four longest sides, kept in their order round the outline.
    const int n = static_cast<int>(poly.size());
    std::vector<int> sides(n);
    std::iota(sides.begin(), sides.end(), 0);
    const auto length = [&](int i) { return cv::norm(poly[(i + 1) % n] - poly[i]); };
    std::partial_sort(sides.begin(), sides.begin() + 4, sides.end(),
                      [&](int a, int b) { return length(a) > length(b); });
    sides.resize(4);
    std::sort(sides.begin(), sides.end());
    const double reach = 0.5 * std::max(frame.width, frame.height);
    for (int k = 0; k < 4; ++k) {
        const int i = sides[k], j = sides[(k + 1) % 4];
        const auto corner = Meet(poly[i], poly[(i + 1) % n], poly[j], poly[(j + 1) % n]);
        if (!corner || corner->x() < -reach || corner->y() < -reach ||
            corner->x() > frame.width + reach || corner->y() > frame.height + reach) {
            return std::nullopt;
        }
        corners[(k + 1) % 4] = *corner;
    }
    return OrderCorners(corners);
}

PageCorners ClampToFrame(const PageCorners& corners, QSizeF frame) {
    PageCorners clamped = corners;
    for (QPointF& p : clamped) {
        p.setX(std::clamp(p.x(), 0.0, frame.width()));
        p.setY(std::clamp(p.y(), 0.0, frame.height()));
    }
    return clamped;
}

}  // namespace tavelo
