// Reading pages through the worker process: the exchange's frames, what a page read gives,
// and that a worker that dies or hangs costs one page and never the caller.

#include <signal.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTransform>
#include <QtTest>

#include "device/DeskScene.h"
#include "pages/DocumentPage.h"
#include "pages/PageReader.h"
#include "pages/ReaderProtocol.h"
#include "pages/ReaderSetup.h"
#include "support/TextPages.h"

using namespace tavelo;
using tavelo::test::CharacterErrorRate;
using tavelo::test::Encoded;
using tavelo::test::RenderTextPage;

namespace {

// Generous: the machine running the tests may be busy with other work.
constexpr int kWaitMs = 180000;

QString Family(const QString& wanted) {
    return tavelo::test::InstalledFamily({wanted, "DejaVu Sans", "Nimbus Sans"});
}

// A small page of a few lines, quick to read.
tavelo::test::TextPage SmallPage(quint32 seed, int ppi = 300, const QString& family = {}) {
    return RenderTextPage(seed, ppi, QSizeF(4.5, 1.6), 11, Family(family));
}

// Reads `pages` and waits for every answer, in the order the pages were given.
QList<ReadReply> ReadAll(PageReader& reader, const QList<ReadRequest>& pages) {
    QList<std::uint32_t> ids;
    QMap<std::uint32_t, ReadReply> replies;
    QObject::connect(&reader, &PageReader::finished,
                     [&](const ReadReply& reply) { replies.insert(reply.id, reply); });
    for (const ReadRequest& page : pages) {
        ids.append(
            reader.Read(page.picture, page.pixelsPerInch, page.languages, page.detectOrientation));
    }
    if (!QTest::qWaitFor([&] { return replies.size() == pages.size(); }, kWaitMs)) {
        qWarning("only %d of %d pages answered", int(replies.size()), int(pages.size()));
    }
    QList<ReadReply> ordered;
    for (std::uint32_t id : ids) {
        // A page never answered stays a default reply, whose status no test expects.
        ReadReply none;
        none.status = ReadStatus(255);
        ordered.append(replies.value(id, none));
    }
    return ordered;
}

ReadRequest Page(const QByteArray& picture, int ppi, const QString& languages = "eng") {
    ReadRequest r;
    r.picture = picture;
    r.pixelsPerInch = ppi;
    r.languages = languages;
    return r;
}

}  // namespace

class TestPageReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void frames_data() {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("state");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("left");
        QTest::newRow("empty") << QByteArray() << int(FrameState::Incomplete) << QByteArray() << 0;
        QTest::newRow("short length")
            << QByteArray("\0\0", 2) << int(FrameState::Incomplete) << QByteArray() << 2;
        QTest::newRow("short payload")
            << QByteArray("\0\0\0\5abc", 7) << int(FrameState::Incomplete) << QByteArray() << 7;
        QTest::newRow("whole and the next begun")
            << QByteArray("\0\0\0\3abc\0", 8) << int(FrameState::Complete) << QByteArray("abc")
            << 1;
        QTest::newRow("empty payload")
            << QByteArray("\0\0\0\0", 4) << int(FrameState::Complete) << QByteArray("") << 0;
        QTest::newRow("absurd length")
            << QByteArray("\x7f\0\0\0abc", 7) << int(FrameState::Broken) << QByteArray() << 7;
    }
    void frames() {
        QFETCH(QByteArray, stream);
        QFETCH(int, state);
        QFETCH(QByteArray, payload);
        QFETCH(int, left);
        QByteArray got;
        QCOMPARE(int(TakeFrame(stream, &got)), state);
        QCOMPARE(got, payload);
        QCOMPARE(stream.size(), left);
    }

    void messagesRoundTrip() {
        ReadRequest request = Page("\x89PNG bytes", 150, "eng+deu");
        request.id = 7;
        request.detectOrientation = true;
        QByteArray payload;
        QByteArray stream = Frame(EncodeRequest(request));
        QCOMPARE(TakeFrame(stream, &payload), FrameState::Complete);
        ReadRequest back;
        QVERIFY(DecodeRequest(payload, &back));
        QCOMPARE(back.id, 7u);
        QCOMPARE(back.picture, request.picture);
        QCOMPARE(back.pixelsPerInch, 150);
        QCOMPARE(back.languages, QString("eng+deu"));
        QVERIFY(back.detectOrientation);

        ReadReply reply;
        reply.id = 9;
        reply.status = ReadStatus::Read;
        reply.text = "Hello world\n";
        reply.words = {{QRect(1, 2, 30, 10), 91.5f, "Hello"}, {QRect(40, 2, 30, 10), 88, "world"}};
        reply.orientation = 270;
        reply.turned = true;
        reply.textLayer = "%PDF-1.5";
        ReadReply got;
        QVERIFY(DecodeReply(EncodeReply(reply), &got));
        QCOMPARE(got.words, reply.words);
        QCOMPARE(got.text, reply.text);
        QCOMPARE(got.orientation, 270);
        QVERIFY(got.turned);
        QCOMPARE(got.textLayer, reply.textLayer);
        // A request is no reply, and a cut reply is none either.
        QVERIFY(!DecodeReply(EncodeRequest(request), &got));
        QVERIFY(!DecodeReply(EncodeReply(reply).chopped(3), &got));
    }

    void languages() {
        QTemporaryDir dir;
        for (const char* name : {"eng.traineddata", "deu.traineddata", "osd.traineddata",
                                 "chi_sim.traineddata", "notes.txt"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(ReadingLanguages(dir.path()), QStringList({"chi_sim", "deu", "eng"}));
        QVERIFY(CanDetectOrientation(dir.path()));
        QVERIFY(QFile::remove(dir.filePath("osd.traineddata")));
        QVERIFY(!CanDetectOrientation(dir.path()));
        // The installed models, as the machine has them.
        QVERIFY(ReadingLanguages().contains("eng"));
    }

    // The words come back as set, with boxes in the pixels of the picture sent, also when
    // the picture was enlarged for reading.
    void readsPage_data() {
        QTest::addColumn<int>("ppi");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("serif at 300 ppi, PNG") << 300 << "DejaVu Serif" << QByteArray("PNG");
        QTest::newRow("sans at 300 ppi, JPEG") << 300 << "Nimbus Sans" << QByteArray("JPEG");
        QTest::newRow("serif at 120 ppi, enlarged") << 120 << "Nimbus Roman" << QByteArray("PNG");
    }
    void readsPage() {
        QFETCH(int, ppi);
        QFETCH(QString, family);
        QFETCH(QByteArray, format);
        const auto page = SmallPage(11, ppi, family);
        PageReader reader(ReaderProgram(), 1);
        const QList<ReadReply> replies =
            ReadAll(reader, {Page(Encoded(page.picture, format.constData(), 90), ppi)});
        const ReadReply& reply = replies.value(0);
        QCOMPARE(reply.status, ReadStatus::Read);
        const double cer = CharacterErrorRate(page.text, reply.text);
        QVERIFY2(cer < 0.02, qPrintable(QString("CER %1: %2").arg(cer).arg(reply.text)));
        QVERIFY(reply.words.size() > 10);
        QVERIFY(reply.textLayer.startsWith("%PDF"));
        const QRect inside = page.picture.rect().adjusted(ppi / 3, ppi / 3, -ppi / 3, -ppi / 3);
        for (const ReadWord& word : reply.words) {
            QVERIFY2(inside.contains(word.box), qPrintable(word.text));
            // Type of 11 points: no word is taller than two lines of it.
            QVERIFY(word.box.height() < 2 * 11 * ppi / 72);
        }
    }

    // What the worker refuses is an answer, and the worker goes on with the next page.
    void refusals_data() {
        QTest::addColumn<QByteArray>("picture");
        QTest::addColumn<QString>("languages");
        QTest::addColumn<int>("status");
        const QByteArray png = Encoded(SmallPage(3).picture);
        QTest::newRow("no picture")
            << QByteArray("not a picture") << "eng" << int(ReadStatus::BadPicture);
        QTest::newRow("cut picture")
            << png.left(png.size() / 3) << "eng" << int(ReadStatus::BadPicture);
        QTest::newRow("language not installed") << png << "eng+xyz" << int(ReadStatus::NoLanguage);
        QTest::newRow("no language name") << png << "../eng" << int(ReadStatus::NoLanguage);
    }
    void refusals() {
        QFETCH(QByteArray, picture);
        QFETCH(QString, languages);
        QFETCH(int, status);
        const auto page = SmallPage(5);
        PageReader reader(ReaderProgram(), 1);
        const QList<ReadReply> replies =
            ReadAll(reader, {Page(picture, 300, languages), Page(Encoded(page.picture), 300)});
        QCOMPARE(int(replies.value(0).status), status);
        QVERIFY(replies.value(0).words.isEmpty());
        QCOMPARE(replies.value(1).status, ReadStatus::Read);
        QVERIFY(CharacterErrorRate(page.text, replies.value(1).text) < 0.05);
    }

    // A worker killed while it reads, or stopped for taking too long: that page is answered
    // as unreadable, and the next page is read by a new worker.
    void workerLost_data() {
        QTest::addColumn<bool>("kill");
        QTest::addColumn<int>("status");
        QTest::newRow("killed mid-read") << true << int(ReadStatus::Crashed);
        QTest::newRow("time-out") << false << int(ReadStatus::TimedOut);
    }
    void workerLost() {
        QFETCH(bool, kill);
        QFETCH(int, status);
        const auto first = RenderTextPage(1, 300, QSizeF(8, 10), 11, Family("DejaVu Serif"));
        const auto next = SmallPage(2);
        PageReader reader(ReaderProgram(), 1);
        QList<std::uint32_t> started;
        QList<qint64> killed;
        connect(&reader, &PageReader::started, [&](std::uint32_t page) {
            started.append(page);
            if (started.size() == 1) {
                if (kill) {
                    killed.append(reader.ProcessReading(page));
                    ::kill(pid_t(killed.last()), SIGKILL);
                } else {
                    reader.SetTimeout(PageReader::kDefaultTimeoutMs);
                }
            }
        });
        if (!kill) {
            reader.SetTimeout(1);  // the first page only: it is reset once that page is sent
        }
        const QList<ReadReply> replies =
            ReadAll(reader, {Page(Encoded(first.picture), 300), Page(Encoded(next.picture), 300)});
        QCOMPARE(int(replies.value(0).status), status);
        QVERIFY(replies.value(0).text.isEmpty());
        QCOMPARE(replies.value(1).status, ReadStatus::Read);
        QVERIFY(CharacterErrorRate(next.text, replies.value(1).text) < 0.05);
        if (kill) {
            QVERIFY(killed.value(0) > 0);
        }
        QCOMPARE(reader.Pending(), 0);
    }

    // A worker slow to start, as on a busy machine, does not cost the page it starts for: the
    // time-out counts from when the worker has taken the page.
    void slowStartNotCounted() {
        QTemporaryDir folder;
        QFile slow(folder.filePath("slow-reader"));
        QVERIFY(slow.open(QIODevice::WriteOnly));
        slow.write("#!/bin/sh\nsleep 5\nexec '" + ReaderProgram().toUtf8() + "' \"$@\"\n");
        slow.close();
        slow.setPermissions(slow.permissions() | QFileDevice::ExeOwner);
        const auto page = SmallPage(3);
        // Larger than the pipe holds, so the page stays in the caller until the worker reads.
        const QByteArray picture = Encoded(page.picture, "BMP");
        QVERIFY(picture.size() > 256 * 1024);
        PageReader reader(slow.fileName(), 1);
        reader.SetTimeout(4000);
        const ReadReply reply = ReadAll(reader, {Page(picture, 300)}).value(0);
        QCOMPARE(reply.status, ReadStatus::Read);
        QVERIFY(CharacterErrorRate(page.text, reply.text) < 0.05);
    }

    // A page lying turned is read upright, and says by how much it was turned.
    void turnsPageUpright_data() {
        QTest::addColumn<int>("lying");  // clockwise degrees the page lies turned
        QTest::addColumn<int>("desk");   // the seed of a desk scene whose sheet is read, or 0
        QTest::newRow("upright") << 0 << 0;
        QTest::newRow("turned right") << 90 << 0;
        QTest::newRow("upside down") << 180 << 0;
        QTest::newRow("turned left") << 270 << 0;
        // A sheet lying sideways under the camera, straightened and evened: the orientation
        // model is unsure of it.
        QTest::newRow("camera's sheet, turned left") << 270 << 13;
        // One the orientation model is sure lies the opposite way.
        QTest::newRow("camera's sheet, turned right") << 90 << 82;
    }
    void turnsPageUpright() {
        QFETCH(int, lying);
        QFETCH(int, desk);
        const auto page = RenderTextPage(21, 200, QSizeF(5, 3.5), 11, Family("DejaVu Serif"));
        QImage turned = page.picture.transformed(QTransform().rotate(lying));
        QString text = page.text;
        if (desk != 0) {
            const DeskScene scene = RenderDeskScene(std::uint32_t(desk), 1280, 1024);
            PageOutline truth{OutlineState::Edited, 1.0, {}};
            std::copy(scene.corners.begin(), scene.corners.end(), truth.corners.begin());
            turned = DocumentPicture(scene.picture, truth, PageLook::Grey).picture;
            text = scene.text;
        }
        const QRect upright(QPoint(), lying % 180 ? turned.size().transposed() : turned.size());
        PageReader reader(ReaderProgram(), 1);
        ReadRequest request = Page(Encoded(turned), 200);
        request.detectOrientation = true;
        const ReadReply reply = ReadAll(reader, {request}).value(0);
        QCOMPARE(reply.status, ReadStatus::Read);
        QCOMPARE(reply.orientation, (360 - lying) % 360);
        QCOMPARE(reply.turned, lying != 0);
        QVERIFY2(CharacterErrorRate(text, reply.text) < 0.03, qPrintable(reply.text));
        for (const ReadWord& word : reply.words) {
            QVERIFY(upright.contains(word.box));
        }
    }

    // Started without the OpenMP thread limit, the worker starts itself again with it, and
    // it ends when its input does.
    void workerTakesThreadLimit() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("OMP_THREAD_LIMIT");
        QProcess worker;
        worker.setProcessEnvironment(environment);
        worker.start(ReaderProgram(), QStringList());
        QVERIFY(worker.waitForStarted(kWaitMs));
        const QString path = QString("/proc/%1/environ").arg(worker.processId());
        const auto limited = [&] {
            QFile environ(path);
            return environ.open(QIODevice::ReadOnly) &&
                   environ.readAll().split('\0').contains("OMP_THREAD_LIMIT=1");
        };
        QTRY_VERIFY_WITH_TIMEOUT(limited(), 30000);
        worker.closeWriteChannel();
        QVERIFY(worker.waitForFinished(kWaitMs));
        QCOMPARE(worker.exitCode(), 0);
    }

    void noWorker() {
        PageReader reader(QDir::temp().filePath("no-such-reader"), 2);
        const QList<ReadReply> replies = ReadAll(reader, {Page("x", 300), Page("y", 300)});
        QCOMPARE(replies.value(0).status, ReadStatus::NoWorker);
        QCOMPARE(replies.value(1).status, ReadStatus::NoWorker);
    }

    // Pages are spread over the workers: two pages on two workers are read at once.
    void pagesSpread() {
        PageReader reader(ReaderProgram(), 2);
        QList<std::uint32_t> started;
        QSet<qint64> processes;
        connect(&reader, &PageReader::started, [&](std::uint32_t page) {
            started.append(page);
            processes.insert(reader.ProcessReading(page));
        });
        const QList<ReadReply> replies =
            ReadAll(reader, {Page(Encoded(SmallPage(7).picture), 300),
                             Page(Encoded(SmallPage(8).picture), 300),
                             Page(Encoded(SmallPage(9).picture), 300)});
        QCOMPARE(started.size(), 3);
        QCOMPARE(processes.size(), 2);
        for (const ReadReply& reply : replies) {
            QCOMPARE(reply.status, ReadStatus::Read);
        }
    }
};

QTEST_MAIN(TestPageReader)
#include "test_page_reader.moc"
