#include "app/SplashDlg.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "res/Icons.h"

namespace tavelo {

CSplashDlg::CSplashDlg(QWidget* parent)
    : QFrame(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setObjectName(QStringLiteral("splash131"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(EDGE);
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture1000"));
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setLineWidth(EDGE);
    picture->setPixmap(SplashPicture());
    auto* layout = new QVBoxLayout(this);
    // The window's raised edge and the picture's sunken edge take the four edges each way.
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture);
    OnInitDialog();
}

bool CSplashDlg::OnInitDialog() {
    const int side = PICTURE_SIZE + 4 * EDGE;
    setFixedSize(side, side);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - side) / 2, area.y() + (area.height() - side) / 2);
    }
    return true;
}

}  // namespace tavelo
