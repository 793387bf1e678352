#include "pages/PaperLight.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

namespace tavelo {

namespace {

// The level against the brightest paper near it below which an area is taken for something
// other than paper, and above which for paper in a shadow or the lamp's fall-off (an arm's
// shadow where the lamp falls off darkens paper to a half of its best, a deep one further).
constexpr double kNotPaper = 0.3;
constexpr double kPaper = 0.45;

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
    cv::Mat source;
    cv::cvtColor(bgra, source, colour ? cv::COLOR_BGRA2BGR : cv::COLOR_BGRA2GRAY);
    cv::Mat small;
    cv::resize(source, small, cv::Size(), 0.25, 0.25, cv::INTER_AREA);
    // Wider than a stroke or a letter at a quarter of the size, narrower than the light's
    // changes across the sheet.
    const int side = std::clamp(std::min(small.cols, small.rows) / 20, 2, 12) | 1;
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(side, side));
    cv::morphologyEx(small, small, cv::MORPH_CLOSE, kernel);
    small = WithoutDarkAreas(small);
    cv::GaussianBlur(small, small, cv::Size(0, 0), side);
    cv::Mat paper;
    cv::resize(small, paper, source.size(), 0, 0, cv::INTER_LINEAR);
    cv::Mat even;
    // value / paper, stretched so that 0.92 of the paper's level and above is white and 0.2
    // and below black: faint paper texture goes, thin strokes softened by the enlargement
    // come out dark again.
    cv::divide(source, paper, even, 255 / 0.72, CV_16U);
    even.convertTo(even, CV_8U, 1.0, -0.2 * 255 / 0.72);
    return even;
}

cv::Mat Threshold(const cv::Mat& grey) {
    const int block = std::max(15, std::min(grey.cols, grey.rows) / 50) | 1;
    cv::Mat local, outright;
    cv::adaptiveThreshold(grey, local, 255, cv::ADAPTIVE_THRESH_MEAN_C, cv::THRESH_BINARY, block,
                          12);
    cv::threshold(grey, outright, 110, 255, cv::THRESH_BINARY);
    return local & outright;
}

}  // namespace tavelo
