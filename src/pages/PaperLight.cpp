#include "pages/PaperLight.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

namespace tavelo {

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
