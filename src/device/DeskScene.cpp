#include "device/DeskScene.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <vector>

#include "device/DeskSurface.h"
#include "device/SamplePage.h"
#include "device/SceneRandom.h"

namespace tavelo {

namespace {

constexpr double kPi = 3.14159265358979;
// The papers a page is printed on, short and long side in inches: A4, A5, Letter, Legal.
struct Paper {
    double shortSide, longSide;
};
constexpr Paper kPapers[] = {{8.27, 11.69}, {5.83, 8.27}, {8.5, 11.0}, {8.5, 14.0}};

using Quad = std::array<QPointF, 4>;

QPolygonF Polygon(const Quad& q) {
    return QPolygonF({q[0], q[1], q[2], q[3]});
}

// A sheet of `height` pixels as shown, turned by up to 15 degrees and tilted (the camera
// looks at it slightly from one side), centred on `centre`.
Quad PlaceSheet(double height, double aspect, QPointF centre, double maxTurn, SceneRandom& r) {
    const double w = height / aspect, h = height;
    Quad q = {QPointF(-w / 2, -h / 2), QPointF(w / 2, -h / 2), QPointF(w / 2, h / 2),
              QPointF(-w / 2, h / 2)};
    // Tilt: one edge farther from the camera looks shorter.
    const double tilt = r.Uniform(0, 0.08);
    switch (r.Int(0, 3)) {
        case 0:  // top edge farther
            q[0].rx() *= 1 - tilt, q[1].rx() *= 1 - tilt;
            break;
        case 1:
            q[3].rx() *= 1 - tilt, q[2].rx() *= 1 - tilt;
            break;
        case 2:
            q[0].ry() *= 1 - tilt, q[3].ry() *= 1 - tilt;
            break;
        default:
            q[1].ry() *= 1 - tilt, q[2].ry() *= 1 - tilt;
            break;
    }
    const double turn = r.Uniform(-maxTurn, maxTurn) * kPi / 180;
    const double c = std::cos(turn), s = std::sin(turn);
    for (QPointF& p : q) {
        p += QPointF(r.Uniform(-0.006, 0.006) * w, r.Uniform(-0.006, 0.006) * h);  // paper sag
        p = QPointF(centre.x() + p.x() * c - p.y() * s, centre.y() + p.x() * s + p.y() * c);
    }
    return q;
}

QRectF Bounds(const Quad& q) {
    return Polygon(q).boundingRect();
}

// Moves the sheet so that its bounds lie inside the frame less `margin`, at a random place.
Quad PlaceInside(Quad q, QSizeF frame, double margin, SceneRandom& r) {
    const QRectF b = Bounds(q);
    const double roomX = std::max(0.0, frame.width() - 2 * margin - b.width());
    const double roomY = std::max(0.0, frame.height() - 2 * margin - b.height());
    const QPointF to(margin + r.Uniform(0, roomX) - b.left(),
                     margin + r.Uniform(0, roomY) - b.top());
    for (QPointF& p : q) {
        p += to;
    }
    return q;
}

// Draws the page picture onto the quad, with a soft shadow on the desk below and beside it.
void DrawSheet(QPainter& painter, const QImage& page, const Quad& q, SceneRandom& r) {
    const QPointF offset(r.Uniform(-6, 6), r.Uniform(1, 8));
    QPolygonF shadow = Polygon(q).translated(offset);
    painter.setPen(Qt::NoPen);
    const int alpha = r.Int(40, 110);
    for (int grow = 4; grow >= 0; --grow) {
        // Layers growing outwards fade the shadow's edge.
        QTransform t;
        const QPointF c = shadow.boundingRect().center();
        const double f = 1 + grow * 0.004;
        t.translate(c.x(), c.y()).scale(f, f).translate(-c.x(), -c.y());
        painter.setBrush(QColor(0, 0, 0, alpha / 5));
        painter.drawPolygon(t.map(shadow));
    }
    QTransform transform;
    const QPolygonF source({QPointF(0, 0), QPointF(page.width(), 0),
                            QPointF(page.width(), page.height()), QPointF(0, page.height())});
    if (QTransform::quadToQuad(source, Polygon(q), transform)) {
        painter.save();
        painter.setTransform(transform);
        painter.drawImage(QPointF(0, 0), page);
        painter.restore();
    }
}

QColor PaperTint(SceneRandom& r, bool white) {
    if (white) {
        const int v = r.Int(246, 255);
        return QColor(v, v, v - r.Int(0, 3));
    }
    const int v = r.Int(225, 255);
    return QColor(v - r.Int(0, 6), v - r.Int(0, 10), v - r.Int(0, 28));
}

// Fingers reaching in from the frame edge nearest the page's bottom or side, over its edge.
void DrawFingers(QPainter& painter, const Quad& q, QSizeF frame, SceneRandom& r) {
    const QColor skin = QColor::fromHsv(r.Int(12, 28), r.Int(70, 140), r.Int(140, 230));
    const bool fromBottom = r.Chance(0.5);
    const QPointF a = fromBottom ? q[3] : q[1], b = fromBottom ? q[2] : q[2];
    const double t = r.Uniform(0.25, 0.6);
    const QPointF edge = a + (b - a) * t;  // where the fingers cross the page's edge
    const double width = frame.height() * r.Uniform(0.035, 0.05);
    const int fingers = r.Int(2, 4);
    painter.setPen(QPen(skin.darker(130), 1));
    for (int i = 0; i < fingers; ++i) {
        QPainterPath finger;
        const double reach = frame.height() * r.Uniform(0.05, 0.1);
        if (fromBottom) {
            const double x = edge.x() + (i - fingers / 2.0) * width * 1.05;
            finger.addRoundedRect(QRectF(x, edge.y() - reach, width, frame.height()), width / 2,
                                  width / 2);
        } else {
            const double y = edge.y() + (i - fingers / 2.0) * width * 1.05;
            finger.addRoundedRect(QRectF(edge.x() - reach, y, frame.width(), width), width / 2,
                                  width / 2);
        }
        QLinearGradient shade(finger.boundingRect().topLeft(), finger.boundingRect().bottomRight());
        shade.setColorAt(0, skin.lighter(108));
        shade.setColorAt(1, skin.darker(115));
        painter.setBrush(shade);
        painter.drawPath(finger);
    }
}

// Something lying on an empty desk: a pen and a round coaster.
void DrawDeskThings(QPainter& painter, QSizeF frame, SceneRandom& r) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromHsv(r.Int(0, 359), r.Int(60, 200), r.Int(30, 150)));
    painter.save();
    painter.translate(frame.width() * r.Uniform(0.2, 0.8), frame.height() * r.Uniform(0.2, 0.8));
    painter.rotate(r.Uniform(0, 180));
    painter.drawRoundedRect(QRectF(-frame.width() * 0.1, -5, frame.width() * 0.2, 10), 4, 4);
    painter.restore();
    const double radius = frame.height() * r.Uniform(0.04, 0.08);
    painter.setBrush(QColor::fromHsv(r.Int(0, 359), r.Int(20, 120), r.Int(60, 200)));
    painter.drawEllipse(
        QPointF(frame.width() * r.Uniform(0.1, 0.9), frame.height() * r.Uniform(0.1, 0.9)), radius,
        radius);
}

// Light falling off across the desk and a soft shadow cast over part of it (the camera's arm,
// the person), as a factor per pixel, 255 = full light.
QImage LightMap(QSize frame, SceneRandom& r) {
    const QSize small(std::max(4, frame.width() / 8), std::max(4, frame.height() / 8));
    QImage map(small, QImage::Format_RGB32);
    const double angle = r.Uniform(0, 2 * kPi);
    const QPointF centre(small.width() / 2.0, small.height() / 2.0);
    const QPointF along(std::cos(angle) * small.width() / 2, std::sin(angle) * small.height() / 2);
    QLinearGradient falloff(centre - along, centre + along);
    const int far = r.Int(150, 245);
    falloff.setColorAt(0, QColor(255, 255, 255));
    falloff.setColorAt(1, QColor(far, far, far));
    QPainter painter(&map);
    painter.fillRect(map.rect(), falloff);
    if (r.Chance(0.5)) {
        const int dark = r.Int(150, 215);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(dark, dark, dark));
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        const QPointF p(r.Uniform(0, small.width()), r.Uniform(0, small.height()));
        const double reach = small.width() * 2;
        const double a = r.Uniform(0, 2 * kPi), spread = r.Uniform(0.2, 0.5);
        painter.drawPolygon(
            QPolygonF({p, p + QPointF(std::cos(a) * reach, std::sin(a) * reach),
                       p + QPointF(std::cos(a + spread) * reach, std::sin(a + spread) * reach)}));
    }
    painter.end();
    return map.scaled(frame, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The camera's optics and sensor: a little blur, the light map, noise.
void Expose(QImage& picture, const QImage& light, SceneRandom& r) {
    const int passes = r.Int(0, 2);
    const int w = picture.width(), h = picture.height();
    std::vector<QRgb> line(std::size_t(std::max(w, h)));
    const auto mix = [](QRgb a, QRgb b, QRgb c) {
        return qRgb((qRed(a) + 2 * qRed(b) + qRed(c) + 2) / 4,
                    (qGreen(a) + 2 * qGreen(b) + qGreen(c) + 2) / 4,
                    (qBlue(a) + 2 * qBlue(b) + qBlue(c) + 2) / 4);
    };
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
            std::copy(row, row + w, line.begin());
            for (int x = 1; x + 1 < w; ++x) {
                row[x] = mix(line[x - 1], line[x], line[x + 1]);
            }
        }
        for (int x = 0; x < w; ++x) {
            for (int y = 0; y < h; ++y) {
                line[y] = reinterpret_cast<const QRgb*>(picture.constScanLine(y))[x];
            }
            for (int y = 1; y + 1 < h; ++y) {
                reinterpret_cast<QRgb*>(picture.scanLine(y))[x] =
                    mix(line[y - 1], line[y], line[y + 1]);
            }
        }
    }
    const double sigma = r.Uniform(1.0, 5.0);
    SceneRandom grain(r.Next());
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        const auto* lit = reinterpret_cast<const QRgb*>(light.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const double f = qRed(lit[x]) / 255.0;
            const std::uint32_t n = grain.Next();
            // Three uniform draws summed: close enough to Gaussian grain.
            const double noise =
                sigma * (((n & 1023) + ((n >> 10) & 1023) + ((n >> 20) & 1023)) / 1535.0 - 1.0);
            const auto ch = [&](int v) {
                return std::clamp(static_cast<int>(std::lround(v * f + noise)), 0, 255);
            };
            row[x] = qRgb(ch(qRed(row[x])), ch(qGreen(row[x])), ch(qBlue(row[x])));
        }
    }
}

}  // namespace

DeskCase DeskCaseForSeed(std::uint32_t seed) {
    static constexpr DeskCase kCycle[10] = {
        DeskCase::Ordinary,   DeskCase::Ordinary,      DeskCase::WhiteOnLight, DeskCase::Ordinary,
        DeskCase::TwoSheets,  DeskCase::PartlyOutside, DeskCase::Ordinary,     DeskCase::Fingers,
        DeskCase::FillsFrame, DeskCase::NoPage};
    return kCycle[seed % 10];
}

DeskScene RenderDeskScene(std::uint32_t seed, int width, int height) {
    return RenderDeskScene(seed, width, height, DeskCaseForSeed(seed));
}

DeskScene RenderDeskScene(std::uint32_t seed, int width, int height, DeskCase kind) {
    DeskScene scene;
    scene.kind = kind;
    if (width <= 0 || height <= 0) {
        return scene;
    }
    SceneRandom r(seed);
    const QSizeF frame(width, height);
    const DeskKind desk =
        kind == DeskCase::WhiteOnLight ? DeskKind::Light : static_cast<DeskKind>(r.Int(0, 3));
    scene.picture = RenderDesk(desk, width, height, r);
    if (desk == DeskKind::Light && kind != DeskCase::WhiteOnLight) {
        // A light desk still reflects less than paper does; only the hard case brings the
        // two close.
        QPainter dim(&scene.picture);
        dim.fillRect(scene.picture.rect(), QColor(0, 0, 0, r.Int(15, 40)));
    }
    QPainter painter(&scene.picture);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    if (kind == DeskCase::NoPage) {
        DrawDeskThings(painter, frame, r);
    } else {
        const Paper paper = kPapers[r.Int(0, 3)];
        // The camera's mode 3 picture, 1280 pixels across, shows the desk at 90 to 120 pixels
        // per inch; a smaller mode shows the same desk with fewer pixels.
        const double ppi = r.Uniform(90, 120) * std::max(width, height) / 1280.0;
        const double margin = std::min(width, height) * 0.02;
        const double roomW = width - 2 * margin, roomH = height - 2 * margin;
        // The sheet is laid the way it shows largest: its long side along the frame's long
        // side, so an A4 sheet lies sideways in a wide frame, its text turned a quarter.
        const double upright = std::min(roomW / paper.shortSide, roomH / paper.longSide);
        const double across = std::min(roomW / paper.longSide, roomH / paper.shortSide);
        const bool sideways = kind != DeskCase::FillsFrame &&
                              ((upright < ppi || across < ppi) ? across > upright : r.Chance(0.5));
        double aspect =
            sideways ? paper.shortSide / paper.longSide : paper.longSide / paper.shortSide;
        double size = (sideways ? paper.shortSide : paper.longSide) * ppi;  // height as shown
        double turn = 15;
        if (kind == DeskCase::FillsFrame) {
            aspect = paper.longSide / paper.shortSide;
            size = height * r.Uniform(0.97, 1.04);
            turn = 2;
        }
        const QPointF centre(width / 2.0, height / 2.0);
        Quad q = PlaceSheet(size, aspect, centre, turn, r);
        if (kind != DeskCase::FillsFrame) {
            // A sheet larger than the frame at that scale is shown smaller: the camera is
            // raised or zoomed out until it fits.
            const QRectF b = Bounds(q);
            const double fit = std::min({1.0, roomW / b.width(), roomH / b.height()});
            for (QPointF& p : q) {
                p = centre + (p - centre) * fit;
            }
            size *= fit;
        }
        if (kind == DeskCase::FillsFrame) {
            // Stretch the sheet across the frame's width too: the camera is zoomed onto it.
            const QRectF b = Bounds(q);
            const double sx = width * r.Uniform(0.97, 1.04) / b.width();
            for (QPointF& p : q) {
                p.setX(centre.x() + (p.x() - centre.x()) * sx);
            }
        } else if (kind == DeskCase::PartlyOutside) {
            q = PlaceInside(q, frame, 0, r);
            const QRectF b = Bounds(q);
            const double out = r.Uniform(0.06, 0.2);
            const QPointF shift(r.Chance(0.5) ? (r.Chance(0.5) ? 1 : -1) * out * b.width() : 0,
                                (r.Chance(0.5) ? 1 : -1) * out * b.height());
            const QPointF toEdge((shift.x() > 0 ? width - b.right() : -b.left()) * (shift.x() != 0),
                                 shift.y() > 0 ? height - b.bottom() : -b.top());
            for (QPointF& p : q) {
                p += toEdge + shift;
            }
        } else {
            q = PlaceInside(q, frame, margin, r);
        }
        if (kind == DeskCase::TwoSheets) {
            // A smaller sheet behind, partly covered by this one.
            const double backSize = size * r.Uniform(0.6, 0.8);
            const QPointF c = Polygon(q).boundingRect().center();
            const QPointF backCentre(c.x() + (r.Chance(0.5) ? 1 : -1) * size * r.Uniform(0.3, 0.45),
                                     c.y() + r.Uniform(-0.2, 0.2) * size);
            const Paper backPaper = kPapers[r.Int(0, 3)];
            const Quad back =
                PlaceSheet(backSize, backPaper.longSide / backPaper.shortSide, backCentre, 15, r);
            SceneRandom backText(seed + 7777);
            const SamplePage backPage = RenderSamplePage(
                1, int(backSize / 1.4 * 1.5), int(backSize * 1.5), PaperTint(r, false), backText);
            DrawSheet(painter, backPage.picture, back, r);
        }
        const bool white = kind == DeskCase::WhiteOnLight;
        // The page as printed, upright, at one and a half times its size as shown.
        const double longShown = sideways ? size / aspect : size;
        const int pageHeight = std::max(64, int(longShown * 1.5));
        const double pageAspect = sideways ? 1 / aspect : aspect;
        SamplePage page =
            RenderSamplePage(int((seed + kSampleDocumentPages - 1) % kSampleDocumentPages) + 1,
                             int(pageHeight / pageAspect), pageHeight, PaperTint(r, white), r,
                             std::max(1.0, kPapers[0].shortSide / paper.shortSide));
        if (sideways) {
            page.picture = page.picture.transformed(QTransform().rotate(r.Chance(0.5) ? 90 : -90));
        }
        DrawSheet(painter, page.picture, q, r);
        if (kind == DeskCase::Fingers) {
            DrawFingers(painter, q, frame, r);
        }
        scene.hasPage = true;
        scene.corners = q;
        scene.text = page.text;
    }
    painter.end();
    Expose(scene.picture, LightMap(scene.picture.size(), r), r);
    return scene;
}

}  // namespace tavelo
