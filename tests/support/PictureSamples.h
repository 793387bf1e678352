#pragma once

// Hand-built BMP file images for the imaging tests and the fuzz seeds, written field by
// field so that the decoder is checked against the file layout, not against our encoder.

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <cstdint>
#include <functional>

namespace tavelo::samples {

inline void Put16(QByteArray& b, int at, std::uint32_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(QByteArray& b, int at, std::uint32_t v) {
    Put16(b, at, v);
    Put16(b, at + 2, v >> 16);
}

// Colour of pixel (x, y), y counted from the top; for 8 bits and less, its palette index;
// for 16 bits, the stored 16-bit word.
using PixelFn = std::function<std::uint32_t(int x, int y)>;

// A BMP with a 40-byte header. `palette` is written for depths up to 8 bits.
inline QByteArray MakeBmp(int width, int height, int bits, bool topDown, const PixelFn& pixel,
                          const QList<QRgb>& palette = {}) {
    const int stride = ((width * bits + 31) / 32) * 4;
    const int colors = bits <= 8 ? static_cast<int>(palette.size()) : 0;
    const int offset = 54 + 4 * colors;
    QByteArray b(offset + stride * height, '\0');
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, 10, static_cast<std::uint32_t>(offset));
    Put32(b, 14, 40);
    Put32(b, 18, static_cast<std::uint32_t>(width));
    Put32(b, 22, static_cast<std::uint32_t>(topDown ? -height : height));
    Put16(b, 26, 1);
    Put16(b, 28, static_cast<std::uint32_t>(bits));
    Put32(b, 34, static_cast<std::uint32_t>(stride * height));
    Put32(b, 46, static_cast<std::uint32_t>(colors));
    for (int i = 0; i < colors; ++i) {
        b[54 + 4 * i] = static_cast<char>(qBlue(palette[i]));
        b[54 + 4 * i + 1] = static_cast<char>(qGreen(palette[i]));
        b[54 + 4 * i + 2] = static_cast<char>(qRed(palette[i]));
    }
    for (int y = 0; y < height; ++y) {
        const int row = offset + stride * (topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = pixel(x, y);
            if (bits == 16) {
                Put16(b, row + 2 * x, v);
            } else if (bits == 24 || bits == 32) {
                const int at = row + x * (bits / 8);
                b[at] = static_cast<char>(qBlue(v));
                b[at + 1] = static_cast<char>(qGreen(v));
                b[at + 2] = static_cast<char>(qRed(v));
            } else {
                const int perByte = 8 / bits;
                const int at = row + x / perByte;
                const int shift = 8 - bits * (x % perByte + 1);
                b[at] = static_cast<char>(static_cast<std::uint8_t>(b[at]) | (v << shift));
            }
        }
    }
    return b;
}

// The same BMP with bit-field compression and these channel masks after its 40-byte header.
inline QByteArray WithMasks(QByteArray bmp, std::uint32_t red, std::uint32_t green,
                            std::uint32_t blue) {
    QByteArray masks(12, '\0');
    Put32(masks, 0, red);
    Put32(masks, 4, green);
    Put32(masks, 8, blue);
    bmp.insert(54, masks);
    Put32(bmp, 2, static_cast<std::uint32_t>(bmp.size()));
    Put32(bmp, 10, 54 + 12);
    Put32(bmp, 30, 3);
    return bmp;
}

// A run-length BMP (8 or 4 bits) whose pixels are the stream given, bottom row first.
inline QByteArray MakeRleBmp(int width, int height, int bits, const QByteArray& stream,
                             const QList<QRgb>& palette) {
    QByteArray b = MakeBmp(
        width, 1, bits, false, [](int, int) { return 0u; }, palette);
    const int offset = 54 + 4 * static_cast<int>(palette.size());
    b.truncate(offset);
    b.append(stream);
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, 22, static_cast<std::uint32_t>(height));
    Put32(b, 30, bits == 8 ? 1 : 2);
    Put32(b, 34, static_cast<std::uint32_t>(stream.size()));
    return b;
}

// A picture whose every pixel differs from its neighbours: red follows x, green y.
inline std::uint32_t Gradient(int x, int y) {
    return qRgb((x * 37) & 0xFF, (y * 53) & 0xFF, (x * 11 + y * 7) & 0xFF);
}

}  // namespace tavelo::samples
