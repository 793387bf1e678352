#pragma once

// Picture files made to cost their reader: headers that claim more than the data holds,
// endless scans, runs that point outside the picture. Built from real encodings patched in
// place, for the hostile-file table and the fuzz seeds.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include "support/PictureSamples.h"

namespace tavelo::samples {

// `image` written as a JPEG by the platform's encoder.
inline QByteArray JpegOf(const QImage& image, bool progressive, int quality = 90) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    return writer.write(image) ? bytes : QByteArray();
}

// Where each marker segment of a JPEG starts; a scan's entry runs to the end of its data.
inline QList<std::pair<int, int>> JpegSegments(const QByteArray& b) {
    QList<std::pair<int, int>> segments;
    int at = 2;
    while (at + 4 <= b.size() && quint8(b[at]) == 0xFF) {
        const int marker = quint8(b[at + 1]);
        if (marker == 0xD9) {
            break;
        }
        int end = at + 2 + (quint8(b[at + 2]) << 8 | quint8(b[at + 3]));
        if (marker == 0xDA) {
            // Entropy-coded data up to the next marker that is neither a stuffed byte nor a
            // restart.
            while (end + 1 < b.size() &&
                   !(quint8(b[end]) == 0xFF && quint8(b[end + 1]) != 0 &&
                     (quint8(b[end + 1]) < 0xD0 || quint8(b[end + 1]) > 0xD7))) {
                ++end;
            }
        }
        segments.append({at, end});
        at = end;
    }
    return segments;
}

// The JPEG with its frame header claiming width x height.
inline QByteArray WithFrameSize(QByteArray b, int width, int height) {
    for (const auto& [at, end] : JpegSegments(b)) {
        const int marker = quint8(b[at + 1]);
        if (marker >= 0xC0 && marker <= 0xC2) {
            b[at + 5] = char(height >> 8);
            b[at + 6] = char(height);
            b[at + 7] = char(width >> 8);
            b[at + 8] = char(width);
        }
    }
    return b;
}

// The JPEG with its last scan repeated `times` more times before its end.
inline QByteArray WithRepeatedScan(const QByteArray& b, int times) {
    const auto segments = JpegSegments(b);
    for (auto it = segments.crbegin(); it != segments.crend(); ++it) {
        if (quint8(b[it->first + 1]) == 0xDA) {
            const QByteArray scan = b.mid(it->first, it->second - it->first);
            QByteArray out = b.left(it->second);
            for (int i = 0; i < times; ++i) {
                out.append(scan);
            }
            return out.append(b.mid(it->second));
        }
    }
    return b;
}

// One flat colour: the encoder's cheapest picture, so a few bytes stand for many pixels.
inline QImage FlatPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(90, 140, 200));
    return image;
}

// The small hostile files, by name: what the fuzzers start from and what the ordinary test
// suite loads from tests/fuzz/regressions.
inline QList<std::pair<QString, QByteArray>> SmallHostileFiles() {
    const QByteArray progressive = JpegOf(FlatPicture(64, 64), true);
    QByteArray runs;  // long runs, deltas and absolute runs, mostly outside the picture
    for (int i = 0; i < 64; ++i) {
        runs.append(QByteArray::fromHex("ff0700027f7f0006010203040506ff090000"));
    }
    runs.append(QByteArray::fromHex("0001"));
    return {
        {"jpeg-progressive-claims-8192.jpg", WithFrameSize(progressive, 8192, 8192)},
        {"jpeg-baseline-claims-8192.jpg",
         WithFrameSize(JpegOf(FlatPicture(64, 64), false), 8192, 8192)},
        {"jpeg-scan-bomb.jpg", WithRepeatedScan(JpegOf(FlatPicture(2048, 2048), true), 1500)},
        {"bmp-rle8-runs-outside.bmp",
         MakeRleBmp(8192, 8192, 8, runs, {qRgb(0, 0, 0), qRgb(255, 255, 255)})},
        {"bmp-rle4-claims-8192.bmp",
         MakeRleBmp(8192, 8192, 4, QByteArray::fromHex("ff12"), {qRgb(0, 0, 0)})},
    };
}

}  // namespace tavelo::samples
