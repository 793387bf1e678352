#include "panel/PanelPictures.h"

#include <map>
#include <string_view>

#include "panel/PanelDrawing.h"
#include "panel/PanelFont.h"

namespace tavelo {
namespace {

// Colours of their own: these parts look the same under every theme.
constexpr QRgb DARK_BLUE = qRgb(16, 40, 120);
constexpr QRgb BLUE_EDGE_LIGHT = qRgb(90, 120, 200);
constexpr QRgb BLUE_EDGE_DEEP = qRgb(4, 12, 50);
constexpr QRgb PLATE_ON = qRgb(62, 104, 206);
constexpr QRgb PLATE_ON_EDGE = qRgb(160, 190, 245);
constexpr QRgb LETTER_WHITE = qRgb(250, 250, 250);
constexpr QRgb LETTER_YELLOW = qRgb(255, 228, 0);
constexpr QRgb CYAN = qRgb(0, 224, 255);
constexpr QRgb CYAN_EDGE_DEEP = qRgb(0, 110, 150);
constexpr QRgb CYAN_EDGE_LIGHT = qRgb(176, 246, 255);
constexpr QRgb GREEN = qRgb(48, 224, 64);
constexpr QRgb GREEN_EDGE_DEEP = qRgb(0, 110, 20);
constexpr QRgb GREEN_EDGE_LIGHT = qRgb(180, 255, 180);
constexpr QRgb DARK_GREEN = qRgb(0, 92, 32);
constexpr QRgb DARK_GREEN_EDGE_LIGHT = qRgb(60, 150, 80);
constexpr QRgb DARK_GREEN_EDGE_DEEP = qRgb(0, 36, 10);
constexpr QRgb ARROW_PRESSED = qRgb(0, 150, 220);
constexpr QRgb DISPLAY_BLACK = qRgb(10, 10, 10);
constexpr QRgb DISPLAY_WHITE = qRgb(245, 245, 245);

QImage Blank(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A plate of the top frame or the rotation row: white on dark blue when off, yellow on a
// lighter, sunken plate when on.
QImage Plate(int width, int height, std::string_view text, bool on) {
    QImage image = Blank(width, height, on ? PLATE_ON : DARK_BLUE);
    if (on) {
        DrawBevel(image, image.rect(), BLUE_EDGE_DEEP, PLATE_ON_EDGE);
        DrawBevel(image, image.rect().adjusted(1, 1, -1, -1), DARK_BLUE, PLATE_ON);
        DrawPanelText(image, image.rect().adjusted(1, 1, 1, 1), text, LETTER_YELLOW, true);
    } else {
        DrawBevel(image, image.rect(), BLUE_EDGE_LIGHT, BLUE_EDGE_DEEP);
        DrawPanelText(image, image.rect(), text, LETTER_WHITE, true);
    }
    return image;
}

// A plain bar: sunken when lit (on or pressed), raised otherwise.
QImage Bar(int width, int height, QRgb fill, QRgb topLeft, QRgb bottomRight) {
    QImage image = Blank(width, height, fill);
    DrawBevel(image, image.rect(), topLeft, bottomRight);
    return image;
}

QImage CyanBar(int width, int height) {
    return Bar(width, height, CYAN, CYAN_EDGE_DEEP, CYAN_EDGE_LIGHT);
}
QImage DarkBlueBar(int width, int height) {
    return Bar(width, height, DARK_BLUE, BLUE_EDGE_LIGHT, BLUE_EDGE_DEEP);
}
QImage GreenBar(int width, int height) {
    return Bar(width, height, GREEN, GREEN_EDGE_DEEP, GREEN_EDGE_LIGHT);
}
QImage DarkGreenBar(int width, int height) {
    return Bar(width, height, DARK_GREEN, DARK_GREEN_EDGE_LIGHT, DARK_GREEN_EDGE_DEEP);
}

enum class Direction { Up, Left, Right, Down };
enum class ArrowLook { Pressed, Released, Disabled };

// A triangle pointing `direction`, drawn in the up orientation and turned.
void DrawTriangle(QImage& image, QPoint centre, Direction direction, QRgb colour) {
    constexpr int HEIGHT = 14;
    constexpr int HALF_BASE = 10;
    for (int i = 0; i < HEIGHT; ++i) {
        const int dy = i - HEIGHT / 2;
        const int half = i * HALF_BASE / (HEIGHT - 1);
        for (int dx = -half; dx <= half; ++dx) {
            QPoint p;
            switch (direction) {
                case Direction::Up:
                    p = QPoint(dx, dy);
                    break;
                case Direction::Right:
                    p = QPoint(-dy, dx);
                    break;
                case Direction::Down:
                    p = QPoint(-dx, -dy);
                    break;
                case Direction::Left:
                    p = QPoint(dy, -dx);
                    break;
            }
            p += centre;
            if (image.rect().contains(p)) {
                image.setPixel(p, colour);
            }
        }
    }
}

// One of the four pointer arrows, 46 x 46: a face-coloured key with a triangle on it.
QImage Arrow(Direction direction, ArrowLook look) {
    QImage image = Blank(46, 46, PICTURE_LIGHT_GREY);
    DrawBevel(image, image.rect(), PICTURE_BLACK, PICTURE_BLACK);
    const QRect ring = image.rect().adjusted(1, 1, -1, -1);
    const QPoint centre(22, 22);
    switch (look) {
        case ArrowLook::Pressed:
            DrawBevel(image, ring, PICTURE_DARK_GREY, PICTURE_WHITE);
            DrawTriangle(image, centre + QPoint(1, 1), direction, ARROW_PRESSED);
            break;
        case ArrowLook::Released:
            DrawBevel(image, ring, PICTURE_WHITE, PICTURE_DARK_GREY);
            DrawBevel(image, ring.adjusted(1, 1, -1, -1), PICTURE_LIGHT_GREY, PICTURE_DARK_GREY);
            DrawTriangle(image, centre, direction, DARK_BLUE);
            break;
        case ArrowLook::Disabled:
            DrawBevel(image, ring, PICTURE_WHITE, PICTURE_DARK_GREY);
            DrawTriangle(image, centre + QPoint(1, 1), direction, PICTURE_WHITE);
            DrawTriangle(image, centre, direction, PICTURE_DARK_GREY);
            break;
    }
    return image;
}

// A small gamma square, 13 x 12, with a minus or a plus on it.
QImage GammaSquare(bool plus, ArrowLook look) {
    QRgb fill = DARK_BLUE;
    QRgb sign = LETTER_WHITE;
    QRgb topLeft = BLUE_EDGE_LIGHT;
    QRgb bottomRight = BLUE_EDGE_DEEP;
    if (look == ArrowLook::Pressed) {
        fill = CYAN;
        sign = DARK_BLUE;
        topLeft = CYAN_EDGE_DEEP;
        bottomRight = CYAN_EDGE_LIGHT;
    } else if (look == ArrowLook::Disabled) {
        fill = PICTURE_DARK_GREY;
        sign = PICTURE_LIGHT_GREY;
        topLeft = PICTURE_LIGHT_GREY;
        bottomRight = PICTURE_BLACK;
    }
    QImage image = Bar(13, 12, fill, topLeft, bottomRight);
    DrawHLine(image, 3, 9, 6, sign);
    if (plus) {
        DrawVLine(image, 6, 3, 9, sign);
    }
    return image;
}

// POSI/NEGA or COLOR/B&W, 63 x 13 on the face, the word of the current state dark.
QImage Indicator(std::string_view first, std::string_view second, bool secondLit) {
    QImage image = Blank(63, 13, PICTURE_LIGHT_GREY);
    const std::string_view slash = "/";
    const int width = PanelTextWidth(first) + PanelTextWidth(slash) + PanelTextWidth(second) + 2;
    QPoint origin((image.width() - width) / 2, (image.height() - PANEL_GLYPH_HEIGHT) / 2);
    const QRgb lit = PICTURE_BLACK;
    const QRgb unlit = PICTURE_DARK_GREY;
    origin.setX(DrawPanelTextAt(image, origin, first, secondLit ? unlit : lit));
    origin.setX(DrawPanelTextAt(image, origin, slash, PICTURE_BLACK));
    DrawPanelTextAt(image, origin, second, secondLit ? lit : unlit);
    return image;
}

// The gamma value display, 30 x 12, white on black; step 0 reads 1.0, step 7 reads 0.3.
QImage GammaValue(int step) {
    QImage image = Blank(30, 12, DISPLAY_BLACK);
    const char text[] = {step == 0 ? '1' : '0', '.',
                         static_cast<char>(step == 0 ? '0' : '0' + 10 - step), '\0'};
    DrawPanelText(image, image.rect(), text, DISPLAY_WHITE, true);
    return image;
}

QImage DrawPicture(int id) {
    switch (id) {
        case 136:
            return DrawPanelBackground();
        case 171:
        case 172:
            return Plate(76, 27, "LOCK", id == 171);
        case 173:
        case 174:
            return Plate(76, 27, "POINTER", id == 173);
        case 175:
        case 176:
            return Plate(76, 27, "2x", id == 175);
        case 178:
            return DarkGreenBar(56, 12);
        case 179:
            return GreenBar(56, 12);
        case 182:
            return CyanBar(58, 13);
        case 183:
            return DarkBlueBar(58, 13);
        case 208:
        case 209:
            return Plate(45, 13, "0", id == 208);
        case 210:
        case 211:
            return Plate(45, 13, "90", id == 210);
        case 212:
        case 213:
            return Plate(45, 13, "180", id == 212);
        case 214:
        case 215:
            return Plate(45, 13, "270", id == 214);
        case 217:
        case 218:
            return Indicator("POSI", "NEGA", id == 218);
        case 219:
        case 220:
            return Indicator("COLOR", "B&W", id == 220);
        default:
            break;
    }
    if (id >= 184 && id <= 195) {
        constexpr Direction ORDER[] = {Direction::Up, Direction::Left, Direction::Right,
                                       Direction::Down};
        constexpr ArrowLook LOOKS[] = {ArrowLook::Pressed, ArrowLook::Released,
                                       ArrowLook::Disabled};
        return Arrow(ORDER[(id - 184) / 3], LOOKS[(id - 184) % 3]);
    }
    if (id >= 221 && id <= 226) {
        constexpr ArrowLook LOOKS[] = {ArrowLook::Pressed, ArrowLook::Released,
                                       ArrowLook::Disabled};
        return GammaSquare(id >= 224, LOOKS[(id - 221) % 3]);
    }
    if (id >= 239 && id <= 246) {
        return GammaValue(id - 239);
    }
    return QImage();
}

QImage DrawNamedPicture(const QString& name) {
    if (name == QLatin1String("BTN1U")) {
        return DarkBlueBar(58, 13);
    }
    if (name == QLatin1String("BTN1D")) {
        return CyanBar(58, 13);
    }
    if (name == QLatin1String("BTN2U")) {
        return DarkGreenBar(56, 12);
    }
    if (name == QLatin1String("BTN2D")) {
        return GreenBar(56, 12);
    }
    return QImage();
}

QRgb MappedColour(QRgb pixel, const QPalette& palette) {
    switch (pixel | 0xFF000000) {
        case PICTURE_BLACK:
            return palette.color(QPalette::ButtonText).rgb();
        case PICTURE_DARK_GREY:
            return palette.color(QPalette::Dark).rgb();
        case PICTURE_LIGHT_GREY:
            return palette.color(QPalette::Button).rgb();
        case PICTURE_WHITE:
            return palette.color(QPalette::Light).rgb();
        default:
            return pixel;
    }
}

}  // namespace

QImage PanelPicture(int id) {
    // Drawn once per id; the pictures never change while the program runs.
    static std::map<int, QImage> cache;
    auto it = cache.find(id);
    if (it == cache.end()) {
        it = cache.emplace(id, DrawPicture(id)).first;
    }
    return it->second;
}

QImage PanelPicture(const QString& name) {
    static std::map<QString, QImage> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        it = cache.emplace(name, DrawNamedPicture(name)).first;
    }
    return it->second;
}

QImage MapButtonColours(const QImage& picture, const QPalette& palette) {
    if (picture.isNull()) {
        return picture;
    }
    QImage mapped = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < mapped.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(mapped.scanLine(y));
        for (int x = 0; x < mapped.width(); ++x) {
            line[x] = MappedColour(line[x], palette);
        }
    }
    return mapped;
}

QImage LoadMappedPicture(int id, const QPalette& palette) {
    return MapButtonColours(PanelPicture(id), palette);
}

}  // namespace tavelo
