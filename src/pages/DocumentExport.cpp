#include "pages/DocumentExport.h"

#include <QBuffer>
#include <QFileInfo>

#include "pages/SearchablePdf.h"
#include "picture/PictureResult.h"

namespace tavelo {
namespace {

constexpr double kPointsPerMillimetre = 72.0 / 25.4;
// The pages are straightened at 200 pixels per inch for reading; this keeps the strokes
// clean at a quarter of the size a lossless grey page takes.
constexpr int kPdfJpegQuality = 85;

}  // namespace

StraightPage SettledDocumentPage(const Sitting& sitting, int row) {
    if (row < 0 || row >= sitting.Count()) {
        return {};
    }
    const PageRecord& page = sitting.Page(row);
    const DocumentOptions& options = sitting.Options();
    const OutlineState state = page.outline.state;
    const bool notYetFound = options.findPage && state == OutlineState::Unknown;
    const bool setAside =
        !options.findPage && (state == OutlineState::Found || state == OutlineState::NotFound);
    if (!notYetFound && !setAside) {
        return sitting.DocumentPage(row);
    }
    const QImage picture = sitting.Store().Picture(row, false);
    if (picture.isNull()) {
        return {};
    }
    return DocumentPicture(picture, OutlineFor(picture, notYetFound),
                           LookOf(page.look, options.look), page.turns);
}

PdfPlacement PlaceOnPaper(const StraightPage& page, QPageSize::PageSizeId fallback) {
    PdfPlacement placement;
    const QSize pixels = page.picture.size();
    const bool landscape = pixels.width() > pixels.height();
    if (page.paper.paper != Paper::Unknown) {
        // A5 has A4's shape, and the straightener makes such a sheet A4's size: on a desk it
        // is an A4 sheet far more often.
        const QSizeF mm =
            PaperMillimetres(page.paper.paper == Paper::A5 ? Paper::A4 : page.paper.paper);
        placement.points = (page.paper.landscape ? mm.transposed() : mm) * kPointsPerMillimetre;
        return placement;
    }
    const QSizeF paper = QPageSize(fallback).size(QPageSize::Point);
    placement.points = landscape == (paper.width() > paper.height()) ? paper : paper.transposed();
    if (pixels.isEmpty()) {
        return placement;
    }
    QSizeF size = pixels;
    size.scale(placement.points, Qt::KeepAspectRatio);
    placement.place = QRectF(QPointF((placement.points.width() - size.width()) / 2,
                                     (placement.points.height() - size.height()) / 2),
                             size);
    return placement;
}

std::int16_t ExportDocumentPdf(const Sitting& sitting, const std::vector<int>& rows,
                               const QString& path, QPageSize::PageSizeId fallback,
                               const std::function<QByteArray(int row)>& textLayer,
                               std::vector<int>* skipped) {
    // Every page is made before the file is begun, so that a page that cannot be had is
    // left out rather than failing the document.
    std::vector<SearchablePage> pages;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int row = rows[i];
        const StraightPage document = SettledDocumentPage(sitting, row);
        if (document.picture.isNull()) {
            if (skipped != nullptr) {
                skipped->push_back(static_cast<int>(i));
            }
            continue;
        }
        SearchablePage page;
        const PdfPlacement placement = PlaceOnPaper(document, fallback);
        page.points = placement.points;
        page.place = placement.place;
        // A straightened page is grey; the picture as shown never is.
        const bool blackWhite =
            document.picture.format() == QImage::Format_Grayscale8 &&
            LookOf(sitting.Page(row).look, sitting.Options().look) == PageLook::BlackWhite;
        if (blackWhite) {
            page.picture = document.picture;  // stored at one bit a pixel
        } else {
            QBuffer buffer(&page.file);
            if (!buffer.open(QIODevice::WriteOnly) ||
                !document.picture.save(&buffer, "JPEG", kPdfJpegQuality)) {
                page.file.clear();
                page.picture = document.picture;
            }
        }
        if (textLayer) {
            page.textLayer = textLayer(row);
        }
        pages.push_back(std::move(page));
    }
    if (pages.empty()) {
        return PIC_NO_PICTURE;
    }
    return WriteSearchablePdf(
        path, static_cast<int>(pages.size()),
        [&pages](int i, SearchablePage* page) {
            *page = pages[static_cast<std::size_t>(i)];
            return true;
        },
        QFileInfo(path).completeBaseName());
}

}  // namespace tavelo
