#pragma once

#include <QImage>

#include "pages/PageCorners.h"
#include "pages/PaperSize.h"

namespace tavelo {

// How a straightened page is cleaned up for reading: in colour, grey (the default for
// documents) or black and white.
enum class PageLook { Colour, Grey, BlackWhite };

struct StraightPage {
    QImage picture;  // RGB32 for Colour, Grayscale8 otherwise; null when it could not be made
    PaperShape paper;
};

// The sheet within `corners` (as FindPage gives them) flattened into an upright rectangle
// whose shape follows the corners (snapped to a paper within 2 %), at least 200 pixels per
// inch for an A4 sheet; its light evened out, so that paper comes out white and strokes keep
// their weight; in `look`. Widget-free.
StraightPage StraightenPage(const QImage& picture, const PageCorners& corners,
                            PageLook look = PageLook::Grey);

// The rectangle's pixel size StraightenPage gives for these corners.
QSize StraightSize(const PageCorners& corners, PaperShape* paper = nullptr);

}  // namespace tavelo
