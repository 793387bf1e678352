#include "panel/PanelButton.h"

#include <QPainter>

#include "panel/PanelPictures.h"

namespace tavelo {

CPanelButton::CPanelButton(int id, QWidget* parent) : QAbstractButton(parent), m_nId(id) {
    setFocusPolicy(Qt::NoFocus);
}

void CPanelButton::paintEvent(QPaintEvent*) {
    const QImage picture = LoadMappedPicture(CurrentPicture(), palette());
    if (picture.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
}

}  // namespace tavelo
