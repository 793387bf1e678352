#include <QTest>
#include <opencv2/imgproc.hpp>
#include <tuple>

#include "device/DeskScene.h"
#include "device/SimulatedCamera.h"
#include "pages/PageFinder.h"
#include "picture/CaptureLook.h"
#include "support/PageOverlap.h"

using namespace tavelo;

Q_DECLARE_METATYPE(tavelo::DeskCase)

namespace {

double Iou(const DeskScene& scene, const PageCorners& found) {
    return test::PageOverlap(scene.picture.size(), scene.corners, found);
}

}  // namespace

class TestPageFinder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findsThePage_data();
    void findsThePage();
    void nothingCredibleGivesTheWholePicture_data();
    void nothingCredibleGivesTheWholePicture();
    void cornersComeInOrder_data();
    void cornersComeInOrder();
    void cameraShowsWhatThePicturesAreShownAs_data();
    void cameraShowsWhatThePicturesAreShownAs();
};

void TestPageFinder::findsThePage_data() {
    QTest::addColumn<DeskCase>("kind");
    QTest::addColumn<int>("seed");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("least");  // the least intersection over union
    const QSize mode3(1280, 1024), mode2(960, 768), turned(1024, 1280);
    QTest::newRow("ordinary 1") << DeskCase::Ordinary << 101 << mode3 << 0.97;
    QTest::newRow("ordinary 2") << DeskCase::Ordinary << 102 << mode2 << 0.97;
    QTest::newRow("ordinary 3") << DeskCase::Ordinary << 103 << turned << 0.97;
    QTest::newRow("ordinary 4") << DeskCase::Ordinary << 104 << mode3 << 0.97;
    QTest::newRow("white on a light desk") << DeskCase::WhiteOnLight << 105 << mode3 << 0.95;
    QTest::newRow("white on a light desk 2") << DeskCase::WhiteOnLight << 106 << mode2 << 0.95;
    QTest::newRow("fills the frame") << DeskCase::FillsFrame << 107 << mode3 << 0.95;
    QTest::newRow("fills the frame, light falling off under a shadow")
        << DeskCase::FillsFrame << 5068 << mode3 << 0.95;
    QTest::newRow("fills the frame, a side found just inside the border")
        << DeskCase::FillsFrame << 10118 << mode2 << 0.97;
    QTest::newRow("partly outside") << DeskCase::PartlyOutside << 108 << mode3 << 0.95;
    QTest::newRow("partly outside 2") << DeskCase::PartlyOutside << 109 << turned << 0.95;
    QTest::newRow("two sheets") << DeskCase::TwoSheets << 110 << mode3 << 0.95;
    QTest::newRow("two sheets 2") << DeskCase::TwoSheets << 111 << mode2 << 0.95;
    QTest::newRow("two sheets, taken together at first")
        << DeskCase::TwoSheets << 154 << mode2 << 0.95;
    QTest::newRow("two sheets 3") << DeskCase::TwoSheets << 44 << mode3 << 0.95;
    QTest::newRow("ordinary, a gap under the title") << DeskCase::Ordinary << 26 << mode2 << 0.97;
    QTest::newRow("two sheets, the one behind brighter")
        << DeskCase::TwoSheets << 174 << mode2 << 0.95;
    QTest::newRow("partly outside, in a corner") << DeskCase::PartlyOutside << 145 << mode3 << 0.95;
    QTest::newRow("partly outside, light falling off")
        << DeskCase::PartlyOutside << 10155 << turned << 0.95;
    QTest::newRow("ordinary, a shadow's hard edge across the sheet")
        << DeskCase::Ordinary << 5163 << turned << 0.95;
    QTest::newRow("ordinary, a shadow over a side of the sheet")
        << DeskCase::Ordinary << 5096 << mode3 << 0.95;
    QTest::newRow("white on a light desk, a shadow over part of the sheet")
        << DeskCase::WhiteOnLight << 5092 << mode3 << 0.95;
    QTest::newRow("white on a light desk, a shadow from border to border")
        << DeskCase::WhiteOnLight << 32 << mode3 << 0.95;
    QTest::newRow("fingers") << DeskCase::Fingers << 112 << mode3 << 0.95;
    QTest::newRow("fingers 2") << DeskCase::Fingers << 113 << turned << 0.95;
    QTest::newRow("fingers, the print's edge straight across the sheet")
        << DeskCase::Fingers << 5107 << turned << 0.95;
}

void TestPageFinder::findsThePage() {
    QFETCH(DeskCase, kind);
    QFETCH(int, seed);
    QFETCH(QSize, size);
    QFETCH(double, least);
    const DeskScene scene = RenderDeskScene(std::uint32_t(seed), size.width(), size.height(), kind);
    const FoundPage found = FindPage(scene.picture);
    const double iou = Iou(scene, found.corners);
    QVERIFY2(iou >= least, qPrintable(QString::number(iou)));
    if (kind != DeskCase::FillsFrame) {
        QVERIFY(found.found);
        QVERIFY(found.confidence > 0.5 && found.confidence <= 1.0);
    }
    for (const QPointF& p : found.corners) {
        QVERIFY(p.x() >= 0 && p.y() >= 0 && p.x() <= size.width() && p.y() <= size.height());
    }
}

void TestPageFinder::nothingCredibleGivesTheWholePicture_data() {
    QTest::addColumn<QImage>("picture");
    for (int seed : {9, 19, 29, 39, 49, 59, 89}) {
        QTest::newRow(qPrintable(QString("empty desk %1").arg(seed)))
            << RenderDeskScene(std::uint32_t(seed), 1280, 1024, DeskCase::NoPage).picture;
    }
    // The simulated camera's chart page fills the frame: no edge of it is in view.
    for (const auto& [w, h, rotation] : {std::tuple{1280, 1024, 0}, std::tuple{1024, 1280, 1}}) {
        const std::vector<std::uint8_t> bgr = SimulatedCamera::RenderPage(w, h, rotation);
        QTest::newRow(qPrintable(QString("chart page, rotation %1").arg(rotation)))
            << QImage(bgr.data(), w, h, w * 3, QImage::Format_BGR888)
                   .convertToFormat(QImage::Format_RGB32);
    }
    QImage grey(640, 480, QImage::Format_RGB32);
    grey.fill(QColor(128, 128, 128));
    QTest::newRow("flat grey") << grey;
    QImage tiny(300, 200, QImage::Format_RGB32);
    tiny.fill(Qt::black);
    {
        // A small white card: a sheet is never this small.
        QPainter painter(&tiny);
        painter.fillRect(QRect(130, 90, 30, 20), Qt::white);
    }
    QTest::newRow("small card") << tiny;
    QTest::newRow("too small to look at") << QImage(8, 8, QImage::Format_RGB32);
}

void TestPageFinder::nothingCredibleGivesTheWholePicture() {
    QFETCH(QImage, picture);
    const FoundPage found = FindPage(picture);
    QVERIFY(!found.found);
    QCOMPARE(found.corners, WholePicture(picture.size()));
}

void TestPageFinder::cornersComeInOrder_data() {
    QTest::addColumn<PageCorners>("given");
    const QPointF tl(10, 20), tr(200, 5), br(220, 300), bl(5, 280);
    QTest::newRow("in order") << PageCorners{tl, tr, br, bl};
    QTest::newRow("counter-clockwise") << PageCorners{tl, bl, br, tr};
    QTest::newRow("shuffled") << PageCorners{br, tl, bl, tr};
    QTest::newRow("from the bottom") << PageCorners{bl, tl, tr, br};
}

void TestPageFinder::cornersComeInOrder() {
    QFETCH(PageCorners, given);
    const PageCorners ordered = OrderCorners(given);
    QCOMPARE(ordered,
             (PageCorners{QPointF(10, 20), QPointF(200, 5), QPointF(220, 300), QPointF(5, 280)}));
    QCOMPARE(CornersArea(ordered), 56175.0);
}

void TestPageFinder::cameraShowsWhatThePicturesAreShownAs_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("rotation");
    for (int mode : {2, 3}) {
        for (int rotation = 0; rotation < 4; ++rotation) {
            QTest::newRow(qPrintable(QString("mode %1, rotation %2").arg(mode).arg(rotation)))
                << mode << rotation;
        }
    }
}

// The desk scenes are drawn at the size the view shows a capture at, so that their true
// corners are where the page finder looks.
void TestPageFinder::cameraShowsWhatThePicturesAreShownAs() {
    QFETCH(int, mode);
    QFETCH(int, rotation);
    int cameraW = 0, cameraH = 0, shownW = 0, shownH = 0;
    QVERIFY(SimulatedCamera::ShownPictureSize(mode, rotation, cameraW, cameraH));
    if (!ShownCaptureSize(mode, rotation, shownW, shownH)) {
        QVERIFY(SimulatedCamera::PictureSize(mode, rotation, shownW, shownH));
    }
    QCOMPARE(QSize(cameraW, cameraH), QSize(shownW, shownH));
}

QTEST_MAIN(TestPageFinder)
#include "test_page_finder.moc"
