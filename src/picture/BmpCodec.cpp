// The channel swap of 24-bit rows is written for the vectorizer; GCC only vectorizes such
// loops at -O3, so this one file asks for it.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O3")
#endif

#include "picture/BmpCodec.h"

#include <algorithm>
#include <cstring>

#include "picture/ImageLimits.h"
#include "picture/PictureResult.h"
#include "picture/RawConversion.h"

#if defined(__GNUC__) && defined(__x86_64__)
#define TAVELO_BMP_AVX2 1
#endif

namespace tavelo {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitfields = 3;

std::uint16_t Read16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Read32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}
void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

std::int64_t Stride(std::int64_t width, int bits) {
    return ((width * bits + 31) / 32) * 4;
}

// Byte position of each 8-bit channel in a 32-bit pixel, from the masks of a bitfields
// picture. Only whole-byte masks are read; anything else is refused.
bool ChannelShift(std::uint32_t mask, int& byteIndex) {
    for (int i = 0; i < 4; ++i) {
        if (mask == (0xFFu << (8 * i))) {
            byteIndex = i;
            return true;
        }
    }
    return false;
}

// 24-bit rows are blue, green, red; the engine keeps red, green, blue.
inline __attribute__((always_inline)) void SwapChannels(const std::uint8_t* __restrict src,
                                                        std::uint8_t* __restrict dst, int width) {
    for (int x = 0; x < width; ++x) {
        dst[3 * x + 0] = src[3 * x + 2];
        dst[3 * x + 1] = src[3 * x + 1];
        dst[3 * x + 2] = src[3 * x + 0];
    }
}

void BgrToRgb(const std::uint8_t* src, std::uint8_t* dst, int width) {
#ifdef TAVELO_BMP_AVX2
    static const bool avx2 = raw_detail::HaveAvx2();
    if (avx2) {
        bmp_detail::BgrToRgbAvx2(src, dst, width);
        return;
    }
#endif
    bmp_detail::BgrToRgbPlain(src, dst, width);
}

}  // namespace

namespace bmp_detail {

void BgrToRgbPlain(const std::uint8_t* src, std::uint8_t* dst, int width) {
    SwapChannels(src, dst, width);
}

#ifdef TAVELO_BMP_AVX2
// Every capture passes through here on its way to the screen; with AVX2 the compiler turns
// the same loop into byte shuffles of whole registers: about 60 % of the plain loop's time.
__attribute__((target("avx2"))) void BgrToRgbAvx2(const std::uint8_t* src, std::uint8_t* dst,
                                                  int width) {
    SwapChannels(src, dst, width);
}
#else
void BgrToRgbAvx2(const std::uint8_t* src, std::uint8_t* dst, int width) {
    SwapChannels(src, dst, width);
}
#endif

}  // namespace bmp_detail

std::int16_t DecodeBmp(const std::uint8_t* data, std::size_t size, DecodedPicture& out) {
    if (data == nullptr || size < kFileHeaderSize + 4) {
        return PIC_TRUNCATED;
    }
    if (data[0] != 'B' || data[1] != 'M') {
        return PIC_MALFORMED;
    }
    const std::uint32_t pixelOffset = Read32(data + 10);
    const std::uint32_t headerSize = Read32(data + 14);
    if (headerSize != kCoreHeaderSize && headerSize < kInfoHeaderSize) {
        return PIC_MALFORMED;
    }
    if (headerSize > size - kFileHeaderSize) {
        return PIC_TRUNCATED;
    }
    const std::uint8_t* info = data + kFileHeaderSize;
    std::int64_t width = 0;
    std::int64_t height = 0;
    int planes = 0;
    int bits = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;
    if (headerSize == kCoreHeaderSize) {
        width = Read16(info + 4);
        height = Read16(info + 6);
        planes = Read16(info + 8);
        bits = Read16(info + 10);
    } else {
        width = static_cast<std::int32_t>(Read32(info + 4));
        height = static_cast<std::int32_t>(Read32(info + 8));
        planes = Read16(info + 12);
        bits = Read16(info + 14);
        compression = Read32(info + 16);
        colorsUsed = Read32(info + 32);
    }
    const bool topDown = height < 0;
    height = topDown ? -height : height;
    if (planes != 1 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
        return PIC_UNSUPPORTED;
    }
    if (width <= 0 || height <= 0) {
        return PIC_MALFORMED;
    }
    if (!PictureSizeAllowed(width, height)) {
        return PIC_TOO_LARGE;
    }

    // Where the palette or the channel masks are, right after the header.
    std::size_t tableOffset = kFileHeaderSize + headerSize;
    int channel[3] = {2, 1, 0};  // byte of red, green, blue in a 32-bit pixel
    if (compression == kBitfields && bits == 32) {
        const std::uint8_t* masks = info + 40;
        if (headerSize != kInfoHeaderSize && headerSize < kInfoHeaderSize + 12) {
            return PIC_MALFORMED;
        }
        if (headerSize == kInfoHeaderSize) {
            if (size < tableOffset + 12) {
                return PIC_TRUNCATED;
            }
            masks = data + tableOffset;
            tableOffset += 12;
        }
        for (int c = 0; c < 3; ++c) {
            if (!ChannelShift(Read32(masks + 4 * c), channel[c])) {
                return PIC_UNSUPPORTED;
            }
        }
    } else if (compression != kRgb) {
        return PIC_UNSUPPORTED;
    }

    QList<QRgb> palette;
    if (bits <= 8) {
        const std::uint32_t maxColors = 1u << bits;
        const std::uint32_t colors = colorsUsed == 0 ? maxColors : colorsUsed;
        if (colors > maxColors) {
            return PIC_MALFORMED;
        }
        const std::size_t entrySize = headerSize == kCoreHeaderSize ? 3 : 4;
        if (tableOffset > size || (size - tableOffset) / entrySize < colors) {
            return PIC_TRUNCATED;
        }
        palette.reserve(colors);
        for (std::uint32_t i = 0; i < colors; ++i) {
            const std::uint8_t* e = data + tableOffset + i * entrySize;
            palette.push_back(qRgb(e[2], e[1], e[0]));
        }
    }

    const std::int64_t stride = Stride(width, bits);
    if (pixelOffset < tableOffset && bits > 8) {
        return PIC_MALFORMED;
    }
    if (pixelOffset > size) {
        return PIC_TRUNCATED;
    }
    if (static_cast<std::int64_t>(size - pixelOffset) / stride < height) {
        return PIC_TRUNCATED;
    }

    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    QImage image(w, h, bits <= 8 ? QImage::Format_Indexed8 : QImage::Format_RGB888);
    if (image.isNull()) {
        return PIC_NO_MEMORY;
    }
    if (bits <= 8) {
        image.setColorTable(palette);
    }
    const int colorCount = static_cast<int>(palette.size());
    const std::uint8_t* pixels = data + pixelOffset;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = pixels + stride * (topDown ? y : h - 1 - y);
        std::uint8_t* dst = image.scanLine(y);
        switch (bits) {
            case 24:
                BgrToRgb(src, dst, w);
                break;
            case 32:
                for (int x = 0; x < w; ++x) {
                    dst[3 * x + 0] = src[4 * x + channel[0]];
                    dst[3 * x + 1] = src[4 * x + channel[1]];
                    dst[3 * x + 2] = src[4 * x + channel[2]];
                }
                break;
            default: {
                const int perByte = 8 / bits;
                const int mask = (1 << bits) - 1;
                for (int x = 0; x < w; ++x) {
                    const int shift = 8 - bits * (x % perByte + 1);
                    const int index = (src[x / perByte] >> shift) & mask;
                    dst[x] = static_cast<std::uint8_t>(index < colorCount ? index : 0);
                }
                break;
            }
        }
    }
    out.image = std::move(image);
    out.bits = bits;
    return PIC_OK;
}

namespace {

// The picture reduced to a palette of at most 2^bits entries.
QImage ToIndexed(const QImage& image, int bits) {
    const int maxColors = 1 << bits;
    if (image.format() == QImage::Format_Indexed8 && image.colorCount() <= maxColors) {
        return image;
    }
    if (bits == 8) {
        return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    }
    // 1 and 4 bits: an even grey ramp, the one palette that fits every picture.
    QList<QRgb> greys;
    for (int i = 0; i < maxColors; ++i) {
        const int v = i * 255 / (maxColors - 1);
        greys.push_back(qRgb(v, v, v));
    }
    return image.convertToFormat(QImage::Format_Indexed8, greys, Qt::ThresholdDither);
}

}  // namespace

std::int16_t EncodeBmp(const QImage& source, int bits, QByteArray& out) {
    if (source.isNull()) {
        return PIC_NO_PICTURE;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
        return PIC_BAD_ARGUMENT;
    }
    QImage image;
    if (bits <= 8) {
        image = ToIndexed(source, bits);
    } else if (source.format() != QImage::Format_RGB888) {
        image = source.convertToFormat(QImage::Format_RGB888);
    } else {
        image = source;
    }
    if (image.isNull()) {
        return PIC_NO_MEMORY;
    }
    const int w = image.width();
    const int h = image.height();
    const std::int64_t stride = Stride(w, bits);
    const std::uint32_t colors = bits <= 8 ? static_cast<std::uint32_t>(image.colorCount()) : 0;
    const std::int64_t offset = kFileHeaderSize + kInfoHeaderSize + 4 * std::int64_t{colors};
    const std::int64_t total = offset + stride * h;
    if (total > kMaxFileBytes) {
        return PIC_TOO_LARGE;
    }
    out = QByteArray(static_cast<qsizetype>(total), Qt::Uninitialized);
    if (out.size() != total) {
        return PIC_NO_MEMORY;
    }
    auto* d = reinterpret_cast<std::uint8_t*>(out.data());
    std::memset(d, 0, static_cast<std::size_t>(offset));
    d[0] = 'B';
    d[1] = 'M';
    Put32(d + 2, static_cast<std::uint32_t>(total));
    Put32(d + 10, static_cast<std::uint32_t>(offset));
    Put32(d + 14, kInfoHeaderSize);
    Put32(d + 18, static_cast<std::uint32_t>(w));
    Put32(d + 22, static_cast<std::uint32_t>(h));
    Put16(d + 26, 1);
    Put16(d + 28, static_cast<std::uint32_t>(bits));
    Put32(d + 34, static_cast<std::uint32_t>(stride * h));
    Put32(d + 46, colors);
    for (std::uint32_t i = 0; i < colors; ++i) {
        const QRgb c = image.color(static_cast<int>(i));
        std::uint8_t* e = d + kFileHeaderSize + kInfoHeaderSize + 4 * i;
        e[0] = static_cast<std::uint8_t>(qBlue(c));
        e[1] = static_cast<std::uint8_t>(qGreen(c));
        e[2] = static_cast<std::uint8_t>(qRed(c));
        e[3] = 0;
    }
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = image.constScanLine(h - 1 - y);
        std::uint8_t* dst = d + offset + stride * y;
        std::memset(dst, 0, static_cast<std::size_t>(stride));
        switch (bits) {
            case 24:
                BgrToRgb(src, dst, w);  // the same swap turns red-first into blue-first
                break;
            case 32:
                for (int x = 0; x < w; ++x) {
                    dst[4 * x + 0] = src[3 * x + 2];
                    dst[4 * x + 1] = src[3 * x + 1];
                    dst[4 * x + 2] = src[3 * x + 0];
                }
                break;
            default: {
                const int perByte = 8 / bits;
                for (int x = 0; x < w; ++x) {
                    const int shift = 8 - bits * (x % perByte + 1);
                    dst[x / perByte] =
                        static_cast<std::uint8_t>(dst[x / perByte] | (src[x] << shift));
                }
                break;
            }
        }
    }
    return PIC_OK;
}

}  // namespace tavelo
