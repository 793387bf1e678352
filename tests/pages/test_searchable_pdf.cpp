// The searchable PDF: pictures stored once and without a second lossy encoding, pages of
// their paper, and the words read on them as invisible text where they lie, read back with
// qpdf's and poppler's tools.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "pages/PageReader.h"
#include "pages/PdfPicture.h"
#include "pages/ReaderSetup.h"
#include "pages/SearchablePdf.h"
#include "picture/PictureResult.h"
#include "support/TextPages.h"

using namespace tavelo;
using tavelo::test::Encoded;

namespace {

// A tool's standard output; `ok` says whether it ran and succeeded.
QString Run(const QString& tool, const QStringList& args, bool* ok = nullptr) {
    QProcess p;
    p.start(tool, args);
    const bool ran =
        p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (ok) {
        *ok = ran;
    }
    return ran ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

QByteArray RawStream(const QString& pdf, int object) {
    QProcess p;
    p.start("qpdf", {"--show-object=" + QString::number(object), "--raw-stream-data", pdf});
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

// The words' text layer of `picture`, read by the worker.
ReadReply Read(const QByteArray& file, int ppi) {
    PageReader reader(ReaderProgram(), 1);
    QSignalSpy finished(&reader, &PageReader::finished);
    reader.Read(file, ppi, "eng");
    if (!finished.wait(180000)) {
        return {};
    }
    return finished.at(0).at(0).value<ReadReply>();
}

QImage OnPaper(const QImage& text, QSize paper, QImage::Format format) {
    QImage page(paper, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter(&page).drawImage(40, 60, text);
    return page.convertToFormat(format);
}

}  // namespace

class TestSearchablePdf : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        for (const char* tool : {"qpdf", "pdftotext", "pdffonts", "pdfinfo", "pdfimages"}) {
            if (QStandardPaths::findExecutable(tool).isEmpty()) {
                QSKIP("qpdf or poppler-utils is not installed (scripts/setup installs them)");
            }
        }
    }

    void jpegFrames_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<int>("components");
        QImage colour(33, 17, QImage::Format_RGB32);
        colour.fill(QColor(200, 30, 90));
        QImage grey(33, 17, QImage::Format_Grayscale8);
        grey.fill(128);
        QTest::newRow("colour") << Encoded(colour, "JPEG", 80) << true << 3;
        QTest::newRow("grey") << Encoded(grey, "JPEG", 80) << true << 1;
        QTest::newRow("PNG") << Encoded(colour, "PNG") << false << 0;
        QTest::newRow("cut before the frame") << Encoded(colour, "JPEG").left(20) << false << 0;
        QTest::newRow("no file") << QByteArray() << false << 0;
    }
    void jpegFrames() {
        QFETCH(QByteArray, file);
        QFETCH(bool, kept);
        QFETCH(int, components);
        PdfPicture frame;
        QCOMPARE(ReadJpegFrame(file, &frame), kept);
        if (kept) {
            QCOMPARE(QSize(frame.width, frame.height), QSize(33, 17));
            QCOMPARE(frame.components, components);
        }
    }

    // Each kind of page: the picture stored as it came (a JPEG's very bytes, a black and
    // white page at one bit a pixel), the page of its paper, the words found by a viewer at
    // the places of the picture's words, and the text layer small.
    void pages_data() {
        QTest::addColumn<int>("kind");  // 0 JPEG file, 1 black and white PNG, 2 grey picture
        QTest::addColumn<QSizeF>("points");
        QTest::addColumn<QString>("paper");
        QTest::addColumn<int>("bits");
        QTest::newRow("JPEG on A4") << 0 << QSizeF(595.28, 841.89) << "A4" << 8;
        QTest::newRow("black and white on Letter") << 1 << QSizeF(612, 792) << "letter" << 1;
        QTest::newRow("grey picture at its size") << 2 << QSizeF() << "" << 8;
    }
    void pages() {
        QFETCH(int, kind);
        QFETCH(QSizeF, points);
        QFETCH(QString, paper);
        QFETCH(int, bits);
        constexpr int ppi = 150;
        const auto text = tavelo::test::RenderTextPage(
            31, ppi, QSizeF(4, 1.5), 12, tavelo::test::InstalledFamily({"DejaVu Serif"}));
        const QSize pixels = points.isEmpty() ? QSize(700, 400) : (points * ppi / 72.0).toSize();
        QImage picture;
        QByteArray file;
        if (kind == 0) {
            file = Encoded(OnPaper(text.picture, pixels, QImage::Format_RGB32), "JPEG", 85);
        } else if (kind == 1) {
            picture = OnPaper(text.picture, pixels, QImage::Format_Grayscale8);
            for (int y = 0; y < picture.height(); ++y) {
                uchar* row = picture.scanLine(y);
                for (int x = 0; x < picture.width(); ++x) {
                    row[x] = row[x] < 128 ? 0 : 255;
                }
            }
            file = Encoded(picture.convertToFormat(QImage::Format_Mono), "PNG");
            picture = QImage();
        } else {
            picture = OnPaper(text.picture, pixels, QImage::Format_Grayscale8);
        }
        const ReadReply reply = Read(file.isEmpty() ? Encoded(picture) : file, ppi);
        QCOMPARE(reply.status, ReadStatus::Read);

        QTemporaryDir dir;
        const QString withText = dir.filePath("text.pdf"), without = dir.filePath("plain.pdf");
        for (const QString& path : {withText, without}) {
            const bool layer = path == withText;
            QCOMPARE(WriteSearchablePdf(path, 1,
                                        [&](int, SearchablePage* page) {
                                            page->file = file;
                                            page->picture = picture;
                                            page->points = points;
                                            page->pixelsPerInch = ppi;
                                            page->textLayer =
                                                layer ? reply.textLayer : QByteArray();
                                            return true;
                                        }),
                     PIC_OK);
        }
        bool ok = false;
        const QString check = Run("qpdf", {"--check", withText}, &ok);
        QVERIFY2(ok, qPrintable(check));
        QVERIFY(check.contains("No syntax or stream encoding errors"));
        const QString fonts = Run("pdffonts", {withText});
        QVERIFY2(fonts.contains(QRegularExpression("GlyphLessFont\\s+CID TrueType\\s+Identity-H"
                                                   "\\s+yes\\s+\\w+\\s+yes")),
                 qPrintable(fonts));
        // The text as read: a phrase of three words of the page.
        const QString found = Run("pdftotext", {withText, "-"}).simplified();
        const QStringList words = text.text.split(' ');
        QVERIFY2(found.contains(words.mid(3, 3).join(' ')), qPrintable(found));
        QVERIFY(tavelo::test::CharacterErrorRate(text.text, found) < 0.03);
        QVERIFY(Run("pdftotext", {without, "-"}).simplified().isEmpty());
        // The page of its paper, or of the picture at its resolution.
        const QString info = Run("pdfinfo", {withText});
        const QSizeF size = points.isEmpty() ? QSizeF(pixels) * 72.0 / ppi : points;
        QVERIFY2(info.contains(QString("Page size:       %1 x %2 pts")
                                   .arg(size.width(), 0, 'g', 6)
                                   .arg(size.height(), 0, 'g', 6)),
                 qPrintable(info));
        QVERIFY(info.contains(paper));
        // The picture stored as it came.
        const QStringList images = Run("pdfimages", {"-list", withText}).split('\n');
        const QStringList image = images.value(2).simplified().split(' ');
        QCOMPARE(image.value(3).toInt(), pixels.width());
        QCOMPARE(image.value(4).toInt(), pixels.height());
        QCOMPARE(image.value(7).toInt(), bits);
        const int object = image.value(10).toInt();
        if (kind == 0) {
            QCOMPARE(image.value(8), QString("jpeg"));
            QCOMPARE(RawStream(withText, object), file);
        }
        // The text layer costs little.
        const qint64 layerBytes = QFileInfo(withText).size() - QFileInfo(without).size();
        QVERIFY2(layerBytes > 0 && layerBytes <= 15 * 1024,
                 qPrintable(QString::number(layerBytes)));
        // A viewer finds each word where the picture has it.
        const QString boxes = Run("pdftotext", {"-bbox", withText, "-"});
        const QRegularExpression word(
            "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">");
        const double scale = size.width() / pixels.width();
        int i = 0;
        for (auto it = word.globalMatch(boxes); it.hasNext() && i < reply.words.size(); ++i) {
            const auto m = it.next();
            const QRectF shown(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                               QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
            const QRect box = reply.words[i].box;
            const QRectF expected(box.x() * scale, box.y() * scale, box.width() * scale,
                                  box.height() * scale);
            QVERIFY2(std::abs(shown.left() - expected.left()) < 1.5 &&
                         std::abs(shown.right() - expected.right()) < 1.5 &&
                         expected.contains(QPointF(expected.center().x(), shown.center().y())),
                     qPrintable(QString("%1 at %2..%3, read at %4..%5")
                                    .arg(reply.words[i].text)
                                    .arg(shown.left())
                                    .arg(shown.right())
                                    .arg(expected.left())
                                    .arg(expected.right())));
        }
        QCOMPARE(i, int(reply.words.size()));
    }

    // Many pages carry the text layer's font once.
    void fontOnce() {
        const auto text = tavelo::test::RenderTextPage(
            41, 150, QSizeF(3, 1), 12, tavelo::test::InstalledFamily({"DejaVu Sans"}));
        const QByteArray file = Encoded(text.picture, "JPEG", 85);
        const ReadReply reply = Read(file, 150);
        QCOMPARE(reply.status, ReadStatus::Read);
        qint64 sizes[2] = {};
        for (int count : {1, 4}) {
            sizes[count / 4] = SearchablePdf(count, [&](int, SearchablePage* page) {
                                   page->file = file;
                                   page->pixelsPerInch = 150;
                                   page->textLayer = reply.textLayer;
                                   return true;
                               }).size();
        }
        QVERIFY(sizes[0] > file.size());
        const qint64 perPage = (sizes[1] - sizes[0]) / 3 - file.size();
        QVERIFY2(perPage < 2000, qPrintable(QString::number(perPage)));
    }

    void failures_data() {
        QTest::addColumn<bool>("pageThere");
        QTest::addColumn<QByteArray>("layer");
        QTest::addColumn<int>("result");
        QTest::newRow("no page") << false << QByteArray() << int(PIC_NO_PICTURE);
        QTest::newRow("layer no PDF")
            << true << QByteArray("%PDF-1.5 nonsense") << int(PIC_MALFORMED);
    }
    void failures() {
        QFETCH(bool, pageThere);
        QFETCH(QByteArray, layer);
        QFETCH(int, result);
        QTemporaryDir dir;
        const QString path = dir.filePath("old.pdf");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QCOMPARE(WriteSearchablePdf(path, 2,
                                    [&](int i, SearchablePage* page) {
                                        page->picture = picture;
                                        page->textLayer = i == 1 ? layer : QByteArray();
                                        return pageThere || i == 0;
                                    }),
                 result);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
    }
};

QTEST_MAIN(TestSearchablePdf)
#include "test_searchable_pdf.moc"
