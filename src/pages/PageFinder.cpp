#include "pages/PageFinder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <opencv2/imgproc.hpp>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "pages/CvImage.h"
#include "pages/EdgeRefine.h"
#include "pages/LineQuads.h"
#include "pages/QuadFit.h"

namespace tavelo {

namespace {

constexpr int kWorkSide = 320;         // about the long side the page is looked for at
constexpr double kPaperLevel = 150;    // the darkest channel of paper in fair light
constexpr double kBorderSlack = 0.03;  // of the short side: a side this near the border is on it
constexpr int kShortlist = 6;          // candidates scored closely after a quick look
constexpr double kLeastArea = 0.05;    // of the frame: anything smaller is not the page
constexpr double kLeastScore = 0.55;   // below this nothing credible was found
constexpr double kMostAlike = 0.4;     // see AlikeAcross: more is the desk on both sides
constexpr double kPlainSpread = 12;    // the most a margin's brightness spreads (one deviation)
constexpr double kLeastMargin = 0.04;  // of a sheet's size: the plain paper along its edges
constexpr double kFineEdge = 6;        // the least step Canny's finer look follows an edge by
constexpr double kBorneOut = 0.99;     // an outline scoring this is one sheet, borne out all round
constexpr double kLeastFront = 0.35;   // of an outline round two sheets: the least the front one is
constexpr double kMostFront = 0.92;    // and the most (more is the same sheet)
constexpr double kNearScore = 0.25;    // an outline scoring this much less is borne out as well
constexpr double kLarger = 1.1;        // of an outline's area: one taking in more of the sheet
constexpr double kTiedScore = 0.02;    // outlines scoring this near are borne out alike
constexpr double kPi = 3.14159265358979;

// The reduced picture's evidence: brightness with text and thin lines closed over, and how
// paper-like (bright and colourless) each pixel is.
struct Evidence {
    cv::Mat level;  // grey, closed and smoothed
    cv::Mat paper;  // the darkest channel, closed and smoothed
};

Evidence Gather(const cv::Mat& small) {
    Evidence e;
    cv::Mat grey, channels[4];
    cv::cvtColor(small, grey, cv::COLOR_BGRA2GRAY);
    cv::split(small, channels);
    cv::Mat darkest = cv::min(cv::min(channels[0], channels[1]), channels[2]);
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5));
    cv::morphologyEx(grey, e.level, cv::MORPH_CLOSE, kernel);
    cv::morphologyEx(darkest, e.paper, cv::MORPH_CLOSE, kernel);
    cv::GaussianBlur(e.level, e.level, cv::Size(5, 5), 0);
    cv::GaussianBlur(e.paper, e.paper, cv::Size(5, 5), 0);
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

// Outlines from three sources: regions brighter than the rest (Otsu's threshold), closed
// loops of edges in brightness and in paper colour, and straight edges taken four at a time.
std::vector<PageCorners> Candidates(const Evidence& e) {
    std::vector<PageCorners> candidates;
    const cv::Size frame = e.level.size();
    const cv::Mat open = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
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
         {std::tuple{&e.level, 15.0, 45.0}, std::tuple{&e.paper, 30.0, 90.0}}) {
        cv::Mat edges;
        cv::Canny(*source, edges, low, high);
        if (source == &e.level) {
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

// The middle value of `values` (reordered), 0 when there is none.
float Median(std::vector<float>& values) {
    if (values.empty()) {
        return 0;
    }
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// A reduced picture's point in the full picture's pixels: a reduced pixel's centre is at
// (i + 0.5) * scale.
QPointF ToFull(QPointF p, QPointF scale) {
    return QPointF((p.x() + 0.5) * scale.x(), (p.y() + 0.5) * scale.y());
}

// A sharp step across p (light falling off or a soft shadow changes brightness too, but
// slowly) with a clear difference: +1 brighter inside, -1 brighter outside, 0 none.
int StepAt(const cv::Mat& m, QPointF p, QPointF out) {
    double across[7];
    for (int k = -3; k <= 3; ++k) {
        across[k + 3] = At(m, p.x() + k * out.x(), p.y() + k * out.y());
    }
    double sharpest = 0;
    for (int k = 1; k <= 5; ++k) {
        sharpest = std::max(sharpest, std::abs(across[k + 1] - across[k - 1]));
    }
    if (sharpest < 5) {
        return 0;
    }
    const double step = across[0] - across[6];
    return step >= 5 ? 1 : step <= -5 ? -1 : 0;
}

// Whether the picture shows the sheet's edge at p on a side whose outward normal is `out`:
// a step in brightness, or else in paper colour (a sheet lying over another sheet of about
// the same brightness but another tint).
int EdgeAt(const Evidence& e, QPointF p, QPointF out) {
    const int step = StepAt(e.level, p, out);
    return step != 0 ? step : StepAt(e.paper, p, out);
}

// The paper's and the desk's brightness just inside and just outside the side from `from`
// to `to`, a few pixels from its end `to` (or from its start `from` when `atEnd` is false),
// as medians; nothing when the side runs along the frame's border.
std::optional<std::pair<float, float>> LevelsNear(QPointF from, QPointF to, bool atEnd,
                                                  const Evidence& e, QSizeF frame) {
    if (OnBorder(from, to, frame, 0.5)) {
        return std::nullopt;
    }
    const QPointF d = to - from;
    const double length = std::hypot(d.x(), d.y());
    const QPointF along = d / std::max(1e-9, length), out(along.y(), -along.x());
    std::vector<float> paper, desk;
    for (double s = 4; s <= 16 && s < 0.5 * length; s += 2) {
        const QPointF p = atEnd ? to - along * s : from + along * s;
        const QPointF in = p - out * 3, beyond = p + out * 3;
        if (beyond.x() < 0 || beyond.y() < 0 || beyond.x() >= frame.width() ||
            beyond.y() >= frame.height()) {
            continue;
        }
        paper.push_back(At(e.level, in.x(), in.y()));
        desk.push_back(At(e.level, beyond.x(), beyond.y()));
    }
    if (paper.size() < 3) {
        return std::nullopt;
    }
    return std::pair{Median(paper), Median(desk)};
}

// How well the picture bears the outline out, 0..1: along each side that is not the frame's
// border, the share of points showing the sheet's edge, brighter on one and the same side of
// the outline all round; weighed towards the worst side, since one side the picture does not
// show means the outline is wrong. Zero for shapes no sheet makes. Points are looked at every
// `stride` pixels along the sides.
double Score(const PageCorners& q, const Evidence& e, double stride) {
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
    bool real[4] = {};  // sides showing the picture an edge; the rest lie along the border
    double sum = 0, worst = 1, brighterIn = 0, brighterOut = 0;
    std::vector<float> paperLevels, deskLevels;
    const double perimeter = std::hypot(frame.width(), frame.height()) * 4;
    paperLevels.reserve(std::size_t(perimeter / stride) + 4);
    deskLevels.reserve(std::size_t(perimeter / stride) + 4);
    for (int i = 0; i < 4; ++i) {
        const QPointF a = q[i], b = q[(i + 1) % 4];
        if (OnBorder(a, b, frame, 0.5)) {
            continue;
        }
        ++realSides;
        real[i] = true;
        const QPointF d = b - a;
        const double length = std::hypot(d.x(), d.y());
        const QPointF along = d / length, out(along.y(), -along.x());
        int counted = 0, in = 0, outside = 0;
        for (double s = 0.04 * length; s < 0.96 * length; s += stride) {
            const QPointF p = a + along * s;
            if (p.x() < 2 || p.y() < 2 || p.x() > frame.width() - 3 || p.y() > frame.height() - 3) {
                continue;
            }
            ++counted;
            int edge = EdgeAt(e, p, out);
            const QPointF beyond = p + out * 3, within = p - out * 3;
            if (edge < 0 && At(e.paper, within.x(), within.y()) >= kPaperLevel &&
                At(e.paper, beyond.x(), beyond.y()) >= kPaperLevel) {
                edge = 1;  // paper on both sides: a brighter sheet lies beneath this one
            }
            if (edge > 0) {
                const QPointF pin = p - out * 3;
                const QPointF pout = p + out * 3;
                paperLevels.push_back(At(e.level, pin.x(), pin.y()));
                deskLevels.push_back(At(e.level, pout.x(), pout.y()));
            }
            in += edge > 0;
            outside += edge < 0;
        }
        if (counted < 8 * 2 / stride) {
            --realSides;
            real[i] = false;
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
    const bool border = realSides < 4;
    const float paperLevel = border ? Median(paperLevels) : 0;
    const float deskLevel = border ? Median(deskLevels) : 0;
    // Light falling off across the sheet takes its far part well below the level along its
    // sides, but it stays nearer the paper's level than the desk's.
    const float paperLeast = paperLevel > deskLevel + 20 ? (paperLevel + deskLevel) / 2 : 255;
    for (int i = 0; i < 4 && border; ++i) {
        const QPointF a = q[i], b = q[(i + 1) % 4];
        if (real[i]) {
            continue;
        }
        const QPointF d = b - a;
        const double length = std::hypot(d.x(), d.y());
        const QPointF along = d / std::max(1e-9, length), out(along.y(), -along.x());
        // Light falling off across the sheet is told by the sheet's own sides where they
        // meet this one: the paper and the desk there, each end's levels drawn across.
        std::optional<std::pair<float, float>> ends[2] = {
            LevelsNear(q[(i + 3) % 4], a, true, e, frame),
            LevelsNear(b, q[(i + 2) % 4], false, e, frame)};
        for (int k = 0; k < 2; ++k) {
            ends[k] = ends[k] ? ends[k] : ends[1 - k];
        }
        int counted = 0, paper = 0;
        for (double s = 0.04 * length; s < 0.96 * length; s += stride, ++counted) {
            const QPointF p = a + along * s - out * 3;
            const float level = At(e.level, p.x(), p.y());
            const double t = s / length;
            const double paperHere = ends[0] ? (1 - t) * ends[0]->first + t * ends[1]->first : 0;
            const double deskHere = ends[0] ? (1 - t) * ends[0]->second + t * ends[1]->second : 0;
            paper += std::abs(level - paperLevel) < 30 || level >= paperLeast ||
                     (paperHere > deskHere + 20 && level >= (paperHere + deskHere) / 2);
        }
        if (counted > 0 && paper < 0.8 * counted) {
            return 0;
        }
    }
    if (realSides < 4 && brighterIn <= brighterOut) {
        return 0;  // a sheet running out of the picture is told from the desk by its paper
    }
    // Paper is brighter than the desk all round or darker all round; an outline that is
    // brighter inside along some sides and outside along others follows a shadow's edge.
    const double agreement =
        std::pow(std::max(brighterIn, brighterOut) / std::max(1.0, brighterIn + brighterOut), 2);
    const double support = 0.6 * sum / realSides + 0.4 * worst;
    return support * agreement * (0.75 + 0.25 * std::min(1.0, area / 0.35));
}

// How much the picture just inside the outline looks like the picture just outside it, 0..1:
// along each side that is not the frame's border, the overlap of the histograms of
// brightness and paper colour (text closed over) of a band inside and a band outside, and
// the mean over those sides. A sheet differs from the desk along its sides however the light
// falls; an outline drawn on a patterned desk has the pattern on both sides.
double AlikeAcross(const PageCorners& q, const Evidence& e) {
    constexpr int kBins = 16;
    const cv::Size size = e.level.size();
    const QSizeF frame(size.width, size.height);
    const double depth = std::max(4.0, 0.04 * std::min(size.width, size.height));
    double total = 0;
    int sides = 0;
    for (int i = 0; i < 4; ++i) {
        const QPointF a = q[i], b = q[(i + 1) % 4];
        if (OnBorder(a, b, frame, 0.5)) {
            continue;
        }
        const QPointF d = b - a;
        const double length = std::hypot(d.x(), d.y());
        const QPointF along = d / std::max(1e-9, length), out(along.y(), -along.x());
        // Every other pixel of each band, along and across it (the smoothing spreads each
        // over its neighbours), away from the corners and two pixels off the side's blur.
        std::array<std::array<int, kBins * kBins>, 2> histograms{};
        std::array<int, 2> counts{};
        for (int side = 0; side < 2; ++side) {
            const QPointF n = out * (side == 0 ? -1.0 : 1.0);
            for (double k = 2; k <= 2 + depth; k += 2) {
                for (double s = 0.1 * length; s <= 0.9 * length; s += 2) {
                    const QPointF p = a + along * s + n * k;
                    const int x = cvRound(p.x()), y = cvRound(p.y());
                    if (x < 0 || y < 0 || x >= size.width || y >= size.height) {
                        continue;
                    }
                    const int level = e.level.ptr(y)[x], paper = e.paper.ptr(y)[x];
                    ++histograms[side][level * kBins / 256 * kBins + paper * kBins / 256];
                    ++counts[side];
                }
            }
        }
        if (counts[0] < 5 || counts[1] < 5) {
            continue;
        }
        double common = 0;
        for (int k = 0; k < kBins * kBins; ++k) {
            common += std::min(double(histograms[0][k]) / counts[0],
                               double(histograms[1][k]) / counts[1]);
        }
        total += common;
        ++sides;
    }
    return sides > 0 ? total / sides : 0.0;
}

// Outlines within `outer` made of the straight edges found in and along it at a finer
// sensitivity: the sheet in front, when `outer` takes in a sheet behind it too.
std::vector<PageCorners> InnerOutlines(const PageCorners& outer, const Evidence& e) {
    cv::Mat inside = cv::Mat::zeros(e.level.size(), CV_8U);
    std::vector<cv::Point> polygon;
    for (const QPointF& p : outer) {
        polygon.emplace_back(cvRound(p.x()), cvRound(p.y()));
    }
    cv::fillConvexPoly(inside, polygon, 255);
    cv::dilate(inside, inside, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(7, 7)));
    // Only the part of the picture the outline covers is looked at.
    const cv::Rect box = cv::boundingRect(inside);
    cv::Mat edges = cv::Mat::zeros(e.level.size(), CV_8U), levelEdges, paperEdges;
    cv::Canny(e.level(box), levelEdges, kFineEdge, 3 * kFineEdge);
    cv::Canny(e.paper(box), paperEdges, kFineEdge, 3 * kFineEdge);
    cv::Mat both = (levelEdges | paperEdges) & inside(box);
    both.copyTo(edges(box));
    return LineQuads(edges);
}

// Whether the side from a to b lies along the line through c and d, within `slack` pixels.
bool Along(QPointF a, QPointF b, QPointF c, QPointF d, double slack) {
    const QPointF t = d - c;
    const double length = std::max(1e-9, std::hypot(t.x(), t.y()));
    const auto off = [&](QPointF p) {
        return std::abs((p.x() - c.x()) * t.y() - (p.y() - c.y()) * t.x()) / length;
    };
    return off(a) <= slack && off(b) <= slack;
}

// Whether `q` could be the sheet in front of another that `outer` takes in with it: of a
// size between a sheet's share of two, and a side of it along a side of `outer`.
bool FrontShaped(const PageCorners& q, const PageCorners& outer, double slack) {
    const double share = CornersArea(q) / std::max(1e-9, CornersArea(outer));
    if (share < kLeastFront || share > kMostFront) {
        return false;
    }
    for (int i = 0; i < 16; ++i) {
        if (Along(q[i / 4], q[(i / 4 + 1) % 4], outer[i % 4], outer[(i % 4 + 1) % 4], slack)) {
            return true;
        }
    }
    return false;
}

// Whether the line of the side from a to b goes on showing an edge beyond its ends, the
// same way up as along the side (a soft step counts): the edge of a shadow or of something
// longer than the sheet, not the sheet's own edge.
bool RunsOn(QPointF a, QPointF b, const Evidence& e) {
    const QPointF d = b - a;
    const double length = std::hypot(d.x(), d.y());
    const QPointF along = d / std::max(1e-9, length), out(along.y(), -along.x());
    const auto step = [&](QPointF p) {
        const QPointF in = p - out * 3, beyond = p + out * 3;
        const double change = At(e.level, beyond.x(), beyond.y()) - At(e.level, in.x(), in.y());
        return change >= 5 ? 1 : change <= -5 ? -1 : 0;
    };
    int way = 0;
    for (double s = 0.1 * length; s < 0.9 * length; s += 1) {
        way += step(a + along * s);
    }
    int counted = 0, same = 0;
    for (double s = 0.04 * length; s < 0.2 * length; s += 1) {
        for (const QPointF p : {a - along * s, b + along * s}) {
            if (p.x() < 3 || p.y() < 3 || p.x() > e.level.cols - 4 || p.y() > e.level.rows - 4) {
                continue;
            }
            ++counted;
            same += way != 0 && step(p) == (way > 0 ? 1 : -1);
        }
    }
    return counted > 0 && same > 0.5 * counted;
}

// Whether the sheet's margin lies along the side from a to b (full-size picture's pixels):
// the picture just inside it plain, its brightness varying no more than noise and light do,
// where the edge of printing has print right along it.
bool PlainInside(const cv::Mat& full, QPointF a, QPointF b, double from, double depth) {
    const QPointF d = b - a;
    const double length = std::hypot(d.x(), d.y());
    const QPointF along = d / std::max(1e-9, length), out(along.y(), -along.x());
    double sum = 0, squares = 0;
    int count = 0;
    for (double s = 0.1 * length; s <= 0.9 * length; s += 2) {
        for (double k = from; k <= from + depth; k += 2) {
            const QPointF p = a + along * s - out * k;
            const int x = std::clamp(int(p.x()), 0, full.cols - 1);
            const int y = std::clamp(int(p.y()), 0, full.rows - 1);
            const double level = Brightness(full.ptr(y) + full.channels() * x, full.channels());
            sum += level, squares += level * level, ++count;
        }
    }
    const double mean = sum / std::max(1, count);
    return count > 0 && squares / count - mean * mean < kPlainSpread * kPlainSpread;
}

// Among the outlines within `outer`, the sheet lying in front of another one that `outer`
// takes in together with it: at least one of its sides along a side of `outer`, its other
// sides sharp edges that end at its corners (a shadow's goes on) with its plain margin
// inside them (not the edge of its print), borne out all round, and more than a third of
// `outer` (smaller, it is a printed box or a scrap on the sheet).
std::optional<std::pair<double, PageCorners>> InFront(const PageCorners& outer, const Evidence& e,
                                                      const cv::Mat& full, QPointF scale) {
    const double slack = 0.03 * std::min(e.level.cols, e.level.rows);
    const auto toFull = [scale](QPointF p) { return ToFull(p, scale); };
    const double reach = 2.5 * std::max(scale.x(), scale.y());
    // Those sharing a side with `outer` looked at quickly, the likeliest few closely.
    const std::vector<PageCorners> inner = InnerOutlines(outer, e);
    std::vector<std::pair<double, std::size_t>> likely;
    for (std::size_t k = 0; k < inner.size(); ++k) {
        const PageCorners& q = inner[k];
        if (!FrontShaped(q, outer, slack)) {
            continue;
        }
        const double quick = Score(q, e, 5);
        if (quick > 0.9 * kLeastScore) {
            likely.emplace_back(quick, k);
        }
    }
    const std::size_t keep = std::min<std::size_t>(kShortlist, likely.size());
    std::partial_sort(likely.begin(), likely.begin() + keep, likely.end(), std::greater<>());
    std::optional<std::pair<double, PageCorners>> best;
    for (std::size_t k = 0; k < keep; ++k) {
        const PageCorners& q = inner[likely[k].second];
        // A sheet's margin is some hundredths of its size; a gap in its print is less.
        const double margin = kLeastMargin * std::sqrt(CornersArea(q) * scale.x() * scale.y());
        bool ends = true;
        for (int i = 0; i < 4 && ends; ++i) {
            const QPointF a = q[i], b = q[(i + 1) % 4];
            bool on = false;
            for (int j = 0; j < 4 && !on; ++j) {
                on = Along(a, b, outer[j], outer[(j + 1) % 4], slack);
            }
            ends =
                on || (!RunsOn(a, b, e) && SharpShare(full, toFull(a), toFull(b), reach) >= 0.4 &&
                       PlainInside(full, toFull(a), toFull(b), reach, margin));
        }
        if (!ends) {
            continue;
        }
        const double score = Score(q, e, 2);
        if (score >= kLeastScore && (!best || score > best->first) &&
            AlikeAcross(q, e) <= kMostAlike) {
            best = std::pair{score, q};
        }
    }
    return best;
}

// The outline with each side that runs along the frame's border within `slack` moved onto
// it: that side is the sheet running out of the picture, not an edge a little inside it.
PageCorners OntoBorder(PageCorners q, QSizeF frame, double slack) {
    const auto near = [slack](double v, double edge) { return std::abs(v - edge) <= slack; };
    for (int i = 0; i < 4; ++i) {
        QPointF& a = q[i];
        QPointF& b = q[(i + 1) % 4];
        for (const double edge : {0.0, frame.width()}) {
            if (near(a.x(), edge) && near(b.x(), edge)) {
                a.setX(edge), b.setX(edge);
            }
        }
        for (const double edge : {0.0, frame.height()}) {
            if (near(a.y(), edge) && near(b.y(), edge)) {
                a.setY(edge), b.setY(edge);
            }
        }
    }
    return q;
}

struct Choice {
    double score = 0;
    PageCorners corners;
    bool sheetWithin = false;  // a likely outline within it could be a sheet in front
};

// Whether a side of `q` off the frame's border goes on past its ends: cut short where a
// shadow crosses the sheet, or a shadow's edge itself.
bool SideRunsOn(const PageCorners& q, const Evidence& e) {
    const QSizeF frame(e.level.cols, e.level.rows);
    for (int i = 0; i < 4; ++i) {
        if (!OnBorder(q[i], q[(i + 1) % 4], frame, 0.5) && RunsOn(q[i], q[(i + 1) % 4], e)) {
            return true;
        }
    }
    return false;
}

// Whether every corner of `inner` lies within `outer`, or no more than `slack` outside it.
bool Within(const PageCorners& inner, const PageCorners& outer, double slack) {
    std::vector<cv::Point2f> polygon;
    for (const QPointF& p : outer) {
        polygon.emplace_back(float(p.x()), float(p.y()));
    }
    return std::all_of(inner.begin(), inner.end(), [&](QPointF p) {
        return cv::pointPolygonTest(polygon, cv::Point2f(float(p.x()), float(p.y())), true) >=
               -slack;
    });
}

// When a side of the chosen outline goes on past its ends, the outline may be the lit part
// of a sheet a shadow crosses, its side along the shadow's edge: the best outline taking it
// in, larger, along all its other sides (the sheet's own edges stay its edges), with no side
// running on, borne out nearly as well (the sheet's edges under the shadow are fainter against
// the shaded desk than the lit part's). Only such outlines pay for the closer look.
std::optional<std::pair<double, PageCorners>> Beyond(
    const Choice& chosen, const std::vector<PageCorners>& candidates,
    const std::vector<std::pair<double, std::size_t>>& quick, const Evidence& e) {
    if (chosen.score <= 0 || !SideRunsOn(chosen.corners, e)) {
        return std::nullopt;
    }
    const QSizeF frame(e.level.cols, e.level.rows);
    const double slack = 0.02 * std::min(frame.width(), frame.height());
    const PageCorners& c = chosen.corners;
    const auto keepsSides = [&](const PageCorners& q) {
        int kept = 0;
        for (int i = 0; i < 4; ++i) {
            bool along = false;
            for (int j = 0; j < 4 && !along; ++j) {
                along = Along(c[i], c[(i + 1) % 4], q[j], q[(j + 1) % 4], slack);
            }
            kept += along;
        }
        return kept == 3;
    };
    const double area = CornersArea(c);
    std::optional<std::pair<double, PageCorners>> best;
    for (const auto& [quickScore, k] : quick) {
        const PageCorners& q = candidates[k];
        if (quickScore < chosen.score - kNearScore || CornersArea(q) < kLarger * area ||
            !Within(c, q, slack) || !keepsSides(q) || SideRunsOn(q, e) ||
            AlikeAcross(q, e) > kMostAlike) {
            continue;
        }
        const double score = Score(q, e, 2);
        if (score >= chosen.score - kNearScore && (!best || score > best->first)) {
            best = std::pair{score, q};
        }
    }
    return best;
}

// How many of the outline's sides lie along the frame's border, or within `slack` of it.
int BorderSides(const PageCorners& q, QSizeF frame, double slack) {
    int sides = 0;
    for (int i = 0; i < 4; ++i) {
        sides += OnBorder(q[i], q[(i + 1) % 4], frame, slack);
    }
    return sides;
}

// The best-borne-out outline: every candidate looked at quickly, the likeliest few closely.
Choice Best(std::vector<PageCorners> candidates, const Evidence& e) {
    const QSizeF frame(e.level.cols, e.level.rows);
    const double slack = kBorderSlack * std::min(frame.width(), frame.height());
    std::vector<std::pair<double, std::size_t>> quick;
    // Each outline also with its sides near the border moved onto it; the picture decides.
    const std::size_t given = candidates.size();
    for (std::size_t i = 0; i < given; ++i) {
        const PageCorners onto = OntoBorder(candidates[i], frame, slack);
        if (onto != candidates[i]) {
            candidates.push_back(onto);
        }
    }
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const double score = Score(candidates[i], e, 5);
        if (score > 0.5 * kLeastScore) {
            quick.emplace_back(score, i);
        }
    }
    std::sort(quick.begin(), quick.end(), std::greater<>());
    Choice best;
    int bestBorder = 4;
    // The likeliest few, passing over outlines drawn on the desk itself.
    int looked = 0;
    for (std::size_t k = 0; k < quick.size() && k < 4 * kShortlist && looked < kShortlist; ++k) {
        const PageCorners& q = candidates[quick[k].second];
        if (AlikeAcross(q, e) > kMostAlike) {
            continue;
        }
        ++looked;
        const double score = Score(q, e, 2);
        // A sheet on the desk usually lies wholly in view: between outlines borne out about
        // as well, the one running out of the picture along fewer sides is the likelier (a
        // side just inside the border is the same running out, not the sheet more in view).
        const int border = BorderSides(q, frame, slack);
        const bool tied = std::abs(score - best.score) <= kTiedScore;
        if (tied ? border < bestBorder || (border == bestBorder && score > best.score)
                 : score > best.score) {
            best.score = score, best.corners = q, bestBorder = border;
        }
    }
    if (const auto whole = Beyond(best, candidates, quick, e)) {
        best.score = whole->first, best.corners = whole->second;
    }
    // The sign of a sheet in front of another that the finer look needs before it is worth
    // its cost: the quick look already saw an outline of that shape.
    const double near = 0.03 * std::min(frame.width(), frame.height());
    best.sheetWithin = std::any_of(quick.begin(), quick.end(), [&](const auto& scored) {
        return FrontShaped(candidates[scored.second], best.corners, near);
    });
    return best;
}

// The picture reduced by a whole number to about kWorkSide pixels, each pixel the mean of
// its block: by halving (a linear halving averages two by two, and is much the quickest)
// while the number is even, then by averaging blocks. Reading the whole picture is the
// costliest part, so where the number is a multiple of four only every other row is read: the
// half of each block left is still eight pixels, and the evidence is smoothed after.
cv::Mat Reduce(const cv::Mat& full) {
    int factor = std::max(1, (std::max(full.cols, full.rows) + kWorkSide / 2) / kWorkSide);
    cv::Mat small = full;
    if (factor % 4 == 0) {
        const cv::Mat alternate(full.rows / 2, full.cols, full.type(), full.data, full.step[0] * 2);
        cv::Mat half, quarter;
        cv::resize(alternate, half, cv::Size(full.cols / 2, full.rows / 4), 0, 0, cv::INTER_LINEAR);
        cv::resize(half, quarter, cv::Size(full.cols / 4, full.rows / 4), 0, 0, cv::INTER_LINEAR);
        small = quarter, factor /= 4;
    }
    while (factor % 2 == 0) {
        cv::Mat half;
        cv::resize(small, half, cv::Size(small.cols / 2, small.rows / 2), 0, 0, cv::INTER_LINEAR);
        small = half, factor /= 2;
    }
    if (factor > 1) {
        cv::Mat reduced;
        cv::resize(small, reduced, cv::Size(small.cols / factor, small.rows / factor), 0, 0,
                   cv::INTER_AREA);
        small = reduced;
    }
    return small;
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
    const cv::Mat small = Reduce(full);
    const Evidence evidence = Gather(small);

    const Choice choice = Best(Candidates(evidence), evidence);
    double best = choice.score;
    PageCorners chosen = choice.corners;
    if (best < kLeastScore) {
        return page;
    }
    const QPointF scale(double(picture.width()) / small.cols,
                        double(picture.height()) / small.rows);
    // An outline round a sheet and one behind it shows a stretch of side the picture does
    // not bear out; one borne out all round leaves the finer look nothing to find, and lets
    // it cut a sheet along a shadow or the fingers holding it.
    if (best < kBorneOut && choice.sheetWithin) {
        if (const auto front = InFront(chosen, evidence, full, scale)) {
            std::tie(best, chosen) = *front;
        }
    }
    const double sx = scale.x(), sy = scale.y();
    for (QPointF& p : chosen) {
        p = ToFull(p, scale);
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
    page.corners = ClampToFrame(RefineCorners(chosen, full, 3.5 * std::max(sx, sy)), frame);
    page.found = true;
    page.confidence = std::clamp(best, 0.0, 1.0);
    return page;
}

}  // namespace tavelo
