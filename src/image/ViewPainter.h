#pragma once

#include <QImage>
#include <QRectF>
#include <vector>

namespace tavelo {

// Paints the visible part of a picture into a viewport-sized frame (Format_RGB32): the
// picture scaled into `dest` (viewport coordinates, may lie partly outside), limited to
// `clip`, everything else `background`. The cost follows the viewport's size, not the
// zoom: while the scaled picture is of moderate size it is kept, scaled once (smoothly
// when shrunk) and converted, and each paint copies the visible rows out of it; larger
// than that, each frame pixel is fetched once through a column table, and neighbouring
// rows that show the same picture row are copied.
class ViewPainter {
public:
    void Render(const QImage& picture, const QRectF& dest, const QRectF& clip, QImage& frame,
                QRgb background);

    // Largest scaled picture kept between paints (32 MB of pixels).
    static constexpr long long kMaxCachedPixels = 8LL << 20;

private:
    void RenderScaled(const QImage& picture, const QRectF& dest, int x0, int x1, int y0, int y1,
                      QImage& frame);
    void RenderCached(const QImage& picture, const QRectF& dest, int x0, int x1, int y0, int y1,
                      QImage& frame);

    QImage m_cache;  // the picture at the current scale, Format_RGB32
    qint64 m_cacheKey = 0;
    QImage m_base;  // the picture at its own size, Format_RGB32, for fetching
    qint64 m_baseKey = 0;
    std::vector<int> m_columns;  // source byte offset of each painted frame column
    std::vector<QRgb> m_palette;
};

}  // namespace tavelo
