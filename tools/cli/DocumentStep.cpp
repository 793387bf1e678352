#include "DocumentStep.h"

#include <cmath>
#include <cstring>

#include "pages/DocumentPage.h"

namespace tavelo::cli {
namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kMillimetresPerInch = 25.4;

}  // namespace

MadePage MakePage(const QImage& shown, const CaptureOptions& options) {
    MadePage made;
    if (!options.document) {
        made.picture = shown;
        return made;
    }
    made.outline = OutlineFor(shown, true);
    const StraightPage page = DocumentPicture(shown, made.outline, options.look);
    made.picture = page.picture;
    made.paper = page.paper;
    // A4 and A5 share one shape, and the straightener makes such a sheet an A4 page.
    if (made.paper.paper == Paper::A5) {
        made.paper.paper = Paper::A4;
    }
    return made;
}

PageGeometry GeometryOf(QSize pixels, const PaperShape& shape, bool document,
                        QPageSize::PageSizeId paper) {
    PageGeometry geometry;
    if (pixels.isEmpty()) {
        return geometry;
    }
    if (document) {
        QSizeF mm = PaperMillimetres(shape.paper);
        if (mm.isEmpty()) {
            geometry.pixelsPerInch = int(kStraightPixelsPerInch);
            return geometry;
        }
        if (shape.landscape) {
            mm.transpose();
        }
        geometry.points = mm * (kPointsPerInch / kMillimetresPerInch);
        geometry.pixelsPerInch =
            int(std::lround(pixels.width() * kMillimetresPerInch / mm.width()));
        return geometry;
    }
    QSizeF sheet = QPageSize(paper).size(QPageSize::Point);
    if ((pixels.width() > pixels.height()) != (sheet.width() > sheet.height())) {
        sheet.transpose();
    }
    const double scale = std::min(sheet.width() / pixels.width(), sheet.height() / pixels.height());
    geometry.points = QSizeF(pixels) * scale;
    geometry.pixelsPerInch = int(std::lround(kPointsPerInch / scale));
    return geometry;
}

QImage EngineImage(const QImage& picture) {
    if (picture.format() != QImage::Format_Grayscale8) {
        return picture;
    }
    QImage indexed(picture.size(), QImage::Format_Indexed8);
    if (indexed.isNull()) {
        return indexed;
    }
    QList<QRgb> ramp(256);
    for (int i = 0; i < 256; ++i) {
        ramp[i] = qRgb(i, i, i);
    }
    indexed.setColorTable(ramp);
    for (int y = 0; y < picture.height(); ++y) {
        std::memcpy(indexed.scanLine(y), picture.constScanLine(y), std::size_t(picture.width()));
    }
    return indexed;
}

}  // namespace tavelo::cli
