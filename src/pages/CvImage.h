#pragma once

#include <QImage>
#include <opencv2/core.hpp>

namespace tavelo {

// A picture as an OpenCV matrix: 8-bit BGRA over the picture's own pixels when it is RGB32 or
// ARGB32 (no copy: the matrix lives as long as `keep`), else over a converted copy kept there.
cv::Mat BgraView(const QImage& picture, QImage& keep);

// An OpenCV matrix (8-bit grey, BGR or BGRA) as a picture of its own (a deep copy).
QImage ToImage(const cv::Mat& mat);

}  // namespace tavelo
