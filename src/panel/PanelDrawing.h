#pragma once

#include <QImage>
#include <QRect>

namespace tavelo {

// Pixel-exact drawing helpers shared by the panel's pictures; no smoothing anywhere, so the
// button-colour mapping finds whole areas of its four colours.

void FillArea(QImage& image, const QRect& area, QRgb colour);
// One ring of a 3D edge: top and left in `topLeft`, bottom and right in `bottomRight`.
void DrawBevel(QImage& image, const QRect& area, QRgb topLeft, QRgb bottomRight);
void DrawHLine(QImage& image, int x1, int x2, int y, QRgb colour);
void DrawVLine(QImage& image, int x, int y1, int y2, QRgb colour);
// An etched groove (dark line with a light line beside it) around `area`.
void DrawEtchedFrame(QImage& image, const QRect& area);

// The background picture 136, 330 x 480.
QImage DrawPanelBackground();

}  // namespace tavelo
