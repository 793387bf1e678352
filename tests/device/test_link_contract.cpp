// What the device link promises, over each backend: the simulated camera and a camera on
// emulated USB. Every row runs once per backend; faults that only one backend can stage are
// tested beside that backend (test_device_link, test_usb_backend).

#include <QElapsedTimer>
#include <QtTest>
#include <cstring>
#include <memory>
#include <numeric>

#include "device/SimulatedBackend.h"
#include "device/UsbBackend.h"
#include "support/EmulatedUsb.h"
#include "support/LinkRig.h"

using namespace tavelo;
using tavelo::test::EmulatedCamera;
using tavelo::test::EmulatedDeviceSpec;
using tavelo::test::EmulatedUsb;
using tavelo::test::kRigTimeoutMs;
using tavelo::test::LinkRig;
using Bytes = std::vector<std::uint8_t>;

Q_DECLARE_METATYPE(LinkResult)

namespace {

// One transfer on the wire, in the link's terms.
struct Transfer {
    std::string pipe;  // "PIPE00", "PIPE01" or "PIPE03"
    Bytes bytes;       // written, or delivered
    std::size_t asked;
};

// One camera on one backend, and the faults both can stage.
class Camera {
public:
    virtual ~Camera() = default;
    virtual DeviceBackend& Backend() = 0;
    virtual void SetPicture(int mode, int rotation) = 0;
    virtual void SetShortRowAt(int row) = 0;
    virtual void SetGoneAtRow(int row) = 0;
    virtual void Unplug() = 0;
    virtual void Replug() = 0;
    virtual void Silence() = 0;  // nothing is answered any more: every read waits
    virtual std::vector<Transfer> Wire() = 0;
};

class Simulated final : public Camera {
public:
    DeviceBackend& Backend() override { return m_sim; }
    void SetPicture(int mode, int rotation) override {
        m_sim.Camera().GetState().captureMode = mode;
        m_sim.Camera().GetState().rotation = rotation;
    }
    void SetShortRowAt(int row) override { m_sim.SetShortRowAt(row); }
    void SetGoneAtRow(int row) override { m_sim.SetUnplugAtRow(row); }
    void Unplug() override { m_sim.SetPlugged(0, false); }
    void Replug() override { m_sim.SetPlugged(0, true); }
    void Silence() override { m_sim.SetNeverAnswers(true); }
    std::vector<Transfer> Wire() override {
        std::vector<Transfer> wire;
        for (const auto& e : m_sim.Wire()) {
            wire.push_back({e.pipe, e.bytes, e.asked});
        }
        return wire;
    }

private:
    SimulatedBackend m_sim{SimulatedBackend::WireLog::Kept};
};

class Emulated final : public Camera {
public:
    Emulated() : m_camera(&m_usb.Plug({})), m_backend(CreateUsbBackend({})) {}
    bool Ready() const { return m_usb.IsEmulating() && m_backend; }
    DeviceBackend& Backend() override { return *m_backend; }
    void SetPicture(int mode, int rotation) override {
        m_camera->WithModel([&](SimulatedCamera& model) {
            model.GetState().captureMode = mode;
            model.GetState().rotation = rotation;
        });
    }
    void SetShortRowAt(int row) override { m_camera->SetShortRowAt(row); }
    void SetGoneAtRow(int row) override { m_camera->SetGoneAtRow(row); }
    void Unplug() override { m_usb.Unplug(*m_camera); }
    void Replug() override {
        EmulatedDeviceSpec again;
        again.address = 9;  // a new address, as a real replug gives
        m_camera = &m_usb.Plug(again);
    }
    void Silence() override {}  // nothing was asked, so nothing is due
    std::vector<Transfer> Wire() override {
        std::vector<Transfer> wire;
        for (const auto& urb : m_camera->Wire()) {
            const char* pipe = urb.endpoint == 0x01   ? "PIPE00"
                               : urb.endpoint == 0x81 ? "PIPE01"
                               : urb.endpoint == 0x82 ? "PIPE03"
                                                      : "?";
            wire.push_back({pipe, urb.bytes, std::size_t(urb.asked)});
        }
        return wire;
    }

private:
    EmulatedUsb m_usb;
    EmulatedCamera* m_camera;
    std::unique_ptr<DeviceBackend> m_backend;
};

std::unique_ptr<Camera> MakeCamera(const QString& backend) {
    if (backend == "simulated") {
        return std::make_unique<Simulated>();
    }
    auto usb = std::make_unique<Emulated>();
    return usb->Ready() ? std::move(usb) : nullptr;
}

const QStringList kBackends = {"simulated", "usb"};

std::vector<int> OneTo(int n) {
    std::vector<int> v(static_cast<std::size_t>(n));
    std::iota(v.begin(), v.end(), 1);
    return v;
}

std::vector<const Transfer*> On(const std::vector<Transfer>& wire, const char* pipe) {
    std::vector<const Transfer*> found;
    for (const auto& t : wire) {
        if (t.pipe == pipe) {
            found.push_back(&t);
        }
    }
    return found;
}

bool AllZero(const std::uint8_t* p, std::size_t n) {
    return std::all_of(p, p + n, [](std::uint8_t b) { return b == 0; });
}

}  // namespace

#define CAMERA_UNDER_TEST(camera)                             \
    QFETCH(QString, backend);                                 \
    auto camera = MakeCamera(backend);                        \
    QVERIFY2(camera, "run this test under umockdev-wrapper"); \
    LinkRig rig(camera->Backend(), kRigTimeoutMs)

class TestLinkContract : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandIsOneZeroFilledPacket_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("packet");
        for (const QString& b : kBackends) {
            const QByteArray name = b.toUtf8();  // outlives the rows made from it
            const char* n = name.constData();
            QTest::addRow("%s, ZO+", n)
                << b << QByteArray("ZO+  ") << QByteArray::fromHex("5A4F2B2020000000");
            QTest::addRow("%s, one character", n)
                << b << QByteArray("A") << QByteArray::fromHex("4100000000000000");
            QTest::addRow("%s, seven characters", n)
                << b << QByteArray("ABCDEFG") << QByteArray::fromHex("4142434445464700");
            QTest::addRow("%s, empty", n) << b << QByteArray("") << QByteArray(8, '\0');
        }
    }

    void commandIsOneZeroFilledPacket() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, packet);
        CAMERA_UNDER_TEST(camera);
        QCOMPARE(rig.link.SendCommand(text.constData()), LinkResult::Done);
        const auto wire = camera->Wire();
        QCOMPARE(wire.size(), std::size_t(1));
        QCOMPARE(wire[0].pipe, std::string("PIPE00"));
        QCOMPARE(wire[0].asked, std::size_t(8));
        QCOMPARE(wire[0].bytes, Bytes(packet.begin(), packet.end()));
    }

    void overlongTextNeverTouchesTheWire_data() {
        QTest::addColumn<QString>("backend");
        for (const QString& b : kBackends) {
            QTest::newRow(qPrintable(b)) << b;
        }
    }

    void overlongTextNeverTouchesTheWire() {
        CAMERA_UNDER_TEST(camera);
        QCOMPARE(rig.link.SendCommand("ABCDEFGH"), LinkResult::NotACommand);
        QCOMPARE(rig.link.SendCommand(nullptr), LinkResult::NotACommand);
        QVERIFY(camera->Wire().empty());
    }

    void acknowledgement_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QByteArray>("text");  // empty: nothing sent, nothing to answer
        QTest::addColumn<LinkResult>("result");
        for (const QString& b : kBackends) {
            const QByteArray name = b.toUtf8();  // outlives the rows made from it
            const char* n = name.constData();
            QTest::addRow("%s, ACK", n) << b << QByteArray("ZO+  ") << LinkResult::Done;
            QTest::addRow("%s, NAK", n) << b << QByteArray("XX1  ") << LinkResult::Refused;
            QTest::addRow("%s, no reply", n) << b << QByteArray() << LinkResult::NoAnswer;
        }
    }

    void acknowledgement() {
        QFETCH(QByteArray, text);
        QFETCH(LinkResult, result);
        CAMERA_UNDER_TEST(camera);
        if (!text.isEmpty()) {
            QCOMPARE(rig.link.SendCommand(text.constData()), LinkResult::Done);
        }
        QCOMPARE(rig.link.WaitAck(), result);
        if (!text.isEmpty()) {
            const auto wire = camera->Wire();  // the replies point into it
            const auto replies = On(wire, "PIPE01");
            QCOMPARE(replies.size(), std::size_t(1));
            QCOMPARE(replies[0]->asked, std::size_t(8));
        }
    }

    // A camera that does not answer: the reply read waits out the time-out, counts as read
    // and leaves zeros; the picture read ends with its first row.
    void silentCameraEndsByTimeOut_data() { overlongTextNeverTouchesTheWire_data(); }

    void silentCameraEndsByTimeOut() {
        CAMERA_UNDER_TEST(camera);
        camera->Silence();
        std::uint8_t reply[PACKET_SIZE];
        std::memset(reply, 0xEE, sizeof reply);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(rig.link.ReadReply(reply), LinkResult::Done);
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(elapsed >= kRigTimeoutMs - 5, qPrintable(QString::number(elapsed)));
        QVERIFY2(elapsed < 3000, qPrintable(QString::number(elapsed)));
        QVERIFY(AllZero(reply, sizeof reply));

        MemoryBlock block = MemoryBlock::Allocate(2560 * 1024);
        QCOMPARE(rig.ReadImage(block, 1280, 1024), LinkResult::Incomplete);
        QVERIFY(rig.progress.positions.empty());
    }

    // The reply of a status query comes from the reply pipe as the camera's digits.
    void statusReplyFollowsItsQuery_data() { overlongTextNeverTouchesTheWire_data(); }

    void statusReplyFollowsItsQuery() {
        CAMERA_UNDER_TEST(camera);
        camera->SetPicture(2, 3);
        std::uint8_t reply[PACKET_SIZE];
        QCOMPARE(rig.link.SendCommand("QS2  "), LinkResult::Done);
        QCOMPARE(rig.link.ReadReply(reply), LinkResult::Done);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(reply), 8), QByteArray("20300000"));
        std::vector<std::string> pipes;
        for (const auto& t : camera->Wire()) {
            pipes.push_back(t.pipe);
        }
        QCOMPARE(pipes, (std::vector<std::string>{"PIPE00", "PIPE01"}));
    }

    // Unplugged between accesses: nothing opens, neither pipe; plugged in again, the next
    // access finds the camera without anything being reset.
    void unplugAndReplugBetweenAccesses_data() { overlongTextNeverTouchesTheWire_data(); }

    void unplugAndReplugBetweenAccesses() {
        CAMERA_UNDER_TEST(camera);
        QVERIFY(rig.link.CheckConnection());
        QCOMPARE(rig.link.SendCommand("NP1  "), LinkResult::Done);
        camera->Unplug();
        QCOMPARE(rig.link.WaitAck(), LinkResult::ReplyPipeNotOpened);
        std::uint8_t reply[PACKET_SIZE];
        std::memset(reply, 0x55, sizeof reply);
        QCOMPARE(rig.link.ReadReply(reply), LinkResult::ReplyPipeNotOpened);
        QVERIFY(AllZero(reply, sizeof reply));
        QCOMPARE(rig.link.SendCommand("NP0  "), LinkResult::NotSent);
        QVERIFY(!rig.link.CheckConnection());

        camera->Replug();
        QVERIFY(rig.link.CheckConnection());
        QCOMPARE(rig.link.SendCommand("NP0  "), LinkResult::Done);
        QCOMPARE(rig.link.WaitAck(), LinkResult::Done);
    }

    void pictureArrivesRowByRow_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        for (const QString& b : kBackends) {
            const QByteArray name = b.toUtf8();  // outlives the rows made from it
            const char* n = name.constData();
            QTest::addRow("%s, 1280 x 1024", n) << b << 3 << 0 << 1280 << 1024;
            QTest::addRow("%s, 1024 x 1280", n) << b << 3 << 3 << 1024 << 1280;
            QTest::addRow("%s, 1280 x 768", n) << b << 2 << 2 << 1280 << 768;
            QTest::addRow("%s, 1024 x 1024", n) << b << 2 << 1 << 1024 << 1024;
        }
    }

    // One read of one row per row, packed without gaps into the block, top row first, with
    // the progress after every row.
    void pictureArrivesRowByRow() {
        QFETCH(int, mode);
        QFETCH(int, rotation);
        QFETCH(int, width);
        QFETCH(int, height);
        CAMERA_UNDER_TEST(camera);
        camera->SetPicture(mode, rotation);
        QCOMPARE(rig.link.SendCommand("TR0  "), LinkResult::Done);
        QCOMPARE(rig.link.WaitAck(), LinkResult::Done);
        MemoryBlock block = MemoryBlock::Allocate(std::size_t(2) * width * height);
        QCOMPARE(rig.ReadImage(block, width, height), LinkResult::Done);

        QCOMPARE(rig.progress.positions, OneTo(height));
        const auto wire = camera->Wire();
        const auto rows = On(wire, "PIPE03");
        QCOMPARE(rows.size(), std::size_t(height));
        const std::size_t rowSize = 2 * std::size_t(width);
        for (std::size_t row = 0; row < rows.size(); ++row) {
            QCOMPARE(rows[row]->asked, rowSize);
            QCOMPARE(rows[row]->bytes.size(), rowSize);
            QVERIFY(std::memcmp(block.Data() + row * rowSize, rows[row]->bytes.data(), rowSize) ==
                    0);
        }
        QVERIFY(!AllZero(block.Data(), block.Size()));
    }

    void pictureEndsEarly_data() {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<bool>("unplug");  // false: the row arrives short
        QTest::addColumn<int>("row");
        for (const QString& b : kBackends) {
            const QByteArray name = b.toUtf8();  // outlives the rows made from it
            const char* n = name.constData();
            QTest::addRow("%s, first row short", n) << b << false << 0;
            QTest::addRow("%s, row 500 short", n) << b << false << 500;
            QTest::addRow("%s, last row short", n) << b << false << 1023;
            QTest::addRow("%s, unplugged at row 10", n) << b << true << 10;
        }
    }

    // The transfer stops at the row that did not arrive whole: the rows before it are in the
    // block and were reported, nothing after it is read.
    void pictureEndsEarly() {
        QFETCH(bool, unplug);
        QFETCH(int, row);
        CAMERA_UNDER_TEST(camera);
        QCOMPARE(rig.link.SendCommand("TR0  "), LinkResult::Done);
        QCOMPARE(rig.link.WaitAck(), LinkResult::Done);
        if (unplug) {
            camera->SetGoneAtRow(row);
        } else {
            camera->SetShortRowAt(row);
        }
        MemoryBlock block = MemoryBlock::Allocate(2560 * 1024);
        QCOMPARE(rig.ReadImage(block, 1280, 1024), LinkResult::Incomplete);
        QCOMPARE(rig.progress.positions, OneTo(row));
        QCOMPARE(On(camera->Wire(), "PIPE03").size(), std::size_t(row + 1));
        const std::size_t after = std::size_t(row + 1) * 2560;
        QVERIFY(AllZero(block.Data() + after, block.Size() - after));
        if (unplug) {
            QVERIFY(!rig.link.CheckConnection());
        }
    }
};

QTEST_GUILESS_MAIN(TestLinkContract)
#include "test_link_contract.moc"
