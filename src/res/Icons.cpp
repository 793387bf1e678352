#include "res/Icons.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <functional>

#include "res/CommandIds.h"

namespace tavelo {
namespace {

// Every bundled icon is drawn on a 24 x 24 grid and rendered at the sizes toolbars and
// menus ask for, so it stays crisp without stored bitmaps.
using Drawing = std::function<void(QPainter&)>;

const QColor kInk(0x3b, 0x44, 0x4b);
const QColor kBlue(0x2f, 0x6f, 0xb5);
const QColor kPaper(0xfa, 0xfa, 0xf7);

QIcon Render(const Drawing& draw) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPen Stroke(const QColor& color, qreal width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void DrawSave(QPainter& p) {
    p.setPen(Stroke(kInk, 1.5));
    p.setBrush(kBlue);
    QPainterPath body;
    body.moveTo(3.5, 3.5);
    body.lineTo(17.5, 3.5);
    body.lineTo(20.5, 6.5);
    body.lineTo(20.5, 20.5);
    body.lineTo(3.5, 20.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(kPaper);
    p.drawRect(QRectF(6.5, 12.5, 11, 8));
    p.setBrush(QColor(0xd8, 0xdd, 0xe2));
    p.drawRect(QRectF(7.5, 3.5, 8, 5));
}

void DrawCamera(QPainter& p) {
    p.setPen(Stroke(kInk, 1.5));
    p.setBrush(QColor(0x5a, 0x63, 0x6b));
    p.drawRoundedRect(QRectF(2.5, 7.5, 19, 13), 2, 2);
    p.drawRect(QRectF(8.5, 4.5, 7, 3));
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(12, 14), 4.5, 4.5);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(12, 14), 2.2, 2.2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf2, 0xc1, 0x4e));
    p.drawRect(QRectF(17, 9.5, 2.5, 1.5));
}

void DrawRemote(QPainter& p) {
    p.setPen(Stroke(kInk, 1.5));
    p.setBrush(QColor(0x5a, 0x63, 0x6b));
    p.drawRoundedRect(QRectF(7.5, 2.5, 9, 19), 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x4f, 0x3f));
    p.drawEllipse(QPointF(12, 6), 1.6, 1.6);
    p.setBrush(kPaper);
    for (int row = 0; row < 3; ++row) {
        p.drawEllipse(QPointF(10, 10.5 + row * 3.5), 1.1, 1.1);
        p.drawEllipse(QPointF(14, 10.5 + row * 3.5), 1.1, 1.1);
    }
}

void DrawMagnifier(QPainter& p, bool plus) {
    p.setPen(Stroke(kInk, 2.5));
    p.drawLine(QPointF(15, 15), QPointF(21, 21));
    p.setPen(Stroke(kInk, 1.5));
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(10, 10), 7, 7);
    p.setPen(Stroke(kBlue, 2));
    p.drawLine(QPointF(6.5, 10), QPointF(13.5, 10));
    if (plus) {
        p.drawLine(QPointF(10, 6.5), QPointF(10, 13.5));
    }
}

void DrawRotate(QPainter& p, bool left) {
    if (left) {
        // Mirror the clockwise arrow about the vertical middle.
        p.translate(24, 0);
        p.scale(-1, 1);
    }
    p.setPen(Stroke(kInk, 1.2));
    p.setBrush(kPaper);
    p.drawRect(QRectF(7.5, 9.5, 9, 11));
    p.setPen(Stroke(kBlue, 2));
    p.setBrush(Qt::NoBrush);
    const QRectF arc(4, 3, 16, 16);
    p.drawArc(arc, 150 * 16, -120 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    QPainterPath head;
    head.moveTo(21.5, 6);
    head.lineTo(20.5, 12.5);
    head.lineTo(15.5, 8.5);
    head.closeSubpath();
    p.drawPath(head);
}

void DrawExit(QPainter& p) {
    p.setPen(Stroke(kInk, 1.5));
    p.setBrush(QColor(0xc9, 0x9a, 0x6b));
    p.drawRect(QRectF(3.5, 3.5, 10, 17));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(11, 12.5), 1, 1);
    p.setPen(Stroke(QColor(0xc0, 0x39, 0x2b), 2));
    p.drawLine(QPointF(14, 12), QPointF(21, 12));
    p.drawLine(QPointF(18, 9), QPointF(21, 12));
    p.drawLine(QPointF(18, 15), QPointF(21, 12));
}

void DrawDocumentCamera(QPainter& p) {
    // The page under the camera.
    p.setPen(Stroke(kInk, 1));
    p.setBrush(kPaper);
    QPainterPath page;
    page.moveTo(2.5, 21.5);
    page.lineTo(6.5, 16.5);
    page.lineTo(21.5, 16.5);
    page.lineTo(18.5, 21.5);
    page.closeSubpath();
    p.drawPath(page);
    // Arm and head.
    p.setPen(Stroke(kInk, 2));
    p.drawLine(QPointF(19, 18.5), QPointF(19, 5));
    p.drawLine(QPointF(19, 5), QPointF(12, 5));
    p.setPen(Stroke(kInk, 1.2));
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(7, 3, 7, 5), 1.2, 1.2);
    p.setBrush(QColor(0xf2, 0xc1, 0x4e));
    p.drawEllipse(QPointF(10.5, 8.6), 1.4, 1.0);
    p.setBrush(QColor(0x5a, 0x63, 0x6b));
    p.drawRoundedRect(QRectF(16.5, 18, 5, 2.5), 1, 1);
}

void DrawZoomIn(QPainter& p) {
    DrawMagnifier(p, true);
}
void DrawZoomOut(QPainter& p) {
    DrawMagnifier(p, false);
}
void DrawRotateLeft(QPainter& p) {
    DrawRotate(p, true);
}
void DrawRotateRight(QPainter& p) {
    DrawRotate(p, false);
}

// The commands with an icon: the freedesktop theme name that may stand in for it (none for
// the remote control panel, which is always ours) and the bundled drawing.
struct CommandIconEntry {
    int id;
    const char* themeName;
    void (*draw)(QPainter&);
};

constexpr CommandIconEntry kCommandIcons[] = {
    {ID_FILE_SAVE, "document-save", DrawSave},
    {ID_CAPTURE, "camera-photo", DrawCamera},
    {ID_RC_TOGGLE, nullptr, DrawRemote},
    {ID_ZOOM_IN, "zoom-in", DrawZoomIn},
    {ID_ZOOM_OUT, "zoom-out", DrawZoomOut},
    {ID_ROTATE_LEFT, "object-rotate-left", DrawRotateLeft},
    {ID_ROTATE_RIGHT, "object-rotate-right", DrawRotateRight},
    {ID_APP_EXIT, "application-exit", DrawExit},
};

const CommandIconEntry* FindCommandIcon(int id) {
    for (const CommandIconEntry& entry : kCommandIcons) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

QIcon BundledCommandIcon(int id) {
    const CommandIconEntry* entry = FindCommandIcon(id);
    return entry ? Render(entry->draw) : QIcon();
}

QIcon CommandIcon(int id) {
    const CommandIconEntry* entry = FindCommandIcon(id);
    if (entry == nullptr) {
        return {};
    }
    const QIcon bundled = Render(entry->draw);
    if (entry->themeName == nullptr) {
        return bundled;
    }
    return QIcon::fromTheme(QString::fromLatin1(entry->themeName), bundled);
}

QIcon AppIcon() {
    static const QIcon icon = [] {
        QIcon result;
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter p(&pixmap);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(size / 24.0, size / 24.0);
            DrawDocumentCamera(p);
            p.end();
            result.addPixmap(pixmap);
        }
        return result;
    }();
    return icon;
}

QPixmap SplashPicture() {
    QPixmap pixmap(320, 320);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 320);
    sky.setColorAt(0, QColor(0x2b, 0x4f, 0x7e));
    sky.setColorAt(1, QColor(0x14, 0x26, 0x3d));
    p.fillRect(pixmap.rect(), sky);

    p.save();
    p.translate(70, 36);
    p.scale(180 / 24.0, 180 / 24.0);
    DrawDocumentCamera(p);
    p.restore();

    QFont title(p.font());
    title.setPixelSize(40);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 222, 320, 50), Qt::AlignCenter, QStringLiteral("Tavelo"));
    QFont line(p.font());
    line.setPixelSize(14);
    line.setBold(false);
    p.setFont(line);
    p.setPen(QColor(0xc8, 0xd6, 0xe8));
    p.drawText(QRect(0, 268, 320, 24), Qt::AlignCenter,
               QStringLiteral("Still pictures from the document camera"));
    p.end();
    return pixmap;
}

}  // namespace tavelo
