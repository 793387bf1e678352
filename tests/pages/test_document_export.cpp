// Export PDF of the document pages, without a window: each page on its sheet's paper and
// filling it, its picture stored once (a JPEG's very bytes, black and white at one bit), a
// page of unknown paper fitted onto the chosen one, and a page that cannot be read left out.

#include <QBuffer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "DeskPages.h"
#include "pages/DocumentExport.h"
#include "picture/PictureResult.h"

using namespace tavelo;

namespace {

QString Run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(30000) && p.exitCode() == 0
               ? QString::fromUtf8(p.readAllStandardOutput())
               : QString();
}

// "595x842" for each page's media box, rounded to points.
QStringList MediaBoxes(const QString& pdf) {
    QStringList boxes;
    static const QRegularExpression box(
        "MediaBox:\\s+([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)");
    const QString info = Run("pdfinfo", {"-box", "-f", "1", "-l", "99", pdf});
    for (auto it = box.globalMatch(info); it.hasNext();) {
        const auto m = it.next();
        boxes << QStringLiteral("%1x%2")
                     .arg(qRound(m.captured(3).toDouble() - m.captured(1).toDouble()))
                     .arg(qRound(m.captured(4).toDouble() - m.captured(2).toDouble()));
    }
    return boxes;
}

// "jpeg 8" or "image 1": each picture's encoding and bits per component, as pdfimages lists.
QStringList Pictures(const QString& pdf) {
    QStringList pictures;
    const QStringList lines = Run("pdfimages", {"-list", pdf}).split('\n');
    for (const QString& line : lines.mid(2)) {
        const QStringList c = line.simplified().split(' ');
        if (c.size() > 9) {
            pictures << c[8] + ' ' + c[7];  // enc, bpc
        }
    }
    return pictures;
}

}  // namespace

class TestDocumentExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (QStandardPaths::findExecutable("pdfinfo").isEmpty() ||
            QStandardPaths::findExecutable("pdfimages").isEmpty()) {
            QSKIP("poppler-utils is not installed (scripts/setup installs it)");
        }
    }

    void pagesOnTheirPaper_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("look");
        QTest::addColumn<int>("fallback");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("picture");
        // The A4 sheet lies sideways, as the wide frame shows it largest: A4 across.
        QTest::newRow("A4 sheet, grey")
            << int(DeskCase::Ordinary) << int(PageLook::Grey) << int(QPageSize::Letter) << "842x595"
            << "jpeg 8";
        QTest::newRow("A4 sheet, black and white")
            << int(DeskCase::Ordinary) << int(PageLook::BlackWhite) << int(QPageSize::Letter)
            << "842x595"
            << "image 1";
        QTest::newRow("no sheet: fitted on Letter, turned")
            << int(DeskCase::NoPage) << int(PageLook::Grey) << int(QPageSize::Letter) << "792x612"
            << "jpeg 8";
        QTest::newRow("no sheet: fitted on A4, turned")
            << int(DeskCase::NoPage) << int(PageLook::Colour) << int(QPageSize::A4) << "842x595"
            << "jpeg 8";
    }
    void pagesOnTheirPaper() {
        QFETCH(int, kind);
        QFETCH(int, look);
        QFETCH(int, fallback);
        QFETCH(QString, box);
        QFETCH(QString, picture);
        QTemporaryDir dir;
        Sitting sitting;
        QVERIFY(sitting.Open(dir.filePath("root"), "run"));
        DocumentOptions options;
        options.look = PageLook(look);
        sitting.SetOptions(options);
        // Seed 11 lays an A4 sheet; seed 9 shows no sheet the finder could take for one.
        const std::uint32_t seed = DeskCase(kind) == DeskCase::NoPage ? 9 : 11;
        QVERIFY(test::AddDeskPage(sitting, dir.path(), seed, DeskCase(kind)));
        const QString path = dir.filePath("pages.pdf");
        // The page has not been looked for yet: the export does not wait for the finder.
        QCOMPARE(sitting.Page(0).outline.state, OutlineState::Unknown);
        QCOMPARE(ExportDocumentPdf(sitting, {0}, path, QPageSize::PageSizeId(fallback)),
                 std::int16_t(PIC_OK));
        QCOMPARE(MediaBoxes(path), QStringList{box});
        QCOMPARE(Pictures(path), QStringList{picture});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pdf = file.readAll();
        if (picture.startsWith("jpeg")) {
            // The very JPEG bytes of the document page, not a second encoding of them.
            const StraightPage page = SettledDocumentPage(sitting, 0);
            QByteArray jpeg;
            QBuffer buffer(&jpeg);
            QVERIFY(buffer.open(QIODevice::WriteOnly) && page.picture.save(&buffer, "JPEG", 85));
            QVERIFY(pdf.contains(jpeg));
        }
        QVERIFY(Run("pdfinfo", {path}).contains(QRegularExpression("Title:\\s+pages\\n")));
        QVERIFY(Run("pdfinfo", {path}).contains(QRegularExpression("Creator:\\s+Tavelo\\n")));
    }

    // A page whose picture cannot be read back is left out and named; the others go.
    void unreadablePageIsLeftOut() {
        QTemporaryDir dir;
        Sitting sitting;
        QVERIFY(sitting.Open(dir.filePath("root"), "run"));
        for (std::uint32_t seed : {2u, 6u, 8u}) {  // A4 sheets, lying sideways
            QVERIFY(test::AddDeskPage(sitting, dir.path(), seed, DeskCase::Ordinary));
        }
        QFile damaged(sitting.Store().DataPath(1));
        QVERIFY(damaged.resize(100));
        std::vector<int> skipped;
        std::vector<int> asked;
        const QString path = dir.filePath("pages.pdf");
        QCOMPARE(ExportDocumentPdf(
                     sitting, {2, 1, 0}, path, QPageSize::A4,
                     [&asked](int row) {
                         asked.push_back(row);
                         return QByteArray();
                     },
                     &skipped),
                 std::int16_t(PIC_OK));
        QCOMPARE(skipped, std::vector<int>{1});  // its place in the rows asked for
        QCOMPARE(asked, (std::vector<int>{2, 0}));
        QCOMPARE(MediaBoxes(path), (QStringList{"842x595", "842x595"}));
        skipped.clear();
        QCOMPARE(ExportDocumentPdf(sitting, {1}, path, QPageSize::A4, {}, &skipped),
                 std::int16_t(PIC_NO_PICTURE));
        QCOMPARE(MediaBoxes(path).size(), 2);  // the file that was there stays
    }
};

QTEST_MAIN(TestDocumentExport)
#include "test_document_export.moc"
