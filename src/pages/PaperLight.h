#pragma once

#include <opencv2/core.hpp>

namespace tavelo {

// The paper's light evened out: its brightness, estimated where there is no ink (a closing
// that fills strokes in, at a quarter of the size, smoothed), divided out, so that paper comes
// out white under any lamp and strokes keep their weight. From 8-bit BGRA; gives grey, or
// BGRA with `colour` (each channel divided by its own paper level, which also whitens a
// tinted sheet; opaque stays opaque). Sharpened against the softening of a linear
// enlargement to about twice the size, which the straightening uses.
cv::Mat EvenLight(const cv::Mat& bgra, bool colour);

// Black and white from evened grey: dark against its neighbourhood (an adaptive threshold,
// which keeps thin and faint strokes) or dark outright (which keeps large dark areas whole),
// into `blackWhite`'s own pixels when it already has grey's size and 8-bit type.
void Threshold(const cv::Mat& grey, cv::Mat& blackWhite);

}  // namespace tavelo
