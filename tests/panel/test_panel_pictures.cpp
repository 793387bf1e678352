#include <QTest>
#include <set>

#include "panel/PanelLayout.h"
#include "panel/PanelPictures.h"

using namespace tavelo;

namespace {

bool HasInk(const QImage& image, const QRect& area, QRgb ink) {
    const QRect clipped = area & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            if (image.pixel(x, y) == ink) {
                return true;
            }
        }
    }
    return false;
}

std::set<QRgb> Colours(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    return colours;
}

}  // namespace

class TestPanelPictures : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyPictureHasItsSize_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QSize>("size");
        QTest::newRow("background") << 136 << QSize(330, 480);
        for (int id = 171; id <= 176; ++id) {
            QTest::addRow("plate %d", id) << id << QSize(76, 27);
        }
        QTest::newRow("178") << 178 << QSize(56, 12);
        QTest::newRow("179") << 179 << QSize(56, 12);
        QTest::newRow("182") << 182 << QSize(58, 13);
        QTest::newRow("183") << 183 << QSize(58, 13);
        for (int id = 184; id <= 195; ++id) {
            QTest::addRow("arrow %d", id) << id << QSize(46, 46);
        }
        for (int id = 208; id <= 215; ++id) {
            QTest::addRow("rotation %d", id) << id << QSize(45, 13);
        }
        for (int id = 217; id <= 220; ++id) {
            QTest::addRow("indicator %d", id) << id << QSize(63, 13);
        }
        for (int id = 221; id <= 226; ++id) {
            QTest::addRow("gamma square %d", id) << id << QSize(13, 12);
        }
        for (int id = 239; id <= 246; ++id) {
            QTest::addRow("gamma value %d", id) << id << QSize(30, 12);
        }
    }
    void everyPictureHasItsSize() {
        QFETCH(int, id);
        QFETCH(QSize, size);
        QCOMPARE(PanelPicture(id).size(), size);
    }

    void namedPictures_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("BTN1U") << "BTN1U" << QSize(58, 13);
        QTest::newRow("BTN1D") << "BTN1D" << QSize(58, 13);
        QTest::newRow("BTN2U") << "BTN2U" << QSize(56, 12);
        QTest::newRow("BTN2D") << "BTN2D" << QSize(56, 12);
        QTest::newRow("unknown") << "BTN3U" << QSize();
        QTest::newRow("caption alone") << "BTN1" << QSize();
    }
    void namedPictures() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QImage picture = PanelPicture(name);
        QCOMPARE(picture.isNull(), !size.isValid());
        if (size.isValid()) {
            QCOMPARE(picture.size(), size);
        }
    }

    void idsWithoutPicture_data() {
        QTest::addColumn<int>("id");
        for (int id : {0, -1, 135, 137, 170, 177, 180, 181, 196, 207, 216, 227, 238, 247, 1006}) {
            QTest::addRow("%d", id) << id;
        }
    }
    void idsWithoutPicture() {
        QFETCH(int, id);
        QVERIFY(PanelPicture(id).isNull());
        QVERIFY(LoadMappedPicture(id, QPalette()).isNull());
    }

    // Every control is laid out at exactly the size of the pictures it shows.
    void controlsFitTheirPictures() {
        for (const HoldPictures& entry : HOLD_PICTURES) {
            const QSize rect = FindPanelControl(entry.id)->Rect().size();
            for (int picture : {entry.pressed, entry.released, entry.disabled}) {
                QVERIFY2(PanelPicture(picture).size() == rect,
                         qPrintable(QString::number(entry.id)));
            }
        }
        for (const TogglePictures& entry : TOGGLE_PICTURES) {
            const QSize rect = FindPanelControl(entry.id)->Rect().size();
            QCOMPARE(QSize(entry.width, entry.height), rect);
            QCOMPARE(PanelPicture(entry.on).size(), rect);
            QCOMPARE(PanelPicture(entry.off).size(), rect);
        }
        for (const BitmapPictures& entry : BITMAP_PICTURES) {
            const QString up = QLatin1String(entry.caption) + QLatin1Char('U');
            QCOMPARE(PanelPicture(up).size(), FindPanelControl(entry.id)->Rect().size());
        }
    }

    // The two looks of every pair can be told apart.
    void pairsDiffer_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        for (int id : {171, 173, 175, 208, 210, 212, 214, 217, 219}) {
            QTest::addRow("%d/%d", id, id + 1) << id << id + 1;
        }
        QTest::newRow("bars") << 182 << 183;
        QTest::newRow("green bars") << 179 << 178;
        for (int id = 184; id <= 195; id += 3) {
            QTest::addRow("arrow %d pressed/released", id) << id << id + 1;
            QTest::addRow("arrow %d released/disabled", id) << id + 1 << id + 2;
        }
        QTest::newRow("minus/plus") << 222 << 225;
        QTest::newRow("up and right arrow") << 185 << 191;
        QTest::newRow("left and down arrow") << 188 << 194;
    }
    void pairsDiffer() {
        QFETCH(int, first);
        QFETCH(int, second);
        QVERIFY(PanelPicture(first) != PanelPicture(second));
    }

    void gammaValuesAreWhiteOnBlackAndDistinct() {
        for (int a = 239; a <= 246; ++a) {
            // Two colours only, dark ground first, so the digits are never themed away.
            const std::set<QRgb> colours = Colours(PanelPicture(a));
            QCOMPARE(colours.size(), std::size_t(2));
            QVERIFY(qGray(PanelPicture(a).pixel(0, 0)) < 32);
            QVERIFY(!colours.count(PICTURE_WHITE) && !colours.count(PICTURE_BLACK));
            for (int b = a + 1; b <= 246; ++b) {
                QVERIFY(PanelPicture(a) != PanelPicture(b));
            }
        }
        // 0.9 .. 0.3 share their first two characters; 1.0 does not.
        const QRect lead(0, 0, 15, 12);
        QCOMPARE(PanelPicture(240).copy(lead), PanelPicture(246).copy(lead));
        QVERIFY(PanelPicture(239).copy(lead) != PanelPicture(240).copy(lead));
    }

    void mappingRecoloursOnlyTheFourButtonColours() {
        QPalette palette;
        palette.setColor(QPalette::ButtonText, QColor(1, 2, 3));
        palette.setColor(QPalette::Dark, QColor(4, 5, 6));
        palette.setColor(QPalette::Button, QColor(7, 8, 9));
        palette.setColor(QPalette::Light, QColor(10, 11, 12));
        QImage picture(5, 1, QImage::Format_RGB32);
        picture.setPixel(0, 0, PICTURE_BLACK);
        picture.setPixel(1, 0, PICTURE_DARK_GREY);
        picture.setPixel(2, 0, PICTURE_LIGHT_GREY);
        picture.setPixel(3, 0, PICTURE_WHITE);
        picture.setPixel(4, 0, qRgb(16, 40, 120));
        const QImage mapped = MapButtonColours(picture, palette);
        QCOMPARE(mapped.pixel(0, 0), qRgb(1, 2, 3));
        QCOMPARE(mapped.pixel(1, 0), qRgb(4, 5, 6));
        QCOMPARE(mapped.pixel(2, 0), qRgb(7, 8, 9));
        QCOMPARE(mapped.pixel(3, 0), qRgb(10, 11, 12));
        QCOMPARE(mapped.pixel(4, 0), qRgb(16, 40, 120));
        // The cached original is left as drawn.
        QCOMPARE(PanelPicture(136).pixel(100, 470), PICTURE_LIGHT_GREY);
    }

    void backgroundFollowsTheTheme() {
        QPalette palette;
        palette.setColor(QPalette::Button, QColor(40, 40, 40));
        palette.setColor(QPalette::ButtonText, QColor(230, 230, 230));
        const QImage mapped = LoadMappedPicture(136, palette);
        QCOMPARE(mapped.pixel(100, 470), qRgb(40, 40, 40));  // the face
        // The labels take the text colour, so they stay legible on any face.
        QVERIFY(HasInk(mapped, QRect(21, 357, 58, 8), qRgb(230, 230, 230)));
    }

    // Each printed label sits just above the control it names.
    void labelsSitAboveTheirControls() {
        const QImage background = PanelPicture(136);
        for (const PanelControl& control : PANEL_CONTROLS) {
            if (*control.label == '\0') {
                continue;
            }
            const QRect above(control.left, control.top - 11, control.right - control.left, 10);
            QVERIFY2(HasInk(background, above, PICTURE_BLACK), control.label);
        }
        // GAMMA over the minus, the value and the plus; ROTATION over the four angles.
        QVERIFY(HasInk(background, QRect(248, 320, 58, 10), PICTURE_BLACK));
        QVERIFY(HasInk(background, QRect(100, 196, 60, 12), PICTURE_BLACK));
        // Nothing is printed where a button will cover it.
        for (const PanelControl& control : PANEL_CONTROLS) {
            QVERIFY2(!HasInk(background, control.Rect(), PICTURE_BLACK),
                     qPrintable(QString::number(control.id)));
        }
    }

    void indicatorsDarkenTheCurrentWord_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("firstDark");
        QTest::newRow("POSI") << 217 << true;
        QTest::newRow("NEGA") << 218 << false;
        QTest::newRow("COLOR") << 219 << true;
        QTest::newRow("B&W") << 220 << false;
    }
    void indicatorsDarkenTheCurrentWord() {
        QFETCH(int, id);
        QFETCH(bool, firstDark);
        const QImage picture = PanelPicture(id);
        const QRect left(0, 0, 24, 13);
        const QRect right(40, 0, 23, 13);
        QCOMPARE(HasInk(picture, firstDark ? left : right, PICTURE_BLACK), true);
        QCOMPARE(HasInk(picture, firstDark ? right : left, PICTURE_BLACK), false);
        QCOMPARE(HasInk(picture, firstDark ? right : left, PICTURE_DARK_GREY), true);
    }
};

QTEST_MAIN(TestPanelPictures)
#include "test_panel_pictures.moc"
