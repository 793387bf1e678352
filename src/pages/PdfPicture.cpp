#include "pages/PdfPicture.h"

#include <QPainter>

namespace tavelo {
namespace {

int Word(const QByteArray& bytes, qsizetype at) {
    return (quint8(bytes[at]) << 8) | quint8(bytes[at + 1]);
}

bool IsBlackAndWhite(const QImage& grey) {
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x) {
            if (row[x] != 0 && row[x] != 255) {
                return false;
            }
        }
    }
    return true;
}

// Rows of one bit a pixel, each padded to a whole byte, 1 for white as PDF's DeviceGray has it.
QByteArray BitRows(const QImage& grey) {
    const int stride = (grey.width() + 7) / 8;
    QByteArray bits(qsizetype(stride) * grey.height(), '\0');
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        char* out = bits.data() + qsizetype(stride) * y;
        for (int x = 0; x < grey.width(); ++x) {
            if (row[x]) {
                out[x >> 3] = char(out[x >> 3] | (0x80 >> (x & 7)));
            }
        }
    }
    return bits;
}

QByteArray PackedRows(const QImage& image, int bytesPerPixel) {
    const qsizetype rowBytes = qsizetype(image.width()) * bytesPerPixel;
    QByteArray rows(rowBytes * image.height(), Qt::Uninitialized);
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(rows.data() + rowBytes * y, image.constScanLine(y), std::size_t(rowBytes));
    }
    return rows;
}

}  // namespace

bool ReadJpegFrame(const QByteArray& file, PdfPicture* frame) {
    if (file.size() < 4 || quint8(file[0]) != 0xFF || quint8(file[1]) != 0xD8) {
        return false;
    }
    qsizetype at = 2;
    while (at + 4 <= file.size()) {
        if (quint8(file[at]) != 0xFF) {
            return false;
        }
        const int marker = quint8(file[at + 1]);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        const int length = Word(file, at + 2);
        // Baseline, extended and progressive Huffman frames; lossless, hierarchical and
        // arithmetic-coded ones are beyond what viewers are sure to decode.
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            if (at + 10 > file.size() || length < 8) {
                return false;
            }
            frame->bitsPerComponent = quint8(file[at + 4]);
            frame->height = Word(file, at + 5);
            frame->width = Word(file, at + 7);
            frame->components = quint8(file[at + 9]);
            return frame->bitsPerComponent == 8 && frame->width > 0 && frame->height > 0 &&
                   (frame->components == 1 || frame->components == 3);
        }
        if ((marker >= 0xC3 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
             marker != 0xCC) ||
            marker == 0xDA || marker == 0xD9 || length < 2) {
            return false;  // another kind of frame, or the data began without a frame
        }
        at += 2 + length;
    }
    return false;
}

bool MakePdfPicture(const QByteArray& file, const QImage& decoded, PdfPicture* picture) {
    *picture = PdfPicture();
    if (ReadJpegFrame(file, picture)) {
        picture->data = file;
        picture->jpeg = true;
        return true;
    }
    QImage image = file.isEmpty() ? decoded : QImage::fromData(file);
    if (image.isNull()) {
        return false;
    }
    if (image.hasAlphaChannel()) {  // what shows through is the paper
        QImage flat(image.size(), QImage::Format_RGB888);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, image);
        image = flat;
    }
    picture->width = image.width();
    picture->height = image.height();
    if (image.allGray()) {
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        picture->components = 1;
        if (IsBlackAndWhite(grey)) {
            picture->bitsPerComponent = 1;
            picture->data = BitRows(grey);
        } else {
            picture->data = PackedRows(grey, 1);
        }
    } else {
        picture->components = 3;
        picture->data = PackedRows(image.convertToFormat(QImage::Format_RGB888), 3);
    }
    return true;
}

}  // namespace tavelo
