#pragma once

#include <QImage>
#include <QPageSize>
#include <QSize>
#include <QSizeF>

#include "CaptureCommand.h"
#include "pages/PageCorners.h"
#include "pages/PaperSize.h"

namespace tavelo::cli {

// One page as the tool writes it: the picture as shown, or with --document the page found in
// it, straightened and cleaned by the pages library's one road (OutlineFor, DocumentPicture).
struct MadePage {
    QImage picture;       // what is written; null when it could not be made
    PageOutline outline;  // Unknown without --document
    PaperShape paper;     // Unknown without --document or when no paper's shape fits
};

MadePage MakePage(const QImage& shown, const CaptureOptions& options);

// Where a page lies in a PDF of pages of their own size, and the resolution it is read at.
struct PageGeometry {
    QSizeF points;  // empty: the picture at `pixelsPerInch`
    int pixelsPerInch = 0;
};

// A document page of `pixels` on its paper `shape`, the page filled (one of no paper's shape
// at the resolution it was straightened to); the picture as shown as large as it fits on
// `paper` turned to its shape, its own shape kept.
PageGeometry GeometryOf(QSize pixels, const PaperShape& shape, bool document,
                        QPageSize::PageSizeId paper);

// The picture in a form the picture engine keeps as it is: grey as 8-bit grey, so that a BMP
// is written at 8 bits and a JPEG as grey; anything else as it comes.
QImage EngineImage(const QImage& picture);

}  // namespace tavelo::cli
