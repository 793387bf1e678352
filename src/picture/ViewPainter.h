#pragma once

#include <QImage>
#include <QRectF>
#include <vector>

namespace tavelo {

// Paints the visible part of a picture into a window (Format_RGB32): the picture scaled
// into `dest` (window coordinates, may lie partly outside), limited to `clip`, everything
// else `background`. The cost follows the window's size, not the zoom: while the scaled
// picture is of moderate size it is kept, scaled once (smoothly when shrunk) and converted,
// and each paint copies the visible rows out of it; larger than that, each pixel is fetched
// once through a column table, and neighbouring rows that show the same picture row are
// copied.
class ViewPainter {
public:
    // The whole window, into a frame of the window's size.
    void Render(const QImage& picture, const QRectF& dest, const QRectF& clip, QImage& frame,
                QRgb background);

    // Window rows [top, top + rows) of a window of size `window` into the first rows of
    // `band` (as wide as the window). Each pixel comes out as Render makes it, so a window
    // can be painted band by band through one small buffer that stays in the processor's
    // cache, instead of through a whole frame that is written and then read again.
    void RenderRows(const QImage& picture, const QRectF& dest, const QRectF& clip,
                    const QSize& window, int top, int rows, QImage& band, QRgb background);

    // When the scaled picture is kept and covers the whole window, the window is one
    // rectangle of it, copied: it can be painted straight from there. Returns the scaled
    // picture and sets `origin` to the rectangle's top-left in it; nullptr when the window
    // needs rendering.
    const QImage* Covering(const QImage& picture, const QRectF& dest, const QRectF& clip,
                           const QSize& window, QPoint& origin);

    // Window pixels that a scaled picture side of `length` covers when it starts on a pixel
    // edge: those whose centres it covers, as painting counts them. A side that overshoots
    // the window by less than half a pixel (a fit factor's rounding) covers no more of it.
    static int PaintedPixels(double length);

    // Largest scaled picture kept between paints (32 MB of pixels).
    static constexpr long long kMaxCachedPixels = 8LL << 20;

private:
    // The picture's visible columns [x0, x1) and rows from y0 on; window rows [from, to)
    // are rendered into band rows from 0 on, band row 0 being window row `top`.
    struct Rows {
        int x0;
        int x1;
        int y0;
        int from;
        int to;
        int top;
    };
    void RenderScaled(const QImage& picture, const QRectF& dest, const Rows& rows, QImage& band);
    void RenderCached(const QImage& picture, const QRectF& dest, const Rows& rows, QImage& band);
    // The picture at the size of `dest`, converted for painting; nullptr when it is too
    // large to keep or cannot be made.
    const QImage* Scaled(const QImage& picture, const QRectF& dest);

    QImage m_cache;  // the picture at the current scale, Format_RGB32
    qint64 m_cacheKey = 0;
    QImage m_base;  // the picture at its own size, Format_RGB32, for fetching
    qint64 m_baseKey = 0;
    std::vector<int> m_columns;  // source byte offset of each painted window column
    std::vector<QRgb> m_palette;
};

}  // namespace tavelo
