#pragma once

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <cstdint>
#include <functional>

namespace tavelo {

// One page of a searchable PDF: its picture filling a page of its paper, and the words read
// on it laid over the picture as invisible text at their places.
struct SearchablePage {
    QByteArray file;        // the picture file's bytes; a JPEG is stored as these very bytes
    QImage picture;         // the picture when there is no file, stored without loss
    QSizeF points;          // the paper in points (A4: 595.28 x 841.89); empty: the picture
    int pixelsPerInch = 0;  // with `points` empty, the page is the picture at this resolution
    QByteArray textLayer;   // the reading worker's text page (ReadReply::textLayer), or none
    QRectF place;           // where the picture and its words lie, in points; empty: all of it
};

// The page `index` (0-based) into `page`; false ends the writing with a failure.
using SearchablePageSource = std::function<bool(int index, SearchablePage* page)>;

// The PDF of `count` pages. Each picture is stored once: a JPEG as its own bytes, any other
// picture losslessly, one bit a pixel when black and white. Empty when a page cannot be had
// (`result` PIC_NO_PICTURE) or its text layer is no PDF (PIC_MALFORMED). `title`, when
// given, is the document's title; its creator is "Tavelo", with the time of its making.
QByteArray SearchablePdf(int count, const SearchablePageSource& page,
                         std::int16_t* result = nullptr, const QString& title = {});

// SearchablePdf() written through the durable writer: a failed write leaves the file that
// was there. Returns a PictureResult code, PIC_OK for success.
std::int16_t WriteSearchablePdf(const QString& path, int count, const SearchablePageSource& page,
                                const QString& title = {});

}  // namespace tavelo
