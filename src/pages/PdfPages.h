#pragma once

#include <QImage>
#include <QLocale>
#include <QPageSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class QPainter;
class QRectF;

namespace tavelo {

// The paper of the user's locale: Letter where the locale measures in US units, else A4.
QPageSize::PageSizeId DefaultPaper(const QLocale& locale = QLocale::system());

// Draws `picture` as large as it fits into `area`, centred, its shape kept. The picture goes
// to the device at its own pixels: a PDF holds it unresampled and scales it on the page.
void DrawPictureFitted(QPainter& painter, const QRectF& area, const QImage& picture);

// The picture of page `index` (0-based); a null image when it cannot be had.
using PagePicture = std::function<QImage(int index)>;

// What a PDF is written with besides its pages.
struct PdfDocument {
    QPageSize::PageSizeId paper = QPageSize::A4;
    QString title;                // empty: the file's own name without its extension
    bool skipUnreadable = false;  // a page without a picture is left out, else the PDF fails
    std::vector<int>* skipped = nullptr;  // when given, gets the pages left out
};

// One PDF of `count` pages, each of paper `paper` turned to the picture's shape, with its
// picture fitted; titled, with "Tavelo" as its creator and the time of its making. Written
// through the durable writer: a failure at any byte or page leaves a file already there as
// it was. Returns a PictureResult code, 0 for success; PIC_NO_PICTURE when no page had a
// picture (or one failed that may not be left out).
std::int16_t WritePdf(const QString& path, int count, const PagePicture& picture,
                      const PdfDocument& document);
inline std::int16_t WritePdf(const QString& path, int count, const PagePicture& picture,
                             QPageSize::PageSizeId paper) {
    PdfDocument document;
    document.paper = paper;
    return WritePdf(path, count, picture, document);
}

}  // namespace tavelo
