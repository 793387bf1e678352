#include "panel/BitmapButton.h"

#include <QPainter>

#include "panel/PanelButton.h"
#include "panel/PanelPictures.h"

namespace tavelo {

CBitmapButton::CBitmapButton(int id, QWidget* parent) : QAbstractButton(parent), m_nId(id) {
    // Tab reaches it; Space clicks it through the standard button processing.
    setFocusPolicy(Qt::TabFocus);
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
    QPainter painter(this);
    if (!picture.isNull()) {
        painter.drawImage(0, 0, picture);
    }
    if (hasFocus()) {
        DrawFocusMark(painter, rect());
    }
}

}  // namespace tavelo
