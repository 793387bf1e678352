#include "panel/PanelDrawing.h"

#include "panel/PanelPictures.h"

namespace tavelo {

void FillArea(QImage& image, const QRect& area, QRgb colour) {
    const QRect clipped = area & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            image.setPixel(x, y, colour);
        }
    }
}

void DrawHLine(QImage& image, int x1, int x2, int y, QRgb colour) {
    FillArea(image, QRect(QPoint(x1, y), QPoint(x2, y)), colour);
}

void DrawVLine(QImage& image, int x, int y1, int y2, QRgb colour) {
    FillArea(image, QRect(QPoint(x, y1), QPoint(x, y2)), colour);
}

void DrawBevel(QImage& image, const QRect& area, QRgb topLeft, QRgb bottomRight) {
    DrawHLine(image, area.left(), area.right(), area.top(), topLeft);
    DrawVLine(image, area.left(), area.top(), area.bottom(), topLeft);
    DrawHLine(image, area.left() + 1, area.right(), area.bottom(), bottomRight);
    DrawVLine(image, area.right(), area.top() + 1, area.bottom(), bottomRight);
}

void DrawEtchedFrame(QImage& image, const QRect& area) {
    DrawBevel(image, area.adjusted(1, 1, 0, 0), PICTURE_WHITE, PICTURE_WHITE);
    DrawBevel(image, area.adjusted(0, 0, -1, -1), PICTURE_DARK_GREY, PICTURE_DARK_GREY);
}

}  // namespace tavelo
