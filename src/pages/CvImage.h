#pragma once

#include <QImage>
#include <opencv2/core.hpp>

namespace tavelo {

// A picture as an OpenCV matrix: 8-bit BGRA over the picture's own pixels when it is RGB32 or
// ARGB32 (no copy: the matrix lives as long as `keep`), else over a converted copy kept there.
cv::Mat BgraView(const QImage& picture, QImage& keep);

// A new picture of `size` (Grayscale8 with `grey`, else RGB32) and an OpenCV matrix over its
// pixels (8-bit grey or BGRA), so that the result can be written straight into it.
cv::Mat NewPicture(QSize size, bool grey, QImage& picture);

}  // namespace tavelo
