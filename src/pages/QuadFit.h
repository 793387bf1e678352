#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "pages/PageCorners.h"

namespace tavelo {

// The four-sided outline that best explains a region's outer contour: its convex hull
// simplified, and when more than four sides remain (a corner cut off by the frame, a
// finger on an edge), the four longest sides carried on to where they meet. Nothing when
// the contour has no such outline or its corners would lie far outside `frame`.
std::optional<PageCorners> QuadFromContour(const std::vector<cv::Point>& contour, cv::Size frame);

// The corners moved into the frame (0..width, 0..height).
PageCorners ClampToFrame(const PageCorners& corners, QSizeF frame);

}  // namespace tavelo
