#pragma once

#include <QByteArray>
#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "pages/Sitting.h"

namespace tavelo {

// The document page of `row` as it is once its sheet has been looked for: a page the
// background finder has not reached yet is looked for here, and sheets set aside while
// "Find the page" is off are left out, so that what is written, printed or copied does not
// depend on how far the background work has come. Null picture on failure.
StraightPage SettledDocumentPage(const Sitting& sitting, int row);

// Where a document page lies on a PDF page: a page of known paper fills a page of that
// paper (`place` empty); any other is fitted, centred, onto `fallback` turned to its shape.
struct PdfPlacement {
    QSizeF points;
    QRectF place;
};
PdfPlacement PlaceOnPaper(const StraightPage& page, QPageSize::PageSizeId fallback);

// The document pages of `rows` as one PDF at `path`, titled with the file's name, each page on
// its paper (see PlaceOnPaper) with its picture stored once: a JPEG's bytes, a black and white
// page at one bit a pixel. `textLayer`, when given, gives the words read on a page (a reading
// worker's text page, or nothing). A page that cannot be made is left out and its position in
// `rows` added to `skipped`. Written through the durable writer; a PictureResult code,
// PIC_NO_PICTURE when no page could be made.
std::int16_t ExportDocumentPdf(const Sitting& sitting, const std::vector<int>& rows,
                               const QString& path, QPageSize::PageSizeId fallback,
                               const std::function<QByteArray(int row)>& textLayer = {},
                               std::vector<int>* skipped = nullptr);

}  // namespace tavelo
