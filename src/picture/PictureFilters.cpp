// The sharpen loop is plain integer arithmetic written for the vectorizer; GCC only
// vectorizes such loops fully at -O3, so this one file asks for it.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O3")
#endif

#include "picture/PictureFilters.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <type_traits>
#include <vector>

namespace tavelo {

namespace {

constexpr int kMaxAmount = 1000;
constexpr int kBytesPerPixel = 3;

// Gain in 1/64 for the blur difference: up to 2.0 when sharpening, up to 1.0 (the
// plain blur) when softening. Scaled so that difference times gain fits 16 bits, which
// lets the vectorizer work on eight or sixteen bytes at once.
int GainFromAmount(int amount) {
    return amount > 0 ? amount * 128 / kMaxAmount : amount * 64 / kMaxAmount;
}

// One output row: out = p + gain * (p - blur) / 64, with blur the 3 x 3 binomial
// ([1 2 1] x [1 2 1]) / 16 of the rows above, at and below. `vsum` holds the column sums
// above + 2 * middle + below; the first and last pixels repeat the edge.
void SharpenRow(const std::uint8_t* mid, const std::uint16_t* vsum, std::uint8_t* out, int width,
                int gain) {
    const int bytes = width * kBytesPerPixel;
    auto emit = [&](int i, int left, int right) {
        const int blur = (vsum[left] + 2 * vsum[i] + vsum[right] + 8) >> 4;
        const int p = mid[i];
        const int v = p + (((p - blur) * gain + 32) >> 6);
        out[i] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
    };
    if (width == 1) {
        for (int i = 0; i < kBytesPerPixel; ++i) {
            emit(i, i, i);
        }
        return;
    }
    for (int i = 0; i < kBytesPerPixel; ++i) {
        emit(i, i, i + kBytesPerPixel);
    }
    const int last = bytes - kBytesPerPixel;
    const auto g16 = static_cast<std::int16_t>(gain);
    // The inner span, branch-free: each byte sees the same channel of its neighbours.
    for (int i = kBytesPerPixel; i < last; ++i) {
        const auto blur = static_cast<std::int16_t>(
            (vsum[i - kBytesPerPixel] + 2 * vsum[i] + vsum[i + kBytesPerPixel] + 8) >> 4);
        const auto p = static_cast<std::int16_t>(mid[i]);
        const auto scaled = static_cast<std::int16_t>((p - blur) * g16 + 32);
        auto v = static_cast<std::int16_t>(p + (scaled >> 6));
        v = v < 0 ? std::int16_t{0} : (v > 255 ? std::int16_t{255} : v);
        out[i] = static_cast<std::uint8_t>(v);
    }
    for (int i = last; i < bytes; ++i) {
        emit(i, i - kBytesPerPixel, i);
    }
}

}  // namespace

void SharpenPicture(QImage& image, int amount) {
    amount = std::clamp(amount, -kMaxAmount, kMaxAmount);
    if (amount == 0 || image.isNull() || image.format() != QImage::Format_RGB888) {
        return;
    }
    const int w = image.width();
    const int h = image.height();
    const int gain = GainFromAmount(amount);
    const std::size_t bytes = static_cast<std::size_t>(w) * kBytesPerPixel;
    // In place: the rows above and at the current one are kept in their original state.
    std::vector<std::uint8_t> above(bytes);
    std::vector<std::uint8_t> middle(bytes);
    std::vector<std::uint16_t> vsum(bytes);
    std::memcpy(above.data(), image.constScanLine(0), bytes);
    for (int y = 0; y < h; ++y) {
        std::memcpy(middle.data(), image.constScanLine(y), bytes);
        const std::uint8_t* up = y == 0 ? middle.data() : above.data();
        const std::uint8_t* down = y + 1 < h ? image.constScanLine(y + 1) : middle.data();
        const std::uint8_t* mid = middle.data();
        std::uint16_t* vs = vsum.data();
        for (std::size_t i = 0; i < bytes; ++i) {
            vs[i] = static_cast<std::uint16_t>(up[i] + 2 * mid[i] + down[i]);
        }
        SharpenRow(mid, vs, image.scanLine(y), w, gain);
        above.swap(middle);
    }
}

QImage RotateQuarterTurns(const QImage& image, int quarterTurns) {
    quarterTurns = ((quarterTurns % 4) + 4) % 4;
    if (quarterTurns == 0) {
        return image;
    }
    const int w = image.width();
    const int h = image.height();
    const int bpp = image.depth() / 8;
    const bool swap = quarterTurns != 2;
    QImage out(swap ? h : w, swap ? w : h, image.format());
    if (out.isNull()) {
        return out;
    }
    out.setColorTable(image.colorTable());
    const std::uint8_t* src = image.constBits();
    std::uint8_t* dst = out.bits();
    const qsizetype srcStride = image.bytesPerLine();
    const qsizetype dstStride = out.bytesPerLine();
    // Tiles keep both the rows read and the rows written in cache.
    constexpr int kTile = 32;
    auto turn = [&](auto pixelBytes) {
        constexpr int n = decltype(pixelBytes)::value;
        for (int ty = 0; ty < h; ty += kTile) {
            for (int tx = 0; tx < w; tx += kTile) {
                const int yEnd = std::min(ty + kTile, h);
                const int xEnd = std::min(tx + kTile, w);
                for (int y = ty; y < yEnd; ++y) {
                    const std::uint8_t* row = src + y * srcStride;
                    for (int x = tx; x < xEnd; ++x) {
                        int dx = 0;
                        int dy = 0;
                        switch (quarterTurns) {
                            case 1:
                                dx = h - 1 - y;
                                dy = x;
                                break;
                            case 2:
                                dx = w - 1 - x;
                                dy = h - 1 - y;
                                break;
                            default:
                                dx = y;
                                dy = w - 1 - x;
                                break;
                        }
                        std::memcpy(dst + dy * dstStride + dx * n, row + x * n, n);
                    }
                }
            }
        }
    };
    if (bpp == 1) {
        turn(std::integral_constant<int, 1>{});
    } else {
        turn(std::integral_constant<int, 3>{});
    }
    return out;
}

QImage RotateAnyAngle(const QImage& image, int hundredths, bool grow, QRgb fill) {
    const double angle = hundredths / 100.0 * std::numbers::pi / 180.0;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const int w = image.width();
    const int h = image.height();
    int ow = w;
    int oh = h;
    if (grow) {
        ow = std::max(1, static_cast<int>(std::ceil(std::abs(w * c) + std::abs(h * s) - 1e-6)));
        oh = std::max(1, static_cast<int>(std::ceil(std::abs(w * s) + std::abs(h * c) - 1e-6)));
    }
    QImage out(ow, oh, QImage::Format_RGB888);
    if (out.isNull()) {
        return out;
    }
    const std::uint8_t fillRgb[3] = {static_cast<std::uint8_t>(qRed(fill)),
                                     static_cast<std::uint8_t>(qGreen(fill)),
                                     static_cast<std::uint8_t>(qBlue(fill))};
    const double cx = w / 2.0;
    const double cy = h / 2.0;
    const double ocx = ow / 2.0;
    const double ocy = oh / 2.0;
    for (int y = 0; y < oh; ++y) {
        std::uint8_t* dst = out.scanLine(y);
        const double ry = y + 0.5 - ocy;
        for (int x = 0; x < ow; ++x) {
            const double rx = x + 0.5 - ocx;
            // Inverse of a right turn on screen (y grows downwards).
            const double sx = rx * c + ry * s + cx - 0.5;
            const double sy = -rx * s + ry * c + cy - 0.5;
            std::uint8_t* d = dst + 3 * x;
            if (sx < -0.5 || sy < -0.5 || sx > w - 0.5 || sy > h - 0.5) {
                std::memcpy(d, fillRgb, 3);
                continue;
            }
            const int x0 = std::clamp(static_cast<int>(std::floor(sx)), 0, w - 1);
            const int y0 = std::clamp(static_cast<int>(std::floor(sy)), 0, h - 1);
            const int x1 = std::min(x0 + 1, w - 1);
            const int y1 = std::min(y0 + 1, h - 1);
            const double fx = std::clamp(sx - x0, 0.0, 1.0);
            const double fy = std::clamp(sy - y0, 0.0, 1.0);
            const std::uint8_t* r0 = image.constScanLine(y0);
            const std::uint8_t* r1 = image.constScanLine(y1);
            for (int k = 0; k < 3; ++k) {
                const double top = r0[3 * x0 + k] + (r0[3 * x1 + k] - r0[3 * x0 + k]) * fx;
                const double bottom = r1[3 * x0 + k] + (r1[3 * x1 + k] - r1[3 * x0 + k]) * fx;
                d[k] = static_cast<std::uint8_t>(std::lround(top + (bottom - top) * fy));
            }
        }
    }
    return out;
}

}  // namespace tavelo
