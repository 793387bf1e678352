#pragma once

#include <QImage>

#include "pages/PageCorners.h"

namespace tavelo {

// Finds the sheet of paper in a picture of a desk (the picture as shown): the outline borne
// out best by the picture's edges and by the paper's brightness, looked for at a reduced size
// and refined at full size. A page cut by the frame has its corners clipped to the picture.
// When nothing credible is present the result is the whole picture with `found` false, never
// a small outline of something else. Widget-free; safe to call from any thread.
FoundPage FindPage(const QImage& picture);

}  // namespace tavelo
