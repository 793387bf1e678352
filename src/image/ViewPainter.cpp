// The fill, copy and fetch loops are written for the vectorizer; GCC only vectorizes
// such loops fully at -O3, so this one file asks for it.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O3")
#endif

#include "image/ViewPainter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tavelo {

namespace {

// Frame columns [first, last) whose centres fall inside [lo, hi).
void Span(double lo, double hi, int limit, int& first, int& last) {
    first = std::clamp(static_cast<int>(std::ceil(lo - 0.5)), 0, limit);
    last = std::clamp(static_cast<int>(std::ceil(hi - 0.5)), first, limit);
}

}  // namespace

void ViewPainter::Render(const QImage& picture, const QRectF& dest, const QRectF& clip,
                         QImage& frame, QRgb background) {
    const int fw = frame.width();
    const int fh = frame.height();
    if (fw <= 0 || fh <= 0) {
        return;
    }
    int x0 = 0;
    int x1 = 0;
    int y0 = 0;
    int y1 = 0;
    const bool drawable =
        !picture.isNull() && dest.width() > 0 && dest.height() > 0 &&
        (picture.format() == QImage::Format_RGB888 || picture.format() == QImage::Format_Indexed8);
    if (drawable) {
        const QRectF area = dest.intersected(clip);
        Span(area.left(), area.right(), fw, x0, x1);
        Span(area.top(), area.bottom(), fh, y0, y1);
    }
    const QRgb fill = background | 0xFF000000u;
    if (x0 >= x1 || y0 >= y1) {
        frame.fill(fill);
        return;
    }

    for (int y = 0; y < fh; ++y) {
        auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
        if (y < y0 || y >= y1) {
            std::fill(row, row + fw, fill);
        } else {
            std::fill(row, row + x0, fill);
            std::fill(row + x1, row + fw, fill);
        }
    }
    const double cached = std::round(dest.width()) * std::round(dest.height());
    if (cached >= 1 && cached <= kMaxCachedPixels) {
        RenderCached(picture, dest, x0, x1, y0, y1, frame);
    } else {
        RenderScaled(picture, dest, x0, x1, y0, y1, frame);
    }
}

void ViewPainter::RenderCached(const QImage& picture, const QRectF& dest, int x0, int x1, int y0,
                               int y1, QImage& frame) {
    const int cw = static_cast<int>(std::round(dest.width()));
    const int ch = static_cast<int>(std::round(dest.height()));
    if (m_cacheKey != picture.cacheKey() || m_cache.size() != QSize(cw, ch)) {
        QImage scaled = picture;
        if (scaled.size() != QSize(cw, ch)) {
            const bool shrink = cw < picture.width() || ch < picture.height();
            scaled = picture.scaled(cw, ch, Qt::IgnoreAspectRatio,
                                    shrink ? Qt::SmoothTransformation : Qt::FastTransformation);
        }
        m_cache = scaled.convertToFormat(QImage::Format_RGB32);
        m_cacheKey = picture.cacheKey();
        if (m_cache.isNull()) {
            m_cacheKey = 0;
            RenderScaled(picture, dest, x0, x1, y0, y1, frame);
            return;
        }
    }
    // The cache is the picture at the frame's scale: one cache pixel per frame pixel,
    // the columns and rows the frame pixel centres fall on.
    const int first = std::clamp(static_cast<int>(std::floor(x0 + 0.5 - dest.left())), 0, cw - 1);
    const int count = std::min(x1 - x0, cw - first);
    for (int y = y0; y < y1; ++y) {
        const int cy = std::clamp(static_cast<int>(std::floor(y + 0.5 - dest.top())), 0, ch - 1);
        const auto* src = reinterpret_cast<const QRgb*>(m_cache.constScanLine(cy)) + first;
        auto* out = reinterpret_cast<QRgb*>(frame.scanLine(y)) + x0;
        std::memcpy(out, src, 4 * static_cast<std::size_t>(count));
        // Rounding can leave the last column short of the cache: repeat the edge.
        std::fill(out + count, out + (x1 - x0), count > 0 ? src[count - 1] : src[0]);
    }
}

void ViewPainter::RenderScaled(const QImage& picture, const QRectF& dest, int x0, int x1, int y0,
                               int y1, QImage& frame) {
    const int pw = picture.width();
    const int ph = picture.height();
    const bool indexed = picture.format() == QImage::Format_Indexed8;
    const int bpp = indexed ? 1 : 3;
    const double sx = pw / dest.width();
    const double sy = ph / dest.height();
    m_columns.resize(static_cast<std::size_t>(x1 - x0));
    for (int x = x0; x < x1; ++x) {
        const int src = std::clamp(static_cast<int>((x + 0.5 - dest.left()) * sx), 0, pw - 1);
        m_columns[static_cast<std::size_t>(x - x0)] = src * bpp;
    }
    if (indexed) {
        m_palette.assign(256, 0xFF000000u);
        const int n = std::min(256, static_cast<int>(picture.colorCount()));
        for (int i = 0; i < n; ++i) {
            m_palette[static_cast<std::size_t>(i)] = picture.color(i) | 0xFF000000u;
        }
    }
    // Fetching from a 32-bit copy takes one load a pixel; huge pictures read in place.
    const bool viaBase = static_cast<long long>(pw) * ph <= kMaxCachedPixels;
    if (viaBase && m_baseKey != picture.cacheKey()) {
        m_base = picture.convertToFormat(QImage::Format_RGB32);
        m_baseKey = m_base.isNull() ? 0 : picture.cacheKey();
    }
    const bool fromBase = viaBase && m_baseKey == picture.cacheKey();
    if (fromBase) {
        for (int& column : m_columns) {
            column /= bpp;
        }
    }
    const int* columns = m_columns.data();
    const int count = x1 - x0;
    int lastSource = -1;
    for (int y = y0; y < y1; ++y) {
        const int source = std::clamp(static_cast<int>((y + 0.5 - dest.top()) * sy), 0, ph - 1);
        QRgb* out = reinterpret_cast<QRgb*>(frame.scanLine(y)) + x0;
        if (source == lastSource) {
            // Zoomed in, neighbouring rows show the same picture row.
            std::memcpy(out, frame.constScanLine(y - 1) + 4 * x0, 4 * std::size_t(count));
            continue;
        }
        lastSource = source;
        if (fromBase) {
            const auto* base = reinterpret_cast<const QRgb*>(m_base.constScanLine(source));
            for (int i = 0; i < count; ++i) {
                out[i] = base[columns[i]];
            }
            continue;
        }
        const std::uint8_t* src = picture.constScanLine(source);
        if (indexed) {
            const QRgb* lut = m_palette.data();
            for (int i = 0; i < count; ++i) {
                out[i] = lut[src[columns[i]]];
            }
        } else {
            for (int i = 0; i < count; ++i) {
                const std::uint8_t* p = src + columns[i];
                out[i] = 0xFF000000u | (QRgb{p[0]} << 16) | (QRgb{p[1]} << 8) | p[2];
            }
        }
    }
}

}  // namespace tavelo
