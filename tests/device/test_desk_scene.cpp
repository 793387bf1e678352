#include <QPolygonF>
#include <QTest>
#include <cmath>
#include <cstring>

#include "device/DeskScene.h"
#include "device/SimulatedCamera.h"

using namespace tavelo;

Q_DECLARE_METATYPE(tavelo::DeskCase)

namespace {

// The camera's brightness (its Y) of a pixel.
double Brightness(const QImage& picture, QPointF at) {
    const QRgb c = picture.pixel(at.toPoint());
    return (qGreen(c) + 0.5 * qRed(c) + 0.1875 * qBlue(c)) / 1.6875;
}

// The mean brightness over a small square around `at`, so text and grain average out.
double MeanAround(const QImage& picture, QPointF at, int half) {
    double sum = 0;
    int n = 0;
    for (int dy = -half; dy <= half; ++dy) {
        for (int dx = -half; dx <= half; ++dx) {
            const QPoint p = at.toPoint() + QPoint(dx, dy);
            if (picture.rect().contains(p)) {
                sum += Brightness(picture, p), ++n;
            }
        }
    }
    return n ? sum / n : 0;
}

// The fraction of the page quad that lies inside the frame.
double InsideShare(const DeskScene& scene) {
    const QPolygonF page({scene.corners[0], scene.corners[1], scene.corners[2], scene.corners[3]});
    const QPolygonF frame(QRectF(scene.picture.rect()));
    const auto area = [](const QPolygonF& p) {
        double a = 0;
        for (int i = 0; i < p.size(); ++i) {
            const QPointF &u = p[i], &v = p[(i + 1) % p.size()];
            a += u.x() * v.y() - v.x() * u.y();
        }
        return std::abs(a) / 2;
    };
    return area(page.intersected(frame)) / area(page);
}

}  // namespace

class TestDeskScene : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sameSeedSamePicture();
    void eachCaseShowsWhatItSays_data();
    void eachCaseShowsWhatItSays();
    void cameraArmsTheNextSceneStretchedToItsMode_data();
    void cameraArmsTheNextSceneStretchedToItsMode();
};

void TestDeskScene::sameSeedSamePicture() {
    const DeskScene a = RenderDeskScene(41, 480, 400);
    const DeskScene b = RenderDeskScene(41, 480, 400);
    const DeskScene c = RenderDeskScene(42, 480, 400);
    QCOMPARE(a.picture, b.picture);
    QCOMPARE(a.corners, b.corners);
    QCOMPARE(a.text, b.text);
    QVERIFY(a.picture != c.picture);
    QVERIFY(a.text != c.text);
}

void TestDeskScene::eachCaseShowsWhatItSays_data() {
    QTest::addColumn<DeskCase>("kind");
    QTest::addColumn<double>("lowInside");   // the least share of the page inside the frame
    QTest::addColumn<double>("highInside");  // and the most
    QTest::addColumn<double>("lowArea");     // the least share of the frame the page covers
    // A sheet shown at the camera's 90 to 120 pixels per inch covers a third of the frame,
    // an A5 one too.
    QTest::newRow("ordinary") << DeskCase::Ordinary << 1.0 << 1.0 << 0.3;
    QTest::newRow("white on light") << DeskCase::WhiteOnLight << 1.0 << 1.0 << 0.3;
    QTest::newRow("fills the frame") << DeskCase::FillsFrame << 0.85 << 1.0 << 0.85;
    QTest::newRow("partly outside") << DeskCase::PartlyOutside << 0.5 << 0.97 << 0.05;
    QTest::newRow("two sheets") << DeskCase::TwoSheets << 1.0 << 1.0 << 0.3;
    QTest::newRow("fingers") << DeskCase::Fingers << 1.0 << 1.0 << 0.3;
}

void TestDeskScene::eachCaseShowsWhatItSays() {
    QFETCH(DeskCase, kind);
    QFETCH(double, lowInside);
    QFETCH(double, highInside);
    QFETCH(double, lowArea);
    const int w = 640, h = 512;
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        const DeskScene s = RenderDeskScene(seed, w, h, kind);
        QCOMPARE(s.picture.size(), QSize(w, h));
        QVERIFY(s.hasPage);
        QVERIFY(s.text.contains(QStringLiteral(" of 5")));
        const auto& q = s.corners;
        // Corners go round clockwise from the top left, as shown.
        QVERIFY(q[0].x() < q[1].x() && q[3].x() < q[2].x());
        QVERIFY(q[0].y() < q[3].y() && q[1].y() < q[2].y());
        // No edge turned by more than 15 degrees and a little tilt.
        const double turn = std::atan2(q[1].y() - q[0].y(), q[1].x() - q[0].x()) * 180 / M_PI;
        QVERIFY2(std::abs(turn) < 17.5, qPrintable(QString::number(turn)));
        const double inside = InsideShare(s);
        QVERIFY2(inside >= lowInside - 1e-6 && inside <= highInside + 1e-6,
                 qPrintable(QString::number(inside)));
        const QPolygonF page({q[0], q[1], q[2], q[3]});
        const double share =
            page.intersected(QPolygonF(QRectF(0, 0, w, h))).boundingRect().width() *
            page.intersected(QPolygonF(QRectF(0, 0, w, h))).boundingRect().height() / (w * h);
        QVERIFY2(share >= lowArea, qPrintable(QString::number(share)));
        // Paper inside, near a corner: brighter than text, whatever the light.
        const QPointF centre = (q[0] + q[1] + q[2] + q[3]) / 4;
        const QPointF nearTop = q[0] + (centre - q[0]) * 0.1;
        if (QRectF(s.picture.rect()).contains(nearTop)) {
            QVERIFY2(MeanAround(s.picture, nearTop, 2) > 110,
                     qPrintable(QString::number(MeanAround(s.picture, nearTop, 2))));
        }
    }
    const DeskScene none = RenderDeskScene(3, w, h, DeskCase::NoPage);
    QVERIFY(!none.hasPage);
    QVERIFY(none.text.isEmpty());
}

void TestDeskScene::cameraArmsTheNextSceneStretchedToItsMode_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QSize>("shown");
    QTest::newRow("mode 3") << 3 << 0 << QSize(1280, 1024);
    QTest::newRow("mode 3 turned") << 3 << 1 << QSize(1024, 1280);
    QTest::newRow("mode 2") << 2 << 0 << QSize(960, 768);
    QTest::newRow("mode 2 turned") << 2 << 3 << QSize(768, 960);
}

void TestDeskScene::cameraArmsTheNextSceneStretchedToItsMode() {
    QFETCH(int, mode);
    QFETCH(int, rotation);
    QFETCH(QSize, shown);
    SimulatedCamera camera;
    camera.GetState().captureMode = mode;
    camera.GetState().rotation = rotation;
    camera.SetScene(SimulatedCamera::Scene::Desk);
    camera.SetNextSceneSeed(11);
    int rawW = 0, rawH = 0;
    QVERIFY(SimulatedCamera::PictureSize(mode, rotation, rawW, rawH));
    const std::uint8_t trigger[8] = {'T', 'R', '0', ' ', ' ', 0, 0, 0};
    camera.ReceivePacket(trigger);
    std::vector<std::uint8_t> raw(std::size_t(2) * rawW * rawH + 8);
    QCOMPARE(camera.ReadPicture(raw), std::size_t(2) * rawW * rawH);
    QCOMPARE(camera.NextSceneSeed(), 12u);

    // The raw picture is the scene of seed 11 as shown, stretched to the raw size: compare
    // brightness (Y of the 4:2:2 groups) at the page's centre and on the desk outside it.
    const DeskScene truth = RenderDeskScene(11, shown.width(), shown.height());
    QCOMPARE(camera.LastDeskScene().corners, truth.corners);
    QCOMPARE(camera.LastDeskScene().text, truth.text);
    const double sx = double(rawW) / shown.width(), sy = double(rawH) / shown.height();
    int checked = 0;
    for (double u = 0.05; u < 1; u += 0.1) {
        for (double v = 0.05; v < 1; v += 0.1) {
            const QPointF p(u * shown.width(), v * shown.height());
            double y = 0;
            int n = 0;
            for (int ry = int((p.y() - 4) * sy); ry <= int((p.y() + 4) * sy); ++ry) {
                for (int rx = int((p.x() - 4) * sx); rx <= int((p.x() + 4) * sx); ++rx) {
                    if (rx >= 0 && ry >= 0 && rx < rawW && ry < rawH) {
                        y += raw[(std::size_t(ry) * rawW + (rx & ~1)) * 2 + (rx % 2 ? 3 : 1)], ++n;
                    }
                }
            }
            y /= std::max(n, 1);
            const double expected = MeanAround(truth.picture, p, 4);
            QVERIFY2(
                std::abs(y - expected) < 12,
                qPrintable(QStringLiteral("%1,%2: %3 vs %4").arg(u).arg(v).arg(y).arg(expected)));
            ++checked;
        }
    }
    QCOMPARE(checked, 100);
}

QTEST_MAIN(TestDeskScene)
#include "test_desk_scene.moc"
