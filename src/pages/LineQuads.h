#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "pages/PageCorners.h"

namespace tavelo {

// Outlines made of straight edges: the longest lines among the edges (Hough segments, those
// along one line merged), two roughly level and two roughly upright taken together, the
// frame's own borders standing in for sides that lie outside it. Finds a sheet whose outline
// has gaps (white on a light desk, a finger on an edge) or runs out of the frame, where
// closed contours fail.
std::vector<PageCorners> LineQuads(const cv::Mat& edges);

}  // namespace tavelo
