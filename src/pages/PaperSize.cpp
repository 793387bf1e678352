#include "pages/PaperSize.h"

#include <algorithm>
#include <cmath>

namespace tavelo {

namespace {

struct PaperEntry {
    Paper paper;
    double shortMm, longMm;
};
// A4 before A5: the same shape snaps to the first.
constexpr PaperEntry kPapers[] = {
    {Paper::A4, 210, 297},
    {Paper::Letter, 215.9, 279.4},
    {Paper::A5, 148, 210},
    {Paper::Legal, 215.9, 355.6},
};
constexpr double kMmPerInch = 25.4;

}  // namespace

PaperShape SnapPaper(double longOverShort) {
    PaperShape shape;
    for (const PaperEntry& e : kPapers) {
        const double ratio = e.longMm / e.shortMm;
        if (std::abs(longOverShort / ratio - 1) <= 0.02) {
            shape.paper = e.paper;
            return shape;
        }
    }
    return shape;
}

QSizeF PaperMillimetres(Paper paper) {
    for (const PaperEntry& e : kPapers) {
        if (e.paper == paper) {
            return QSizeF(e.shortMm, e.longMm);
        }
    }
    return {};
}

QSize StraightPixelSize(QSizeF measured, PaperShape& shape) {
    const double w = std::max(1.0, measured.width()), h = std::max(1.0, measured.height());
    const double longSide = std::max(w, h), shortSide = std::min(w, h);
    shape = SnapPaper(longSide / shortSide);
    shape.landscape = w > h;
    double outLong = 0, outShort = 0;
    if (shape.paper != Paper::Unknown) {
        const QSizeF mm = PaperMillimetres(shape.paper == Paper::A5 ? Paper::A4 : shape.paper);
        outShort = mm.width() / kMmPerInch * kStraightPixelsPerInch;
        outLong = mm.height() / kMmPerInch * kStraightPixelsPerInch;
    } else {
        outLong = 297 / kMmPerInch * kStraightPixelsPerInch;
        outShort = outLong * shortSide / longSide;
    }
    if (longSide > outLong) {
        // A picture sharper than that keeps its detail.
        outShort *= longSide / outLong;
        outLong = longSide;
    }
    const int l = static_cast<int>(std::lround(outLong)),
              s = static_cast<int>(std::lround(outShort));
    return shape.landscape ? QSize(l, s) : QSize(s, l);
}

}  // namespace tavelo
