#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>

#include "picture/PictureEngine.h"
#include "picture/PictureResult.h"
#include "support/FileFaults.h"
#include "support/PictureSamples.h"

using namespace tavelo;
using namespace tavelo::samples;

namespace {

QImage GradientImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, Gradient(x, y));
        }
    }
    return image;
}

// A smooth picture, the kind JPEG is made for: errors then follow the quality.
QImage SmoothImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x + y) * 127 / (w + h) + 64));
        }
    }
    return image;
}

QImage Indexed(int w, int h, int colors) {
    QImage image(w, h, QImage::Format_Indexed8);
    QList<QRgb> palette;
    for (int i = 0; i < colors; ++i) {
        palette.push_back(qRgb(i * 40 % 256, 255 - i * 15 % 256, i * 90 % 256));
    }
    image.setColorTable(palette);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, static_cast<uint>((x * 3 + y) % colors));
        }
    }
    return image;
}

PictureEngine With(const QImage& image) {
    PictureEngine engine;
    engine.SetImage(image);
    return engine;
}

double MeanError(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every name in a folder, hidden files and nodes included: what a save may leave behind.
QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// The syncs of this process, in order: whether each was of a folder, and whether the file
// `g_watched` then held a picture.
struct SyncCall {
    bool folder;
    bool targetThere;
};
QList<SyncCall> g_syncs;
QString g_watched;

bool SamePixels(const QImage& a, const QImage& b) {
    return a.size() == b.size() &&
           a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

// Stands in for the C library's, to see what a save syncs and when.
extern "C" int fsync(int fd) {
    struct stat st {};
    if (!g_watched.isEmpty() && fstat(fd, &st) == 0) {
        g_syncs.append({S_ISDIR(st.st_mode), ReadAll(g_watched).startsWith("BM")});
    }
    return static_cast<int>(syscall(SYS_fsync, fd));
}

class TestPictureEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void quarterTurns_data() {
        QTest::addColumn<int>("angle");
        QTest::addColumn<int>("turnsRight");
        QTest::newRow("right") << 9000 << 1;
        QTest::newRow("half") << 18000 << 2;
        QTest::newRow("left as three right") << 27000 << 3;
        QTest::newRow("left") << -9000 << 3;
        QTest::newRow("minus half") << -18000 << 2;
        QTest::newRow("one and a quarter") << 45000 << 1;
    }
    void quarterTurns() {
        QFETCH(int, angle);
        QFETCH(int, turnsRight);
        const QImage source = GradientImage(5, 3);
        PictureEngine engine = With(source);
        QCOMPARE(engine.Rotate(angle, true, 0xFF0000), PIC_OK);
        const QImage& out = engine.Image();
        const int w = source.width();
        const int h = source.height();
        QCOMPARE(out.size(), turnsRight == 2 ? source.size() : source.size().transposed());
        for (int y = 0; y < out.height(); ++y) {
            for (int x = 0; x < out.width(); ++x) {
                QRgb expected = 0;
                switch (turnsRight) {
                    case 1:
                        expected = source.pixel(y, h - 1 - x);
                        break;  // top row becomes right column
                    case 2:
                        expected = source.pixel(w - 1 - x, h - 1 - y);
                        break;
                    default:
                        expected = source.pixel(w - 1 - y, x);
                        break;
                }
                QCOMPARE(out.pixel(x, y), expected);
            }
        }
        // And back again, exactly.
        QCOMPARE(engine.Rotate(-angle, true, 0), PIC_OK);
        QVERIFY(SamePixels(engine.Image(), source));
    }

    void quarterTurnKeepsPalette() {
        const QImage source = Indexed(4, 3, 5);
        PictureEngine engine = With(source);
        QCOMPARE(engine.Rotate(9000, true, 0), PIC_OK);
        QCOMPARE(engine.Bits(), 8);
        QCOMPARE(engine.Image().format(), QImage::Format_Indexed8);
        QCOMPARE(engine.Image().size(), QSize(3, 4));
        QCOMPARE(engine.Image().pixel(2, 0), source.pixel(0, 0));
    }

    void anyAngle_data() {
        QTest::addColumn<int>("angle");
        QTest::addColumn<bool>("grow");
        QTest::addColumn<QSize>("size");
        QTest::newRow("45 grown") << 4500 << true << QSize(15, 15);
        QTest::newRow("45 kept") << 4500 << false << QSize(10, 10);
        QTest::newRow("-30 grown") << -3000 << true << QSize(14, 14);
    }
    void anyAngle() {
        QFETCH(int, angle);
        QFETCH(bool, grow);
        QFETCH(QSize, size);
        QImage source(10, 10, QImage::Format_RGB888);
        source.fill(QColor(200, 200, 200));
        PictureEngine engine = With(source);
        QCOMPARE(engine.Rotate(angle, grow, 0x00FF0000), PIC_OK);  // 0x00BBGGRR: blue
        QCOMPARE(engine.Image().size(), size);
        QCOMPARE(engine.Image().pixel(0, 0), qRgb(0, 0, 255));
        QCOMPARE(engine.Image().pixel(size.width() / 2, size.height() / 2), qRgb(200, 200, 200));
    }

    void rotateNothing() {
        PictureEngine empty;
        QCOMPARE(int(empty.Rotate(9000, true, 0)), int(PIC_NO_PICTURE));
        const QImage source = GradientImage(4, 2);
        PictureEngine engine = With(source);
        QCOMPARE(engine.Rotate(36000, true, 0), PIC_OK);
        QVERIFY(SamePixels(engine.Image(), source));
    }

    void resize_data() {
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("indexed");
        QTest::newRow("smooth") << 1 << false;
        QTest::newRow("nearest") << 0 << false;
        QTest::newRow("smooth from 8 bits") << 1 << true;
    }
    void resize() {
        QFETCH(int, flags);
        QFETCH(bool, indexed);
        // Left half red, right half green: each half stays pure away from the seam.
        QImage source(16, 8, QImage::Format_RGB888);
        source.fill(Qt::red);
        for (int y = 0; y < 8; ++y) {
            for (int x = 8; x < 16; ++x) {
                source.setPixel(x, y, qRgb(0, 255, 0));
            }
        }
        if (indexed) {
            source = source.convertToFormat(QImage::Format_Indexed8);
        }
        PictureEngine engine = With(source);
        QCOMPARE(engine.Resize(8, 12, flags), PIC_OK);
        QCOMPARE(engine.Width(), 8);
        QCOMPARE(engine.Height(), 12);
        QCOMPARE(engine.Image().pixel(0, 5), qRgb(255, 0, 0));
        QCOMPARE(engine.Image().pixel(7, 11), qRgb(0, 255, 0));
        if (flags & 1) {
            QCOMPARE(engine.Bits(), 24);
        }
    }

    void resizeRefusesBadSizes_data() {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::newRow("zero") << 0 << 10;
        QTest::newRow("negative") << 10 << -1;
        QTest::newRow("giant") << 40000 << 40000;
    }
    void resizeRefusesBadSizes() {
        QFETCH(int, w);
        QFETCH(int, h);
        PictureEngine engine = With(GradientImage(4, 4));
        QCOMPARE(int(engine.Resize(w, h, 1)), int(PIC_BAD_ARGUMENT));
        QCOMPARE(engine.Width(), 4);
    }

    void convertBits() {
        const QImage source = Indexed(6, 3, 7);
        PictureEngine engine = With(source);
        QCOMPARE(engine.Bits(), 8);
        QCOMPARE(int(engine.ConvertBits(8, 4, 1, 0)), int(PIC_UNSUPPORTED));
        QCOMPARE(engine.ConvertBits(24, 4, 1, 0), PIC_OK);
        QCOMPARE(engine.Bits(), 24);
        QCOMPARE(engine.Image().format(), QImage::Format_RGB888);
        QVERIFY(SamePixels(engine.Image(), source));
    }

    // The filter on a lone brighter pixel: blur = binomial 3 x 3, out = p + g (p - blur)
    // with g = amount / 1000 * 2 sharpening and amount / 1000 softening.
    void sharpenPixels_data() {
        QTest::addColumn<int>("amount");
        QTest::addColumn<int>("centre");
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("corner");
        QTest::newRow("zero leaves it") << 0 << 120 << 100 << 100;
        QTest::newRow("sharpest") << 1000 << 150 << 94 << 98;
        QTest::newRow("half") << 500 << 135 << 97 << 99;
        QTest::newRow("softest is the blur") << -1000 << 105 << 103 << 101;
        QTest::newRow("clamped past the range") << 30000 << 150 << 94 << 98;
    }
    void sharpenPixels() {
        QFETCH(int, amount);
        QFETCH(int, centre);
        QFETCH(int, side);
        QFETCH(int, corner);
        QImage source(5, 5, QImage::Format_RGB888);
        source.fill(QColor(100, 100, 100));
        source.setPixel(2, 2, qRgb(120, 120, 120));
        PictureEngine engine = With(source);
        QCOMPARE(engine.Sharpen(amount), PIC_OK);
        QCOMPARE(qGreen(engine.Image().pixel(2, 2)), centre);
        QCOMPARE(qRed(engine.Image().pixel(2, 1)), side);
        QCOMPARE(qBlue(engine.Image().pixel(3, 3)), corner);
        QCOMPARE(qRed(engine.Image().pixel(0, 0)), 100);  // beyond the kernel's reach
    }

    void sharpenStrengthGrows() {
        // A vertical edge on a picture large enough to exercise the vector loop.
        QImage source(64, 8, QImage::Format_RGB888);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 64; ++x) {
                source.setPixel(x, y, x < 32 ? qRgb(60, 70, 80) : qRgb(160, 170, 180));
            }
        }
        int previousBright = 160;
        int previousDark = 60;
        for (int amount : {200, 500, 800, 950}) {
            PictureEngine engine = With(source);
            QCOMPARE(engine.Sharpen(amount), PIC_OK);
            const int bright = qRed(engine.Image().pixel(32, 4));
            const int dark = qRed(engine.Image().pixel(31, 4));
            QVERIFY2(bright > previousBright && dark < previousDark,
                     qPrintable(QString::number(amount)));
            previousBright = bright;
            previousDark = dark;
            QCOMPARE(qRed(engine.Image().pixel(10, 4)), 60);
        }
        int previousSpread = 100;
        for (int amount : {-200, -500, -1000}) {
            PictureEngine engine = With(source);
            QCOMPARE(engine.Sharpen(amount), PIC_OK);
            const int spread =
                qRed(engine.Image().pixel(32, 4)) - qRed(engine.Image().pixel(31, 4));
            QVERIFY(spread < previousSpread);
            previousSpread = spread;
        }
    }

    void sharpenEdgesAndTinyPictures_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("1x1") << QSize(1, 1);
        QTest::newRow("1x5") << QSize(1, 5);
        QTest::newRow("7x1") << QSize(7, 1);
        QTest::newRow("2x2") << QSize(2, 2);
    }
    void sharpenEdgesAndTinyPictures() {
        QFETCH(QSize, size);
        QImage source(size, QImage::Format_RGB888);
        source.fill(QColor(77, 88, 99));
        PictureEngine engine = With(source);
        // A flat picture stays flat at every strength, edges included.
        QCOMPARE(engine.Sharpen(950), PIC_OK);
        QVERIFY(SamePixels(engine.Image(), source));
        QCOMPARE(engine.Sharpen(-1000), PIC_OK);
        QVERIFY(SamePixels(engine.Image(), source));
    }

    void sharpenPromotesPalette() {
        PictureEngine engine = With(Indexed(8, 8, 4));
        QCOMPARE(engine.Sharpen(0), PIC_OK);
        QCOMPARE(engine.Bits(), 8);
        QCOMPARE(engine.Sharpen(800), PIC_OK);
        QCOMPARE(engine.Bits(), 24);
    }

    void bmpRoundTrip_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("bits");
        QTest::newRow("24 bits") << GradientImage(7, 5) << 24;
        QTest::newRow("32 bits") << GradientImage(7, 5) << 32;
        QTest::newRow("8 bits") << Indexed(9, 4, 200) << 8;
        QTest::newRow("4 bits") << Indexed(9, 4, 16) << 4;
        QTest::newRow("1 bit") << Indexed(9, 4, 2) << 1;
    }
    void bmpRoundTrip() {
        QFETCH(QImage, image);
        QFETCH(int, bits);
        QTemporaryDir dir;
        const QString path = dir.filePath("round.bmp");
        PictureEngine engine = With(image);
        QCOMPARE(engine.SaveFile(path, PictureEngine::kFormatBmp, bits, 15, 0), PIC_OK);
        PictureEngine loaded;
        QCOMPARE(loaded.LoadFile(path, 0, 0, 1), PIC_OK);
        QCOMPARE(loaded.Bits(), bits);
        QVERIFY(SamePixels(loaded.Image(), image));
        if (bits <= 8) {
            // An 8-bit picture keeps its own palette.
            QCOMPARE(loaded.Image().colorTable(), image.colorTable());
        }
        // Qt's own reader agrees on the file.
        QVERIFY(SamePixels(QImage(path, "BMP"), image));
    }

    void bmpAtOwnDepth() {
        QTemporaryDir dir;
        const QString path = dir.filePath("own.bmp");
        PictureEngine engine = With(Indexed(5, 5, 30));
        QCOMPARE(engine.SaveFile(path, PictureEngine::kFormatBmp, 0, 15, 0), PIC_OK);
        const QByteArray bytes = ReadAll(path);
        QCOMPARE(int(bytes[28]), 8);
        QCOMPARE(bytes.size(), 54 + 4 * 30 + 8 * 5);
    }

    void jpegWithinTolerance_data() {
        QTest::addColumn<int>("q");
        QTest::addColumn<double>("tolerance");
        QTest::newRow("Q 2") << 2 << 1.0;
        QTest::newRow("Q 15") << 15 << 1.5;
        QTest::newRow("Q 60") << 60 << 3.0;
        QTest::newRow("Q 150") << 150 << 5.0;
        QTest::newRow("Q 255") << 255 << 25.0;
    }
    void jpegWithinTolerance() {
        QFETCH(int, q);
        QFETCH(double, tolerance);
        QTemporaryDir dir;
        const QString path = dir.filePath("round.jpg");
        const QImage image = SmoothImage(64, 48);
        PictureEngine engine = With(image);
        QCOMPARE(engine.SaveFile(path, PictureEngine::kFormatJpeg, 24, q, 0), PIC_OK);
        PictureEngine loaded;
        QCOMPARE(loaded.LoadFile(path, 0, 0, 1), PIC_OK);
        QCOMPARE(loaded.Image().size(), image.size());
        const double error = MeanError(loaded.Image(), image);
        QVERIFY2(error <= tolerance, qPrintable(QString("mean error %1").arg(error)));
    }

    void jpegSizeFollowsQ() {
        QTemporaryDir dir;
        PictureEngine engine = With(GradientImage(64, 64));
        qint64 previous = std::numeric_limits<qint64>::max();
        for (int q : {2, 15, 60, 255}) {
            const QString path = dir.filePath(QString("q%1.jpg").arg(q));
            QCOMPARE(engine.SaveFile(path, PictureEngine::kFormatJpeg, 24, q, 0), PIC_OK);
            const qint64 size = QFileInfo(path).size();
            QVERIFY(size < previous);
            previous = size;
        }
    }

    void jpegComment() {
        QTemporaryDir dir;
        const QString path = dir.filePath("text.jpg");
        PictureEngine engine = With(GradientImage(8, 8));
        engine.SetTextItem(3, "camera page");
        QCOMPARE(engine.TextItem(3), QString("camera page"));
        QCOMPARE(engine.SaveFile(path, PictureEngine::kFormatJpeg, 24, 15, 0), PIC_OK);
        QVERIFY(ReadAll(path).contains("camera page"));
        engine.SetTextItem(3, QString());
        QCOMPARE(engine.SaveFile(path, PictureEngine::kFormatJpeg, 24, 15, 0), PIC_OK);
        QVERIFY(!ReadAll(path).contains("camera page"));
    }

    // A save that cannot be finished leaves the file that was there byte for byte, and no
    // stray file beside it: a picture that cannot be encoded, a folder that takes no new file,
    // a disk that fills up half way.
    void failedSaveKeepsOldFile_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("code");
        const int bmp = PictureEngine::kFormatBmp;
        const int jpeg = PictureEngine::kFormatJpeg;
        QTest::newRow("bad depth") << "none" << bmp << 12 << int(PIC_BAD_ARGUMENT);
        QTest::newRow("unknown format") << "none" << 3 << 24 << int(PIC_UNSUPPORTED);
        QTest::newRow("read-only folder, BMP") << "read-only" << bmp << 24 << int(PIC_FILE_OPEN);
        QTest::newRow("read-only folder, JPEG") << "read-only" << jpeg << 24 << int(PIC_FILE_OPEN);
        QTest::newRow("disk full, BMP") << "full" << bmp << 24 << int(PIC_FILE_WRITE);
        QTest::newRow("disk full, JPEG") << "full" << jpeg << 24 << int(PIC_FILE_WRITE);
    }
    void failedSaveKeepsOldFile() {
        QFETCH(QString, fault);
        QFETCH(int, format);
        QFETCH(int, bits);
        QFETCH(int, code);
        // Under /tmp itself, so that another user can reach the folder when the test is root.
        QTemporaryDir dir(QDir::rootPath() + QStringLiteral("tmp/tavelo-save-XXXXXX"));
        QVERIFY(dir.isValid());
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                              QFileDevice::ExeOther);
        const QString path = dir.filePath("old.bmp");
        const QByteArray old("the old picture");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
        file.close();
        // Large enough that neither encoding fits under the full disk's limit.
        PictureEngine engine = With(GradientImage(256, 256));
        if (fault == "read-only") {
            test::ReadOnlyFolder readOnly(dir.path());
            QVERIFY2(readOnly.Holds(), "cannot take an ordinary user's identity");
            QCOMPARE(int(engine.SaveFile(path, format, bits, 15, 0)), code);
        } else if (fault == "full") {
            test::FullDisk full(1024);
            QVERIFY(full.Holds());
            QCOMPARE(int(engine.SaveFile(path, format, bits, 15, 0)), code);
        } else {
            QCOMPARE(int(engine.SaveFile(path, format, bits, 15, 0)), code);
        }
        QCOMPARE(ReadAll(path), old);
        QCOMPARE(Entries(dir.path()), QStringList{"old.bmp"});
        // A good save replaces it.
        QCOMPARE(engine.SaveFile(path, PictureEngine::kFormatBmp, 24, 15, 0), PIC_OK);
        QVERIFY(ReadAll(path).startsWith("BM"));
    }

    void saveRefusals() {
        PictureEngine empty;
        QTemporaryDir dir;
        QCOMPARE(int(empty.SaveFile(dir.filePath("x.bmp"), 6, 24, 15, 0)), int(PIC_NO_PICTURE));
        PictureEngine engine = With(GradientImage(4, 4));
        QCOMPARE(int(engine.SaveFile(dir.filePath("missing/x.bmp"), 6, 24, 15, 0)),
                 int(PIC_FILE_OPEN));
    }

    // A name that is there but is no plain file is never replaced, wherever a link leads.
    void saveRefusesWhatIsNoFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("folder") << "folder";
        QTest::newRow("device node") << "device";
        QTest::newRow("link to a FIFO") << "link";
    }
    void saveRefusesWhatIsNoFile() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath("page.bmp");
        const QByteArray node = dir.filePath(kind == "link" ? "fifo" : "page.bmp").toLocal8Bit();
        mode_t type = S_IFIFO;
        if (kind == "folder") {
            QVERIFY(QDir(dir.path()).mkdir("page.bmp"));
            type = S_IFDIR;
        } else if (kind == "device") {
            // The same device as the null device, made here so that nothing shared is at risk.
            if (mknod(node.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
                QSKIP("only root can make a device node");
            }
            type = S_IFCHR;
        } else {
            QCOMPARE(mkfifo(node.constData(), 0666), 0);
        }
        if (kind == "link") {
            QVERIFY(QFile::link(QString::fromLocal8Bit(node), path));
        }
        const QStringList before = Entries(dir.path());
        PictureEngine engine = With(GradientImage(4, 4));
        QCOMPARE(int(engine.SaveFile(path, PictureEngine::kFormatBmp, 24, 15, 0)),
                 int(PIC_FILE_OPEN));
        struct stat st {};
        QCOMPARE(stat(node.constData(), &st), 0);
        QCOMPARE(st.st_mode & S_IFMT, type);
        QCOMPARE(Entries(dir.path()), before);
    }

    // Any name the file system takes can be written and then replaced, however long.
    void longNamesCanBeReplaced_data() {
        QTest::addColumn<int>("length");
        for (int length : {249, 250, 255}) {
            QTest::addRow("%d bytes", length) << length;
        }
    }
    void longNamesCanBeReplaced() {
        QFETCH(int, length);
        QTemporaryDir dir;
        const QString path = dir.filePath(QString(length - 4, QLatin1Char('n')) + ".bmp");
        PictureEngine engine = With(GradientImage(4, 4));
        QCOMPARE(engine.SaveFile(path, PictureEngine::kFormatBmp, 24, 15, 0), PIC_OK);
        engine = With(GradientImage(9, 3));
        QCOMPARE(engine.SaveFile(path, PictureEngine::kFormatBmp, 24, 15, 0), PIC_OK);
        PictureEngine back;
        QCOMPARE(back.LoadFile(path, 0, 0, 1), PIC_OK);
        QCOMPARE(back.Width(), 9);
        QCOMPARE(Entries(dir.path()).size(), 1);
    }

    // The data reaches the disk before the rename, and the folder after it, so that the
    // new name survives a power cut too.
    void savedFileAndFolderAreSynced() {
        QTemporaryDir dir;
        g_watched = dir.filePath("page.bmp");
        g_syncs.clear();
        const std::int16_t result =
            With(GradientImage(4, 4)).SaveFile(g_watched, PictureEngine::kFormatBmp, 24, 15, 0);
        const QList<SyncCall> syncs = g_syncs;
        g_watched.clear();
        QCOMPARE(result, PIC_OK);
        QCOMPARE(syncs.size(), 2);
        QVERIFY(!syncs[0].folder && !syncs[0].targetThere);
        QVERIFY(syncs[1].folder && syncs[1].targetThere);
    }

    // A temporary file a killed save left behind goes at the next save into its folder, but
    // only one that is ours by name and owner and too old to be another save's.
    void leftTemporaryFilesAreRemoved_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<bool>("otherOwner");
        QTest::addColumn<bool>("removed");
        QTest::newRow("ours, two minutes old") << ".tavelo-a1B2c3" << 120 << false << true;
        QTest::newRow("ours, a day old") << ".tavelo-ZZZZZZ" << 86400 << false << true;
        QTest::newRow("ours, being written") << ".tavelo-a1B2c3" << 0 << false << false;
        QTest::newRow("another user's") << ".tavelo-a1B2c3" << 120 << true << false;
        QTest::newRow("a longer name") << ".tavelo-a1B2c3d" << 120 << false << false;
        QTest::newRow("another prefix") << ".tavelx-a1B2c3" << 120 << false << false;
        QTest::newRow("a killed series save's") << ".series-a1B2c3" << 120 << false << true;
    }
    void leftTemporaryFilesAreRemoved() {
        QFETCH(QString, name);
        QFETCH(int, ageSeconds);
        QFETCH(bool, otherOwner);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        const QByteArray left = dir.filePath(name).toLocal8Bit();
        QFile file(QString::fromLocal8Bit(left));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("half a picture");
        file.close();
        if (otherOwner && (geteuid() != 0 || chown(left.constData(), 65534, 65534) != 0)) {
            QSKIP("only root can give a file to another user");
        }
        const timespec then[2] = {{time(nullptr) - ageSeconds, 0}, {time(nullptr) - ageSeconds, 0}};
        QCOMPARE(utimensat(AT_FDCWD, left.constData(), then, 0), 0);
        QCOMPARE(With(GradientImage(4, 4))
                     .SaveFile(dir.filePath("page.bmp"), PictureEngine::kFormatBmp, 24, 15, 0),
                 PIC_OK);
        QCOMPARE(QFileInfo::exists(QString::fromLocal8Bit(left)), !removed);
        QVERIFY(ReadAll(dir.filePath("page.bmp")).startsWith("BM"));
    }

    void releaseEmpties() {
        PictureEngine engine = With(GradientImage(4, 4));
        engine.Release();
        QVERIFY(!engine.HasPicture());
        QCOMPARE(engine.Width(), 0);
        QCOMPARE(engine.Bits(), 0);
        QCOMPARE(int(engine.Sharpen(100)), int(PIC_NO_PICTURE));
    }
};

QTEST_GUILESS_MAIN(TestPictureEngine)
#include "test_picture_engine.moc"
