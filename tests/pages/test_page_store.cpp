// The page store on disk: a sitting kept across a normal end and a kill, taken back by the
// next run without losing a page whatever happened to its folder, and never reading,
// moving or removing anything that is not its own.

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include "camera/Capture.h"
#include "pages/PageStore.h"

using namespace tavelo;

namespace {

QImage Shown(int w = 160, int h = 100) {
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(QColor(10, 120, 200));
    image.setPixelColor(0, 0, Qt::red);
    return image;
}

MemoryBlock Raw(int mode, int rotation, std::uint8_t seed) {
    int w = 0, h = 0;
    RawCaptureSize(mode, rotation, w, h);
    MemoryBlock block = MemoryBlock::Allocate(2u * w * h);
    for (std::size_t i = 0; i < block.Size(); ++i) {
        block.Data()[i] = static_cast<std::uint8_t>(seed + i / 4096);
    }
    return block;
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A fingerprint of every page's data, turns and whether it was kept, order aside: what must never
// be lost.
QStringList Contents(const PageStore& store) {
    QStringList all;
    for (int i = 0; i < store.Count(); ++i) {
        all.append(
            QCryptographicHash::hash(Read(store.DataPath(i)), QCryptographicHash::Sha1).toHex() +
            QString::number(store.Page(i).turns));
    }
    all.sort();
    return all;
}

// A sitting "a" under `root` as a run leaves it: two captures (the second turned once), an
// opened picture (saved since), ended normally.
QStringList MakeSitting(const QString& root, const QString& id = "a") {
    PageStore store;
    if (!store.Open(root, id)) {
        return {};
    }
    PageRecord r;
    for (int i = 0; i < 2; ++i) {
        RawCaptureSize(3 - i, 0, r.width, r.height);
        r.mode = 3 - i;
        store.AddCapture(Raw(r.mode, 0, std::uint8_t(i + 1)), r, Shown());
    }
    store.SetTurns(1, 1, Shown().transformed(QTransform().rotate(90)));
    store.SetPageText(0, "read");
    const QString picture = root + "/../opened.jpg";
    Shown(40, 30).save(picture);
    store.AddFile(picture, Shown(40, 30));
    store.SetKept(2, true);
    return store.Count() == 3 ? Contents(store) : QStringList();
}

// Everything under `root` but the sittings: files planted there must come through whole.
struct Outside {
    QTemporaryDir dir;
    QString File(const QString& name, const QByteArray& bytes = "keep me") {
        QDir(dir.path()).mkpath(QFileInfo(dir.filePath(name)).path());
        Write(dir.filePath(name), bytes);
        return dir.filePath(name);
    }
};

// What a test plants in a sitting folder before the next run reads it.
enum Plant {
    AsLeft,
    OldList,
    ForeignList,
    ListOfAbsentPages,
    HugeList,
    LongLine,
    PathsOutside,
    FifoAsPage,
    FifoAsList,
    DevNullLinkAsPage,
    LinkToFolderAsRemoved,
    ShortRawFile,
    OtherOwnersPage,
    HugeThumbnail,
    FifoAsText,
};

QByteArray Lines(int count, const QByteArray& line) {
    QByteArray text;
    for (int i = 0; i < count; ++i) {
        text += line;
    }
    return text;
}

}  // namespace

class TestPageStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ::alarm(600); }  // a hang in open() is a failure, not a stuck run

    // A sitting left by a run, tampered with, is taken back by the next run from the files
    // that are whole; nothing that is not the store's own is followed, moved or removed.
    void leftover_data() {
        QTest::addColumn<int>("plant");
        QTest::addColumn<int>("taken");
        QTest::addColumn<bool>("turnsKept");
        const int c = 3;
        QTest::newRow("as a normal end leaves it") << int(AsLeft) << c << true;
        QTest::newRow("list without turns") << int(OldList) << c << false;
        QTest::newRow("foreign list") << int(ForeignList) << c << false;
        QTest::newRow("list of absent pages") << int(ListOfAbsentPages) << c << true;
        QTest::newRow("200000-line list") << int(HugeList) << c << false;
        QTest::newRow("64 MB line") << int(LongLine) << c << false;
        QTest::newRow("paths outside the folder") << int(PathsOutside) << c << true;
        QTest::newRow("FIFO as a page") << int(FifoAsPage) << c - 1 << true;
        QTest::newRow("FIFO as the list") << int(FifoAsList) << c << false;
        QTest::newRow("link to /dev/null as a page") << int(DevNullLinkAsPage) << c - 1 << true;
        QTest::newRow("link to a folder in removed") << int(LinkToFolderAsRemoved) << c << true;
        QTest::newRow("raw file cut short") << int(ShortRawFile) << c - 1 << true;
        QTest::newRow("another user's page") << int(OtherOwnersPage) << c - 1 << true;
        QTest::newRow("5000 x 5000 thumbnail") << int(HugeThumbnail) << c << true;
        QTest::newRow("FIFO as a page's text") << int(FifoAsText) << c << true;
    }
    void leftover() {
        QFETCH(int, plant);
        QFETCH(int, taken);
        QFETCH(bool, turnsKept);
        QTemporaryDir dir;
        const QString root = dir.filePath("pages");
        const QStringList before = MakeSitting(root);
        QCOMPARE(before.size(), 3);
        const QString a = root + "/a";
        Outside outside;
        const QStringList mustStay = {outside.File("thesis/ch1.txt"), outside.File("budget.ods")};
        const QByteArray raw2 = Read(a + "/p000002.raw");
        switch (Plant(plant)) {
            case AsLeft:
                break;
            case OldList: {  // eight fields a line, as before pages kept their turns
                QByteArray list;
                for (const QByteArray& line : Read(a + "/pages.txt").split('\n')) {
                    list += line.split('\t').mid(0, 8).join('\t') + '\n';
                }
                QVERIFY(Write(a + "/pages.txt", list));
                break;
            }
            case ForeignList:
                QVERIFY(Write(a + "/pages.txt", "<html>\n\x01\x02\tp000001\traw\n"));
                break;
            case ListOfAbsentPages: {
                QByteArray list = Read(a + "/pages.txt");
                for (int i = 10; i < 5000; ++i) {
                    list += QStringLiteral("p%1\traw\t1280\t1024\t3\t0\t3\t-\t0\n")
                                .arg(i, 6, 10, QChar('0'))
                                .toLatin1();
                }
                QVERIFY(Write(a + "/pages.txt", list));
                break;
            }
            case HugeList:
                QVERIFY(Write(a + "/pages.txt",
                              Lines(200000, "p000001\traw\t1280\t1024\t3\t0\t3\t-\t0\n")));
                break;
            case LongLine: {
                QFile list(a + "/pages.txt");  // zeros, held sparse: a line with no end
                QVERIFY(list.open(QIODevice::WriteOnly) && list.resize(qint64(64) << 20));
                break;
            }
            case PathsOutside:
                QVERIFY(Write(a + "/pages.txt", Read(a + "/pages.txt") +
                                                    "../../outside\tfile\t0\t0\t0\t0\t3\ttxt\t0\n" +
                                                    mustStay[0].toUtf8() +
                                                    "\tfile\t0\t0\t0\t0\t3\ttxt\t0\n"));
                break;
            case FifoAsPage:
                QVERIFY(QFile::remove(a + "/p000002.raw"));
                QCOMPARE(::mkfifo(QFile::encodeName(a + "/p000002.raw").constData(), 0600), 0);
                break;
            case FifoAsList:
                QVERIFY(QFile::remove(a + "/pages.txt"));
                QCOMPARE(::mkfifo(QFile::encodeName(a + "/pages.txt").constData(), 0600), 0);
                break;
            case DevNullLinkAsPage:
                QVERIFY(QFile::remove(a + "/p000002.raw"));
                QVERIFY(QFile::link("/dev/null", a + "/p000002.raw"));
                break;
            case LinkToFolderAsRemoved:
                QVERIFY(QDir().mkpath(a + "/removed"));
                QVERIFY(QFile::link(QFileInfo(mustStay[0]).path(), a + "/removed/p000009.raw"));
                break;
            case ShortRawFile:
                QVERIFY(QFile::resize(a + "/p000002.raw", raw2.size() / 2));
                break;
            case OtherOwnersPage:
                if (::geteuid() != 0) {
                    QSKIP("making another user's file needs root");
                }
                QCOMPARE(::chown(QFile::encodeName(a + "/p000002.raw").constData(), 65534, 65534),
                         0);
                break;
            case FifoAsText:
                QVERIFY(QFile::remove(a + "/p000001.text"));
                QCOMPARE(::mkfifo(QFile::encodeName(a + "/p000001.text").constData(), 0600), 0);
                break;
            case HugeThumbnail: {
                QImage big(5000, 5000, QImage::Format_RGB888);
                big.fill(Qt::white);
                QVERIFY(big.save(a + "/p000001.png"));
                break;
            }
        }
        QMap<QString, QByteArray> kept;
        for (const QString& path : mustStay) {
            kept[path] = Read(path);
        }

        PageStore next;
        QVERIFY(next.Open(root, "b"));
        QCOMPARE(PageStore::LeftoverSittings(root), QStringList{a});
        // Reading back is bounded in memory whatever the folder holds.
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        const long peak = usage.ru_maxrss;
        const PageStore::RestoreResult result = next.Adopt(a);
        ::getrusage(RUSAGE_SELF, &usage);
        QVERIFY2(usage.ru_maxrss - peak < 16 * 1024,
                 qPrintable(QString::number(usage.ru_maxrss - peak)));
        QCOMPARE(result.taken, taken);
        QCOMPARE(result.left, 3 - taken);
        QCOMPARE(next.Count(), taken);
        QCOMPARE(result.summary.isEmpty(), taken == 3);
        for (int i = 0; i < next.Count(); ++i) {
            QVERIFY(!next.Picture(i).isNull());
            const QImage thumbnail = next.Thumbnail(i);
            QVERIFY(thumbnail.width() <= PageStore::kThumbnailSize &&
                    thumbnail.height() <= PageStore::kThumbnailSize);
        }
        if (turnsKept && taken == 3) {
            QCOMPARE(Contents(next), before);
        }
        if (Plant(plant) == AsLeft) {  // a page's text goes with it
            QCOMPARE(next.PageText(0) + next.PageText(1) + next.PageText(2), QByteArray("read"));
        }
        // Pages that could not be read back stay on disk, and the folder is not offered again.
        QCOMPARE(PageStore::LeftoverSittings(root), QStringList());
        if (taken < 3) {
            QVERIFY2(result.summary.contains(root + "/unrestored-a"), qPrintable(result.summary));
            QVERIFY(QFileInfo(root + "/unrestored-a/p000002.raw").isSymLink() ||
                    QFileInfo::exists(root + "/unrestored-a/p000002.raw"));
        }
        for (const QString& path : mustStay) {
            QCOMPARE(Read(path), kept[path]);
        }
        struct stat null {};
        QVERIFY(::stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode));
    }

    // Kill while a list is written: whatever its length on disk, every page comes back,
    // and a page keeps its turns when its line is whole.
    void listCutAtEveryByte() {
        QTemporaryDir dir;
        const QString root = dir.filePath("pages");
        const QStringList before = MakeSitting(root);
        const QString list = root + "/a/pages.txt";
        const QByteArray whole = Read(list);
        // The turned page's line: its turns, then whether it was kept and its outline; cut
        // anywhere after its turns, the line is not one the store writes.
        const qsizetype turns = whole.indexOf("\t1\t0\t") + 1;
        QVERIFY(turns > 0);
        const qsizetype lineEnd = whole.indexOf('\n', turns);
        for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
            QVERIFY(Write(list, whole.left(cut)));
            PageStore store;
            QVERIFY(store.Open(root, "a"));
            QCOMPARE(store.Count(), 3);
            int turned = 0;
            for (int i = 0; i < 3; ++i) {
                turned += store.Page(i).turns;
            }
            if (cut <= turns || cut > lineEnd) {
                QCOMPARE(turned, cut > turns ? 1 : 0);
            }
            if (cut == whole.size()) {
                QCOMPARE(Contents(store), before);
            }
        }
    }

    // Kill at every step of a restore: the run after takes back every page, turns and all,
    // and leaves no folder but its own.
    void restoreKilledAtEveryStep() {
        for (int steps = 0; steps < 24; ++steps) {
            QTemporaryDir dir;
            const QString root = dir.filePath("pages");
            QStringList before = MakeSitting(root, "a");
            {
                PageStore killed;
                QVERIFY(killed.Open(root, "b"));
                QVERIFY(killed.AddFile(root + "/../opened.jpg", Shown(40, 30)));
                before += Contents(killed);
                before.sort();
                PageStore::StopRestoreAfterForTest(steps);
                killed.Adopt(root + "/a");
                PageStore::StopRestoreAfterForTest(-1);
            }
            PageStore next;
            QVERIFY(next.Open(root, "c"));
            for (const QString& folder : PageStore::LeftoverSittings(root)) {
                QVERIFY(next.Adopt(folder).summary.isEmpty());
            }
            QVERIFY2(Contents(next) == before, qPrintable(QString::number(steps)));
            QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     QStringList{"c"});
        }
    }

    // A page removed goes to "removed" and comes back whole; a turn is the page's, in its
    // picture and its thumbnail.
    void removeReinsertAndTurn() {
        QTemporaryDir dir;
        MakeSitting(dir.filePath("pages"));
        PageStore store;
        QVERIFY(store.Open(dir.filePath("pages"), "a"));
        const QImage upright = store.Picture(0);
        QVERIFY(store.SetTurns(0, -1, Shown().transformed(QTransform().rotate(-90))));
        QCOMPARE(store.Page(0).turns, 3);
        QCOMPARE(store.Picture(0), upright.transformed(QTransform().rotate(270)));
        QCOMPARE(store.Thumbnail(0).size(), QSize(60, 96));
        const PageRecord page = store.Page(0);
        const QStringList before = Contents(store);
        QVERIFY(store.SetPageText(0, "read"));
        QVERIFY(store.Remove(0));
        QCOMPARE(store.Count(), 2);
        QVERIFY(QFile::exists(store.Folder() + "/removed/" + page.name + ".raw"));
        QVERIFY(QFile::exists(store.Folder() + "/removed/" + page.name + ".text"));
        QVERIFY(store.Reinsert(0, page));
        QCOMPARE(Contents(store), before);
        QCOMPARE(store.PageText(0), QByteArray("read"));
        QCOMPARE(store.Picture(0), upright.transformed(QTransform().rotate(270)));
    }

    // A page's outline and look come back with it; a line whose outline is not one the
    // store writes is not believed, and its page comes back from its files without one.
    void outlineColumns_data() {
        QTest::addColumn<QByteArray>("outline");  // replaces the columns after "kept"
        QTest::addColumn<bool>("believed");
        QTest::newRow("as written") << QByteArray() << true;
        QTest::newRow("unknown state") << QByteArray("x\t1\t2\t3\t4\t5\t6\t7\t8\t0.5\t-1") << false;
        QTest::newRow("corner not a number")
            << QByteArray("f\tnan\t2\t3\t4\t5\t6\t7\t8\t0.5\t-1") << false;
        QTest::newRow("corner beyond any picture")
            << QByteArray("f\t1\t2\t3\t4\t5\t6\t99999\t8\t0.5\t-1") << false;
        QTest::newRow("negative corner")
            << QByteArray("e\t-1\t2\t3\t4\t5\t6\t7\t8\t0.5\t-1") << false;
        QTest::newRow("confidence over one")
            << QByteArray("f\t1\t2\t3\t4\t5\t6\t7\t8\t1.5\t-1") << false;
        QTest::newRow("unknown look") << QByteArray("f\t1\t2\t3\t4\t5\t6\t7\t8\t0.5\t3") << false;
        QTest::newRow("a column short") << QByteArray("f\t1\t2\t3\t4\t5\t6\t7\t8\t0.5") << false;
    }
    void outlineColumns() {
        QFETCH(QByteArray, outline);
        QFETCH(bool, believed);
        QTemporaryDir dir;
        MakeSitting(dir.filePath("pages"));
        PageOutline edited{
            OutlineState::Edited,
            0.75,
            {QPointF(10, 20.5), QPointF(300, 22), QPointF(310, 400), QPointF(8, 390)}};
        {
            PageStore store;
            QVERIFY(store.Open(dir.filePath("pages"), "a"));
            QVERIFY(store.SetTurns(0, 1, {}));
            QVERIFY(store.SetOutline(0, edited, 2, {}));
        }
        const QString list = dir.filePath("pages/a/pages.txt");
        if (!outline.isEmpty()) {
            QList<QByteArray> lines = Read(list).split('\n');
            lines[0] = lines[0].split('\t').mid(0, 10).join('\t') + '\t' + outline;
            QVERIFY(Write(list, lines.join('\n')));
        }
        PageStore store;
        QVERIFY(store.Open(dir.filePath("pages"), "a"));
        QCOMPARE(store.Count(), 3);
        int row = 0;
        while (store.Page(row).name != QLatin1String("p000001")) {
            QVERIFY(++row < store.Count());
        }
        const PageRecord& page = store.Page(row);
        QCOMPARE(page.outline == edited, believed);
        QCOMPARE(page.look, believed ? 2 : -1);
        QCOMPARE(page.turns, believed ? 1 : 0);
        if (!believed) {
            QCOMPARE(page.outline.state, OutlineState::Unknown);
        }
    }

    // New Document keeps the sitting as "discarded" until the next one; no other run
    // takes it, undo brings it back, and a link planted there is removed, not followed.
    void discardAndUndo() {
        QTemporaryDir dir;
        const QString root = dir.filePath("pages");
        const QStringList before = MakeSitting(root);
        Outside outside;
        const QString kept = outside.File("docs/thesis.txt");
        QVERIFY(QFile::link(QFileInfo(kept).path(), root + "/discarded"));
        QVERIFY(QFile::link(QFileInfo(kept).path(), root + "/20260101-000000-000-1"));
        PageStore store;
        QVERIFY(store.Open(root, "a"));
        QVERIFY(store.Discard());
        QCOMPARE(Read(kept), QByteArray("keep me"));
        QCOMPARE(store.Count(), 0);
        QVERIFY(store.IsOpen());
        QCOMPARE(PageStore::LeftoverSittings(root), QStringList());
        QVERIFY(store.UndoDiscard().summary.isEmpty());
        QCOMPARE(Contents(store), before);
        QVERIFY(store.Discard());  // the three go to "discarded"
        QVERIFY(store.AddFile(root + "/../opened.jpg", Shown(40, 30)));
        QVERIFY(store.Discard());  // and make way for the one now discarded
        QCOMPARE(store.UndoDiscard().taken, 1);
    }

    // Folders 0700 and files 0600 whatever the umask, also those an older run left open.
    void onlyTheUserReads() {
        QTemporaryDir dir;
        const QString root = dir.filePath("pages");
        const mode_t old = ::umask(0);
        MakeSitting(root);
        QVERIFY(QDir().mkpath(root + "/old"));
        QVERIFY(Write(root + "/old/p000001.pic", "picture"));
        PageStore store;
        QVERIFY(store.Open(root, "b"));
        QCOMPARE(store.Adopt(root + "/old").taken, 1);
        QVERIFY(store.Remove(0));
        ::umask(old);
        int checked = 0;
        for (QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                             QDirIterator::Subdirectories);
             it.hasNext(); ++checked) {
            const QFileInfo info(it.next());
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(info.filePath()).constData(), &st), 0);
            QCOMPARE(int(st.st_mode & 0777), info.isDir() ? 0700 : 0600);
        }
        QVERIFY(checked > 5);
    }

    // A thousand crashed runs: no question, a bounded scan, every page taken back; runs
    // that died before their first page leave nothing.
    void thousandLeftovers() {
        QTemporaryDir dir;
        const QString root = dir.filePath("pages");
        const int runs = PageStore::kMaxLeftovers + 5;
        for (int i = 0; i < runs; ++i) {
            const QString folder = root + QStringLiteral("/run-%1").arg(i, 5, 10, QChar('0'));
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(Write(folder + "/p000001.pic", QByteArray::number(i)));
        }
        QVERIFY(QDir().mkpath(root + "/run-empty"));
        QVERIFY(Write(root + "/run-empty/pages.txt", ""));
        PageStore store;
        QVERIFY(store.Open(root, "z"));
        int taken = 0;
        for (int start = 0; start < 2; ++start) {
            const QStringList leftovers = PageStore::LeftoverSittings(root);
            QVERIFY(leftovers.size() <= PageStore::kMaxLeftovers);
            for (const QString& folder : leftovers) {
                const PageStore::RestoreResult r = store.Adopt(folder);
                QVERIFY(r.summary.isEmpty());
                taken += r.taken;
            }
        }
        QCOMPARE(taken, runs);
        QCOMPARE(QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"z"});
    }

    // A full disk and a file-size limit: the page is refused, the sitting stays as it was.
    void writeFails_data() {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("1 MB filesystem") << true;
        QTest::newRow("1 MB file-size limit") << false;
    }
    void writeFails() {
        QFETCH(bool, fullDisk);
        QTemporaryDir dir;
        const QString root = dir.filePath("pages");
        QVERIFY(QDir().mkpath(root));
        if (fullDisk &&
            ::mount("tmpfs", QFile::encodeName(root).constData(), "tmpfs", 0, "size=1m") != 0) {
            QSKIP("no tmpfs can be mounted here");
        }
        // Only the soft limit is lowered, so that it can be raised again after.
        rlimit before{};
        ::getrlimit(RLIMIT_FSIZE, &before);
        rlimit limit = before;
        limit.rlim_cur = 1 << 20;
        const auto oldSignal = ::signal(SIGXFSZ, SIG_IGN);
        const bool limited = fullDisk || ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        bool added = false, refused = false;
        {
            PageStore store;
            PageRecord r;
            RawCaptureSize(3, 0, r.width, r.height);
            r.mode = 3;
            added = store.Open(root, "a") && Shown().save(dir.filePath("small.png")) &&
                    store.AddFile(dir.filePath("small.png"), Shown());
            refused = !store.AddCapture(Raw(3, 0, 1), r, Shown()) && store.Count() == 1;
        }
        ::setrlimit(RLIMIT_FSIZE, &before);
        ::signal(SIGXFSZ, oldSignal);
        bool opened = false;
        int count = 0;
        {
            PageStore store;
            opened = store.Open(root, "a");
            count = store.Count();
        }
        const QStringList files = QDir(root + "/a").entryList(QDir::Files);
        if (fullDisk) {
            ::umount(QFile::encodeName(root).constData());
        }
        QVERIFY(limited);
        QVERIFY(added);
        QVERIFY(refused);
        QVERIFY(opened);
        QCOMPARE(count, 1);
        QCOMPARE(files, (QStringList{"lock", "p000001.pic", "p000001.png", "pages.txt"}));
    }
};

QTEST_GUILESS_MAIN(TestPageStore)
#include "test_page_store.moc"
