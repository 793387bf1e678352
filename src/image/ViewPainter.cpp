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

    const int* columns = m_columns.data();
    const int count = x1 - x0;
    int lastSource = -1;
    for (int y = 0; y < fh; ++y) {
        auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
        if (y < y0 || y >= y1) {
            std::fill(row, row + fw, fill);
            continue;
        }
        std::fill(row, row + x0, fill);
        std::fill(row + x1, row + fw, fill);
        const int source = std::clamp(static_cast<int>((y + 0.5 - dest.top()) * sy), 0, ph - 1);
        QRgb* out = row + x0;
        if (source == lastSource) {
            // Zoomed in, neighbouring rows show the same picture row.
            std::memcpy(out, frame.constScanLine(y - 1) + 4 * x0, 4 * std::size_t(count));
            continue;
        }
        lastSource = source;
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
