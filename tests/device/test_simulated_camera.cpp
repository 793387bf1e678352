#include <unistd.h>

#include <QtTest>

#include <cmath>
#include <cstring>

#include "device/DeviceLink.h"
#include "device/MemoryBlock.h"
#include "device/SimulatedBackend.h"
#include "device/SimulatedCamera.h"
#include "support/LinkRig.h"

using namespace tavelo;

namespace {

using Packet = std::array<std::uint8_t, 8>;

Packet PacketOf(const char* text) {
    Packet p{};
    std::memcpy(p.data(), text, std::strlen(text));
    return p;
}

// Sends one packet and takes its reply.
QByteArray Exchange(SimulatedCamera& camera, const Packet& packet) {
    camera.ReceivePacket(packet);
    std::uint8_t reply[8] = {};
    if (!camera.TakeReply(reply)) {
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(reply), 8);
}

QByteArray Exchange(SimulatedCamera& camera, const char* text) {
    return Exchange(camera, PacketOf(text));
}

const QByteArray kAck = QByteArray(1, '\x06') + QByteArray(7, '\0');
const QByteArray kNak = QByteArray(1, '\x15') + QByteArray(7, '\0');

struct Rgb {
    int b, g, r;
};

// The receiving side's conversion of one sample: blue = Y + 2U, red = Y + 2V, green =
// Y - V - 0.375U rounded half up, each clamped.
Rgb Decode(int u, int y, int v) {
    auto clamp = [](int x) { return std::clamp(x, 0, 255); };
    const double g = 0.5 - (2 * v * 0.5 + 2 * u * 0.1875);
    return {clamp(y + 2 * u), clamp(static_cast<int>(y + g)), clamp(y + 2 * v)};
}

std::vector<Rgb> DecodePicture(const std::vector<std::uint8_t>& raw) {
    std::vector<Rgb> out;
    out.reserve(raw.size() / 2);
    for (std::size_t i = 0; i + 3 < raw.size(); i += 4) {
        const int u = static_cast<std::int8_t>(raw[i]);
        const int v = static_cast<std::int8_t>(raw[i + 2]);
        out.push_back(Decode(u, raw[i + 1], v));
        out.push_back(Decode(u, raw[i + 3], v));
    }
    return out;
}

// Resident memory of this process, in bytes.
qint64 ResidentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : -1;
}

// One whole picture through the device link, as the view's capture takes it.
bool CaptureThroughTheLink(SimulatedBackend& backend) {
    test::LinkRig rig(backend);
    const int width = 1280, height = 1024;
    MemoryBlock block = MemoryBlock::Allocate(std::size_t(2) * width * height);
    return rig.link.SendCommand("TR0  ") == LinkResult::Done &&
           rig.link.WaitAck() == LinkResult::Done &&
           rig.ReadImage(block, width, height) == LinkResult::Done;
}

std::vector<std::uint8_t> ReadWholePicture(SimulatedCamera& camera, std::size_t expected) {
    std::vector<std::uint8_t> raw(expected + 16);
    const std::size_t n = camera.ReadPicture(raw);
    raw.resize(n);
    return raw;
}

// Where a point of the upright page, in fractions of its width and height, lands on a
// picture turned clockwise by rotation quarter turns.
QPointF Turned(double u, double v, int rotation) {
    switch (rotation) {
        case 1:
            return {1 - v, u};
        case 2:
            return {1 - u, 1 - v};
        case 3:
            return {v, 1 - u};
        default:
            return {u, v};
    }
}

enum class Colour { White, Dark, Red, Green, Blue, Yellow, Cyan, Magenta, Other };

Colour Classify(int b, int g, int r) {
    auto hi = [](int x) { return x >= 200; };
    auto lo = [](int x) { return x <= 60; };
    if (hi(b) && hi(g) && hi(r))
        return Colour::White;
    if (lo(b) && lo(g) && lo(r))
        return Colour::Dark;
    if (lo(b) && lo(g) && hi(r))
        return Colour::Red;
    if (lo(b) && hi(g) && lo(r))
        return Colour::Green;
    if (hi(b) && lo(g) && lo(r))
        return Colour::Blue;
    if (lo(b) && hi(g) && hi(r))
        return Colour::Yellow;
    if (hi(b) && hi(g) && lo(r))
        return Colour::Cyan;
    if (hi(b) && lo(g) && hi(r))
        return Colour::Magenta;
    return Colour::Other;
}

Colour At(const std::vector<std::uint8_t>& bgr, int width, int height, QPointF p) {
    const int x = std::clamp(static_cast<int>(p.x() * width), 0, width - 1);
    const int y = std::clamp(static_cast<int>(p.y() * height), 0, height - 1);
    const std::uint8_t* px = &bgr[(static_cast<std::size_t>(y) * width + x) * 3];
    return Classify(px[0], px[1], px[2]);
}

// Landmarks of the upright page: the chart's patches near the top left, left to right, and
// the arrow near the top right.
struct Landmark {
    double u, v;
    Colour colour;
};
const Landmark kLandmarks[] = {
    {0.085, 0.10, Colour::Red},    {0.155, 0.10, Colour::Green}, {0.225, 0.10, Colour::Blue},
    {0.295, 0.10, Colour::Yellow}, {0.365, 0.10, Colour::Cyan},  {0.435, 0.10, Colour::Magenta},
    {0.80, 0.12, Colour::Dark},    {0.80, 0.22, Colour::Dark},   {0.50, 0.02, Colour::White},
    {0.50, 0.97, Colour::White},
};

}  // namespace

Q_DECLARE_METATYPE(int SimulatedCamera::State::*)

class TestSimulatedCamera : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsWithDigitsOfItsState();
    void statusAfterCommand_data();
    void statusAfterCommand();
    void motions_data();
    void motions();
    void refused_data();
    void refused();
    void pictureSizes_data();
    void pictureSizes();
    void transferArmsOnePicture_data();
    void transferArmsOnePicture();
    void pageOrientation_data();
    void pageOrientation();
    void encodingGivesThePageBack();
    void negativeAndBlackWhiteShow();
    void repliesQueueInOrder();
    void capturesKeepMemoryFlat_data();
    void capturesKeepMemoryFlat();
};

void TestSimulatedCamera::startsWithDigitsOfItsState() {
    SimulatedCamera camera;
    QCOMPARE(Exchange(camera, "QS0  "), QByteArray("00000000"));
    QCOMPARE(Exchange(camera, "QS2  "), QByteArray("30000000"));
    camera.GetState().captureMode = 2;
    QCOMPARE(Exchange(camera, "QS2  ").at(0), '2');
    QCOMPARE(camera.CommandLog().size(), std::size_t(3));
    QCOMPARE(camera.CommandLog()[0], PacketOf("QS0  "));
}

void TestSimulatedCamera::statusAfterCommand_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("status");
    QTest::newRow("base lamp") << QByteArray("PL1  ") << QByteArray("QS0  ")
                               << QByteArray("10000000");
    QTest::newRow("upper lamp") << QByteArray("PL2  ") << QByteArray("QS0  ")
                                << QByteArray("20000000");
    QTest::newRow("RGB2") << QByteArray("AV2  ") << QByteArray("QS0  ") << QByteArray("02000000");
    QTest::newRow("negative") << QByteArray("NP1  ") << QByteArray("QS0  ")
                              << QByteArray("00100000");
    QTest::newRow("b&w") << QByteArray("CB1  ") << QByteArray("QS0  ") << QByteArray("00010000");
    QTest::newRow("pointer") << QByteArray("PO1  ") << QByteArray("QS0  ")
                             << QByteArray("00001000");
    QTest::newRow("2x") << QByteArray("MA1  ") << QByteArray("QS0  ") << QByteArray("00000100");
    QTest::newRow("pause") << QByteArray("FZ1  ") << QByteArray("QS0  ") << QByteArray("00000010");
    QTest::newRow("lock") << QByteArray("LL1  ") << QByteArray("QS0  ") << QByteArray("00000001");
    QTest::newRow("gamma 7") << QByteArray("GM7  ") << QByteArray("QS2  ")
                             << QByteArray("37000000");
    QTest::newRow("rotation 270") << QByteArray("RO3  ") << QByteArray("QS2  ")
                                  << QByteArray("30300000");
    QTest::newRow("aperture") << QByteArray("AP1  ") << QByteArray("QS2  ")
                              << QByteArray("30010000");
    QTest::newRow("contrast") << QByteArray("CT1  ") << QByteArray("QS2  ")
                              << QByteArray("30000100");
}

void TestSimulatedCamera::statusAfterCommand() {
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, status);
    SimulatedCamera camera;
    QCOMPARE(Exchange(camera, command.constData()), kAck);
    QCOMPARE(Exchange(camera, query.constData()), status);
    // Switching back is acknowledged and reported too.
    QByteArray off = command;
    off[2] = '0';
    QCOMPARE(Exchange(camera, off.constData()), kAck);
    QCOMPARE(Exchange(camera, query.constData()),
             query == "QS0  " ? QByteArray("00000000") : QByteArray("30000000"));
}

void TestSimulatedCamera::motions_data() {
    using S = SimulatedCamera::State;
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int S::*>("field");
    QTest::addColumn<int>("value");
    QTest::newRow("tele") << QByteArray("ZO+  ") << &S::zoomMotion << 1;
    QTest::newRow("wide") << QByteArray("ZO-  ") << &S::zoomMotion << -1;
    QTest::newRow("near") << QByteArray("FO+  ") << &S::focusMotion << 1;
    QTest::newRow("far") << QByteArray("FO-  ") << &S::focusMotion << -1;
    QTest::newRow("open") << QByteArray("IR+  ") << &S::irisMotion << 1;
    QTest::newRow("close") << QByteArray("IR-  ") << &S::irisMotion << -1;
    QTest::newRow("pointer right") << QByteArray("PM1  ") << &S::pointerMotion << 1;
    QTest::newRow("pointer down") << QByteArray("PM4  ") << &S::pointerMotion << 4;
    QTest::newRow("iris normal") << QByteArray("IR1  ") << &S::irisResets << 1;
    QTest::newRow("auto focus") << QByteArray("AF0  ") << &S::autoFocusRuns << 1;
    QTest::newRow("white balance") << QByteArray("AW2  ") << &S::whiteBalanceRuns << 1;
}

void TestSimulatedCamera::motions() {
    using S = SimulatedCamera::State;
    QFETCH(QByteArray, command);
    QFETCH(int S::*, field);
    QFETCH(int, value);
    SimulatedCamera camera;
    QCOMPARE(Exchange(camera, command.constData()), kAck);
    QCOMPARE(camera.GetState().*field, value);
    if (field == &S::zoomMotion || field == &S::focusMotion || field == &S::irisMotion ||
        field == &S::pointerMotion) {
        QByteArray stop = command;
        stop[2] = '0';
        QCOMPARE(Exchange(camera, stop.constData()), kAck);
        QCOMPARE(camera.GetState().*field, 0);
    }
}

void TestSimulatedCamera::refused_data() {
    QTest::addColumn<QByteArray>("packet");  // all 8 bytes
    auto text = [](const char* t) {
        QByteArray p(t);
        return p + QByteArray(8 - p.size(), '\0');
    };
    QTest::newRow("unknown code") << text("XX1  ");
    QTest::newRow("lower case") << text("zo+  ");
    QTest::newRow("lamp 3") << text("PL3  ");
    QTest::newRow("rotation 4") << text("RO4  ");
    QTest::newRow("gamma 8") << text("GM8  ");
    QTest::newRow("pointer 5") << text("PM5  ");
    QTest::newRow("lock sign") << text("LL+  ");
    QTest::newRow("zoom digit") << text("ZO1  ");
    QTest::newRow("transfer 1") << text("TR1  ");
    QTest::newRow("status 1") << text("QS1  ");
    QTest::newRow("auto focus 1") << text("AF1  ");
    QTest::newRow("no blanks") << text("ZO+");
    QTest::newRow("one blank") << text("ZO+ ");
    QTest::newRow("three blanks") << text("ZO+   ");
    QTest::newRow("trailing byte") << text("ZO+  ").replace(7, 1, "\x01");
    QTest::newRow("empty") << text("");
}

void TestSimulatedCamera::refused() {
    QFETCH(QByteArray, packet);
    SimulatedCamera camera;
    Packet p{};
    std::memcpy(p.data(), packet.constData(), 8);
    QCOMPARE(Exchange(camera, p), kNak);
    QCOMPARE(Exchange(camera, "QS0  "), QByteArray("00000000"));
    QCOMPARE(Exchange(camera, "QS2  "), QByteArray("30000000"));
    QCOMPARE(camera.GetState().zoomMotion, 0);
    QVERIFY(!camera.PictureArmed());

    // A packet of the wrong length is refused as well.
    camera.ReceivePacket(std::span<const std::uint8_t>(p.data(), 7));
    std::uint8_t reply[8];
    QVERIFY(camera.TakeReply(reply));
    QCOMPARE(reply[0], std::uint8_t(0x15));
}

void TestSimulatedCamera::pictureSizes_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("2/0") << 2 << 0 << true << 1280 << 768;
    QTest::newRow("2/1") << 2 << 1 << true << 1024 << 1024;
    QTest::newRow("2/2") << 2 << 2 << true << 1280 << 768;
    QTest::newRow("2/3") << 2 << 3 << true << 1024 << 1024;
    QTest::newRow("3/0") << 3 << 0 << true << 1280 << 1024;
    QTest::newRow("3/1") << 3 << 1 << true << 1024 << 1280;
    QTest::newRow("3/2") << 3 << 2 << true << 1280 << 1024;
    QTest::newRow("3/3") << 3 << 3 << true << 1024 << 1280;
    QTest::newRow("1/0") << 1 << 0 << false << 0 << 0;
    QTest::newRow("4/0") << 4 << 0 << false << 0 << 0;
    QTest::newRow("3/4") << 3 << 4 << false << 0 << 0;
    QTest::newRow("3/-1") << 3 << -1 << false << 0 << 0;
}

void TestSimulatedCamera::pictureSizes() {
    QFETCH(int, mode);
    QFETCH(int, rotation);
    QFETCH(bool, valid);
    QFETCH(int, width);
    QFETCH(int, height);
    int w = 0, h = 0;
    QCOMPARE(SimulatedCamera::PictureSize(mode, rotation, w, h), valid);
    if (valid) {
        QCOMPARE(w, width);
        QCOMPARE(h, height);
    }
}

void TestSimulatedCamera::transferArmsOnePicture_data() {
    pictureSizes_data();
}

void TestSimulatedCamera::transferArmsOnePicture() {
    QFETCH(int, mode);
    QFETCH(int, rotation);
    QFETCH(bool, valid);
    QFETCH(int, width);
    QFETCH(int, height);
    SimulatedCamera camera;
    camera.GetState().captureMode = mode;
    camera.GetState().rotation = rotation;
    QCOMPARE(Exchange(camera, "TR0  "), valid ? kAck : kNak);
    QCOMPARE(camera.PictureArmed(), valid);
    const std::size_t size = std::size_t(2) * width * height;
    QCOMPARE(ReadWholePicture(camera, size).size(), size);
    // One picture per "TR0  ": nothing more until the next one.
    std::uint8_t more[16];
    QCOMPARE(camera.ReadPicture(more), std::size_t(0));
    QVERIFY(!camera.PictureArmed());
}

void TestSimulatedCamera::pageOrientation_data() {
    QTest::addColumn<int>("rotation");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("0, 1280x1024") << 0 << 1280 << 1024;
    QTest::newRow("90, 1024x1280") << 1 << 1024 << 1280;
    QTest::newRow("180, 1280x768") << 2 << 1280 << 768;
    QTest::newRow("270, 1024x1024") << 3 << 1024 << 1024;
    QTest::newRow("0, odd small") << 0 << 301 << 199;
}

void TestSimulatedCamera::pageOrientation() {
    QFETCH(int, rotation);
    QFETCH(int, width);
    QFETCH(int, height);
    const auto page = SimulatedCamera::RenderPage(width, height, rotation);
    QCOMPARE(page.size(), std::size_t(3) * width * height);
    for (const Landmark& mark : kLandmarks) {
        QCOMPARE(At(page, width, height, Turned(mark.u, mark.v, rotation)), mark.colour);
    }
    // Mirror images of the chart and the arrow are plain paper: a flip would show.
    QCOMPARE(At(page, width, height, Turned(1 - 0.085, 0.10, rotation)), Colour::White);
    QCOMPARE(At(page, width, height, Turned(0.085, 1 - 0.10, rotation)), Colour::White);
    QCOMPARE(At(page, width, height, Turned(1 - 0.80, 0.22, rotation)), Colour::White);
    QCOMPARE(At(page, width, height, Turned(0.80, 1 - 0.12, rotation)), Colour::White);
    // Text-like strokes cover a fair share of the lower page.
    int dark = 0, samples = 0;
    for (double v = 0.35; v < 0.9; v += 0.005) {
        for (double u = 0.1; u < 0.9; u += 0.01, ++samples) {
            dark += At(page, width, height, Turned(u, v, rotation)) == Colour::Dark;
        }
    }
    QVERIFY2(dark > samples / 6 && dark < samples * 2 / 3, qPrintable(QString::number(dark)));
}

void TestSimulatedCamera::encodingGivesThePageBack() {
    const int width = 1280, height = 1024;
    SimulatedCamera camera;
    QCOMPARE(Exchange(camera, "TR0  "), kAck);
    const auto decoded = DecodePicture(ReadWholePicture(camera, std::size_t(2) * width * height));
    const auto page = SimulatedCamera::RenderPage(width, height, 0);
    QCOMPARE(decoded.size(), std::size_t(width) * height);
    int worst = 0, greys = 0;
    for (std::size_t i = 0; i + 1 < decoded.size(); i += 2) {
        const std::uint8_t* p0 = &page[i * 3];
        const std::uint8_t* p1 = p0 + 3;
        if (!std::equal(p0, p0 + 3, p1)) {
            continue;  // the pair shares its colour differences: only like pairs come back
        }
        for (std::size_t k = i; k < i + 2; ++k) {
            const Rgb& d = decoded[k];
            const int e =
                std::max({std::abs(d.b - p0[0]), std::abs(d.g - p0[1]), std::abs(d.r - p0[2])});
            if (p0[0] == p0[1] && p0[1] == p0[2]) {
                ++greys;
                QCOMPARE(e, 0);  // greys come back exactly
            }
            worst = std::max(worst, e);
        }
    }
    QVERIFY(greys > width * height / 2);
    QVERIFY2(worst <= 4, qPrintable(QString::number(worst)));
}

void TestSimulatedCamera::negativeAndBlackWhiteShow() {
    const int width = 1280, height = 1024;
    const std::size_t size = std::size_t(2) * width * height;
    auto pixel = [&](const std::vector<Rgb>& d, double u, double v) {
        return d[static_cast<std::size_t>(v * height) * width +
                 static_cast<std::size_t>(u * width)];
    };
    SimulatedCamera camera;
    QCOMPARE(Exchange(camera, "NP1  "), kAck);
    QCOMPARE(Exchange(camera, "TR0  "), kAck);
    auto negative = DecodePicture(ReadWholePicture(camera, size));
    const Rgb paper = pixel(negative, 0.5, 0.02);
    QCOMPARE(paper.b + paper.g + paper.r, 0);
    const Rgb red = pixel(negative, 0.085, 0.10);  // red turns cyan
    QVERIFY(red.r < 60 && red.g > 200 && red.b > 200);

    QCOMPARE(Exchange(camera, "NP0  "), kAck);
    QCOMPARE(Exchange(camera, "CB1  "), kAck);
    QCOMPARE(Exchange(camera, "TR0  "), kAck);
    auto grey = DecodePicture(ReadWholePicture(camera, size));
    for (double u : {0.085, 0.155, 0.225, 0.295, 0.365, 0.435}) {
        const Rgb patch = pixel(grey, u, 0.10);
        QCOMPARE(patch.b, patch.g);
        QCOMPARE(patch.g, patch.r);
    }
}

void TestSimulatedCamera::repliesQueueInOrder() {
    SimulatedCamera camera;
    camera.ReceivePacket(PacketOf("QS0  "));
    camera.ReceivePacket(PacketOf("XX0  "));
    camera.ReceivePacket(PacketOf("PL1  "));
    std::uint8_t reply[8];
    QVERIFY(camera.TakeReply(reply));
    QCOMPARE(reply[0], std::uint8_t('0'));
    QVERIFY(camera.TakeReply(reply));
    QCOMPARE(reply[0], std::uint8_t(0x15));
    QVERIFY(camera.TakeReply(reply));
    QCOMPARE(reply[0], std::uint8_t(0x06));
    QVERIFY(!camera.TakeReply(reply));
}

void TestSimulatedCamera::capturesKeepMemoryFlat_data() {
    QTest::addColumn<bool>("keepWire");
    QTest::newRow("wire not kept, as in the application") << false;
    QTest::newRow("wire kept for a test, bounded") << true;
}

void TestSimulatedCamera::capturesKeepMemoryFlat() {
    QFETCH(bool, keepWire);
    using WireLog = SimulatedBackend::WireLog;
    SimulatedBackend backend(keepWire ? WireLog::Kept : WireLog::Off);
    qint64 afterTen = ResidentBytes();  // the reading itself costs memory the first time
    for (int capture = 1; capture <= 50; ++capture) {
        QVERIFY2(CaptureThroughTheLink(backend), qPrintable(QString::number(capture)));
        if (capture == 10) {
            afterTen = ResidentBytes();
        }
    }
    const qint64 afterFifty = ResidentBytes();
    QVERIFY(afterTen > 0);
    QVERIFY2(afterFifty <= afterTen + afterTen / 10,
             qPrintable(QStringLiteral("%1 MB after 10 captures, %2 MB after 50")
                            .arg(afterTen >> 20)
                            .arg(afterFifty >> 20)));
    QCOMPARE(backend.Wire().empty(), !keepWire);
}

QTEST_GUILESS_MAIN(TestSimulatedCamera)
#include "test_simulated_camera.moc"
