#include "panel/BitmapButton.h"

#include <QPainter>

#include "panel/PanelPictures.h"

namespace tavelo {

CBitmapButton::CBitmapButton(int id, QWidget* parent) : QAbstractButton(parent), m_nId(id) {
    setFocusPolicy(Qt::NoFocus);
}

bool CBitmapButton::AutoLoad(const QString& caption) {
    m_strCaption = caption;
    const QImage up = PanelPicture(UpPicture());
    if (up.isNull()) {
        return false;
    }
    resize(up.size());
    return true;
}

void CBitmapButton::paintEvent(QPaintEvent*) {
    // These two pictures are drawn as they are, without the button-colour mapping.
    const QImage picture = PanelPicture(isDown() ? DownPicture() : UpPicture());
    if (picture.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
}

}  // namespace tavelo
