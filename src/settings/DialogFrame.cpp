#include "settings/DialogFrame.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>

#include "settings/DialogUnits.h"

namespace tavelo {

void SetTemplateFrame(QDialog* dialog, const QSize& units, const DialogBaseUnits& base) {
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog->setFixedSize(MapDialogSize(units, base));
}

void CentreOnScreen(QDialog* dialog) {
    QScreen* screen = dialog->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    QRect frame = dialog->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    dialog->move(frame.topLeft());
}

}  // namespace tavelo
