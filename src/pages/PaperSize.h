#pragma once

#include <QSize>
#include <QSizeF>

namespace tavelo {

// The paper a straightened page is taken to be printed on, judged by its shape alone.
// A4 and A5 share one shape (both are halves of the one before), so a sheet of that shape is
// taken for A4, the usual one on a desk.
enum class Paper { Unknown, A4, Letter, A5, Legal };

struct PaperShape {
    Paper paper = Paper::Unknown;
    bool landscape = false;  // wider than high
};

// The paper whose shape (long side over short side) lies within 2 % of `longOverShort`.
PaperShape SnapPaper(double longOverShort);

// The paper's size in millimetres, upright (Unknown: empty).
QSizeF PaperMillimetres(Paper paper);

// The straightened page's pixel size for a sheet measured `measured` pixels in the picture
// (width and height along its sides): the snapped paper's shape at 200 pixels per inch, or the
// measured shape with an A4 sheet's 200 pixels per inch on its long side; never smaller than
// the measured size.
QSize StraightPixelSize(QSizeF measured, PaperShape& shape);

inline constexpr double kStraightPixelsPerInch = 200.0;

}  // namespace tavelo
