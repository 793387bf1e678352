#include <QPainter>
#include <QTest>
#include <algorithm>

#include "device/DeskScene.h"
#include "pages/DocumentPage.h"
#include "pages/PageStraightener.h"

using namespace tavelo;

Q_DECLARE_METATYPE(tavelo::Paper)
Q_DECLARE_METATYPE(tavelo::PageLook)

namespace {

// Mean brightness over a rectangle given in fractions of the picture.
double Mean(const QImage& picture, QRectF share) {
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    const QRect r(int(share.left() * grey.width()), int(share.top() * grey.height()),
                  int(share.width() * grey.width()), int(share.height() * grey.height()));
    double sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            sum += grey.constScanLine(y)[x];
        }
    }
    return sum / (double(r.width()) * r.height());
}

// The share of the picture's pixels darker than `level`.
double DarkShare(const QImage& picture, int level) {
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    long dark = 0;
    for (int y = 0; y < grey.height(); ++y) {
        for (int x = 0; x < grey.width(); ++x) {
            dark += grey.constScanLine(y)[x] < level;
        }
    }
    return double(dark) / (double(grey.width()) * grey.height());
}

}  // namespace

class TestPageStraightener : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void snapsToPaper_data();
    void snapsToPaper();
    void looks_data();
    void looks();
    void turnedCorners_data();
    void turnedCorners();
    void documentPicture_data();
    void documentPicture();
};

// Corners turned with their picture stay on the same pixels and keep their order.
void TestPageStraightener::turnedCorners_data() {
    QTest::addColumn<int>("steps");
    for (const int steps : {1, 2, 3, -1, 4, 7}) {
        QTest::addRow("%d", steps) << steps;
    }
}

void TestPageStraightener::turnedCorners() {
    QFETCH(int, steps);
    QImage picture(64, 40, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixel(x, y, qRgb(x * 4, y * 6, 0));
        }
    }
    const PageCorners corners = {QPointF(5.5, 3.5), QPointF(60.5, 8.5), QPointF(50.5, 36.5),
                                 QPointF(2.5, 30.5)};
    const QImage turned = picture.transformed(QTransform().rotate(90.0 * (((steps % 4) + 4) % 4)));
    const PageCorners moved = TurnCorners(corners, picture.size(), steps);
    QCOMPARE(OrderCorners(moved), moved);
    QSet<QRgb> before, after;
    for (int i = 0; i < 4; ++i) {
        before << picture.pixel(int(corners[i].x()), int(corners[i].y()));
        after << turned.pixel(int(moved[i].x()), int(moved[i].y()));
    }
    QCOMPARE(after, before);
    QCOMPARE(TurnCorners(moved, turned.size(), -steps), corners);
}

// One road to the document page: the picture itself when the sheet was not looked for,
// else the sheet straightened; the page's turns last.
void TestPageStraightener::documentPicture_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("turns");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("landscape");
    const int unknown = int(OutlineState::Unknown), found = int(OutlineState::Found);
    QTest::newRow("not looked for") << unknown << 0 << QSize(400, 500) << false;
    QTest::newRow("not looked for, turned") << unknown << 1 << QSize(500, 400) << true;
    QTest::newRow("an A4 sheet") << found << 0 << QSize(1654, 2339) << false;
    QTest::newRow("an A4 sheet turned") << found << 3 << QSize(2339, 1654) << true;
    QTest::newRow("an A4 sheet upside down") << found << 2 << QSize(1654, 2339) << false;
}

void TestPageStraightener::documentPicture() {
    QFETCH(int, state);
    QFETCH(int, turns);
    QFETCH(QSize, size);
    QFETCH(bool, landscape);
    QImage picture(400, 500, QImage::Format_RGB32);
    picture.fill(Qt::white);
    const PageOutline outline{
        OutlineState(state),
        0.9,
        {QPointF(50, 50), QPointF(250, 50), QPointF(250, 333), QPointF(50, 333)}};
    const StraightPage page = DocumentPicture(picture, outline, PageLook::Grey, turns);
    QCOMPARE(page.picture.size(), size);
    QCOMPARE(page.paper.landscape, landscape);
    QCOMPARE(page.paper.paper, state == int(OutlineState::Unknown) ? Paper::Unknown : Paper::A4);
}

void TestPageStraightener::snapsToPaper_data() {
    QTest::addColumn<QSizeF>("measured");  // the sheet's sides in the picture
    QTest::addColumn<Paper>("paper");
    QTest::addColumn<QSize>("pixels");
    QTest::newRow("A4") << QSizeF(500, 707) << Paper::A4 << QSize(1654, 2339);
    QTest::newRow("A4 within 2 %") << QSizeF(500, 720) << Paper::A4 << QSize(1654, 2339);
    QTest::newRow("A4 landscape") << QSizeF(707, 500) << Paper::A4 << QSize(2339, 1654);
    QTest::newRow("Letter") << QSizeF(510, 660) << Paper::Letter << QSize(1700, 2200);
    QTest::newRow("Legal") << QSizeF(400, 659) << Paper::Legal << QSize(1700, 2800);
    // Between A4 and Legal, more than 2 % from each: the measured shape, A4's long side.
    QTest::newRow("no paper") << QSizeF(500, 760) << Paper::Unknown << QSize(1539, 2339);
    QTest::newRow("square") << QSizeF(600, 600) << Paper::Unknown << QSize(2339, 2339);
    // A picture finer than 200 pixels per inch keeps its pixels.
    QTest::newRow("large") << QSizeF(2000, 2828) << Paper::A4 << QSize(2000, 2828);
}

void TestPageStraightener::snapsToPaper() {
    QFETCH(QSizeF, measured);
    QFETCH(Paper, paper);
    QFETCH(QSize, pixels);
    PaperShape shape;
    const QSize size = StraightPixelSize(measured, shape);
    QCOMPARE(shape.paper, paper);
    QCOMPARE(shape.landscape, measured.width() > measured.height());
    QVERIFY2(std::abs(size.width() - pixels.width()) <= 1 &&
                 std::abs(size.height() - pixels.height()) <= 1,
             qPrintable(QString("%1 x %2").arg(size.width()).arg(size.height())));
    // Wired through: corners of that shape straighten to that size.
    const PageCorners corners{QPointF(10, 10), QPointF(10 + measured.width(), 10),
                              QPointF(10 + measured.width(), 10 + measured.height()),
                              QPointF(10, 10 + measured.height())};
    PaperShape fromCorners;
    QCOMPARE(StraightSize(corners, &fromCorners), size);
    QCOMPARE(fromCorners.paper, paper);
}

void TestPageStraightener::looks_data() {
    QTest::addColumn<PageLook>("look");
    QTest::addColumn<int>("seed");
    // The left part of the sheet darkened by this factor as the camera saw it: a shadow comes
    // out white with the rest of the paper, something dark on the sheet stays dark.
    QTest::addColumn<double>("shade");
    QTest::newRow("grey") << PageLook::Grey << 201 << 1.0;
    QTest::newRow("grey, light falling off") << PageLook::Grey << 202 << 1.0;
    QTest::newRow("colour") << PageLook::Colour << 203 << 1.0;
    QTest::newRow("black and white") << PageLook::BlackWhite << 204 << 1.0;
    QTest::newRow("black and white 2") << PageLook::BlackWhite << 205 << 1.0;
    QTest::newRow("grey, in a shadow") << PageLook::Grey << 201 << 0.65;
    QTest::newRow("grey, a dark area") << PageLook::Grey << 201 << 0.2;
    QTest::newRow("colour, in a shadow") << PageLook::Colour << 203 << 0.65;
}

// Straightened with the true corners: the page's blank margins come out white, whatever the
// lamp, a shadow and the paper's tint, and the text keeps its dark strokes.
void TestPageStraightener::looks() {
    QFETCH(PageLook, look);
    QFETCH(int, seed);
    QFETCH(double, shade);
    DeskScene scene = RenderDeskScene(std::uint32_t(seed), 1280, 1024, DeskCase::Ordinary);
    if (shade < 1) {
        // The sheet's left fifth, from a tenth of its height to nine tenths.
        const auto at = [&c = scene.corners](double u, double v) {
            return (1 - v) * ((1 - u) * c[0] + u * c[1]) + v * ((1 - u) * c[3] + u * c[2]);
        };
        QPainter painter(&scene.picture);
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(shade, shade, shade));
        painter.drawPolygon(QPolygonF({at(0, 0.1), at(0.2, 0.1), at(0.2, 0.9), at(0, 0.9)}));
    }
    const StraightPage page = StraightenPage(scene.picture, scene.corners, look);
    QVERIFY(!page.picture.isNull());
    QCOMPARE(page.picture.format(),
             look == PageLook::Colour ? QImage::Format_RGB32 : QImage::Format_Grayscale8);
    // 200 pixels per inch on any paper's long side, also of a sheet lying sideways.
    QVERIFY(std::max(page.picture.width(), page.picture.height()) >= 2200);
    // The left margin, away from the edges: blank paper.
    const QRectF margin(0.02, 0.2, 0.04, 0.6);
    const double mean = Mean(page.picture, margin);
    QVERIFY2(shade > 0.5 ? mean > 240 : mean < 64, qPrintable(QString::number(mean)));
    if (look == PageLook::Colour) {
        const QImage c = page.picture;
        const QRgb p = c.pixel(int(0.04 * c.width()), c.height() / 2);
        QVERIFY2(qBlue(p) > 235 && qRed(p) > 235, "a tinted sheet is whitened");
        const auto* row = reinterpret_cast<const QRgb*>(c.constScanLine(c.height() / 2));
        QVERIFY2(std::all_of(row, row + c.width(), [](QRgb q) { return qAlpha(q) == 255; }),
                 "opaque");
    }
    // Text: some of the page dark (a sparse page of small type darkens a few tenths of a per
    // cent), never most of it.
    const double dark = DarkShare(page.picture, 128);
    QVERIFY2(dark > 0.002 && dark < 0.25, qPrintable(QString::number(dark)));
    if (look == PageLook::BlackWhite) {
        QCOMPARE(DarkShare(page.picture, 255), DarkShare(page.picture, 1));  // two values only
    }
}

QTEST_MAIN(TestPageStraightener)
#include "test_page_straightener.moc"
