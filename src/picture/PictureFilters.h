#pragma once

#include <QImage>

namespace tavelo {

// Pixel operations of the picture engine on Format_RGB888 pictures (quarter turns also on
// Format_Indexed8). Each returns a null image only when memory runs out.

// Sharpens (amount > 0) or softens (amount < 0) in place; amount is clamped to -1000..1000.
void SharpenPicture(QImage& image, int amount);

// Turns the picture right by `quarterTurns` quarter turns (1..3), pixel for pixel.
QImage RotateQuarterTurns(const QImage& image, int quarterTurns);

// Turns an RGB888 picture right by `hundredths` of a degree (any angle), bilinear. With
// `grow` the canvas becomes the turned picture's bounding box, else it keeps its size;
// uncovered pixels take `fill`.
QImage RotateAnyAngle(const QImage& image, int hundredths, bool grow, QRgb fill);

}  // namespace tavelo
