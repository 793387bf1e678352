// Files made to hurt the loader, one row each: what it is, what the load must answer, and
// the memory and processor time it may cost. Each load runs in a child process of its own, so that
// its peak memory can be read and a load that blocks fails the row instead of hanging the suite.
// The files under tests/fuzz/regressions (hostile files and whatever the fuzzers found) are
// loaded the same way.

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "picture/HostileSamples.h"
#include "picture/ImageLimits.h"
#include "picture/PictureEngine.h"
#include "picture/PictureResult.h"

using namespace tavelo;
using namespace tavelo::samples;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr int kAnyResult = -1;
constexpr qint64 kMiB = 1 << 20;

// Makes the file in `folder`; returns the path to load, empty when it could not.
using Maker = std::function<QString(const QDir& folder)>;

struct Hostile {
    const char* name;
    const char* what;
    Maker make;
    int expected;  // a PictureResult code
    int memoryMiB;
    int timeMs;
};

QString Write(const QDir& folder, const QString& name, const QByteArray& bytes, qint64 size = 0) {
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
        (size > 0 && !file.resize(size))) {
        return {};
    }
    return file.fileName();
}

Maker Small(const char* name) {
    return [name](const QDir& folder) {
        for (const auto& [n, bytes] : SmallHostileFiles()) {
            if (n == QLatin1String(name)) {
                return Write(folder, n, bytes);
            }
        }
        return QString();
    };
}

// Past every other row in cost: the largest picture of the bounds, progressive, its last
// scan (of the brightness, two thirds of the blocks) repeated until the scans are nearly
// all the work a file may ask for: about 6.5 passes as encoded, 14.5 of 16 with these.
// It is legitimate work, about 2 s here and 3 s on a slower machine; the bound is twice that,
// to catch a decoder that became several times slower, not to time it.
QString LargestProgressive(const QDir& folder) {
    return Write(folder, "largest.jpg",
                 WithRepeatedScan(JpegOf(FlatPicture(8192, 8192), true), 12));
}

const QList<Hostile>& Table() {
    static const QList<Hostile> table = {
        {"jpeg-progressive-claims-8192.jpg",
         "a progressive JPEG whose frame claims 8192 x 8192 in under 1 KB",
         Small("jpeg-progressive-claims-8192.jpg"), PIC_TRUNCATED, 16, 500},
        {"jpeg-baseline-claims-8192.jpg", "the same with a baseline frame",
         Small("jpeg-baseline-claims-8192.jpg"), PIC_TRUNCATED, 16, 500},
        {"jpeg-scan-bomb.jpg", "a progressive JPEG whose last scan comes 1500 times more",
         Small("jpeg-scan-bomb.jpg"), PIC_TOO_LARGE, 32, 500},
        {"largest.jpg", "8192 x 8192 progressive, nearly all the scan work allowed",
         LargestProgressive, PIC_OK, 3 * 192, 6000},
        {"bmp-rle8-runs-outside.bmp", "8192 x 8192 run-length runs, deltas past the edges",
         Small("bmp-rle8-runs-outside.bmp"), PIC_OK, 64 + 8, 500},
        {"bmp-rle4-claims-8192.bmp", "8192 x 8192 run-length picture of one run",
         Small("bmp-rle4-claims-8192.bmp"), PIC_TRUNCATED, 64 + 8, 500},
        {"bmp-past-the-bounds.bmp", "a BMP header past the bounds in a 500 MB file",
         [](const QDir& folder) {
             QByteArray b = MakeBmp(4, 4, 24, false, Gradient);
             Put32(b, 18, 20000);
             Put32(b, 22, 20000);
             return Write(folder, "bmp-past-the-bounds.bmp", b, 500 * kMiB);
         },
         PIC_TOO_LARGE, 4, 100},
        {"bmp-trailing-data.bmp", "a 16 x 16 BMP followed by 500 MB",
         [](const QDir& folder) {
             return Write(folder, "bmp-trailing-data.bmp", MakeBmp(16, 16, 24, false, Gradient),
                          500 * kMiB);
         },
         PIC_OK, 4, 100},
        {"past-the-file-limit.bmp", "a 16 x 16 BMP followed by 600 MB",
         [](const QDir& folder) {
             return Write(folder, "past-the-file-limit.bmp", MakeBmp(16, 16, 24, false, Gradient),
                          600 * kMiB);
         },
         PIC_TOO_LARGE, 4, 100},
        {"fifo.bmp", "a FIFO nobody writes to",
         [](const QDir& folder) {
             const QString path = folder.filePath("fifo.bmp");
             return mkfifo(path.toLocal8Bit().constData(), 0600) == 0 ? path : QString();
         },
         PIC_FILE_OPEN, 4, 100},
        {"folder.bmp", "a folder",
         [](const QDir& folder) {
             return folder.mkdir("folder.bmp") ? folder.filePath("folder.bmp") : QString();
         },
         PIC_FILE_OPEN, 4, 100},
        {"zero", "the endless device of zeros",
         [](const QDir&) { return QStringLiteral("/dev/zero"); }, PIC_FILE_OPEN, 4, 100},
    };
    return table;
}

struct Outcome {
    bool finished = false;
    int code = 0;
    long peakKiB = 0;
    long micros = 0;
};

long Micros(const timeval& t) {
    return t.tv_sec * 1000000L + t.tv_usec;
}

// Processor time, not the clock's: other builds on the machine do not count.
long CpuMicros(const rusage& u) {
    return Micros(u.ru_utime) + Micros(u.ru_stime);
}

Outcome LoadInChild(const QString& path, int timeoutMs) {
    const QByteArray file = path.toLocal8Bit();
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        malloc_trim(0);  // what the test freed must not be counted as already there
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        PictureEngine engine;
        const long code = engine.LoadFile(QString::fromLocal8Bit(file), 0, 0, 1);
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        const long out[3] = {code, after.ru_maxrss - before.ru_maxrss,
                             CpuMicros(after) - CpuMicros(before)};
        _exit(write(fds[1], out, sizeof out) == sizeof out ? 0 : 1);
    }
    close(fds[1]);
    Outcome outcome;
    pollfd wait{fds[0], POLLIN, 0};
    long in[3] = {};
    if (pid > 0 && poll(&wait, 1, timeoutMs) == 1 && read(fds[0], in, sizeof in) == sizeof in) {
        outcome = {true, static_cast<int>(in[0]), in[1], in[2]};
    }
    close(fds[0]);
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    return outcome;
}

}  // namespace

class TestHostileFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadIsBounded_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fromRegressions");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("memoryMiB");
        QTest::addColumn<int>("timeMs");
        for (const Hostile& h : Table()) {
            QTest::addRow("%s: %s", h.name, h.what)
                << QString(h.name) << false << h.expected << h.memoryMiB << h.timeMs;
        }
        const QDir regressions(QStringLiteral(TAVELO_REGRESSIONS));
        for (const QString& name : regressions.entryList(QDir::Files)) {
            auto it = std::find_if(Table().cbegin(), Table().cend(),
                                   [&](const Hostile& h) { return name == h.name; });
            const bool known = it != Table().cend();
            QTest::addRow("regressions/%s", qPrintable(name))
                << name << true << (known ? it->expected : kAnyResult)
                << (known ? it->memoryMiB : 512) << (known ? it->timeMs : 2000);
        }
    }
    void loadIsBounded() {
        QFETCH(QString, name);
        QFETCH(bool, fromRegressions);
        QFETCH(int, expected);
        QFETCH(int, memoryMiB);
        QFETCH(int, timeMs);
        QTemporaryDir dir;
        QString path = QDir(QStringLiteral(TAVELO_REGRESSIONS)).filePath(name);
        if (!fromRegressions) {
            auto it = std::find_if(Table().cbegin(), Table().cend(),
                                   [&](const Hostile& h) { return name == h.name; });
            path = it->make(QDir(dir.path()));
            QVERIFY2(!path.isEmpty(), "the file could not be made");
        }
        // A sanitized build is several times slower and its memory is the sanitizer's. The
        // clock's limit only catches a load that waits; a busy machine may stretch it.
        const int allowedMs = kSanitized ? 10 * timeMs : timeMs;
        const Outcome outcome = LoadInChild(path, 10 * allowedMs + 10000);
        QVERIFY2(outcome.finished, "the load did not end");
        qInfo("%s: result %d, %ld KiB, %ld ms of processor time", qPrintable(name), outcome.code,
              outcome.peakKiB, outcome.micros / 1000);
        if (expected != kAnyResult) {
            QCOMPARE(outcome.code, expected);
        }
        QVERIFY2(outcome.micros <= allowedMs * 1000L, "took too long");
        if (!kSanitized) {
            QVERIFY2(outcome.peakKiB <= memoryMiB * 1024L, "took too much memory");
        }
    }
};

QTEST_GUILESS_MAIN(TestHostileFiles)
#include "test_hostile_files.moc"
