#include "pages/LineQuads.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <optional>

namespace tavelo {

namespace {

constexpr int kLinesPerDirection = 5;

struct Segment {
    cv::Point2d a, b;
    double length = 0;
    double angle = 0;  // 0..180 degrees
};

Segment MakeSegment(cv::Point2d a, cv::Point2d b) {
    Segment s{a, b, cv::norm(b - a), 0};
    s.angle = std::atan2(b.y - a.y, b.x - a.x) * 180 / CV_PI;
    if (s.angle < 0) {
        s.angle += 180;
    }
    return s;
}

double DistanceToLine(const Segment& s, cv::Point2d p) {
    const cv::Point2d d = (s.b - s.a) / std::max(1e-9, s.length);
    const cv::Point2d v = p - s.a;
    return std::abs(v.x * d.y - v.y * d.x);
}

bool SameLine(const Segment& s, const Segment& t) {
    double da = std::abs(s.angle - t.angle);
    da = std::min(da, 180 - da);
    return da < 4 && DistanceToLine(s, (t.a + t.b) / 2) < 4;
}

std::optional<QPointF> Meet(const Segment& s, const Segment& t) {
    const cv::Point2d r = s.b - s.a, q = t.b - t.a;
    const double cross = r.x * q.y - r.y * q.x;
    if (std::abs(cross) < 1e-9) {
        return std::nullopt;
    }
    const cv::Point2d d = t.a - s.a;
    const double u = (d.x * q.y - d.y * q.x) / cross;
    return QPointF(s.a.x + u * r.x, s.a.y + u * r.y);
}

}  // namespace

std::vector<PageCorners> LineQuads(const cv::Mat& edges) {
    const double shortSide = std::min(edges.cols, edges.rows);
    std::vector<cv::Vec4i> found;
    cv::HoughLinesP(edges, found, 1, CV_PI / 180, 40, 0.12 * shortSide, 8);
    std::vector<Segment> segments;
    for (const cv::Vec4i& l : found) {
        segments.push_back(MakeSegment(cv::Point2d(l[0], l[1]), cv::Point2d(l[2], l[3])));
    }
    std::sort(segments.begin(), segments.end(),
              [](const Segment& s, const Segment& t) { return s.length > t.length; });
    // One entry per line, the longest segment standing for it.
    std::vector<Segment> level, upright;
    for (const Segment& s : segments) {
        const bool isLevel = s.angle < 45 || s.angle > 135;
        std::vector<Segment>& group = isLevel ? level : upright;
        if (static_cast<int>(group.size()) >= kLinesPerDirection ||
            std::any_of(group.begin(), group.end(),
                        [&](const Segment& t) { return SameLine(s, t); })) {
            continue;
        }
        group.push_back(s);
    }
    const double w = edges.cols, h = edges.rows;
    level.push_back(MakeSegment({0, 0}, {w, 0}));
    level.push_back(MakeSegment({0, h}, {w, h}));
    upright.push_back(MakeSegment({0, 0}, {0, h}));
    upright.push_back(MakeSegment({w, 0}, {w, h}));

    std::vector<PageCorners> quads;
    const double reach = 0.5 * std::max(w, h);
    for (std::size_t i = 0; i < level.size(); ++i) {
        for (std::size_t j = i + 1; j < level.size(); ++j) {
            for (std::size_t k = 0; k < upright.size(); ++k) {
                for (std::size_t m = k + 1; m < upright.size(); ++m) {
                    const Segment* sides[4] = {&level[i], &upright[k], &level[j], &upright[m]};
                    PageCorners q;
                    bool ok = true;
                    for (int c = 0; c < 4 && ok; ++c) {
                        const auto p = Meet(*sides[c], *sides[(c + 1) % 4]);
                        ok = p && p->x() > -reach && p->y() > -reach && p->x() < w + reach &&
                             p->y() < h + reach;
                        if (ok) {
                            q[c] = *p;
                        }
                    }
                    if (ok) {
                        quads.push_back(OrderCorners(q));
                    }
                }
            }
        }
    }
    return quads;
}

}  // namespace tavelo
