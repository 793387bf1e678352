#pragma once

#include <QSize>

class QDialog;

namespace tavelo {

struct DialogBaseUnits;

// The window of a dialog built from a template: a caption with a close box and a frame that
// does not resize, its client area the template's size in dialog units.
void SetTemplateFrame(QDialog* dialog, const QSize& units, const DialogBaseUnits& base);

// Moves the dialog to the middle of the screen it is on (the primary one before it is shown).
void CentreOnScreen(QDialog* dialog);

}  // namespace tavelo
