#include "settings/DialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <QWidget>
#include <cstdint>

namespace tavelo {
namespace {

// units * base / divisor rounded to the nearest integer, halves away from zero.
int Scale(int units, int base, int divisor) {
    const std::int64_t product = static_cast<std::int64_t>(units) * base;
    const std::int64_t half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor
                                         : -((-product + half) / divisor));
}

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

int DialogUnitsToPixelsX(int units, const DialogBaseUnits& base) {
    return Scale(units, base.x, 4);
}

int DialogUnitsToPixelsY(int units, const DialogBaseUnits& base) {
    return Scale(units, base.y, 8);
}

QRect MapDialogRect(const QRect& units, const DialogBaseUnits& base) {
    return QRect(DialogUnitsToPixelsX(units.x(), base), DialogUnitsToPixelsY(units.y(), base),
                 DialogUnitsToPixelsX(units.width(), base),
                 DialogUnitsToPixelsY(units.height(), base));
}

QSize MapDialogSize(const QSize& units, const DialogBaseUnits& base) {
    return QSize(DialogUnitsToPixelsX(units.width(), base),
                 DialogUnitsToPixelsY(units.height(), base));
}

void PlaceControl(QWidget* control, const QRect& units, const DialogBaseUnits& base) {
    control->setGeometry(MapDialogRect(units, base));
}

}  // namespace tavelo
