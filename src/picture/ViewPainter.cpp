// The fill, copy and fetch loops are written for the vectorizer; GCC only vectorizes
// such loops fully at -O3, so this one file asks for it.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O3")
#endif

#include "picture/ViewPainter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace tavelo {

namespace {

// Frame columns [first, last) whose centres fall inside [lo, hi).
void Span(double lo, double hi, int limit, int& first, int& last) {
    first = std::clamp(static_cast<int>(std::ceil(lo - 0.5)), 0, limit);
    last = std::clamp(static_cast<int>(std::ceil(hi - 0.5)), first, limit);
}

// The frame rectangle [x0, x1) x [y0, y1) the picture shows in; false when it shows nowhere.
bool Visible(const QImage& picture, const QRectF& dest, const QRectF& clip, int fw, int fh, int& x0,
             int& x1, int& y0, int& y1) {
    x0 = x1 = y0 = y1 = 0;
    const bool drawable =
        !picture.isNull() && dest.width() > 0 && dest.height() > 0 &&
        (picture.format() == QImage::Format_RGB888 || picture.format() == QImage::Format_Indexed8);
    if (!drawable) {
        return false;
    }
    const QRectF area = dest.intersected(clip);
    Span(area.left(), area.right(), fw, x0, x1);
    Span(area.top(), area.bottom(), fh, y0, y1);
    return x0 < x1 && y0 < y1;
}

// The cache column (row) under the centre of frame column (row) `frameStart`. The cache is
// the picture at the frame's scale, so the frame is the cache moved by whole pixels.
int CacheOffset(int frameStart, double destStart) {
    return static_cast<int>(std::floor(frameStart + 0.5 - destStart));
}

}  // namespace

int ViewPainter::PaintedPixels(double length) {
    int first = 0;
    int last = 0;
    Span(0.0, length, std::numeric_limits<int>::max(), first, last);
    return last - first;
}

void ViewPainter::Render(const QImage& picture, const QRectF& dest, const QRectF& clip,
                         QImage& frame, QRgb background) {
    RenderRows(picture, dest, clip, frame.size(), 0, frame.height(), frame, background);
}

void ViewPainter::RenderRows(const QImage& picture, const QRectF& dest, const QRectF& clip,
                             const QSize& window, int top, int rows, QImage& band,
                             QRgb background) {
    const int fw = window.width();
    const int fh = window.height();
    rows = std::min({rows, band.height(), fh - top});
    if (fw <= 0 || top < 0 || rows <= 0 || band.width() < fw ||
        band.format() != QImage::Format_RGB32) {
        return;
    }
    int x0 = 0;
    int x1 = 0;
    int y0 = 0;
    int y1 = 0;
    const QRgb fill = background | 0xFF000000u;
    const bool visible = Visible(picture, dest, clip, fw, fh, x0, x1, y0, y1);
    for (int y = top; y < top + rows; ++y) {
        auto* row = reinterpret_cast<QRgb*>(band.scanLine(y - top));
        if (!visible || y < y0 || y >= y1) {
            std::fill(row, row + fw, fill);
        } else {
            std::fill(row, row + x0, fill);
            std::fill(row + x1, row + fw, fill);
        }
    }
    const Rows span{x0, x1, y0, std::max(y0, top), std::min(y1, top + rows), top};
    if (visible && span.from < span.to) {
        RenderCached(picture, dest, span, band);
    }
}

const QImage* ViewPainter::Covering(const QImage& picture, const QRectF& dest, const QRectF& clip,
                                    const QSize& window, QPoint& origin) {
    int x0 = 0;
    int x1 = 0;
    int y0 = 0;
    int y1 = 0;
    if (!Visible(picture, dest, clip, window.width(), window.height(), x0, x1, y0, y1) || x0 != 0 ||
        y0 != 0 || x1 != window.width() || y1 != window.height()) {
        return nullptr;
    }
    const QImage* cache = Scaled(picture, dest);
    if (cache == nullptr) {
        return nullptr;
    }
    const int left = CacheOffset(0, dest.left());
    const int top = CacheOffset(0, dest.top());
    // Where rendering would repeat an edge pixel, the window is no plain copy.
    if (left < 0 || top < 0 || left + window.width() > cache->width() ||
        top + window.height() > cache->height()) {
        return nullptr;
    }
    origin = QPoint(left, top);
    return cache;
}

const QImage* ViewPainter::Scaled(const QImage& picture, const QRectF& dest) {
    const double pixels = std::round(dest.width()) * std::round(dest.height());
    if (!(pixels >= 1 && pixels <= kMaxCachedPixels)) {
        return nullptr;
    }
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
            return nullptr;
        }
    }
    return &m_cache;
}

void ViewPainter::RenderCached(const QImage& picture, const QRectF& dest, const Rows& rows,
                               QImage& band) {
    const QImage* cache = Scaled(picture, dest);
    if (cache == nullptr) {
        RenderScaled(picture, dest, rows, band);
        return;
    }
    const int cw = cache->width();
    const int ch = cache->height();
    const int first = std::clamp(CacheOffset(rows.x0, dest.left()), 0, cw - 1);
    const int top = CacheOffset(rows.y0, dest.top());
    const int width = rows.x1 - rows.x0;
    const int count = std::min(width, cw - first);
    for (int y = rows.from; y < rows.to; ++y) {
        const int cy = std::clamp(top + (y - rows.y0), 0, ch - 1);
        const auto* src = reinterpret_cast<const QRgb*>(cache->constScanLine(cy)) + first;
        auto* out = reinterpret_cast<QRgb*>(band.scanLine(y - rows.top)) + rows.x0;
        std::memcpy(out, src, 4 * static_cast<std::size_t>(count));
        // Rounding can leave the last column short of the cache: repeat the edge.
        std::fill(out + count, out + width, count > 0 ? src[count - 1] : src[0]);
    }
}

void ViewPainter::RenderScaled(const QImage& picture, const QRectF& dest, const Rows& rows,
                               QImage& band) {
    const int pw = picture.width();
    const int ph = picture.height();
    const int x0 = rows.x0;
    const bool indexed = picture.format() == QImage::Format_Indexed8;
    const double sx = pw / dest.width();
    const double sy = ph / dest.height();
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
    // Offsets into a source row: pixels in the 32-bit copy, bytes in the picture itself.
    const int step = fromBase ? 1 : (indexed ? 1 : 3);
    const int count = rows.x1 - x0;
    m_columns.resize(static_cast<std::size_t>(count));
    for (int x = x0; x < rows.x1; ++x) {
        const int src = std::clamp(static_cast<int>((x + 0.5 - dest.left()) * sx), 0, pw - 1);
        m_columns[static_cast<std::size_t>(x - x0)] = src * step;
    }
    const int* columns = m_columns.data();
    int lastSource = -1;
    for (int y = rows.from; y < rows.to; ++y) {
        const int source = std::clamp(static_cast<int>((y + 0.5 - dest.top()) * sy), 0, ph - 1);
        QRgb* out = reinterpret_cast<QRgb*>(band.scanLine(y - rows.top)) + x0;
        if (source == lastSource) {
            // Zoomed in, neighbouring rows show the same picture row.
            std::memcpy(out, out - band.bytesPerLine() / 4, 4 * std::size_t(count));
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
