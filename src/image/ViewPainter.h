#pragma once

#include <QImage>
#include <QRectF>
#include <vector>

namespace tavelo {

// Paints the visible part of a picture into a viewport-sized frame (Format_RGB32): the
// picture scaled into `dest` (viewport coordinates, may lie partly outside), limited to
// `clip`, everything else `background`. Each frame pixel is written once, from a column
// table and a row index, so the cost follows the viewport's size and not the zoom.
class ViewPainter {
public:
    void Render(const QImage& picture, const QRectF& dest, const QRectF& clip, QImage& frame,
                QRgb background);

private:
    std::vector<int> m_columns;  // source byte offset of each painted frame column
    std::vector<QRgb> m_palette;
};

}  // namespace tavelo
