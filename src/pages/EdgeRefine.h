#pragma once

#include <opencv2/core.hpp>

#include "pages/PageCorners.h"

namespace tavelo {

// Moves each side of a coarse outline onto the strongest brightness step near it in the
// full-size picture (8-bit grey or BGRA): points found across the side within `reach` pixels, a
// line fitted through them (outliers such as a finger on the edge dropped), the corners where the
// lines meet. A side along the frame's border, or one without enough steps to fit, stays.
PageCorners RefineCorners(const PageCorners& coarse, const cv::Mat& picture, double reach);

// Whether the side from a to b runs along one border of a frame of `size` (within `slack`).
bool OnBorder(QPointF a, QPointF b, QSizeF size, double slack);

}  // namespace tavelo
