// Dialog units to pixels: a quarter of the font's average character width across, an eighth
// of its height down, each number rounded on its own.

#include <QFont>
#include <QFontMetrics>
#include <QtTest>

#include "settings/DialogUnits.h"

using namespace tavelo;

class TestDialogUnits : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mapsRectangles_data() {
        QTest::addColumn<int>("baseX");
        QTest::addColumn<int>("baseY");
        QTest::addColumn<QRect>("units");
        QTest::addColumn<QRect>("pixels");
        // Whole results.
        QTest::newRow("8 x 16, preview")
            << 8 << 16 << QRect(23, 7, 139, 129) << QRect(46, 14, 278, 258);
        // Halves round away from zero: 34.5 -> 35, 208.5 -> 209; 11.375 -> 11, 209.625 -> 210.
        QTest::newRow("6 x 13, preview")
            << 6 << 13 << QRect(23, 7, 139, 129) << QRect(35, 11, 209, 210);
        // 166.25 -> 166 and 127.75 -> 128 across, 85.75 -> 86 down.
        QTest::newRow("7 x 14, Q factor text")
            << 7 << 14 << QRect(95, 49, 73, 8) << QRect(166, 86, 128, 14);
        QTest::newRow("zero") << 6 << 13 << QRect(0, 0, 0, 0) << QRect(0, 0, 0, 0);
        // A control left of the dialog's edge: -4.5 -> -5, -1.625 -> -2.
        QTest::newRow("negative") << 6 << 13 << QRect(-3, -1, 4, 8) << QRect(-5, -2, 6, 13);
    }

    void mapsRectangles() {
        QFETCH(int, baseX);
        QFETCH(int, baseY);
        QFETCH(QRect, units);
        QFETCH(QRect, pixels);
        const DialogBaseUnits base{baseX, baseY};
        QCOMPARE(MapDialogRect(units, base), pixels);
        QCOMPARE(MapDialogSize(units.size(), base), pixels.size());
    }

    // The template sizes keep their proportions through the conversion: 187 x 241 at 6 x 13
    // is 280.5 -> 281 by 391.6 -> 392.
    void dialogSizes() {
        QCOMPARE(MapDialogSize(QSize(187, 241), DialogBaseUnits{6, 13}), QSize(281, 392));
        QCOMPARE(MapDialogSize(QSize(187, 111), DialogBaseUnits{6, 13}), QSize(281, 180));
    }

    void baseUnitsFollowTheFont_data() {
        QTest::addColumn<int>("pixelSize");
        QTest::newRow("9 px") << 9;
        QTest::newRow("13 px") << 13;
        QTest::newRow("24 px") << 24;
    }

    // The base units are the font's: its height, and its mean letter width to the pixel.
    void baseUnitsFollowTheFont() {
        QFETCH(int, pixelSize);
        QFont font;
        font.setPixelSize(pixelSize);
        const DialogBaseUnits base = BaseUnitsOf(font);
        const QFontMetrics metrics(font);
        QCOMPARE(base.y, metrics.height());
        const double mean = metrics.horizontalAdvance(QStringLiteral(
                                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                            52.0;
        QVERIFY2(std::abs(base.x - mean) <= 0.5 + 1e-9,
                 qPrintable(QString("%1 against %2").arg(base.x).arg(mean)));
        QVERIFY(base.x > 0);
    }

    void largerFontLargerDialog() {
        QFont small, large;
        small.setPixelSize(10);
        large.setPixelSize(20);
        const QSize a = MapDialogSize(QSize(187, 241), BaseUnitsOf(small));
        const QSize b = MapDialogSize(QSize(187, 241), BaseUnitsOf(large));
        QVERIFY(b.width() > a.width() && b.height() > a.height());
    }
};

QTEST_MAIN(TestDialogUnits)
#include "test_dialog_units.moc"
