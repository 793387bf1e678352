#pragma once

#include <QByteArray>
#include <QImage>

namespace tavelo {

// A page's picture as a PDF image stores it, without a second lossy encoding: a JPEG file
// keeps its very bytes (the PDF decodes them as a JPEG), anything else is stored losslessly
// as pixels the PDF writer compresses, one bit a pixel when the page is black and white,
// eight when grey, twenty-four in colour.
struct PdfPicture {
    QByteArray data;  // the JPEG file, or the rows of pixels
    bool jpeg = false;
    int width = 0;
    int height = 0;
    int components = 0;  // 1 grey, 3 RGB
    int bitsPerComponent = 8;
};

// The frame of a JPEG file: its size and colour components; false when `file` is no JPEG a
// PDF can show as it is (not a baseline or progressive JPEG of 8-bit grey or RGB).
bool ReadJpegFrame(const QByteArray& file, PdfPicture* frame);

// `file` (a picture file's bytes) as stored in a PDF; decoded with Qt when it is no JPEG, or
// `decoded` when there is no file. False when neither gives a picture.
bool MakePdfPicture(const QByteArray& file, const QImage& decoded, PdfPicture* picture);

}  // namespace tavelo
