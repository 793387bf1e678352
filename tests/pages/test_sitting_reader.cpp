// Reading the pages of a sitting in the background: the states a page goes through, a page
// changed or removed on the way, a worker lost, a page turned upright once and undoably,
// what was read coming back with the sitting, and a planted text file not believed.

#include <signal.h>
#include <sys/stat.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTransform>
#include <QtTest>
#include <memory>

#include "pages/PageReader.h"
#include "pages/PageText.h"
#include "pages/ReaderSetup.h"
#include "pages/Sitting.h"
#include "pages/SittingReader.h"
#include "support/TextPages.h"

using namespace tavelo;
using State = SittingReader::State;
using tavelo::test::CharacterErrorRate;
using tavelo::test::RenderTextPage;

namespace {

constexpr int kWaitMs = 180000;

tavelo::test::TextPage TextPage(quint32 seed, QSizeF inches = QSizeF(4.5, 1.6)) {
    return RenderTextPage(seed, 300, inches, 11,
                          tavelo::test::InstalledFamily({"DejaVu Serif", "DejaVu Sans"}));
}

const char* Name(State s) {
    static const char* names[] = {"idle", "waiting", "being read", "read", "unreadable"};
    return names[int(s)];
}

// A sitting of picture files, read by one worker, every state each page went through.
struct Rig {
    QTemporaryDir dir;
    std::unique_ptr<Sitting> sitting;
    std::unique_ptr<PageReader> reader;
    std::unique_ptr<SittingReader> pages;
    QStringList said;  // "row state"
    int started = 0;

    // Reading starts with the sitting's options: the sheet not looked for unless `findPage`.
    explicit Rig(bool findPage = false, bool readText = true) { Open(findPage, readText); }
    void Open(bool findPage = false, bool readText = true) {
        pages.reset();
        started = 0;
        sitting = std::make_unique<Sitting>();
        DocumentOptions options;
        options.findPage = findPage;
        options.readText = readText;
        sitting->SetOptions(options);
        sitting->Open(dir.filePath("root"), "one");
        reader = std::make_unique<PageReader>(ReaderProgram(), 1);
        QObject::connect(reader.get(), &PageReader::started, [this] { ++started; });
        pages = std::make_unique<SittingReader>(*sitting, *reader);
        QObject::connect(pages.get(), &SittingReader::stateChanged, [this](int row) {
            said << QStringLiteral("%1 %2").arg(row).arg(Name(pages->StateOf(row)));
        });
    }
    void Add(const QImage& picture, int n) {
        const QString file = dir.filePath(QStringLiteral("%1.jpg").arg(n));
        QVERIFY(picture.save(file, "JPEG", 95));
        QVERIFY(sitting->AddFile(file, picture));
    }
    bool Settled() {
        for (int row = 0; row < sitting->Count(); ++row) {
            const State s = pages->StateOf(row);
            if (s == State::Waiting || s == State::BeingRead) {
                return false;
            }
        }
        return true;
    }
    bool WaitSettled() {
        return QTest::qWaitFor([this] { return Settled(); }, kWaitMs);
    }
    QString TextFile(int row) const {
        return sitting->Store().Folder() + "/" + sitting->Page(row).name + ".text";
    }
};

}  // namespace

class TestSittingReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Waiting for its sheet, then read; kept on disk and taken back with the sitting without
    // reading it again.
    void statesInOrderAndKept() {
        const auto page = TextPage(3);
        Rig rig(/*findPage=*/true);
        rig.Add(page.picture, 0);
        QCOMPARE(rig.pages->StateOf(0), State::Waiting);
        QCOMPARE(rig.pages->Underway({0}), 0);  // its sheet is still to be found
        DocumentOptions options = rig.sitting->Options();
        options.findPage = false;
        rig.sitting->SetOptions(options);
        QCOMPARE(rig.pages->Underway({0}), 1);
        QVERIFY(rig.WaitSettled());
        QCOMPARE(rig.said, QStringList({"0 waiting", "0 being read", "0 read"}));
        const QString text = rig.pages->Text(0);
        QVERIFY2(CharacterErrorRate(page.text, text) < 0.05, qPrintable(text));
        QVERIFY(rig.pages->Words(0) >= 10);
        QVERIFY(rig.pages->TextLayer(0).startsWith("%PDF-"));

        rig.said.clear();
        rig.Open();
        QCOMPARE(rig.pages->StateOf(0), State::Read);
        QCOMPARE(rig.pages->Text(0), text);
        QCOMPARE(rig.pages->Underway({0}), 0);
        QTest::qWait(200);
        QCOMPARE(rig.started, 0);
    }

    // A page turned by the user while it is read is read again, and the turn stands.
    void changedWhileBeingReadIsReadAgain() {
        const auto page = TextPage(21, QSizeF(5, 3.5));
        Rig rig;
        rig.Add(page.picture, 0);
        QObject::connect(rig.pages.get(), &SittingReader::stateChanged, [&](int row) {
            if (rig.pages->StateOf(row) == State::BeingRead && rig.started == 1) {
                rig.sitting->TurnPage(row, 2);
            }
        });
        QVERIFY(rig.WaitSettled());
        QCOMPARE(rig.started, 2);
        QCOMPARE(rig.pages->StateOf(0), State::Read);
        QCOMPARE(rig.sitting->Page(0).turns, 2);
        QCOMPARE(rig.sitting->History().count(), 1);
        QVERIFY(CharacterErrorRate(page.text, rig.pages->Text(0)) < 0.05);
        // Read upright from a page kept upside down: no words where the page has them.
        QVERIFY(rig.pages->TextLayer(0).isEmpty());
    }

    // A removed page is never read; the others are.
    void removedPageIsCalledOff() {
        Rig rig;
        for (int i = 0; i < 3; ++i) {
            rig.Add(TextPage(40 + i).picture, i);
        }
        QVERIFY(rig.sitting->RemovePages({1}));
        QVERIFY(rig.WaitSettled());
        QCOMPARE(rig.started, 2);
        QCOMPARE(rig.sitting->Count(), 2);
        QCOMPARE(rig.pages->StateOf(0), State::Read);
        QCOMPARE(rig.pages->StateOf(1), State::Read);
        QCOMPARE(rig.reader->Pending(), 0);
    }

    // A worker killed while it reads: that page is unreadable and said so, the next is read.
    void killedWorker() {
        Rig rig;
        QSignalSpy unreadable(rig.pages.get(), &SittingReader::pageUnreadable);
        QList<qint64> killed;
        QObject::connect(rig.pages.get(), &SittingReader::stateChanged, [&](int row) {
            if (row == 0 && rig.pages->StateOf(0) == State::BeingRead && killed.isEmpty()) {
                killed << rig.pages->ProcessReading(0);
                ::kill(pid_t(killed.last()), SIGKILL);
            }
        });
        rig.Add(TextPage(5, QSizeF(8, 10)).picture, 0);
        rig.Add(TextPage(6).picture, 1);
        QVERIFY(rig.WaitSettled());
        QVERIFY(killed.value(0) > 0);
        QCOMPARE(rig.pages->StateOf(0), State::Unreadable);
        QCOMPARE(unreadable.count(), 1);
        QCOMPARE(unreadable.at(0).at(0).toInt(), 0);
        QCOMPARE(rig.pages->StateOf(1), State::Read);
        QVERIFY(rig.pages->Text(0).isEmpty());
    }

    // A page lying on its side is turned upright once, as one step the user can undo; undone,
    // it is not turned again.
    void turnedUprightOnceAndUndoable() {
        if (!CanDetectOrientation()) {
            QSKIP("no orientation model installed");
        }
        const auto page = TextPage(21, QSizeF(5, 3.5));
        Rig rig;
        rig.Add(page.picture.transformed(QTransform().rotate(90)), 0);
        QVERIFY(rig.WaitSettled());
        QCOMPARE(rig.sitting->Page(0).turns, 3);
        QCOMPARE(rig.sitting->History().count(), 1);
        QCOMPARE(rig.started, 2);
        QVERIFY(CharacterErrorRate(page.text, rig.pages->Text(0)) < 0.05);
        QVERIFY(!rig.pages->TextLayer(0).isEmpty());  // read upright, as the page now is
        rig.sitting->History().undo();
        QVERIFY(rig.WaitSettled());
        QCOMPARE(rig.started, 3);
        QCOMPARE(rig.sitting->Page(0).turns, 0);
        QCOMPARE(rig.sitting->History().count(), 1);
        QVERIFY(rig.sitting->History().canRedo());
    }

    // What is found beside a page as its text is believed only when it is a whole record of
    // this page as it is now; else the page is read again.
    void plantedTextFile_data() {
        QTest::addColumn<QString>("plant");
        QTest::addColumn<bool>("believed");
        QTest::newRow("as written") << "whole" << true;
        QTest::newRow("of the page before a turn") << "stale" << false;
        QTest::newRow("cut short") << "cut" << false;
        QTest::newRow("bytes after it") << "longer" << false;
        QTest::newRow("text layer not a PDF") << "layer" << false;
        QTest::newRow("negative word count") << "words" << false;
        QTest::newRow("text claims 1 GB") << "claim" << false;
        QTest::newRow("FIFO") << "fifo" << false;
        QTest::newRow("link to a record") << "link" << false;
        QTest::newRow("8 MB") << "huge" << false;
    }
    void plantedTextFile() {
        QFETCH(QString, plant);
        QFETCH(bool, believed);
        Rig rig(false, /*readText=*/false);
        QImage picture(300, 200, QImage::Format_RGB32);
        picture.fill(Qt::white);
        rig.Add(picture, 0);
        PageRecord page = rig.sitting->Page(0);
        if (plant == "stale") {
            page.turns = 1;
        }
        PageText record{ReadingKey(page, "eng"), 2, "two words", "%PDF-1.5 layer"};
        if (plant == "layer") {
            record.textLayer = "<html>";
        } else if (plant == "words") {
            record.words = -2;
        }
        QByteArray bytes = EncodePageText(record);
        if (plant == "cut") {
            bytes.chop(3);
        } else if (plant == "longer") {
            bytes += "x";
        } else if (plant == "claim") {
            const qsizetype at = bytes.indexOf(QByteArray("\0t\0w\0o", 6)) - 4;
            QVERIFY(at > 0);
            bytes[at] = char(0x40);
        } else if (plant == "huge") {
            bytes = QByteArray(8 << 20, 'x');
        }
        const QString file = rig.TextFile(0);
        if (plant == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        } else if (plant == "link") {
            QFile out(rig.dir.filePath("elsewhere"));
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
            out.close();
            QVERIFY(QFile::link(rig.dir.filePath("elsewhere"), file));
        } else {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        }
        rig.Open(false, false);
        QCOMPARE(rig.sitting->Count(), 1);
        QCOMPARE(rig.pages->StateOf(0) == State::Read, believed);
        QCOMPARE(rig.pages->Text(0), believed ? QString("two words") : QString());
        QCOMPARE(rig.pages->Words(0), believed ? 2 : 0);
    }
};

QTEST_MAIN(TestSittingReader)
#include "test_sitting_reader.moc"
