#pragma once

// How well a found outline covers the true page: the intersection over union of the two,
// both within the picture, counted over pixels at a sixteenth of a pixel's precision. An
// exact polygon intersection goes wrong where the outlines share a side with the picture's
// border (a page partly outside or filling the frame) and could score above 1.

#include <QPointF>
#include <QSize>
#include <array>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace tavelo::test {

inline double PageOverlap(QSize picture, const std::array<QPointF, 4>& truth,
                          const std::array<QPointF, 4>& found) {
    constexpr int kShift = 4;
    const auto fill = [&](const std::array<QPointF, 4>& corners) {
        std::vector<cv::Point> points;
        for (const QPointF& p : corners) {
            points.emplace_back(cvRound(p.x() * (1 << kShift)), cvRound(p.y() * (1 << kShift)));
        }
        cv::Mat mask = cv::Mat::zeros(picture.height(), picture.width(), CV_8U);
        cv::fillPoly(mask, std::vector<std::vector<cv::Point>>{points}, 255, cv::LINE_8, kShift);
        return mask;
    };
    const cv::Mat a = fill(truth), b = fill(found);
    const int all = cv::countNonZero(a | b);
    return all > 0 ? double(cv::countNonZero(a & b)) / all : 0.0;
}

}  // namespace tavelo::test
