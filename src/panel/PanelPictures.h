#pragma once

#include <QImage>
#include <QPalette>
#include <QString>

namespace tavelo {

// The panel's pictures, found by their numeric ids (136, 171..176, 178, 179, 182..195,
// 208..215, 217..226, 239..246) or, for the plain bitmap buttons, by name ("BTN1U", "BTN1D",
// "BTN2U", "BTN2D"). Each is drawn by code the first time it is asked for and kept.
//
// Parts meant to follow the desktop theme use only four exact colours, which the button
// mapping replaces; everything else (plates, bars, the gamma display) keeps its own colour.
inline constexpr QRgb PICTURE_BLACK = 0xFF000000;       // becomes the button text colour
inline constexpr QRgb PICTURE_DARK_GREY = 0xFF808080;   // becomes the button shadow
inline constexpr QRgb PICTURE_LIGHT_GREY = 0xFFC0C0C0;  // becomes the button face
inline constexpr QRgb PICTURE_WHITE = 0xFFFFFFFF;       // becomes the button highlight

// The picture as drawn, unmapped; a null image for an id that names no picture.
QImage PanelPicture(int id);
QImage PanelPicture(const QString& name);

// The button-colour mapping: black, dark grey, light grey and white pixels take the
// palette's button text, shadow, face and highlight colours; other pixels stay.
QImage MapButtonColours(const QImage& picture, const QPalette& palette);

// A picture with the mapping applied, or a null image when the id names no picture.
QImage LoadMappedPicture(int id, const QPalette& palette);

}  // namespace tavelo
