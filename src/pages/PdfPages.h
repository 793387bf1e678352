#pragma once

#include <QImage>
#include <QLocale>
#include <QPageSize>
#include <QString>
#include <cstdint>
#include <functional>

class QPainter;
class QRectF;

namespace tavelo {

// The paper of the user's locale: Letter where the locale measures in US units, else A4.
QPageSize::PageSizeId DefaultPaper(const QLocale& locale = QLocale::system());

// Draws `picture` as large as it fits into `area`, centred, its shape kept. The picture goes
// to the device at its own pixels: a PDF holds it unresampled and scales it on the page.
void DrawPictureFitted(QPainter& painter, const QRectF& area, const QImage& picture);

// The picture of page `index` (0-based); a null image ends the writing with a failure.
using PagePicture = std::function<QImage(int index)>;

// One PDF of `count` pages, each of paper `paper` turned to the picture's shape, with its
// picture fitted. Written to a temporary file renamed over `path`: a failure leaves a file
// already there as it was. Returns a PictureResult code, 0 for success.
std::int16_t WritePdf(const QString& path, int count, const PagePicture& picture,
                      QPageSize::PageSizeId paper);

}  // namespace tavelo
