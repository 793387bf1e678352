#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QtTest>

#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>
#include <functional>
#include <optional>

#include "device/DeskScene.h"
#include "device/SimulatedCamera.h"
#include "pages/ReaderSetup.h"

using namespace tavelo;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// `inChild` runs in the tool's process before it starts (limits for fault tests); `env`, when
// given, is the tool's whole environment.
Run RunCli(const QStringList& args, const std::function<void()>& inChild = {},
           const std::optional<QProcessEnvironment>& env = {}) {
    QProcess p;
    if (inChild) {
        p.setChildProcessModifier(inChild);
    }
    if (env) {
        p.setProcessEnvironment(*env);
    }
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

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// How much neighbouring pixels differ: the squares of the differences between each byte
// and the same channel of its left neighbour, summed. Sharpening steepens edges and raises
// it, softening spreads them and lowers it (a plain sum of differences barely moves when an
// edge is only spread).
double Edginess(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB888);
    double total = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int i = 3; i < 3 * image.width(); ++i) {
            const int d = line[i] - line[i - 3];
            total += d * d;
        }
    }
    return total;
}

// The JSON objects of the tool's lines; an empty list when a line is no JSON object.
QList<QJsonObject> JsonLines(const QString& out) {
    QList<QJsonObject> objects;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(line.toUtf8(), &error);
        if (error.error != QJsonParseError::NoError || !json.isObject()) {
            return {};
        }
        objects.append(json.object());
    }
    return objects;
}

// The tool's stderr without the notes Qt's platform layer prints on some machines (the desk
// scenes run it without a display).
QString WithoutQtNotes(const QString& err) {
    QString kept;
    for (const QString& line : err.split('\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith("QStandardPaths:")) {
            kept += line + '\n';
        }
    }
    return kept;
}

// A tool's standard output, empty when it failed.
QString ToolOutput(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// How far the corners of a --json line lie from the true ones, at most.
double CornerError(const QJsonObject& line, const std::array<QPointF, 4>& truth) {
    const QJsonArray corners = line["corners"].toArray();
    if (corners.size() != 4) {
        return 1e9;
    }
    double worst = 0;
    for (int i = 0; i < 4; ++i) {
        const QPointF found(corners[i][0].toDouble(), corners[i][1].toDouble());
        worst = std::max(worst, QLineF(found, truth[std::size_t(i)]).length());
    }
    return worst;
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
        QTest::addColumn<QSize>("raw");
        QTest::addColumn<QSize>("size");
        // Mode 2 pictures are written at the shape the application shows them.
        QTest::newRow("mode 2, rotation 0") << 2 << 0 << QSize(1280, 768) << QSize(960, 768);
        QTest::newRow("mode 2, rotation 1") << 2 << 1 << QSize(1024, 1024) << QSize(768, 960);
        QTest::newRow("mode 2, rotation 2") << 2 << 2 << QSize(1280, 768) << QSize(960, 768);
        QTest::newRow("mode 2, rotation 3") << 2 << 3 << QSize(1024, 1024) << QSize(768, 960);
        QTest::newRow("mode 3, rotation 0") << 3 << 0 << QSize(1280, 1024) << QSize(1280, 1024);
        QTest::newRow("mode 3, rotation 1") << 3 << 1 << QSize(1024, 1280) << QSize(1024, 1280);
        QTest::newRow("mode 3, rotation 2") << 3 << 2 << QSize(1280, 1024) << QSize(1280, 1024);
        QTest::newRow("mode 3, rotation 3") << 3 << 3 << QSize(1024, 1280) << QSize(1024, 1280);
    }

    // The file holds what the camera saw: pixel for pixel the page the camera rendered (for
    // mode 2 brought to its true shape), up to the rounding of the colour encoding. A
    // flipped, mirrored, turned or colour-swapped picture differs by far more.
    void captureShowsThePageUpright() {
        QFETCH(int, mode);
        QFETCH(int, rotation);
        QFETCH(QSize, raw);
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

        const std::vector<std::uint8_t> rendered =
            SimulatedCamera::RenderPage(raw.width(), raw.height(), rotation);
        const QImage page = QImage(rendered.data(), raw.width(), raw.height(), 3 * raw.width(),
                                   QImage::Format_BGR888)
                                .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_RGB888);
        image = image.convertToFormat(QImage::Format_RGB888);
        // Two pixels share one colour difference, so a colour edge inside a pair is off by
        // much; those are few. Everything else comes back within the encoding's rounding.
        long long total = 0;
        int farOff = 0;
        for (int y = 0; y < size.height(); y += 3) {
            const uchar* line = image.constScanLine(y);
            const uchar* want = page.constScanLine(y);
            for (int x = 0; x < size.width(); x += 3) {
                const int dr = std::abs(line[3 * x] - want[3 * x]);
                const int dg = std::abs(line[3 * x + 1] - want[3 * x + 1]);
                const int db = std::abs(line[3 * x + 2] - want[3 * x + 2]);
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

    // With --scene desk each capture is the next desk scene, drawn as shown (mode 2 here, so
    // the camera's stretch is undone on the way) and carrying the simulated page.
    void deskSceneCapturesTheNextScenes() {
        QTemporaryDir dir;
        const Run r = RunCli({"--simulate", "--scene", "desk", "--mode", "2", "capture", "--count",
                              "2", "-o", dir.filePath("desk.png")});
        QCOMPARE(r.exitCode, 0);
        for (int seed = 1; seed <= 2; ++seed) {
            const QImage image = QImage(dir.filePath(QString("desk-%1.png").arg(seed)))
                                     .convertToFormat(QImage::Format_RGB32);
            QCOMPARE(image.size(), QSize(960, 768));
            const QImage truth = RenderDeskScene(std::uint32_t(seed), 960, 768).picture;
            const QImage other = RenderDeskScene(std::uint32_t(3 - seed), 960, 768).picture;
            double error = 0, otherError = 0;
            for (int y = 4; y < 768; y += 16) {
                for (int x = 4; x < 960; x += 16) {
                    error += std::abs(qGray(image.pixel(x, y)) - qGray(truth.pixel(x, y)));
                    otherError += std::abs(qGray(image.pixel(x, y)) - qGray(other.pixel(x, y)));
                }
            }
            const double n = (768 / 16) * (960 / 16);
            QVERIFY2(error / n < 12, qPrintable(QString("mean error %1").arg(error / n)));
            QVERIFY2(otherError / n > 20, qPrintable(QString("other %1").arg(otherError / n)));
        }
    }

    void failuresEndWithTheirOwnCode_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        // Without --simulate the USB bus is searched; there is no camera on it here.
        QTest::newRow("no camera")
            << QStringList{"status"} << 2
            << "^tavelo-cli: (USB:Failed to transmit\\. no camera found: no attached device is "
               "marked by .* or matches a --usb-id VID:PID \\(find the ids with lsusb\\)|USB "
               "cannot be used .*)\n$";
        QTest::newRow("refused command") << QStringList{"--simulate", "send", "XX1  "} << 4
                                         << "^tavelo-cli: USB:Failed to communicate\\.\n$";
        QTest::newRow("too long, raw") << QStringList{"--simulate", "send", "--raw", "ZO+  xyz"}
                                       << 1 << "^tavelo-cli: a command has at most 7 characters\n$";
        QTest::newRow("not a command's shape")
            << QStringList{"--simulate", "send", "ZO+"} << 1
            << "^tavelo-cli: \"ZO\\+\" is not a camera command: two capital letters, a "
               "digit, \\+ or -, and two blanks, e\\.g\\. \"ZO\\+  \" \\(send --raw sends any "
               "text\\)\n$";
        QTest::newRow("any text, raw") << QStringList{"--simulate", "--raw", "send", "ZO+"} << 4
                                       << "^tavelo-cli: USB:Failed to communicate\\.\n$";
        QTest::newRow("raw for another command")
            << QStringList{"--simulate", "--raw", "status"} << 1
            << "^tavelo-cli: --raw belongs to send, not to status\n$";
        QTest::newRow("unknown argument")
            << QStringList{"--simulate", "--bogus"} << 1
            << "^tavelo-cli: unexpected argument \"--bogus\" \\(tavelo-cli --help lists them\\)\n$";
        QTest::newRow("scene unknown") << QStringList{"--simulate", "--scene", "sea", "status"} << 1
                                       << "^tavelo-cli: --scene \"sea\" is not chart or desk\n$";
        QTest::newRow("mode out of range") << QStringList{"--simulate", "--mode", "4", "status"}
                                           << 1 << "^tavelo-cli: --mode \"4\" is not 2 or 3\n$";
        QTest::newRow("folder missing")
            << QStringList{"--simulate", "capture", "-o", "/nonexistent-folder/page.bmp"} << 9
            << "^tavelo-cli: Failed to save the image\\. /nonexistent-folder/page\\.bmp: no such "
               "folder\n$";
        QTest::newRow("Q factor 1")
            << QStringList{"--simulate", "--q-factor", "1", "capture", "-o", "x.jpg"} << 1
            << "^tavelo-cli: --q-factor \"1\" is not a whole number from 2 to 255\n$";
        QTest::newRow("Q factor 256")
            << QStringList{"--simulate", "--q-factor", "256", "capture", "-o", "x.jpg"} << 1
            << "^tavelo-cli: --q-factor \"256\" is not a whole number from 2 to 255\n$";
        QTest::newRow("Q factor not a number")
            << QStringList{"--simulate", "--q-factor", "15x", "capture", "-o", "x.jpg"} << 1
            << "^tavelo-cli: --q-factor \"15x\" is not a whole number from 2 to 255\n$";
        QTest::newRow("Q factor without its value")
            << QStringList{"--simulate", "capture", "-o", "x.jpg", "--q-factor"} << 1
            << "^tavelo-cli: --q-factor needs a value: a whole number from 2 to 255\n$";
        QTest::newRow("sharpness 9")
            << QStringList{"--simulate", "--sharpness", "9", "capture", "-o", "x.bmp"} << 1
            << "^tavelo-cli: --sharpness \"9\" is not a whole number from 0 to 6\n$";
        QTest::newRow("sharpness -1")
            << QStringList{"--simulate", "--sharpness", "-1", "capture", "-o", "x.bmp"} << 1
            << "^tavelo-cli: --sharpness \"-1\" is not a whole number from 0 to 6\n$";
        QTest::newRow("timeout 0") << QStringList{"--simulate", "--timeout", "0", "status"} << 1
                                   << "^tavelo-cli: --timeout \"0\" is not a whole number of "
                                      "milliseconds from 1 to 600000\n$";
        QTest::newRow("malformed USB id")
            << QStringList{"--usb-id", "12345:ab", "devices"} << 1
            << "^tavelo-cli: --usb-id \"12345:ab\" is not VID:PID, one to four hex digits "
               "each \\(e\\.g\\. 1234:abcd\\)\n$";
        QTest::newRow("a Q factor for another command")
            << QStringList{"--simulate", "--q-factor", "20", "status"} << 1
            << "^tavelo-cli: --q-factor belongs to capture and convert, not to status\n$";
        QTest::newRow("capture without a file")
            << QStringList{"--simulate", "capture"} << 1
            << "^tavelo-cli: capture needs -o FILE, the file to write\n$";
        QTest::newRow("a file for another command")
            << QStringList{"--simulate", "-o", "x.bmp", "status"} << 1
            << "^tavelo-cli: -o belongs to capture and convert, not to status\n$";
        QTest::newRow("--all for another command")
            << QStringList{"--simulate", "--all", "status"} << 1
            << "^tavelo-cli: --all belongs to devices, not to status\n$";
        QTest::newRow("send without a text")
            << QStringList{"--simulate", "send"} << 1 << "^tavelo-cli: send needs the TEXT to send";
        QTest::newRow("no command")
            << QStringList{"--simulate"} << 1 << "^tavelo-cli: no command given: status, send TEXT";
        QTest::newRow("nothing at all") << QStringList{} << 1 << "^Usage: tavelo-cli";
        QTest::newRow("an extension it cannot write")
            << QStringList{"--simulate", "capture", "-o", "x.txt"} << 1
            << "^tavelo-cli: cannot write \"x\\.txt\": the extension must be one of "
               "\\.bmp \\.jpg \\.jpeg \\.png \\.pdf, or none for a JPEG\n$";
        QTest::newRow("a PDF name with a field")
            << QStringList{"--simulate", "capture", "-o", "x-{n}.pdf"} << 1 << "a PDF is one file";
        QTest::newRow("a field in the folder")
            << QStringList{"--simulate", "capture", "-o", "{date}/x.jpg"} << 1
            << "belong in the file name";
        QTest::newRow("count 0")
            << QStringList{"--simulate", "capture", "--count", "0", "-o", "x.jpg"} << 1
            << "^tavelo-cli: --count \"0\" is not a whole number from 1 to 100000\n$";
        QTest::newRow("interval below 0")
            << QStringList{"--simulate", "capture", "--interval", "-0.5", "-o", "x.jpg"} << 1
            << "^tavelo-cli: --interval \"-0\\.5\" is not a number of seconds from 0 to 86400\n$";
        QTest::newRow("interval not a number")
            << QStringList{"--simulate", "capture", "--interval", "nan", "-o", "x.jpg"} << 1
            << "^tavelo-cli: --interval \"nan\" is not a number of seconds";
        QTest::newRow("paper a5") << QStringList{"--simulate", "capture", "--paper",
                                                 "a5",         "-o",      "x.pdf"}
                                  << 1 << "^tavelo-cli: --paper \"a5\" is not a4 or letter\n$";
        QTest::newRow("a count for another command")
            << QStringList{"--simulate", "--count", "2", "status"} << 1
            << "^tavelo-cli: --count belongs to capture, not to status\n$";
        QTest::newRow("a count for convert")
            << QStringList{"convert", "--count", "2", "a.jpg", "-o", "x.pdf"} << 1
            << "^tavelo-cli: --count belongs to capture, not to convert\n$";
        QTest::newRow("--document for another command")
            << QStringList{"--simulate", "--document", "status"} << 1
            << "^tavelo-cli: --document belongs to capture and convert, not to status\n$";
        QTest::newRow("--json for another command")
            << QStringList{"--simulate", "send", "--json", "ZO+  "} << 1
            << "^tavelo-cli: --json belongs to capture and convert, not to send\n$";
        QTest::newRow("--ocr for another command")
            << QStringList{"--simulate", "--ocr", "eng", "status"} << 1
            << "^tavelo-cli: --ocr belongs to capture and convert, not to status\n$";
        QTest::newRow("look unknown")
            << QStringList{"--simulate", "capture", "--document", "--look", "sepia", "-o", "x.pdf"}
            << 1 << "^tavelo-cli: --look \"sepia\" is not colour, grey or bw\n$";
        QTest::newRow("look without --document")
            << QStringList{"--simulate", "capture", "--look", "bw", "-o", "x.pdf"} << 1
            << "^tavelo-cli: --look needs --document: the look is that of the page found\n$";
        QTest::newRow("a language not installed")
            << QStringList{"--simulate", "capture", "--ocr", "eng+xx", "-o", "x.pdf"} << 1
            << "^tavelo-cli: --ocr \"eng\\+xx\" is not an installed language, or several "
               "joined by \\+ \\(installed: ([a-z_]+, )*eng(, [a-z_]+)*\\)\n$";
        QTest::newRow("reading into a picture file")
            << QStringList{"--simulate", "capture", "--ocr", "eng", "-o", "x.jpg"} << 1
            << "^tavelo-cli: cannot write \"x\\.jpg\" with --ocr: the text goes into a \\.pdf, "
               "which becomes searchable, or a \\.txt of the text alone\n$";
        QTest::newRow("a text file's name with a field")
            << QStringList{"--simulate", "capture", "--ocr", "eng", "-o", "x-{n}.TXT"} << 1
            << "a text file is one file for all pictures";
        QTest::newRow("convert without pictures")
            << QStringList{"convert", "-o", "x.pdf"} << 1
            << "^tavelo-cli: convert needs the pictures to convert: convert IN\\.\\.\\. -o FILE\n$";
        QTest::newRow("convert without a file")
            << QStringList{"convert", "a.jpg"} << 1
            << "^tavelo-cli: convert needs -o FILE, the file to write\n$";
        QTest::newRow("convert a picture that is not there")
            << QStringList{"convert", "/nonexistent-folder/a.jpg", "-o", "x.pdf"} << 10
            << "^tavelo-cli: Failed to load the image\\. ! /nonexistent-folder/a\\.jpg: no such "
               "file\n$";
        QTest::newRow("convert a file that is no picture")
            << QStringList{"convert", "--document", QStringLiteral(TAVELO_CLI), "-o",
                           "/nonexistent-folder/x.png"}
            << 10
            << "^tavelo-cli: Failed to load the image\\. ! .*tavelo-cli: not a BMP, JPEG or PNG "
               "picture\n$";
    }

    void failuresEndWithTheirOwnCode() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const Run r = RunCli(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(QRegularExpression(message)), qPrintable(r.err));
    }

    // Only the extension chooses the format, in any case: .bmp a BMP, .png a PNG, .jpg,
    // .jpeg or none a JPEG (a PDF has a test of its own, other extensions are refused).
    void formatByExtension_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("format");
        QTest::newRow(".bmp") << "page.bmp"
                              << "BMP";
        QTest::newRow(".Bmp") << "page.Bmp"
                              << "BMP";
        QTest::newRow(".BMP") << "page.BMP"
                              << "BMP";
        QTest::newRow(".jpg") << "page.jpg"
                              << "JPEG";
        QTest::newRow(".jpeg") << "page.jpeg"
                               << "JPEG";
        QTest::newRow(".JPG") << "page.JPG"
                              << "JPEG";
        QTest::newRow("no extension") << "page"
                                      << "JPEG";
        QTest::newRow(".bmp.jpg") << "page.bmp.jpg"
                                  << "JPEG";
        QTest::newRow(".png") << "page.png"
                              << "PNG";
        QTest::newRow(".Png") << "page.Png"
                              << "PNG";
    }

    void formatByExtension() {
        QFETCH(QString, name);
        QFETCH(QString, format);
        QTemporaryDir dir;
        const QString file = dir.filePath(name);
        const Run r = RunCli({"--simulate", "capture", "-o", file});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QString("%1: 1280 x 1024 %2\n").arg(file, format));
        const QByteArray bytes = ReadAll(file);
        QCOMPARE(bytes.startsWith("BM"), format == "BMP");
        QCOMPARE(bytes.startsWith(QByteArray("\xFF\xD8\xFF", 3)), format == "JPEG");
        QCOMPARE(bytes.startsWith(QByteArray("\x89PNG\r\n\x1A\n", 8)), format == "PNG");
        QCOMPARE(QImage::fromData(bytes).size(), QSize(1280, 1024));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{name});  // no leftovers
    }

    // The Q factor is the JPEG's quality: lower is better and larger. A BMP does not use it.
    void qFactorChangesTheJpegSize() {
        QTemporaryDir dir;
        QMap<int, qint64> sizes;
        for (int q : {2, 15, 100, 255}) {
            const QString file = dir.filePath(QString("q%1.jpg").arg(q));
            QCOMPARE(RunCli({"--simulate", "--q-factor", QString::number(q), "capture", "-o", file})
                         .exitCode,
                     0);
            sizes[q] = QFileInfo(file).size();
        }
        QVERIFY2(sizes[2] > sizes[15] && sizes[15] > sizes[100] && sizes[100] > sizes[255],
                 qPrintable(QString("%1 %2 %3 %4")
                                .arg(sizes[2])
                                .arg(sizes[15])
                                .arg(sizes[100])
                                .arg(sizes[255])));
        // Without the option the Q factor is 15.
        QCOMPARE(RunCli({"--simulate", "capture", "-o", dir.filePath("default.jpg")}).exitCode, 0);
        QCOMPARE(ReadAll(dir.filePath("default.jpg")), ReadAll(dir.filePath("q15.jpg")));
        QCOMPARE(RunCli({"--simulate", "--q-factor", "2", "capture", "-o", dir.filePath("a.bmp")})
                     .exitCode,
                 0);
        QCOMPARE(RunCli({"--simulate", "--q-factor", "255", "capture", "-o", dir.filePath("b.bmp")})
                     .exitCode,
                 0);
        QCOMPARE(ReadAll(dir.filePath("a.bmp")), ReadAll(dir.filePath("b.bmp")));
    }

    // The sharpness position changes the pixels the way the slider does: 3 leaves the picture
    // as captured (as no option does), above 3 sharpens, below 3 softens, further with each
    // step.
    void sharpnessChangesThePixels() {
        QTemporaryDir dir;
        QMap<int, double> edges;
        QMap<int, QImage> pictures;
        for (int index : {0, 2, 3, 4, 6}) {
            const QString file = dir.filePath(QString("s%1.bmp").arg(index));
            QCOMPARE(RunCli({"--simulate", "--mode", "2", "--sharpness", QString::number(index),
                             "capture", "-o", file})
                         .exitCode,
                     0);
            pictures[index] = QImage(file);
            QCOMPARE(pictures[index].size(), QSize(960, 768));
            edges[index] = Edginess(pictures[index]);
        }
        QCOMPARE(RunCli({"--simulate", "--mode", "2", "capture", "-o", dir.filePath("none.bmp")})
                     .exitCode,
                 0);
        QCOMPARE(ReadAll(dir.filePath("none.bmp")), ReadAll(dir.filePath("s3.bmp")));
        QVERIFY2(edges[0] < edges[2] && edges[2] < edges[3] && edges[3] < edges[4] &&
                     edges[4] < edges[6],
                 qPrintable(QString("%1 %2 %3 %4 %5")
                                .arg(edges[0])
                                .arg(edges[2])
                                .arg(edges[3])
                                .arg(edges[4])
                                .arg(edges[6])));
    }

    // A series: each picture under the next name of the pattern, the number going on after
    // the highest one in the folder, no file replaced. A plain name takes "-{n}" before its
    // extension. A failure ends the run with its own code and keeps what was written: here
    // the second name of the series is one character too long for the file system.
    void seriesNeverOverwrites_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("links");  // false: a file system without hard links
        const QString longName = QString(250, 'x');
        QTest::newRow("pattern, after the highest number")
            << "page-{n:03}.bmp" << QStringList{"page-002.bmp", "page-007.BMP", "page-009.jpg"}
            << QStringList{"--count", "3", "--interval", "0.2"}
            << QStringList{"page-008.bmp", "page-009.bmp", "page-010.bmp"} << 0 << true;
        QTest::newRow("plain name, three pictures")
            << "scan.png" << QStringList{"scan.png"} << QStringList{"--count", "3"}
            << QStringList{"scan-1.png", "scan-2.png", "scan-3.png"} << 0 << true;
        QTest::newRow("pattern, one picture") << "{n}.jpg" << QStringList{"41.jpg"} << QStringList{}
                                              << QStringList{"42.jpg"} << 0 << true;
        QTest::newRow("fails on the second")
            << longName + "{n}.jpg" << QStringList{longName + "8.jpg"}
            << QStringList{"--count", "3"} << QStringList{longName + "9.jpg"} << 9 << true;
        QTest::newRow("two pictures without hard links")
            << "page-{n:03}.jpg" << QStringList{"page-001.jpg"} << QStringList{"--count", "2"}
            << QStringList{"page-002.jpg", "page-003.jpg"} << 0 << false;
    }
    void seriesNeverOverwrites() {
        QFETCH(QString, pattern);
        QFETCH(QStringList, present);
        QFETCH(QStringList, options);
        QFETCH(QStringList, written);
        QFETCH(int, exitCode);
        QFETCH(bool, links);
        QTemporaryDir dir;
        const QByteArray old = "an older picture";
        for (const QString& name : present) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(old), old.size());
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!links) {
            env.insert("LD_PRELOAD", TAVELO_NO_LINKS_PRELOAD);
            env.insert("TAVELO_REFUSE_LINKS", "1");
        }
        const Run r =
            RunCli(QStringList{"--simulate", "capture"} + options << "-o" << dir.filePath(pattern),
                   {}, env);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.err, exitCode == 0 ? QString()
                                      : QString("tavelo-cli: Failed to save the image. %1: File "
                                                "name too long\n")
                                            .arg(dir.filePath(pattern)));
        QString lines;
        for (const QString& name : written) {
            const QString suffix = QFileInfo(name).suffix();
            const QString format = suffix == "bmp" ? "BMP" : suffix == "png" ? "PNG" : "JPEG";
            lines += QString("%1: 1280 x 1024 %2\n").arg(dir.filePath(name), format);
            QImageReader reader(dir.filePath(name));
            QCOMPARE(reader.format(), format.toLower().toLatin1());
            QCOMPARE(reader.read().size(), QSize(1280, 1024));
        }
        QCOMPARE(r.out, lines);
        for (const QString& name : present) {
            QCOMPARE(ReadAll(dir.filePath(name)), old);
        }
        QStringList all = present + written;
        all.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), all);
    }

    // Every picture of the run a page of one PDF, on the paper asked for and turned to the
    // picture's shape; no display is needed for it.
    void pdfOfTheRun() {
        if (QStandardPaths::findExecutable("pdfinfo").isEmpty()) {
            QSKIP("poppler's pdfinfo is not installed (scripts/setup installs it)");
        }
        QTemporaryDir dir;
        const QString file = dir.filePath("pages.pdf");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            env.remove(name);
        }
        const Run r = RunCli({"--simulate", "--rotation", "1", "capture", "--count", "3", "--paper",
                              "letter", "-o", file},
                             {}, env);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        QString lines;
        for (int page = 1; page <= 3; ++page) {
            lines += QString("%1: 1024 x 1280 PDF page %2 of 3\n").arg(file).arg(page);
        }
        QCOMPARE(r.out, lines);
        QProcess info;
        info.start("pdfinfo", {"-f", "1", "-l", "3", file});
        QVERIFY(info.waitForFinished(30000));
        const QString text = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(text.contains(QRegularExpression("Pages:\\s+3\n")), qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression("Title:\\s+pages\n")), qPrintable(text));
        QCOMPARE(text.count(QRegularExpression("Page\\s+\\d size:\\s+612 x 792 pts \\(letter\\)")),
                 3);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"pages.pdf"});
    }

    // A disk that fills up while the picture is written, a file-size limit whose signal
    // nobody ignored, or a name that is a FIFO or a device: what was there stays as it was,
    // nothing else is left behind, and the tool ends with the save's code.
    void failedWriteKeepsTheOldFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("ignoreSignal");
        QTest::addColumn<QString>("why");
        QTest::newRow("BMP, disk full") << "page.bmp"
                                        << "file" << true << "file-size limit";
        QTest::newRow("JPEG, disk full") << "page.jpg"
                                         << "file" << true << "file-size limit";
        QTest::newRow("file-size limit and its signal") << "page.bmp"
                                                        << "file" << false << "file-size limit";
        QTest::newRow("onto a FIFO") << "page.bmp"
                                     << "fifo" << true << "not a regular file";
        QTest::newRow("onto a device node") << "page.jpg"
                                            << "device" << true << "not a regular file";
        QTest::newRow("PDF, disk full") << "page.pdf"
                                        << "file" << true << "file-size limit";
        QTest::newRow("PDF, file-size limit and its signal")
            << "page.pdf"
            << "file" << false << "file-size limit";
        QTest::newRow("PDF onto a FIFO") << "fifo.pdf"
                                         << "fifo" << true << "not a regular file";
        QTest::newRow("PDF onto a link to a FIFO") << "page.pdf"
                                                   << "link" << true << "not a regular file";
        QTest::newRow("PDF onto a device node") << "page.pdf"
                                                << "device" << true << "not a regular file";
    }

    void failedWriteKeepsTheOldFile() {
        QFETCH(QString, name);
        QFETCH(QString, target);
        QFETCH(bool, ignoreSignal);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const QString file = dir.filePath(name);
        const QByteArray node = (target == "link" ? dir.filePath("fifo") : file).toLocal8Bit();
        const QByteArray old = QByteArray("an older picture, which must survive ").repeated(50);
        mode_t type = S_IFREG;
        if (target == "fifo" || target == "link") {
            QCOMPARE(mkfifo(node.constData(), 0666), 0);
            type = S_IFIFO;
        } else if (target == "device") {
            // A null device of our own: a mistake here must not cost the machine its own.
            if (mknod(node.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
                QSKIP("only root can make a device node");
            }
            type = S_IFCHR;
        } else {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(old), old.size());
        }
        if (target == "link") {
            QVERIFY(QFile::link(QString::fromLocal8Bit(node), file));
        }
        const QStringList before =
            QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        const bool limited = target == "file";
        const Run r = RunCli({"--simulate", "capture", "-o", file}, [ignoreSignal, limited] {
            signal(SIGXFSZ, ignoreSignal ? SIG_IGN : SIG_DFL);
            if (limited) {
                rlimit limit{};
                getrlimit(RLIMIT_FSIZE, &limit);
                limit.rlim_cur = 4096;
                setrlimit(RLIMIT_FSIZE, &limit);
            }
        });
        QCOMPARE(r.exitCode, 9);
        QCOMPARE(r.err, QString("tavelo-cli: Failed to save the image. %1: %2\n").arg(file, why));
        struct stat st {};
        QCOMPARE(stat(node.constData(), &st), 0);
        QCOMPARE(st.st_mode & S_IFMT, type);
        if (type == S_IFREG) {
            QCOMPARE(ReadAll(file), old);
        }
        QCOMPARE(
            QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            before);
    }

    // Document pages end to end, through the tool: the page found in each picture, its
    // corners where the scene put them (in the pixels of the picture as shown), each PDF page
    // of its paper, JSON lines for the pages in order, and the text read off the page.
    // "DIR/" in the arguments is the test's folder; `before` runs first (a series to convert).
    void documentRuns_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QList<int>>("seeds");    // the desk scenes of the pages, in order
        QTest::addColumn<QStringList>("inputs");  // convert: "input" of each line
        QTest::addColumn<QString>("reader");      // TAVELO_READER when not empty
        QTest::addColumn<QString>("err");         // stderr, a pattern
        QTest::newRow("capture, three A4 pages into a PDF")
            << QStringList{}
            << QStringList{"--simulate", "--scene", "desk", "capture", "--document",
                           "--json",     "--count", "3",    "-o",      "DIR/x.pdf"}
            << "x.pdf" << QList<int>{1, 2, 3} << QStringList{} << ""
            << "^$";
        QTest::newRow("convert a series, in the order given")
            << QStringList{"--simulate", "--scene", "desk", "capture",
                           "--count",    "2",       "-o",   "DIR/desk.jpg"}
            << QStringList{"convert",        "--document", "--json",     "DIR/desk-2.jpg",
                           "DIR/desk-1.jpg", "-o",         "DIR/doc.pdf"}
            << "doc.pdf" << QList<int>{2, 1} << QStringList{"desk-2.jpg", "desk-1.jpg"} << ""
            << "^$";
        QTest::newRow("the text of two pages")
            << QStringList{}
            << QStringList{"--simulate", "--scene", "desk",    "capture", "--document", "--ocr",
                           "eng",        "--json",  "--count", "2",       "-o",         "DIR/x.txt"}
            << "x.txt" << QList<int>{1, 2} << QStringList{} << ""
            << "^$";
        QTest::newRow("a searchable PDF")
            << QStringList{}
            << QStringList{"--simulate", "--scene", "desk",   "capture", "--document",
                           "--ocr",      "eng",     "--json", "-o",      "DIR/x.pdf"}
            << "x.pdf" << QList<int>{1} << QStringList{} << ""
            << "^$";
        QTest::newRow("a searchable PDF of a sheet lying sideways, turned upright")
            << QStringList{}
            << QStringList{"--simulate", "--scene", "desk",    "capture", "--document", "--ocr",
                           "eng",        "--json",  "--count", "2",       "-o",         "DIR/x.pdf"}
            << "x.pdf" << QList<int>{1, 2} << QStringList{} << ""
            << "^$";
        QTest::newRow("no reader: the pages without text")
            << QStringList{}
            << QStringList{"--simulate", "--scene", "desk",    "capture", "--document", "--ocr",
                           "eng",        "--json",  "--count", "2",       "-o",         "DIR/x.pdf"}
            << "x.pdf" << QList<int>{1, 2} << QStringList{} << "/nonexistent/tavelo-reader"
            << "^tavelo-cli: page 1 could not be read: the reader \\(tavelo-reader\\) could "
               "not be started; it is written without text\ntavelo-cli: page 2 could not be "
               "read: .*\n$";
    }
    void documentRuns() {
        QFETCH(QStringList, before);
        QFETCH(QStringList, args);
        QFETCH(QString, output);
        QFETCH(QList<int>, seeds);
        QFETCH(QStringList, inputs);
        QFETCH(QString, reader);
        QFETCH(QString, err);
        if (QStandardPaths::findExecutable("pdfinfo").isEmpty()) {
            QSKIP("poppler's pdfinfo is not installed (scripts/setup installs it)");
        }
        QTemporaryDir dir;
        const auto inDir = [&](QStringList list) {
            list.replaceInStrings(QRegularExpression("^DIR/"), dir.path() + '/');
            return list;
        };
        if (!before.isEmpty()) {
            QCOMPARE(RunCli(inDir(before)).exitCode, 0);
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!reader.isEmpty()) {
            env.insert("TAVELO_READER", reader);
        }
        const Run r = RunCli(inDir(args), {}, env);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(WithoutQtNotes(r.err).contains(QRegularExpression(err)), qPrintable(r.err));
        const QString file = dir.filePath(output);
        const QList<QJsonObject> lines = JsonLines(r.out);
        QCOMPARE(lines.size(), seeds.size());
        const bool read = args.contains("--ocr") && reader.isEmpty();
        QStringList truths;
        for (int i = 0; i < lines.size(); ++i) {
            const QJsonObject& line = lines[i];
            QCOMPARE(line["file"].toString(), file);
            QCOMPARE(line["page"].toInt(), i + 1);
            QCOMPARE(line["pages"].toInt(), int(seeds.size()));
            QCOMPARE(line["input"].toString(),
                     inputs.isEmpty() ? QString() : dir.filePath(inputs[i]));
            QVERIFY(line["width"].toInt() > 1280 && line["height"].toInt() > 1024);
            const DeskScene scene = RenderDeskScene(std::uint32_t(seeds[i]), 1280, 1024);
            truths.append(scene.text);
            QCOMPARE(line["found"].toBool(), true);
            QVERIFY2(CornerError(line, scene.corners) < 12,
                     qPrintable(QJsonDocument(line).toJson(QJsonDocument::Compact)));
            // The first two scenes lie on A4 sheets (the third one's is not).
            if (seeds[i] <= 2) {
                QCOMPARE(line["paper"].toString(), QString("A4"));
            }
            QCOMPARE(line.contains("words"), read);
            if (read) {
                QVERIFY(line["words"].toInt() > 20);
                QVERIFY(line["text_confidence"].toDouble() > 0.5);
            }
        }
        // The text file's pages are apart by a form feed; pdftotext ends each page with one.
        const bool textFile = output.endsWith(".txt");
        QString text;
        if (textFile) {
            text = QString::fromUtf8(ReadAll(file));
        } else {
            const QString info =
                ToolOutput("pdfinfo", {"-f", "1", "-l", QString::number(seeds.size()), file});
            QVERIFY2(info.contains(QRegularExpression(QString("Pages:\\s+%1\n").arg(seeds.size()))),
                     qPrintable(info));
            // Each page of its paper, filled; of no paper, the picture at 200 pixels per inch.
            const QRegularExpression pageSize("Page\\s+(\\d) size:\\s+([\\d.]+) x ([\\d.]+) pts");
            int sized = 0;
            for (auto it = pageSize.globalMatch(info); it.hasNext(); ++sized) {
                const auto m = it.next();
                const QJsonObject& line = lines[m.captured(1).toInt() - 1];
                const QMap<QString, QSizeF> papers = {
                    {"A4", {595.276, 841.89}}, {"Letter", {612, 792}}, {"Legal", {612, 1008}}};
                QSizeF want =
                    papers.value(line["paper"].toString(),
                                 QSizeF(line["width"].toInt(), line["height"].toInt()) * 0.36);
                // A sheet lying sideways stays so unless it is read, and so turned upright.
                if (!(read && CanDetectOrientation()) &&
                    line["width"].toInt() > line["height"].toInt() &&
                    want.height() > want.width()) {
                    want.transpose();
                }
                QVERIFY2(std::abs(m.captured(2).toDouble() - want.width()) < 0.01 &&
                             std::abs(m.captured(3).toDouble() - want.height()) < 0.01,
                         qPrintable(m.captured(0)));
            }
            QCOMPARE(sized, int(seeds.size()));
            text = ToolOutput("pdftotext", {file, "-"});
            // The words lie on the picture as turned: their boxes run across the page.
            const QRegularExpression word(
                "xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                "yMax=\"([\\d.]+)\">\\w{5,}<");
            int across = 0, words = 0;
            for (auto it = word.globalMatch(ToolOutput("pdftotext", {"-bbox", file, "-"}));
                 it.hasNext(); ++words) {
                const auto m = it.next();
                across += m.captured(3).toDouble() - m.captured(1).toDouble() >
                          m.captured(4).toDouble() - m.captured(2).toDouble();
            }
            QVERIFY2(!read || (words > 20 && across > 0.9 * words),
                     qPrintable(QString("%1 of %2 words across").arg(across).arg(words)));
        }
        if (!read) {
            QCOMPARE(text.simplified(), QString());
            return;
        }
        QCOMPARE(text.count('\f'), int(seeds.size()) - (textFile ? 1 : 0));
        // A phrase of each page's true text, read back.
        for (const QString& truth : truths) {
            const QStringList words = truth.simplified().split(' ');
            QVERIFY(words.size() > 12);
            QVERIFY2(text.simplified().contains(words.mid(8, 3).join(' ')), qPrintable(text));
        }
    }

    // convert --document on a picture file: each look, and a desk with no page on it (the
    // whole picture kept, told, and no failure). Without --document the lines tell no outline.
    void convertLooks_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("look");  // of the picture written: colour, grey or bw
        QTest::addColumn<bool>("found");
        QTest::newRow("grey, the default")
            << int(DeskCase::Ordinary) << QStringList{"--document"} << "grey" << true;
        QTest::newRow("colour") << int(DeskCase::Ordinary)
                                << QStringList{"--document", "--look", "colour"} << "colour"
                                << true;
        QTest::newRow("black and white")
            << int(DeskCase::Ordinary) << QStringList{"--document", "--look", "bw"} << "bw" << true;
        QTest::newRow("no page on the desk")
            << int(DeskCase::NoPage) << QStringList{"--document"} << "grey" << false;
        QTest::newRow("without --document")
            << int(DeskCase::Ordinary) << QStringList{} << "colour" << false;
    }
    void convertLooks() {
        QFETCH(int, kind);
        QFETCH(QStringList, options);
        QFETCH(QString, look);
        QFETCH(bool, found);
        QTemporaryDir dir;
        const DeskScene scene = RenderDeskScene(5, 1280, 1024, DeskCase(kind));
        const QString input = dir.filePath("desk.png"), output = dir.filePath("page.png");
        QVERIFY(scene.picture.save(input));
        const bool document = options.contains("--document");
        const Run r = RunCli(QStringList{"convert", "--json"} + options << input << "-o" << output);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, document && !found ? QString("tavelo-cli: %1: No page edge found; the "
                                                     "whole picture is kept\n")
                                                 .arg(input)
                                           : QString());
        const QList<QJsonObject> lines = JsonLines(r.out);
        QCOMPARE(lines.size(), 1);
        const QImage page(output);
        QCOMPARE(QSize(lines[0]["width"].toInt(), lines[0]["height"].toInt()), page.size());
        QCOMPARE(lines[0].contains("corners"), document);
        if (!document) {
            QCOMPARE(page.size(), QSize(1280, 1024));
        } else if (found) {
            QCOMPARE(lines[0]["found"].toBool(), true);
            QVERIFY(CornerError(lines[0], scene.corners) < 12);
        } else {
            QCOMPARE(lines[0]["found"].toBool(), false);
            QVERIFY(CornerError(lines[0], {QPointF(0, 0), QPointF(1280, 0), QPointF(1280, 1024),
                                           QPointF(0, 1024)}) < 1);
        }
        // The look: grey and black and white pages are grey, black and white ones of two values.
        QSet<int> values;
        for (int y = 0; y < page.height(); y += 3) {
            for (int x = 0; x < page.width(); x += 3) {
                const QRgb pixel = page.pixel(x, y);
                values.insert(qGray(pixel));
                QVERIFY(look == "colour" ||
                        (qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel)));
            }
        }
        QCOMPARE(page.allGray(), look != "colour");
        QCOMPARE(values.size() <= 2, look == "bw");
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

QTEST_MAIN(TestCli)
#include "test_cli.moc"
