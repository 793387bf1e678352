#include "pages/EdgeRefine.h"

#include <cmath>
#include <opencv2/imgproc.hpp>
#include <optional>
#include <vector>

namespace tavelo {

namespace {

// Brightness at a point given in picture coordinates (pixel i covers [i, i + 1)), read
// straight from the picture so that only the few pixels looked at are converted.
double Sample(const cv::Mat& picture, double x, double y) {
    x -= 0.5, y -= 0.5;
    const int n = picture.channels();
    const int ix = std::clamp(static_cast<int>(std::floor(x)), 0, picture.cols - 2);
    const int iy = std::clamp(static_cast<int>(std::floor(y)), 0, picture.rows - 2);
    const double fx = std::clamp(x - ix, 0.0, 1.0), fy = std::clamp(y - iy, 0.0, 1.0);
    const uchar* r0 = picture.ptr(iy) + ix * n;
    const uchar* r1 = picture.ptr(iy + 1) + ix * n;
    return (Brightness(r0, n) * (1 - fx) + Brightness(r0 + n, n) * fx) * (1 - fy) +
           (Brightness(r1, n) * (1 - fx) + Brightness(r1 + n, n) * fx) * fy;
}

struct Line {
    cv::Point2d point, direction;
};

std::optional<QPointF> Meet(const Line& l, const Line& m) {
    const double cross = l.direction.x * m.direction.y - l.direction.y * m.direction.x;
    if (std::abs(cross) < 1e-6) {
        return std::nullopt;
    }
    const cv::Point2d d = m.point - l.point;
    const double t = (d.x * m.direction.y - d.y * m.direction.x) / cross;
    return QPointF(l.point.x + t * l.direction.x, l.point.y + t * l.direction.y);
}

Line FitLine(const std::vector<cv::Point2f>& points, int type) {
    cv::Vec4f fitted;
    cv::fitLine(points, fitted, type, 0, 0.01, 0.01);
    return {{fitted[2], fitted[3]}, {fitted[0], fitted[1]}};
}

double Distance(const Line& l, cv::Point2f p) {
    const cv::Point2d d = cv::Point2d(p) - l.point;
    return std::abs(d.x * l.direction.y - d.y * l.direction.x);
}

// The side from a to b moved onto the brightness step across it, or nothing.
std::optional<Line> RefineSide(QPointF a, QPointF b, const cv::Mat& grey, double reach) {
    const cv::Point2d pa(a.x(), a.y()), pb(b.x(), b.y());
    const double length = cv::norm(pb - pa);
    if (length < 8) {
        return std::nullopt;
    }
    const cv::Point2d along = (pb - pa) / length;
    const cv::Point2d out(along.y, -along.x);  // outwards for corners going clockwise
    const int samples = std::clamp(static_cast<int>(length / 20), 12, 32);
    const int steps = static_cast<int>(std::ceil(reach));
    std::vector<double> profile(static_cast<std::size_t>(2 * steps + 3));
    std::vector<cv::Point2f> points;
    for (int i = 0; i < samples; ++i) {
        const double t = 0.06 + 0.88 * i / (samples - 1);
        const cv::Point2d p = pa + (pb - pa) * t;
        for (int k = -steps - 1; k <= steps + 1; ++k) {
            // Across the side, averaged over three points along it against grain and text.
            double v = 0;
            for (int s = -1; s <= 1; ++s) {
                const cv::Point2d q = p + out * double(k) + along * (1.5 * s);
                v += Sample(grey, q.x, q.y);
            }
            profile[std::size_t(k + steps + 1)] = v / 3;
        }
        int best = 0;
        double bestStep = 0;
        for (int k = -steps; k <= steps; ++k) {
            const double step =
                std::abs(profile[std::size_t(k + steps + 2)] - profile[std::size_t(k + steps)]);
            if (step > bestStep) {
                bestStep = step, best = k;
            }
        }
        if (bestStep < 8) {
            continue;
        }
        // The step's middle to a fraction of a pixel (a parabola through the peak).
        const auto step = [&](int k) {
            return std::abs(profile[std::size_t(k + steps + 2)] - profile[std::size_t(k + steps)]);
        };
        double offset = 0;
        if (best > -steps && best < steps) {
            const double l = step(best - 1), c = step(best), r = step(best + 1);
            const double denominator = l - 2 * c + r;
            if (denominator < 0) {
                offset = std::clamp(0.5 * (l - r) / denominator, -0.5, 0.5);
            }
        }
        const cv::Point2d at = p + out * (best + offset);
        points.emplace_back(static_cast<float>(at.x), static_cast<float>(at.y));
    }
    if (static_cast<int>(points.size()) < std::max(6, samples / 3)) {
        return std::nullopt;
    }
    const Line rough = FitLine(points, cv::DIST_HUBER);
    std::vector<cv::Point2f> kept;
    for (const cv::Point2f& p : points) {
        if (Distance(rough, p) < 1.5) {
            kept.push_back(p);
        }
    }
    if (static_cast<int>(kept.size()) < std::max(6, samples / 4)) {
        return std::nullopt;
    }
    return FitLine(kept, cv::DIST_L2);
}

}  // namespace

double Brightness(const uchar* p, int channels) {
    return channels == 1 ? p[0] : 0.114 * p[0] + 0.587 * p[1] + 0.299 * p[2];
}

double SharpShare(const cv::Mat& picture, QPointF a, QPointF b, double reach) {
    const cv::Point2d pa(a.x(), a.y()), pb(b.x(), b.y());
    const double length = cv::norm(pb - pa);
    if (length < 8) {
        return 0;
    }
    const cv::Point2d along = (pb - pa) / length, out(along.y, -along.x);
    constexpr int kSamples = 24, kFar = 8;
    const int steps = static_cast<int>(std::ceil(reach));
    std::vector<double> profile(static_cast<std::size_t>(2 * (steps + kFar) + 1));
    int count = 0;
    for (int i = 0; i < kSamples; ++i) {
        const cv::Point2d p = pa + (pb - pa) * (0.1 + 0.8 * i / (kSamples - 1));
        for (int k = -steps - kFar; k <= steps + kFar; ++k) {
            // Averaged along the side over a few pixels, against grain and text.
            double v = 0;
            for (int s = -2; s <= 2; ++s) {
                const cv::Point2d q = p + out * double(k) + along * (1.5 * s);
                v += Sample(picture, q.x, q.y);
            }
            profile[std::size_t(k + steps + kFar)] = v / 5;
        }
        const auto at = [&](int k) { return profile[std::size_t(k + steps + kFar)]; };
        int best = 0;
        double sharpest = 0;
        for (int k = -steps; k <= steps; ++k) {
            const double step = std::abs(at(k + 1) - at(k - 1));
            if (step > sharpest) {
                sharpest = step, best = k;
            }
        }
        // Level on either side a little way off, and the whole change made within two pixels.
        double lowIn = 1e9, highIn = -1e9, lowOut = 1e9, highOut = -1e9;
        for (int k = 3; k <= kFar; ++k) {
            lowOut = std::min(lowOut, at(best + k)), highOut = std::max(highOut, at(best + k));
            lowIn = std::min(lowIn, at(best - k)), highIn = std::max(highIn, at(best - k));
        }
        const double change = (lowOut + highOut - lowIn - highIn) / 2;
        const bool sharp = std::abs(change) >= 6 && sharpest >= 0.5 * std::abs(change) &&
                           highIn - lowIn < 0.5 * std::abs(change) &&
                           highOut - lowOut < 0.5 * std::abs(change);
        count += sharp;
    }
    return double(count) / kSamples;
}

bool OnBorder(QPointF a, QPointF b, QSizeF size, double slack) {
    const auto near = [slack](double v, double edge) { return std::abs(v - edge) <= slack; };
    return (near(a.x(), 0) && near(b.x(), 0)) || (near(a.y(), 0) && near(b.y(), 0)) ||
           (near(a.x(), size.width()) && near(b.x(), size.width())) ||
           (near(a.y(), size.height()) && near(b.y(), size.height()));
}

PageCorners RefineCorners(const PageCorners& coarse, const cv::Mat& grey, double reach) {
    const QSizeF size(grey.cols, grey.rows);
    std::array<Line, 4> lines;
    for (int i = 0; i < 4; ++i) {
        const QPointF a = coarse[i], b = coarse[(i + 1) % 4];
        std::optional<Line> refined;
        if (!OnBorder(a, b, size, reach)) {
            refined = RefineSide(a, b, grey, reach);
        }
        const cv::Point2d pa(a.x(), a.y()), pb(b.x(), b.y());
        lines[i] = refined ? *refined : Line{pa, (pb - pa) / std::max(1e-9, cv::norm(pb - pa))};
    }
    PageCorners refined = coarse;
    for (int i = 0; i < 4; ++i) {
        // Corner i is where side i - 1 (into it) meets side i (out of it).
        const auto corner = Meet(lines[(i + 3) % 4], lines[i]);
        if (corner && std::hypot(corner->x() - coarse[i].x(), corner->y() - coarse[i].y()) <
                          4 * reach + 0.05 * std::max(size.width(), size.height())) {
            refined[i] = *corner;
        }
    }
    return refined;
}

}  // namespace tavelo
