#include <QtTest>

#include "picture/JpegQuality.h"

using namespace tavelo;

class TestJpegQuality : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void anchors_data() {
        QTest::addColumn<int>("q");
        QTest::addColumn<int>("quality");
        QTest::newRow("best") << 2 << 100;
        QTest::newRow("default") << 15 << 95;
        QTest::newRow("worst") << 255 << 1;
        QTest::newRow("below range clamps") << 1 << 100;
        QTest::newRow("negative clamps") << -40 << 100;
        QTest::newRow("above range clamps") << 256 << 1;
    }
    void anchors() {
        QFETCH(int, q);
        QFETCH(int, quality);
        QCOMPARE(JpegQualityFromQFactor(q), quality);
    }

    void monotonicAndInRange() {
        int previous = JpegQualityFromQFactor(2);
        for (int q = 3; q <= 255; ++q) {
            const int quality = JpegQualityFromQFactor(q);
            QVERIFY2(quality <= previous, qPrintable(QString::number(q)));
            QVERIFY(quality >= 1 && quality <= 100);
            previous = quality;
        }
        // Falls over the whole range, not just at the end points.
        QVERIFY(JpegQualityFromQFactor(100) < JpegQualityFromQFactor(50));
        QVERIFY(JpegQualityFromQFactor(200) < JpegQualityFromQFactor(100));
    }
};

QTEST_APPLESS_MAIN(TestJpegQuality)
#include "test_jpeg_quality.moc"
