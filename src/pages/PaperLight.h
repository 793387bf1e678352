#pragma once

#include <opencv2/core.hpp>

namespace tavelo {

// The paper's light evened out: its brightness, estimated where there is no ink (a closing
// that fills strokes in, at a quarter of the size, smoothed), divided out, so that paper comes
// out white under any lamp and strokes keep their weight. From 8-bit BGRA; gives grey, or
// BGR with `colour` (each channel divided by its own paper level, which also whitens a
// tinted sheet).
cv::Mat EvenLight(const cv::Mat& bgra, bool colour);

// Black and white from evened grey: dark against its neighbourhood (an adaptive threshold,
// which keeps thin and faint strokes) or dark outright (which keeps large dark areas whole).
cv::Mat Threshold(const cv::Mat& grey);

}  // namespace tavelo
