#include "pages/PaperLight.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace tavelo {

namespace {

// The level against the brightest paper near it below which an area is taken for something
// other than paper, and above which for paper in a shadow or the lamp's fall-off (an arm's
// shadow where the lamp falls off darkens paper to a half of its best, a deep one further).
constexpr double kNotPaper = 0.3;
constexpr double kPaper = 0.45;

// Rows evened at a time.
constexpr int kBand = 32;

// The sharpening's side taps: the strength that brings a linear enlargement to about twice the
// size closest to a cubic one.
constexpr float kLift = 0.1f;

// Black and white: a pixel is ink when it is darker than its neighbourhood's mean by this
// much, or darker than this outright.
constexpr int kLocalMargin = 12;
constexpr int kOutright = 110;

// The paper's level estimated by the closing, where it follows a dark area wider than the
// closing (a photo, a black bar, the desk, a swatch) replaced with the brightest level within
// a third of the picture: such an area is not paper, and divided by itself it would come out
// white.
cv::Mat WithoutDarkAreas(const cv::Mat& closed) {
    cv::Mat wide;
    cv::resize(closed, wide, cv::Size(std::max(1, closed.cols / 4), std::max(1, closed.rows / 4)),
               0, 0, cv::INTER_AREA);
    const int reach = std::max(3, std::min(wide.cols, wide.rows) / 3) | 1;
    cv::dilate(wide, wide, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(reach, reach)));
    cv::GaussianBlur(wide, wide, cv::Size(0, 0), reach / 4.0);
    cv::resize(wide, wide, closed.size(), 0, 0, cv::INTER_LINEAR);
    cv::Mat local, bright, share;
    closed.convertTo(local, CV_32F);
    wide.convertTo(bright, CV_32F);
    cv::divide(local, cv::max(bright, 1.0), share);
    // kNotPaper and below: the brightest level; kPaper and above: the local one; a blend
    // between, so that the page shows no step.
    share.convertTo(share, CV_32F, 1.0 / (kPaper - kNotPaper), -kNotPaper / (kPaper - kNotPaper));
    share = cv::min(cv::max(share, 0.0), 1.0);
    const cv::Mat blended = bright + share.mul(local - bright);
    cv::Mat level;
    blended.convertTo(level, closed.type());
    return level;
}

}  // namespace

cv::Mat EvenLight(const cv::Mat& bgra, bool colour) {
    cv::Mat source = bgra;
    if (!colour) {
        cv::cvtColor(bgra, source, cv::COLOR_BGRA2GRAY);
    }
    cv::Mat small;
    cv::resize(source, small, cv::Size(), 0.25, 0.25, cv::INTER_AREA);
    // Wider than a stroke or a letter at a quarter of the size, narrower than the light's
    // changes across the sheet.
    const int side = std::clamp(std::min(small.cols, small.rows) / 20, 2, 12) | 1;
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(side, side));
    cv::morphologyEx(small, small, cv::MORPH_CLOSE, kernel);
    // The level changes slowly: what follows works at half the size, on a quarter of the
    // pixels.
    cv::resize(small, small, cv::Size(std::max(1, small.cols / 2), std::max(1, small.rows / 2)), 0,
               0, cv::INTER_AREA);
    small = WithoutDarkAreas(small);
    const double sigma = side / 2.0;
    const cv::Mat blur = cv::getGaussianKernel(int(std::lround(sigma * 3)) * 2 + 1, sigma, CV_32F);
    cv::Mat level, paper;
    cv::sepFilter2D(small, level, -1, blur, blur, cv::Point(-1, -1), 0, cv::BORDER_REFLECT_101);
    cv::resize(level, paper, source.size(), 0, 0, cv::INTER_LINEAR);
    // Sharpened value / paper, stretched so that 0.92 of the paper's level and above is white
    // and 0.2 and below black: faint paper texture goes, thin strokes softened by the
    // enlargement come out dark again. A few rows at a time, so that the intermediates stay
    // small (the sharpening reads the rows around each band).
    const cv::Mat lift = (cv::Mat_<float>(1, 3) << -kLift, 1 + 2 * kLift, -kLift);
    cv::Mat even(source.size(), source.type()), sharp, wide;
    for (int y = 0; y < source.rows; y += kBand) {
        const cv::Range rows(y, std::min(source.rows, y + kBand));
        cv::sepFilter2D(source.rowRange(rows), sharp, -1, lift, lift, cv::Point(-1, -1), 0,
                        cv::BORDER_REPLICATE);
        cv::divide(sharp, paper.rowRange(rows), wide, 255 / 0.72, CV_16U);
        cv::Mat out = even.rowRange(rows);
        wide.convertTo(out, CV_8U, 1.0, -0.2 * 255 / 0.72);
    }
    return even;
}

void Threshold(const cv::Mat& grey, cv::Mat& blackWhite) {
    const int block = std::max(15, std::min(grey.cols, grey.rows) / 50) | 1;
    // The neighbourhood's mean goes into the result's own pixels, which are then replaced
    // row by row: no picture-sized buffer besides the two.
    cv::boxFilter(grey, blackWhite, CV_8U, cv::Size(block, block), cv::Point(-1, -1), true,
                  cv::BORDER_REPLICATE | cv::BORDER_ISOLATED);
    for (int y = 0; y < grey.rows; ++y) {
        const uchar* g = grey.ptr(y);
        uchar* out = blackWhite.ptr(y);
        for (int x = 0; x < grey.cols; ++x) {
            out[x] = g[x] + kLocalMargin > out[x] && g[x] > kOutright ? 255 : 0;
        }
    }
}

}  // namespace tavelo
