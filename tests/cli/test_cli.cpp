#include <QtTest>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>

#include "device/SimulatedCamera.h"

using namespace tavelo;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run RunCli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(TAVELO_CLI), args);
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// Where a point of the page, in fractions of its width and height, lands in the camera's
// picture when the camera turns the page clockwise by rotation quarter turns.
QPoint PagePoint(double u, double v, int rotation, QSize picture) {
    const bool quarter = rotation % 2 == 1;
    const int pageW = quarter ? picture.height() : picture.width();
    const int pageH = quarter ? picture.width() : picture.height();
    const int px = int(u * pageW), py = int(v * pageH);
    switch (rotation) {
        case 1:
            return {pageH - 1 - py, px};
        case 2:
            return {pageW - 1 - px, pageH - 1 - py};
        case 3:
            return {py, pageW - 1 - px};
        default:
            return {px, py};
    }
}

bool Near(const QImage& image, QPoint at, QColor want) {
    const QColor got = image.pixelColor(at);
    return std::abs(got.red() - want.red()) < 24 && std::abs(got.green() - want.green()) < 24 &&
           std::abs(got.blue() - want.blue()) < 24;
}

}  // namespace

class TestCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void captureShowsThePageUpright_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QSize>("size");
        QTest::newRow("mode 2, rotation 0") << 2 << 0 << QSize(1280, 768);
        QTest::newRow("mode 2, rotation 1") << 2 << 1 << QSize(1024, 1024);
        QTest::newRow("mode 2, rotation 2") << 2 << 2 << QSize(1280, 768);
        QTest::newRow("mode 2, rotation 3") << 2 << 3 << QSize(1024, 1024);
        QTest::newRow("mode 3, rotation 0") << 3 << 0 << QSize(1280, 1024);
        QTest::newRow("mode 3, rotation 1") << 3 << 1 << QSize(1024, 1280);
        QTest::newRow("mode 3, rotation 2") << 3 << 2 << QSize(1280, 1024);
        QTest::newRow("mode 3, rotation 3") << 3 << 3 << QSize(1024, 1280);
    }

    // The file holds what the camera saw: pixel for pixel the page the camera rendered, up to
    // the rounding of the colour encoding. A flipped, mirrored, turned or colour-swapped
    // picture differs by far more.
    void captureShowsThePageUpright() {
        QFETCH(int, mode);
        QFETCH(int, rotation);
        QFETCH(QSize, size);
        QTemporaryDir dir;
        const QString file = dir.filePath("page.bmp");
        const Run r = RunCli({"--simulate", "--mode", QString::number(mode), "--rotation",
                              QString::number(rotation), "capture", "-o", file});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        QImage image(file, "BMP");
        QCOMPARE(image.size(), size);
        QCOMPARE(QFileInfo(file).size(), 3 * size.width() * size.height() + 54);

        const std::vector<std::uint8_t> page =
            SimulatedCamera::RenderPage(size.width(), size.height(), rotation);
        image = image.convertToFormat(QImage::Format_RGB888);
        // Two pixels share one colour difference, so a colour edge inside a pair is off by
        // much; those are few. Everything else comes back within the encoding's rounding.
        long long total = 0;
        int farOff = 0;
        for (int y = 0; y < size.height(); y += 3) {
            const uchar* line = image.constScanLine(y);
            for (int x = 0; x < size.width(); x += 3) {
                const std::uint8_t* want = &page[3 * (std::size_t(y) * size.width() + x)];
                const int db = std::abs(line[3 * x + 2] - want[0]);
                const int dg = std::abs(line[3 * x + 1] - want[1]);
                const int dr = std::abs(line[3 * x + 0] - want[2]);
                total += db + dg + dr;
                farOff += std::max({db, dg, dr}) > 40;
            }
        }
        const double samples = double(size.width() / 3 + 1) * (size.height() / 3 + 1) * 3;
        QVERIFY2(total / samples < 2.0, qPrintable(QString("mean error %1").arg(total / samples)));
        QVERIFY2(farOff < samples / 3 / 100, qPrintable(QString("%1 pixels far off").arg(farOff)));

        // The landmarks where the page puts them: the colour chart along the top left, left to
        // right red, green, blue, yellow, cyan, magenta, and the arrow's stem at the top right;
        // the bottom left, where a picture upside down would show the chart, is paper.
        const QColor chart[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta};
        for (int i = 0; i < 6; ++i) {
            QVERIFY2(
                Near(image, PagePoint(0.05 + (i + 0.5) * 0.07, 0.10, rotation, size), chart[i]),
                qPrintable(QString("chart patch %1").arg(i)));
        }
        QVERIFY(Near(image, PagePoint(0.80, 0.21, rotation, size), Qt::black));
        QVERIFY(Near(image, PagePoint(0.085, 0.90, rotation, size), Qt::white));
    }

    void failuresEndWithTheirOwnCode_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        // Without --simulate the USB bus is searched; there is no camera on it here.
        QTest::newRow("no camera")
            << QStringList{"status"} << 2
            << "^tavelo-cli: (USB:Failed to transmit\\.|USB cannot be used .*)\n$";
        QTest::newRow("refused command") << QStringList{"--simulate", "send", "XX1  "} << 4
                                         << "^tavelo-cli: USB:Failed to communicate\\.\n$";
        QTest::newRow("too long") << QStringList{"--simulate", "send", "ZO+  xyz"} << 1
                                  << "at most 7 characters";
        QTest::newRow("unknown argument")
            << QStringList{"--simulate", "--bogus"} << 1 << "unexpected argument";
        QTest::newRow("mode out of range")
            << QStringList{"--simulate", "--mode", "4", "status"} << 1 << "unexpected argument";
        QTest::newRow("folder missing")
            << QStringList{"--simulate", "capture", "-o", "/nonexistent-folder/page.bmp"} << 9
            << "^tavelo-cli: Failed to save the image\\.\n$";
        QTest::newRow("capture without a file")
            << QStringList{"--simulate", "capture"} << 1 << "Usage: tavelo-cli";
        QTest::newRow("a file for another command")
            << QStringList{"--simulate", "-o", "x.bmp", "status"} << 1 << "Usage: tavelo-cli";
    }

    void failuresEndWithTheirOwnCode() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const Run r = RunCli(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(QRegularExpression(message)), qPrintable(r.err));
    }

    void sendAndStatusOnTheSimulatedCamera() {
        Run r = RunCli({"--simulate", "send", "ZO+  "});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.trimmed(), QString("acknowledged"));
        r = RunCli({"--simulate", "--mode", "2", "--rotation", "3", "status"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains(QRegularExpression("capture mode +2\n")));
        QVERIFY(r.out.contains(QRegularExpression("camera rotation +270\n")));
        QVERIFY(r.out.contains(QRegularExpression("lamp +off\n")));
        QVERIFY(r.out.contains(QRegularExpression("gamma +1.0\n")));
    }

    void helpAndVersion() {
        Run r = RunCli({"--help"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("capture -o FILE"));
        r = RunCli({"--version"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.trimmed(), QString("tavelo-cli " TAVELO_VERSION));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
