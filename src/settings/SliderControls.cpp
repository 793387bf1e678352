#include "settings/SliderControls.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "settings/DialogUnits.h"
#include "settings/Trackbar.h"

namespace tavelo {

SliderControls CreateSliderControls(QDialog* dialog, const QString& leftText,
                                    const QString& rightText, const SliderTemplate& rects,
                                    const DialogBaseUnits& base) {
    SliderControls c;
    c.slider = new CTrackbar(dialog);
    c.slider->setObjectName(QStringLiteral("slider1003"));
    c.leftText = new QLabel(leftText, dialog);
    c.leftText->setObjectName(QStringLiteral("text1004"));
    c.leftText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    c.rightText = new QLabel(rightText, dialog);
    c.rightText->setObjectName(QStringLiteral("text1005"));
    c.rightText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    c.ok = new QPushButton(QStringLiteral("OK"), dialog);
    c.ok->setDefault(true);
    c.cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    QObject::connect(c.ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(c.cancel, &QPushButton::clicked, dialog, &QDialog::reject);

    PlaceControl(c.slider, rects.slider, base);
    PlaceControl(c.leftText, rects.leftText, base);
    PlaceControl(c.rightText, rects.rightText, base);
    PlaceControl(c.ok, rects.ok, base);
    PlaceControl(c.cancel, rects.cancel, base);
    QWidget::setTabOrder(c.slider, c.ok);
    QWidget::setTabOrder(c.ok, c.cancel);
    return c;
}

}  // namespace tavelo
