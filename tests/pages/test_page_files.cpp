// The files of a sitting's pages: series names that never overwrite, and the multi-page
// PDF, read back with poppler's tools.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "pages/PdfPages.h"
#include "pages/SeriesNames.h"
#include "picture/PictureResult.h"
#include "support/FileFaults.h"

using namespace tavelo;

namespace {

const QDateTime kWhen(QDate(2026, 3, 4), QTime(5, 6, 7));

bool Touch(const QString& path, const QByteArray& bytes = "old") {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A tool's standard output, or an empty text when it is missing or fails.
QString Run(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QImage Picture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixelColor(x, y, QColor(x % 256, y % 256, (x ^ y) % 256));
        }
    }
    return image;
}

}  // namespace

class TestPageFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void names_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fields");
        QTest::newRow("default") << "page-{n:03}" << 7 << "page-007.JPG" << true;
        QTest::newRow("wider than padding") << "page-{n:03}" << 1234 << "page-1234.JPG" << true;
        QTest::newRow("plain number") << "scan{n}" << 12 << "scan12.JPG" << true;
        QTest::newRow("date and time")
            << "{date}_{time}_{n:02}" << 3 << "2026-03-04_05-06-07_03.JPG" << true;
        QTest::newRow("no number gets one") << "letter" << 2 << "letter-2.JPG" << false;
        QTest::newRow("no folders in a name") << "../x/{n}" << 1 << ".._x_1.JPG" << true;
        QTest::newRow("empty") << "" << 1 << "page-1.JPG" << false;
        QTest::newRow("other braces are text") << "{x}{n:0}" << 4 << "{x}{n:0}-4.JPG" << false;
    }
    void names() {
        QFETCH(QString, pattern);
        QFETCH(int, number);
        QFETCH(QString, name);
        QFETCH(bool, fields);
        const SeriesPattern p(pattern);
        QCOMPARE(p.Name(number, "JPG", kWhen), name);
        QCOMPARE(p.NumberOf(name, "JPG"), number);  // the name is read back as its number
        QCOMPARE(SeriesPattern::HasFields(pattern), fields);
    }

    // The counter continues after the highest number of the pattern's names: gaps stay,
    // other names and other formats do not count.
    void nextNumber_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<int>("next");
        QTest::newRow("empty folder") << "page-{n:03}" << QStringList() << 1;
        QTest::newRow("gap stays")
            << "page-{n:03}" << QStringList{"page-001.JPG", "page-003.JPG"} << 4;
        QTest::newRow("any case of extension")
            << "page-{n:03}" << QStringList{"page-009.jpg"} << 10;
        QTest::newRow("unpadded by hand") << "page-{n:03}" << QStringList{"page-41.JPG"} << 42;
        QTest::newRow("other names and formats")
            << "page-{n:03}"
            << QStringList{"page-005.BMP", "page-005.JPG.bak", "xpage-007.JPG", "page-abc.JPG"}
            << 1;
        // A name ending in "/" is made a folder, which is no picture.
        QTest::newRow("a folder does not count")
            << "page-{n:03}" << QStringList{"page-002.JPG", "page-009.JPG/"} << 3;
        // Numbers past nine digits are no page numbers of ours: the series goes on after the
        // highest page, never past the largest number there is.
        QTest::newRow("numbers too large for a page")
            << "page-{n:03}"
            << QStringList{"page-004.JPG", "page-2147483647.JPG", "page-99999999999.JPG"} << 5;
        QTest::newRow("other days count")
            << "{date}-{n}" << QStringList{"2025-12-31-8.JPG", "2026-01-02-2.JPG"} << 9;
    }
    void nextNumber() {
        QFETCH(QString, pattern);
        QFETCH(QStringList, present);
        QFETCH(int, next);
        QTemporaryDir dir;
        for (const QString& name : present) {
            QVERIFY(name.endsWith('/') ? QDir(dir.path()).mkdir(name) : Touch(dir.filePath(name)));
        }
        QCOMPARE(NextSeriesNumber(dir.path(), SeriesPattern(pattern), "JPG"), next);
    }

    // Another writer takes the name between the check and the creation: its file stays as
    // it was and the picture goes under the next name, on a file system with hard links and
    // on one without (FAT, exFAT), where the name is claimed by an exclusive creation.
    void createNeverOverwrites_data() {
        QTest::addColumn<bool>("links");
        QTest::newRow("hard links") << true;
        QTest::newRow("no hard links") << false;
    }
    void createNeverOverwrites() {
        QFETCH(bool, links);
        QTemporaryDir dir;
        if (!links) {
            qputenv("TAVELO_REFUSE_LINKS", "1");
            // The preloaded stand-in for such a file system is there, or the row proves nothing.
            const QByteArray probe = dir.filePath("probe").toLocal8Bit();
            QVERIFY(Touch(QString::fromLocal8Bit(probe)));
            QCOMPARE(::link(probe.constData(), (probe + "2").constData()), -1);
            QCOMPARE(errno, EPERM);
            QVERIFY(QFile::remove(QString::fromLocal8Bit(probe)));
        }
        const mode_t oldMask = ::umask(022);
        const SeriesPattern pattern("page-{n:03}");
        QVERIFY(Touch(dir.filePath("page-001.JPG")));
        // A temporary file a killed series save left, old enough to be no save's any more.
        const QByteArray left = dir.filePath(".series-Ab12Cd").toLocal8Bit();
        QVERIFY(Touch(QString::fromLocal8Bit(left)));
        const timespec then[2] = {{time(nullptr) - 120, 0}, {time(nullptr) - 120, 0}};
        QCOMPARE(utimensat(AT_FDCWD, left.constData(), then, 0), 0);
        const int next = NextSeriesNumber(dir.path(), pattern, "JPG");
        QCOMPARE(next, 2);
        QVERIFY(Touch(dir.filePath("page-002.JPG"), "theirs"));  // appears meanwhile
        const QString path = CreateSeriesFile(dir.path(), pattern, "JPG", next, "ours");
        const QString second = CreateSeriesFile(dir.path(), pattern, "JPG", next, "more");
        qunsetenv("TAVELO_REFUSE_LINKS");
        ::umask(oldMask);
        QCOMPARE(path, dir.filePath("page-003.JPG"));
        QCOMPARE(second, dir.filePath("page-004.JPG"));
        QCOMPARE(ReadAll(path), QByteArray("ours"));
        QCOMPARE(ReadAll(second), QByteArray("more"));
        // Readable by others as any new file under the usual mask, not private.
        QVERIFY(QFileInfo(path).permissions().testFlag(QFileDevice::ReadOther));
        QCOMPARE(ReadAll(dir.filePath("page-002.JPG")), QByteArray("theirs"));
        QCOMPARE(ReadAll(dir.filePath("page-001.JPG")), QByteArray("old"));
        // Nothing else is left behind: no temporary file, the old one gone too.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);
        // A folder that is not there takes nothing and says so.
        QVERIFY(CreateSeriesFile(dir.filePath("missing"), pattern, "JPG", 1, "x").isEmpty());
    }

    void defaultPaper_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("paper");
        QTest::newRow("en_US") << "en_US" << int(QPageSize::Letter);
        QTest::newRow("de_DE") << "de_DE" << int(QPageSize::A4);
        QTest::newRow("en_GB") << "en_GB" << int(QPageSize::A4);
    }
    void defaultPaper() {
        QFETCH(QString, locale);
        QFETCH(int, paper);
        QCOMPARE(int(DefaultPaper(QLocale(locale))), paper);
    }

    // One page a picture, the paper turned to the picture's shape, and the picture in the
    // file at its own pixels.
    void pdfReadBack_data() {
        QTest::addColumn<int>("paper");
        QTest::addColumn<QString>("paperName");
        QTest::newRow("A4") << int(QPageSize::A4) << "A4";
        QTest::newRow("Letter") << int(QPageSize::Letter) << "letter";
    }
    void pdfReadBack() {
        QFETCH(int, paper);
        QFETCH(QString, paperName);
        if (QStandardPaths::findExecutable("pdfinfo").isEmpty() ||
            QStandardPaths::findExecutable("pdfimages").isEmpty()) {
            QSKIP("poppler-utils is not installed (scripts/setup installs it)");
        }
        QTemporaryDir dir;
        const QString path = dir.filePath("pages.pdf");
        const QList<QSize> sizes = {{1280, 1024}, {768, 960}, {1024, 1024}};
        QCOMPARE(WritePdf(
                     path, int(sizes.size()),
                     [&](int i) { return Picture(sizes[i].width(), sizes[i].height()); },
                     QPageSize::PageSizeId(paper)),
                 0);
        const QString info = Run("pdfinfo", {"-f", "1", "-l", "3", path});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+3\\n")), qPrintable(info));
        // Titled by its own name unless told otherwise, made by Tavelo, dated.
        QVERIFY2(info.contains(QRegularExpression("Title:\\s+pages\\n")), qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression("Creator:\\s+Tavelo\\n")), qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression(
                     QStringLiteral("CreationDate:\\s+.*%1").arg(QDate::currentDate().year()))),
                 qPrintable(info));
        const QRegularExpression pageSize(
            "Page\\s+(\\d) size:\\s+([\\d.]+) x ([\\d.]+) pts \\((\\w+)\\)");
        int pages = 0;
        for (auto it = pageSize.globalMatch(info); it.hasNext(); ++pages) {
            const auto m = it.next();
            QCOMPARE(m.captured(4), paperName);
            const bool landscape = m.captured(2).toDouble() > m.captured(3).toDouble();
            const QSize picture = sizes[m.captured(1).toInt() - 1];
            QCOMPARE(landscape, picture.width() > picture.height());
        }
        QCOMPARE(pages, 3);
        // pdfimages -list: page num type width height ...
        const QStringList lines = Run("pdfimages", {"-list", path}).split('\n').mid(2);
        QList<QSize> stored;
        for (const QString& line : lines) {
            const QStringList f = line.simplified().split(' ');
            if (f.size() > 4 && f[2] == QLatin1String("image")) {
                stored.append(QSize(f[3].toInt(), f[4].toInt()));
            }
        }
        QCOMPARE(stored, sizes);
    }

    // A PDF that cannot be finished leaves the file that was there byte for byte and nothing
    // beside it: a page that cannot be had (where none may be left out), a disk that fills
    // up half way, a name that is no regular file (never replaced, wherever a link leads).
    void pdfFailureKeepsTheOldFile_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("code");
        QTest::newRow("a page missing") << "page" << int(PIC_NO_PICTURE);
        QTest::newRow("disk full") << "full" << int(PIC_FILE_WRITE);
        QTest::newRow("FIFO") << "fifo" << int(PIC_FILE_OPEN);
        QTest::newRow("link to a FIFO") << "link" << int(PIC_FILE_OPEN);
        QTest::newRow("device node") << "device" << int(PIC_FILE_OPEN);
        QTest::newRow("folder") << "folder" << int(PIC_FILE_OPEN);
    }
    void pdfFailureKeepsTheOldFile() {
        QFETCH(QString, fault);
        QFETCH(int, code);
        QTemporaryDir dir;
        const QString path = dir.filePath("pages.pdf");
        const QByteArray node = dir.filePath(fault == "link" ? "fifo" : "pages.pdf").toLocal8Bit();
        mode_t type = S_IFREG;
        if (fault == "fifo" || fault == "link") {
            QCOMPARE(mkfifo(node.constData(), 0666), 0);
            type = S_IFIFO;
        } else if (fault == "device") {
            // The null device's numbers, made here so that nothing shared is at risk.
            if (mknod(node.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
                QSKIP("only root can make a device node");
            }
            type = S_IFCHR;
        } else if (fault == "folder") {
            QVERIFY(QDir(dir.path()).mkdir("pages.pdf"));
            type = S_IFDIR;
        } else {
            QVERIFY(Touch(path));
        }
        if (fault == "link") {
            QVERIFY(QFile::link(QString::fromLocal8Bit(node), path));
        }
        const QStringList before =
            QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        const auto pages = [&](int i) {
            return i == 1 && fault == "page" ? QImage() : Picture(640, 480);
        };
        if (fault == "full") {
            test::FullDisk full(4096);  // a page's picture alone is larger
            QVERIFY(full.Holds());
            QCOMPARE(int(WritePdf(path, 3, pages, QPageSize::A4)), code);
        } else {
            QCOMPARE(int(WritePdf(path, 3, pages, QPageSize::A4)), code);
        }
        struct stat st {};
        QCOMPARE(stat(node.constData(), &st), 0);
        QCOMPARE(st.st_mode & S_IFMT, type);
        if (type == S_IFREG) {
            QCOMPARE(ReadAll(path), QByteArray("old"));
        }
        QCOMPARE(
            QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            before);
    }

    // Where pages may be left out, those without a picture are, and named; the rest make
    // the document. Without any picture there is no document and the old file stays.
    void pdfLeavesOutUnreadablePages_data() {
        QTest::addColumn<QList<int>>("missing");
        QTest::addColumn<int>("pages");
        QTest::newRow("the first") << QList<int>{0} << 3;
        QTest::newRow("two") << QList<int>{1, 3} << 2;
        QTest::newRow("all") << QList<int>{0, 1, 2, 3} << 0;
    }
    void pdfLeavesOutUnreadablePages() {
        QFETCH(QList<int>, missing);
        QFETCH(int, pages);
        if (QStandardPaths::findExecutable("pdfinfo").isEmpty()) {
            QSKIP("poppler-utils is not installed (scripts/setup installs it)");
        }
        QTemporaryDir dir;
        const QString path = dir.filePath("pages.pdf");
        QVERIFY(Touch(path));
        std::vector<int> skipped;
        PdfDocument document;
        document.skipUnreadable = true;
        document.skipped = &skipped;
        const std::int16_t result = WritePdf(
            path, 4, [&](int i) { return missing.contains(i) ? QImage() : Picture(64, 48); },
            document);
        QCOMPARE(QList<int>(skipped.begin(), skipped.end()), missing);
        if (pages == 0) {
            QCOMPARE(int(result), int(PIC_NO_PICTURE));
            QCOMPARE(ReadAll(path), QByteArray("old"));
            return;
        }
        QCOMPARE(int(result), int(PIC_OK));
        const QString info = Run("pdfinfo", {path});
        QVERIFY2(info.contains(QRegularExpression(QString("Pages:\\s+%1\\n").arg(pages))),
                 qPrintable(info));
    }
};

QTEST_MAIN(TestPageFiles)
#include "test_page_files.moc"
