#include <string_view>

#include "panel/PanelDrawing.h"
#include "panel/PanelFont.h"
#include "panel/PanelLayout.h"
#include "panel/PanelPictures.h"

namespace tavelo {
namespace {

constexpr QRgb GAMMA_BOX = qRgb(10, 10, 10);

// A label printed on the face just above a control, centred over it.
void LabelAbove(QImage& image, const PanelControl& control) {
    if (*control.label == '\0') {
        return;
    }
    const QRect box(control.left - 6, control.top - 3 - PANEL_GLYPH_HEIGHT,
                    control.right - control.left + 12, PANEL_GLYPH_HEIGHT);
    DrawPanelText(image, box, control.label, PICTURE_BLACK);
}

// A heading with a rule on each side, spanning `left`..`right`.
void HeadingLine(QImage& image, int left, int right, int top, std::string_view text) {
    const int width = PanelTextWidth(text, true);
    const int textLeft = left + (right - left - width) / 2;
    const int ruleY = top + PANEL_GLYPH_HEIGHT / 2;
    DrawHLine(image, left, textLeft - 5, ruleY, PICTURE_DARK_GREY);
    DrawHLine(image, left, textLeft - 5, ruleY + 1, PICTURE_WHITE);
    DrawHLine(image, textLeft + width + 4, right, ruleY, PICTURE_DARK_GREY);
    DrawHLine(image, textLeft + width + 4, right, ruleY + 1, PICTURE_WHITE);
    DrawPanelTextAt(image, QPoint(textLeft, top), text, PICTURE_BLACK, true);
}

// A frame whose top edge is broken by its heading.
void HeadedFrame(QImage& image, const QRect& area, std::string_view heading) {
    DrawEtchedFrame(image, area);
    if (heading.empty()) {
        return;
    }
    const int width = PanelTextWidth(heading, true);
    const QRect gap(area.left() + 8, area.top() - PANEL_GLYPH_HEIGHT / 2, width + 6,
                    PANEL_GLYPH_HEIGHT + 1);
    FillArea(image, gap, PICTURE_LIGHT_GREY);
    DrawPanelTextAt(image, QPoint(gap.left() + 3, gap.top()), heading, PICTURE_BLACK, true);
}

// The etched ring the four pointer arrows sit in.
void ArrowRing(QImage& image, QPoint centre, int radius) {
    for (int y = -radius - 1; y <= radius + 1; ++y) {
        for (int x = -radius - 1; x <= radius + 1; ++x) {
            const int d2 = x * x + y * y;
            if (d2 >= (radius - 1) * (radius - 1) && d2 < radius * radius) {
                image.setPixel(centre + QPoint(x, y), PICTURE_DARK_GREY);
            } else if (d2 >= radius * radius && d2 < (radius + 1) * (radius + 1)) {
                image.setPixel(centre + QPoint(x, y), PICTURE_WHITE);
            }
        }
    }
}

}  // namespace

QImage DrawPanelBackground() {
    QImage image(PANEL_WIDTH, PANEL_HEIGHT, QImage::Format_RGB32);
    image.fill(PICTURE_LIGHT_GREY);
    DrawBevel(image, image.rect(), PICTURE_WHITE, PICTURE_DARK_GREY);

    // Top: the sunken frame with the three plates and the cross of arrows.
    const QRect top(12, 14, 306, 176);
    DrawBevel(image, top, PICTURE_DARK_GREY, PICTURE_WHITE);
    DrawBevel(image, top.adjusted(1, 1, -1, -1), PICTURE_BLACK, PICTURE_LIGHT_GREY);
    ArrowRing(image, QPoint(214, 105), 79);

    HeadingLine(image, 20, 230, 199, "ROTATION");
    // Source selection and iris each get a frame of their own.
    HeadedFrame(image, QRect(13, 278, 226, 36), "");
    HeadedFrame(image, QRect(13, 402, 230, 55), "IRIS");

    for (const PanelControl& control : PANEL_CONTROLS) {
        LabelAbove(image, control);
    }
    // GAMMA names the whole group of minus, value and plus.
    DrawPanelText(image, QRect(248, 331 - 3 - PANEL_GLYPH_HEIGHT, 58, PANEL_GLYPH_HEIGHT), "GAMMA",
                  PICTURE_BLACK);
    FillArea(image, QRect(261, 330, 32, 14), GAMMA_BOX);
    return image;
}

}  // namespace tavelo
