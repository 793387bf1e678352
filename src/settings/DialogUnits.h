#pragma once

#include <QRect>
#include <QSize>

class QFont;
class QWidget;

namespace tavelo {

// Dialog templates are laid out in dialog units: a quarter of the dialog font's average
// character width across, an eighth of its height down. Converting them with the font's own
// base units keeps a dialog's proportions whatever font and screen it is shown with.
struct DialogBaseUnits {
    int x = 0;  // average character width in pixels
    int y = 0;  // character height in pixels
};

// The base units of a font: the width of the 52 Latin letters over 52, rounded to the
// nearest pixel, and the font's line height.
DialogBaseUnits BaseUnitsOf(const QFont& font);

// One horizontal (x) or vertical (y) distance in dialog units, in pixels, rounded to the
// nearest pixel with halves away from zero.
int DialogUnitsToPixelsX(int units, const DialogBaseUnits& base);
int DialogUnitsToPixelsY(int units, const DialogBaseUnits& base);

// A template rectangle (left, top, width, height in dialog units) in pixels; each of the four
// numbers is converted on its own, as the controls of a template are placed.
QRect MapDialogRect(const QRect& units, const DialogBaseUnits& base);
QSize MapDialogSize(const QSize& units, const DialogBaseUnits& base);

// Places a control of a template: `units` converted with the base units of its dialog's font.
void PlaceControl(QWidget* control, const QRect& units, const DialogBaseUnits& base);

}  // namespace tavelo
