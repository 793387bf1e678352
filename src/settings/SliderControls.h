#pragma once

#include <QRect>
#include <QString>

class QDialog;
class QLabel;
class QPushButton;

namespace tavelo {

class CTrackbar;
struct DialogBaseUnits;

// What both picture-setting dialogs are made of besides their own parts: the slider 1003,
// its two end labels 1004 (left-aligned) and 1005 (right-aligned), and OK (the default
// button, accepting) and Cancel (rejecting), in that tab order.
struct SliderControls {
    CTrackbar* slider = nullptr;
    QLabel* leftText = nullptr;
    QLabel* rightText = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

// Where a template puts them, in dialog units.
struct SliderTemplate {
    QRect slider;
    QRect leftText;
    QRect rightText;
    QRect ok;
    QRect cancel;
};

// Creates the controls as children of `dialog`, wires OK and Cancel to it and places them
// by `rects` with the dialog font's base units.
SliderControls CreateSliderControls(QDialog* dialog, const QString& leftText,
                                    const QString& rightText, const SliderTemplate& rects,
                                    const DialogBaseUnits& base);

}  // namespace tavelo
