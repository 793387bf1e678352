#include "pages/PageFinder.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "pages/CvImage.h"
#include "pages/EdgeRefine.h"
#include "pages/LineQuads.h"
#include "pages/QuadFit.h"

namespace tavelo {

namespace {

constexpr int kWorkSide = 480;        // the long side the page is looked for at
constexpr double kLeastArea = 0.05;   // of the frame: anything smaller is not the page
constexpr double kLeastScore = 0.55;  // below this nothing credible was found
constexpr double kPi = 3.14159265358979;

// The reduced picture's evidence: brightness with text and thin lines closed over, its
// gradient, and how paper-like (bright and colourless) each pixel is.
struct Evidence {
    cv::Mat level;  // grey, closed and smoothed
    cv::Mat paper;  // the darkest channel, closed and smoothed
    cv::Mat magnitude;
};

Evidence Gather(const cv::Mat& small) {
    Evidence e;
    cv::Mat grey, channels[4];
    cv::cvtColor(small, grey, cv::COLOR_BGRA2GRAY);
    cv::split(small, channels);
    cv::Mat darkest = cv::min(cv::min(channels[0], channels[1]), channels[2]);
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(7, 7));
    cv::morphologyEx(grey, e.level, cv::MORPH_CLOSE, kernel);
    cv::morphologyEx(darkest, e.paper, cv::MORPH_CLOSE, kernel);
    cv::GaussianBlur(e.level, e.level, cv::Size(5, 5), 0);
    cv::GaussianBlur(e.paper, e.paper, cv::Size(5, 5), 0);
    cv::Mat gx, gy;
    cv::Sobel(e.level, gx, CV_32F, 1, 0);
    cv::Sobel(e.level, gy, CV_32F, 0, 1);
    cv::magnitude(gx, gy, e.magnitude);
    return e;
}

void AddOutlines(const std::vector<std::vector<cv::Point>>& contours, cv::Size frame,
                 std::vector<PageCorners>& candidates) {
    const double least = kLeastArea * frame.area();
    for (const auto& contour : contours) {
        if (contour.size() < 4 || cv::contourArea(contour) < least) {
            continue;
        }
        if (auto quad = QuadFromContour(contour, frame)) {
            candidates.push_back(*quad);
        }
    }
}

// Outlines from two sources: regions brighter than the rest (Otsu's threshold), and closed
// loops of edges at two sensitivities.
std::vector<PageCorners> Candidates(const Evidence& e) {
    std::vector<PageCorners> candidates;
    const cv::Size frame = e.level.size();
    const cv::Mat open = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5));
    const cv::Mat grow = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
    for (const cv::Mat* source : {&e.paper, &e.level}) {
        cv::Mat bright;
        cv::threshold(*source, bright, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
        cv::morphologyEx(bright, bright, cv::MORPH_OPEN, open);
        std::vector<std::vector<cv::Point>> contours;
        cv::findContours(bright, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
        AddOutlines(contours, frame, candidates);
    }
    for (const auto& [source, low, high] :
         {std::tuple{&e.level, 15.0, 45.0}, std::tuple{&e.level, 35.0, 100.0},
          std::tuple{&e.paper, 30.0, 90.0}}) {
        cv::Mat edges;
        cv::Canny(*source, edges, low, high);
        if (source == &e.level && low < 20) {
            const std::vector<PageCorners> lines = LineQuads(edges);
            candidates.insert(candidates.end(), lines.begin(), lines.end());
        }
        cv::dilate(edges, edges, grow);
        std::vector<std::vector<cv::Point>> contours;
        cv::findContours(edges, contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
        AddOutlines(contours, frame, candidates);
    }
    return candidates;
}

float At(const cv::Mat& m, double x, double y) {
    const int ix = std::clamp(static_cast<int>(x), 0, m.cols - 1);
    const int iy = std::clamp(static_cast<int>(y), 0, m.rows - 1);
    return m.type() == CV_32F ? m.at<float>(iy, ix) : m.at<uchar>(iy, ix);
}

// How well the picture bears the outline out, 0..1: along each side that is not the frame's
// border, the share of points with a brightness step across the side, brighter on one and
// the same side of the outline all round; weighed towards the worst side, since one side
// the picture does not show means the outline is wrong. Zero for shapes no sheet makes.
double Score(const PageCorners& q, const Evidence& e) {
    const QSizeF frame(e.level.cols, e.level.rows);
    const double area = CornersArea(q) / (frame.width() * frame.height());
    if (area < kLeastArea) {
        return 0;
    }
    const double shortSide = std::min(frame.width(), frame.height());
    for (int i = 0; i < 4; ++i) {
        const QPointF u = q[(i + 3) % 4] - q[i], v = q[(i + 1) % 4] - q[i];
        if (std::hypot(v.x(), v.y()) < 0.12 * shortSide) {
            return 0;  // a sliver, not a sheet
        }
        const double cosine = QPointF::dotProduct(u, v) / std::hypot(u.x(), u.y()) /
                              std::max(1e-9, std::hypot(v.x(), v.y()));
        if (!(std::abs(cosine) < std::cos(55 * kPi / 180))) {
            return 0;  // corners between 55 and 125 degrees
        }
        const double cross = v.x() * u.y() - v.y() * u.x();
        if (cross <= 0) {
            return 0;  // not convex and clockwise
        }
    }
    int realSides = 0;
    double sum = 0, worst = 1, brighterIn = 0, brighterOut = 0;
    std::vector<float> paperLevels;
    for (int i = 0; i < 4; ++i) {
        const QPointF a = q[i], b = q[(i + 1) % 4];
        if (OnBorder(a, b, frame, 3)) {
            continue;
        }
        ++realSides;
        const QPointF d = b - a;
        const double length = std::hypot(d.x(), d.y());
        const QPointF along = d / length, out(along.y(), -along.x());
        int counted = 0, in = 0, outside = 0;
        for (double s = 0.04 * length; s < 0.96 * length; s += 2) {
            const QPointF p = a + along * s;
            if (p.x() < 2 || p.y() < 2 || p.x() > frame.width() - 3 || p.y() > frame.height() - 3) {
                continue;
            }
            ++counted;
            float strongest = 0;
            for (int k = -2; k <= 2; ++k) {
                strongest =
                    std::max(strongest, At(e.magnitude, p.x() + k * out.x(), p.y() + k * out.y()));
            }
            if (strongest < 20) {
                continue;
            }
            const QPointF pin = p - out * 4, pout = p + out * 4;
            const double step = At(e.level, pin.x(), pin.y()) - At(e.level, pout.x(), pout.y());
            paperLevels.push_back(At(e.level, pin.x(), pin.y()));
            in += step >= 5;
            outside += step <= -5;
        }
        if (counted < 8) {
            --realSides;
            continue;
        }
        const double support = double(std::max(in, outside)) / counted;
        brighterIn += in, brighterOut += outside;
        sum += support;
        worst = std::min(worst, support);
    }
    if (realSides < 2) {
        return 0;
    }
    // A side along the frame's border is the sheet running out of the picture: paper must
    // lie along it, as bright as along the sheet's other sides.
    std::nth_element(paperLevels.begin(), paperLevels.begin() + paperLevels.size() / 2,
                     paperLevels.end());
    const float paperLevel = paperLevels.empty() ? 0 : paperLevels[paperLevels.size() / 2];
    for (int i = 0; i < 4; ++i) {
        const QPointF a = q[i], b = q[(i + 1) % 4];
        if (!OnBorder(a, b, frame, 3)) {
            continue;
        }
        const QPointF d = b - a;
        const double length = std::hypot(d.x(), d.y());
        const QPointF along = d / std::max(1e-9, length), out(along.y(), -along.x());
        int counted = 0, paper = 0;
        for (double s = 0.04 * length; s < 0.96 * length; s += 2, ++counted) {
            const QPointF p = a + along * s - out * 3;
            paper += std::abs(At(e.level, p.x(), p.y()) - paperLevel) < 30;
        }
        if (counted > 0 && paper < 0.8 * counted) {
            return 0;
        }
    }
    const double agreement =
        std::max(brighterIn, brighterOut) / std::max(1.0, brighterIn + brighterOut);
    const double support = 0.6 * sum / realSides + 0.4 * worst;
    return support * agreement * (0.75 + 0.25 * std::min(1.0, area / 0.35));
}

}  // namespace

FoundPage FindPage(const QImage& picture) {
    FoundPage page;
    page.corners = WholePicture(picture.size());
    if (picture.width() < 16 || picture.height() < 16) {
        return page;
    }
    QImage keep;
    const cv::Mat full = BgraView(picture, keep);
    const double scale =
        std::min(1.0, double(kWorkSide) / std::max(picture.width(), picture.height()));
    cv::Mat small;
    cv::resize(full, small, cv::Size(), scale, scale, cv::INTER_AREA);
    const Evidence evidence = Gather(small);

    double best = 0;
    PageCorners chosen{};
    for (const PageCorners& candidate : Candidates(evidence)) {
        const double score = Score(candidate, evidence);
        if (score > best) {
            best = score, chosen = candidate;
        }
    }
    if (best < kLeastScore) {
        return page;
    }
    // To the full picture's pixels: a reduced pixel's centre is at (i + 0.5) / scale.
    const double sx = double(picture.width()) / small.cols;
    const double sy = double(picture.height()) / small.rows;
    for (QPointF& p : chosen) {
        p = QPointF((p.x() + 0.5) * sx, (p.y() + 0.5) * sy);
    }
    // Sides at the reduced picture's border lie at the full picture's.
    const QSizeF frame(picture.width(), picture.height());
    for (QPointF& p : chosen) {
        if (p.x() < 1.5 * sx)
            p.setX(std::min(p.x(), 0.0));
        if (p.y() < 1.5 * sy)
            p.setY(std::min(p.y(), 0.0));
        if (p.x() > frame.width() - 1.5 * sx)
            p.setX(std::max(p.x(), frame.width()));
        if (p.y() > frame.height() - 1.5 * sy)
            p.setY(std::max(p.y(), frame.height()));
    }
    cv::Mat grey;
    cv::cvtColor(full, grey, cv::COLOR_BGRA2GRAY);
    page.corners = ClampToFrame(RefineCorners(chosen, grey, 3.5 * std::max(sx, sy)), frame);
    page.found = true;
    page.confidence = std::clamp(best, 0.0, 1.0);
    return page;
}

}  // namespace tavelo
