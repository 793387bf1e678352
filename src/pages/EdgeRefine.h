#pragma once

#include <opencv2/core.hpp>

#include "pages/PageCorners.h"

namespace tavelo {

// Moves each side of a coarse outline onto the strongest brightness step near it in the
// full-size picture (8-bit grey or BGRA): points found across the side within `reach` pixels, a
// line fitted through them (outliers such as a finger on the edge dropped), the corners where the
// lines meet. A side along the frame's border, or one without enough steps to fit, stays.
PageCorners RefineCorners(const PageCorners& coarse, const cv::Mat& picture, double reach);

// The share of points along the side from a to b (0..1) where the picture (8-bit grey or
// BGRA) steps sharply across it, within `reach` pixels, from one even level to another, the
// same way up at all of them: the edge of a sheet, not the soft edge of a shadow nor the end
// of printed lines.
double SharpShare(const cv::Mat& picture, QPointF a, QPointF b, double reach);

// A pixel's brightness, from 8-bit grey or BGRA (the weights of the usual grey conversion).
double Brightness(const uchar* p, int channels);

// Whether the side from a to b runs along one border of a frame of `size` (within `slack`).
bool OnBorder(QPointF a, QPointF b, QSizeF size, double slack);

}  // namespace tavelo
