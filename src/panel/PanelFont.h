#pragma once

#include <QImage>
#include <QRect>
#include <string_view>

namespace tavelo {

// A 5 x 7 pixel upper-case font built into the program, so that the panel's labels come out
// the same pixels on every machine, need no installed font and carry no smoothed edges (the
// button-colour mapping recolours only exact black, greys and white).

inline constexpr int PANEL_GLYPH_HEIGHT = 7;

// Width in pixels of `text`; bold adds one pixel per glyph.
int PanelTextWidth(std::string_view text, bool bold = false);

// Draws `text` with its top left glyph corner at `origin`; returns the x just past it.
int DrawPanelTextAt(QImage& image, QPoint origin, std::string_view text, QRgb colour,
                    bool bold = false);

// Draws `text` centred in `box` in one solid colour. Characters without a glyph draw blank.
void DrawPanelText(QImage& image, const QRect& box, std::string_view text, QRgb colour,
                   bool bold = false);

}  // namespace tavelo
