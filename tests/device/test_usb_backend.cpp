#include <QElapsedTimer>
#include <QtTest>
#include <array>
#include <cstring>
#include <memory>
#include <numeric>
#include <optional>

#include "device/DeviceDiscovery.h"
#include "device/DeviceLink.h"
#include "device/MemoryBlock.h"
#include "device/UsbBackend.h"
#include "device/UsbCameraDiagnosis.h"
#include "device/UsbDiagnostics.h"
#include "support/EmulatedUsb.h"
#include "support/RecordingHost.h"

using namespace tavelo;
using tavelo::test::EmulatedCamera;
using tavelo::test::EmulatedDeviceSpec;
using tavelo::test::EmulatedUsb;
using tavelo::test::ExpectedPicture;
using tavelo::test::RecordingHost;

namespace {

// Short, since a wait under emulation is a busy loop.
constexpr int kTimeoutMs = 60;

std::vector<std::uint8_t> Packet(const char* text) {
    std::vector<std::uint8_t> packet(8, 0);
    std::memcpy(packet.data(), text, std::strlen(text));
    return packet;
}

std::vector<std::string> Paths(const std::vector<InterfaceEntry>& entries) {
    std::vector<std::string> paths;
    for (const auto& entry : entries) {
        paths.push_back(entry.path);
    }
    return paths;
}

std::vector<std::vector<std::uint8_t>> Written(const EmulatedCamera& camera) {
    std::vector<std::vector<std::uint8_t>> written;
    for (const auto& urb : camera.Wire()) {
        if ((urb.endpoint & 0x80) == 0) {
            written.push_back(urb.bytes);
        }
    }
    return written;
}

}  // namespace

class TestUsbBackend : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<EmulatedUsb> m_usb;
    std::unique_ptr<DeviceBackend> m_backend;
    RecordingHost m_host;

    EmulatedCamera& Plug(int bus, int port, int address, bool marked = true) {
        EmulatedDeviceSpec described;
        described.bus = bus;
        described.port = port;
        described.address = address;
        described.marked = marked;
        return m_usb->Plug(described);
    }

    void StartBackend(UsbOptions options = {}) {
        m_backend = CreateUsbBackend(std::move(options));
        QVERIFY(m_backend);
    }

    // Starts the backend, has the camera start a picture of the host's size and reads it:
    // nullopt when the start itself failed, else whether every row arrived whole.
    std::optional<bool> TransferPicture(MemoryBlock& block) {
        m_backend = CreateUsbBackend({});
        if (!m_backend) {
            return std::nullopt;
        }
        DeviceLink link(*m_backend, m_host, kTimeoutMs);
        if (!link.SendCommand("TR0  ") || !link.WaitAck()) {
            return std::nullopt;
        }
        block = MemoryBlock::Allocate(2u * m_host.width * m_host.height);
        return link.ReadImage(block);
    }

    // Each claim was matched by a release: nothing stays open after an access.
    static void VerifyAllReleased(const EmulatedCamera& camera) {
        QCOMPARE(camera.Releases(), camera.Claims());
    }

private Q_SLOTS:
    void init() {
        m_usb = std::make_unique<EmulatedUsb>();
        QVERIFY2(m_usb->IsEmulating(), "run this test under umockdev-wrapper");
        m_host = RecordingHost{};
    }

    void cleanup() {
        m_backend.reset();
        m_usb.reset();
    }

    void discoveryIsOrderedByBusThenPort() {
        // Plugged in an order that is neither bus, port nor address order.
        Plug(2, 1, 3);
        Plug(1, 3, 2);
        Plug(1, 1, 7);
        Plug(1, 2, 4, /*marked=*/false);
        StartBackend();

        const auto entries = m_backend->EnumerateInterfaces(GUID_DEVINTERFACE_CAMERA);
        QVERIFY(entries);
        QCOMPARE(Paths(*entries), (std::vector<std::string>{"usb:1-1", "usb:1-3", "usb:2-1"}));
        for (const auto& entry : *entries) {
            QCOMPARE(entry.state, InterfaceEntry::State::Present);
        }
        std::string path;
        QVERIFY(FindDevice(*m_backend, GUID_DEVINTERFACE_CAMERA, path));
        QCOMPARE(path, std::string("usb:1-1"));

        // Another class has no interfaces here.
        Guid other = GUID_DEVINTERFACE_CAMERA;
        other.data1 ^= 1;
        const auto none = m_backend->EnumerateInterfaces(other);
        QVERIFY(none && none->empty());
    }

    void unclaimableInterfaceIsSkipped() {
        EmulatedCamera& held = Plug(1, 1, 2);
        EmulatedCamera& free = Plug(1, 2, 3);
        held.SetClaimRefused(true);
        StartBackend();
        DeviceLink link(*m_backend, m_host, kTimeoutMs);

        std::string path;
        QVERIFY(FindDevice(*m_backend, GUID_DEVINTERFACE_CAMERA, path));
        QCOMPARE(path, free.PathText());
        QVERIFY(link.SendCommand("ZO+  "));
        QVERIFY(Written(held).empty());
        QCOMPARE(Written(free), (std::vector<std::vector<std::uint8_t>>{Packet("ZO+  ")}));
        VerifyAllReleased(free);

        // Held everywhere: the camera counts as absent.
        free.SetClaimRefused(true);
        QVERIFY(!link.CheckConnection());
        QVERIFY(!FindDevice(*m_backend, GUID_DEVINTERFACE_CAMERA, path));
        QVERIFY(path.empty());
    }

    void commandIsEightBytesOnTheOutEndpoint_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("zoom tele")
            << QByteArray("ZO+  ") << QByteArray::fromHex("5a4f2b2020000000");
        QTest::newRow("status 2") << QByteArray("QS2  ") << QByteArray::fromHex("5153322020000000");
        QTest::newRow("seven characters") << QByteArray("ABCDEFG")
                                          << QByteArray::fromHex(
                                                 "41424344454647"
                                                 "00");
        QTest::newRow("empty") << QByteArray("") << QByteArray::fromHex("0000000000000000");
    }

    void commandIsEightBytesOnTheOutEndpoint() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, wire);
        EmulatedCamera& camera = Plug(1, 1, 2);
        StartBackend();
        DeviceLink link(*m_backend, m_host, kTimeoutMs);

        QVERIFY(link.SendCommand(text.constData()));
        const auto urbs = camera.Wire();
        QCOMPARE(urbs.size(), std::size_t(1));
        QCOMPARE(urbs[0].endpoint, std::uint8_t(0x01));
        QCOMPARE(urbs[0].asked, 8);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(urbs[0].bytes.data()),
                            static_cast<int>(urbs[0].bytes.size())),
                 wire);
        QVERIFY(m_host.errors.empty());
        VerifyAllReleased(camera);
    }

    void replyComesFromTheInEndpoint() {
        EmulatedCamera& camera = Plug(1, 1, 2);
        camera.WithModel([](SimulatedCamera& model) {
            model.GetState().captureMode = 2;
            model.GetState().gamma = 5;
            model.GetState().rotation = 3;
        });
        StartBackend();
        DeviceLink link(*m_backend, m_host, kTimeoutMs);

        QVERIFY(link.SendCommand("QS2  "));
        std::uint8_t reply[PACKET_SIZE];
        QVERIFY(link.ReadReply(reply));
        QCOMPARE(reply[0], std::uint8_t('2'));  // capture mode
        QCOMPARE(reply[1], std::uint8_t('5'));  // gamma
        QCOMPARE(reply[2], std::uint8_t('3'));  // rotation
        const auto urbs = camera.Wire();
        QCOMPARE(urbs.back().endpoint, std::uint8_t(0x81));
        QCOMPARE(urbs.back().asked, 8);

        QVERIFY(link.SendCommand("ZO+  "));
        QVERIFY(link.WaitAck());
        QVERIFY(link.SendCommand("XX9  "));  // not a command: refused
        QVERIFY(!link.WaitAck());
        QCOMPARE(m_host.errors, std::vector<int>{ERR_COMMUNICATE});
        VerifyAllReleased(camera);
    }

    void pictureArrivesRowByRow_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("1280 x 1024") << 3 << 0 << 1280 << 1024;
        QTest::newRow("1024 x 1280") << 3 << 1 << 1024 << 1280;
        QTest::newRow("1280 x 768") << 2 << 2 << 1280 << 768;
    }

    void pictureArrivesRowByRow() {
        QFETCH(int, mode);
        QFETCH(int, rotation);
        QFETCH(int, width);
        QFETCH(int, height);
        EmulatedCamera& camera = Plug(1, 1, 2);
        const auto state = camera.WithModel([&](SimulatedCamera& model) {
            model.GetState().captureMode = mode;
            model.GetState().rotation = rotation;
            return model.GetState();
        });
        m_host.width = width;
        m_host.height = height;
        MemoryBlock block;
        QCOMPARE(TransferPicture(block), std::optional(true));

        std::vector<int> positions(height);
        std::iota(positions.begin(), positions.end(), 1);
        QCOMPARE(m_host.progress, positions);
        const auto expected = ExpectedPicture(state);
        QCOMPARE(expected.size(), block.Size());
        QVERIFY(std::equal(expected.begin(), expected.end(), block.Data()));
        // One bulk IN read of one row per row.
        int rowReads = 0;
        for (const auto& urb : camera.Wire()) {
            if (urb.endpoint == 0x82) {
                QCOMPARE(urb.asked, 2 * width);
                ++rowReads;
            }
        }
        QCOMPARE(rowReads, height);
        VerifyAllReleased(camera);
    }

    void shortRowEndsThePicture() {
        EmulatedCamera& camera = Plug(1, 1, 2);
        camera.SetShortRowAt(6);
        MemoryBlock block;
        QCOMPARE(TransferPicture(block), std::optional(false));
        QCOMPARE(m_host.progress, (std::vector<int>{1, 2, 3, 4, 5, 6}));
        // The short row is the last one read; nothing after it lands in the block.
        const auto urbs = camera.Wire();
        QCOMPARE(urbs.back().bytes.size(), std::size_t(1280));
        QVERIFY(std::all_of(block.Data() + 7 * 2560, block.Data() + block.Size(),
                            [](std::uint8_t b) { return b == 0; }));
        QVERIFY(m_host.errors.empty());
        VerifyAllReleased(camera);
    }

    void silentCameraTimesOut() {
        EmulatedCamera& camera = Plug(1, 1, 2);
        StartBackend();
        DeviceLink link(*m_backend, m_host, kTimeoutMs);

        // No command was sent, so no reply is waiting: the read waits out the time-out.
        QElapsedTimer timer;
        timer.start();
        std::uint8_t reply[PACKET_SIZE];
        std::memset(reply, 0xee, sizeof reply);
        QVERIFY(link.ReadReply(reply));
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(elapsed >= kTimeoutMs - 5, qPrintable(QString::number(elapsed)));
        QVERIFY2(elapsed < 3000, qPrintable(QString::number(elapsed)));
        QVERIFY(std::all_of(std::begin(reply), std::end(reply), [](auto b) { return b == 0; }));
        QVERIFY(!link.WaitAck());
        QVERIFY(m_host.errors.empty());

        // At the seam the read says it timed out, with nothing moved.
        auto pipe = OpenPipe(*m_backend, PIPE_REPLY);
        QVERIFY(pipe);
        std::array<std::uint8_t, 8> buffer{};
        const IoResult result = pipe->Read(buffer, kTimeoutMs);
        QCOMPARE(result.status, IoResult::Status::TimedOut);
        QCOMPARE(result.transferred, std::size_t(0));
        pipe.reset();
        VerifyAllReleased(camera);
    }

    void unplugBetweenAccesses() {
        EmulatedCamera& camera = Plug(1, 1, 2);
        StartBackend();
        DeviceLink link(*m_backend, m_host, kTimeoutMs);
        QVERIFY(link.CheckConnection());

        m_usb->Unplug(camera);
        QVERIFY(!link.CheckConnection());
        QVERIFY(!link.SendCommand("ZO+  "));
        QCOMPARE(m_host.errors, std::vector<int>{ERR_TRANSMIT});
        QCOMPARE(m_host.closeRemoteCalls, 1);

        // Plugged in again, the next access finds it without anything being reset.
        EmulatedCamera& again = Plug(1, 1, 9);
        QVERIFY(link.CheckConnection());
        QVERIFY(link.SendCommand("ZO+  "));
        QCOMPARE(Written(again), (std::vector<std::vector<std::uint8_t>>{Packet("ZO+  ")}));
    }

    void unplugDuringPicture() {
        EmulatedCamera& camera = Plug(1, 1, 2);
        camera.SetGoneAtRow(10);
        MemoryBlock block;
        QCOMPARE(TransferPicture(block), std::optional(false));
        QCOMPARE(m_host.progress.size(), std::size_t(10));
        QCOMPARE(m_host.progress.back(), 10);
        DeviceLink link(*m_backend, m_host, kTimeoutMs);
        // Until udev hears of it, the device node answers ENODEV: nothing opens.
        QVERIFY(!link.CheckConnection());
        m_usb->Unplug(camera);
        QVERIFY(!link.CheckConnection());
    }

    void imageReadEndings_data() {
        QTest::addColumn<bool>("armed");
        QTest::addColumn<int>("shortRow");
        QTest::addColumn<int>("goneRow");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("transferred");
        QTest::newRow("whole row") << true << -1 << -1 << int(IoResult::Status::Done) << 2560;
        QTest::newRow("short row") << true << 0 << -1 << int(IoResult::Status::Short) << 1280;
        QTest::newRow("device gone") << true << -1 << 0 << int(IoResult::Status::Gone) << 0;
        QTest::newRow("nothing armed") << false << -1 << -1 << int(IoResult::Status::TimedOut) << 0;
    }

    // How one bulk read on the image pipe ends, as the seam reports it.
    void imageReadEndings() {
        QFETCH(bool, armed);
        QFETCH(int, shortRow);
        QFETCH(int, goneRow);
        QFETCH(int, status);
        QFETCH(int, transferred);
        EmulatedCamera& camera = Plug(1, 1, 2);
        camera.SetShortRowAt(shortRow);
        camera.SetGoneAtRow(goneRow);
        StartBackend();
        if (armed) {
            auto command = OpenPipe(*m_backend, PIPE_COMMAND);
            QVERIFY(command);
            QVERIFY(command->Write(Packet("TR0  "), kTimeoutMs).Complete(8));
        }
        auto image = OpenPipe(*m_backend, PIPE_IMAGE);
        QVERIFY(image);
        std::vector<std::uint8_t> row(2560);
        const IoResult result = image->Read(row, kTimeoutMs);
        QCOMPARE(int(result.status), status);
        QCOMPARE(result.transferred, std::size_t(transferred));
    }

    void undeclaredDeviceIsNeverOpened() {
        EmulatedCamera& stranger = Plug(1, 4, 5, /*marked=*/false);
        StartBackend();
        DeviceLink link(*m_backend, m_host, kTimeoutMs);

        const auto entries = m_backend->EnumerateInterfaces(GUID_DEVINTERFACE_CAMERA);
        QVERIFY(entries && entries->empty());
        QVERIFY(!link.CheckConnection());
        // Not even when asked for by its path.
        QVERIFY(!m_backend->Open(stranger.PathText()));
        QVERIFY(!m_backend->Open(stranger.PathText() + "\\PIPE00"));
        QCOMPARE(stranger.IoctlCount(), 0);
    }

    void usbIdOptionDeclaresADevice() {
        EmulatedDeviceSpec described;
        described.port = 4;
        described.marked = false;
        described.id = {0x1234, 0xabcd};
        EmulatedCamera& listed = m_usb->Plug(described);
        UsbOptions options;
        options.extraIds = {{0x1234, 0xabcd}};
        StartBackend(options);
        DeviceLink link(*m_backend, m_host, kTimeoutMs);

        QVERIFY(link.SendCommand("ZO+  "));
        QCOMPARE(Written(listed).size(), std::size_t(1));
    }

    void pipesFollowTheDescriptor() {
        EmulatedCamera& camera = Plug(1, 1, 2);
        StartBackend();
        const std::string device = camera.PathText();
        for (const char* bad : {"PIPE04", "PIPE0", "PIPE000", "pipe00", "PIPE0x", ""}) {
            QVERIFY2(!m_backend->Open(device + "\\" + bad), bad);
        }
        QVERIFY(!m_backend->Open("usb:1-7\\PIPE00"));

        std::array<std::uint8_t, 8> buffer{};
        // The direction comes from the endpoint: no write to an IN pipe, no read from an OUT.
        auto reply = m_backend->Open(device + "\\PIPE01");
        QVERIFY(reply);
        QCOMPARE(reply->Write(buffer, kTimeoutMs).status, IoResult::Status::Failed);
        auto command = m_backend->Open(device + "\\PIPE00");
        QVERIFY(!command);  // the interface is claimed by the reply pipe's handle
        reply.reset();
        command = m_backend->Open(device + "\\PIPE00");
        QVERIFY(command);
        QCOMPARE(command->Read(buffer, kTimeoutMs).status, IoResult::Status::Failed);
        command.reset();
        // The interface itself opens, but moves no data.
        auto interface = m_backend->Open(device);
        QVERIFY(interface);
        QCOMPARE(interface->Write(buffer, kTimeoutMs).status, IoResult::Status::Failed);
        interface.reset();
        QVERIFY(camera.Wire().empty());
        VerifyAllReleased(camera);
    }

    void diagnosticsSayWhy() {
        EmulatedCamera& held = Plug(1, 1, 2);
        held.SetClaimRefused(true);
        EmulatedDeviceSpec odd;
        odd.port = 2;
        odd.address = 3;
        odd.cameraInterface = false;
        m_usb->Plug(odd);
        Plug(1, 3, 4);
        Plug(1, 5, 6, /*marked=*/false);

        std::vector<UsbDeviceReport> reports;
        std::string problem;
        QVERIFY(DiagnoseUsbDevices({}, reports, problem));
        QCOMPARE(reports.size(), std::size_t(3));
        QCOMPARE(reports[0].path, std::string("usb:1-1"));
        QCOMPARE(reports[0].verdict, UsbDeviceReport::Verdict::Busy);
        QCOMPARE(reports[1].verdict, UsbDeviceReport::Verdict::NoCameraInterface);
        QCOMPARE(reports[2].verdict, UsbDeviceReport::Verdict::Usable);
        QVERIFY(reports[2].markedByRule);

        const QString text = QString::fromStdString(FormatUsbReports(reports));
        const QStringList lines = text.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].contains("held by another process"));
        QVERIFY(lines[1].contains("expected endpoints"));
        QVERIFY(lines[2].startsWith("usb:1-3  f055:7a01"));
        QVERIFY(lines[2].endsWith("<- in use"));
    }

    // Of several candidates the one that can be used wins; else the fault soonest mended.
    void oneDiagnosisOfMany_data() {
        using V = UsbDeviceReport::Verdict;
        using K = CameraDiagnosis::Kind;
        QTest::addColumn<QList<int>>("verdicts");  // of usb:1-1, usb:1-2, ...
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("device");
        QTest::newRow("none") << QList<int>{} << int(K::NoDevice) << "";
        QTest::newRow("usable behind a busy one")
            << QList<int>{int(V::Busy), int(V::Usable)} << int(K::Reachable) << "usb:1-2";
        QTest::newRow("permission before busy")
            << QList<int>{int(V::Busy), int(V::NoPermission)} << int(K::NoPermission) << "usb:1-2";
        QTest::newRow("busy before a failure")
            << QList<int>{int(V::Failed), int(V::Busy)} << int(K::Busy) << "usb:1-2";
        QTest::newRow("a device gone is a failure")
            << QList<int>{int(V::NoCameraInterface), int(V::Gone)} << int(K::Failed) << "usb:1-2";
        QTest::newRow("not the camera, first of two")
            << QList<int>{int(V::NoCameraInterface), int(V::NoCameraInterface)}
            << int(K::NotTheCamera) << "usb:1-1";
    }

    void oneDiagnosisOfMany() {
        QFETCH(QList<int>, verdicts);
        QFETCH(int, kind);
        QFETCH(QString, device);
        std::vector<UsbDeviceReport> reports;
        for (int verdict : verdicts) {
            UsbDeviceReport report;
            report.path = "usb:1-" + std::to_string(reports.size() + 1);
            report.id = {0xf055, std::uint16_t(reports.size())};
            report.verdict = UsbDeviceReport::Verdict(verdict);
            report.reason = "reason " + report.path;
            reports.push_back(report);
        }
        const CameraDiagnosis diagnosis = DiagnosisOfUsbReports(reports);
        QCOMPARE(int(diagnosis.kind), kind);
        QCOMPARE(QString::fromStdString(diagnosis.device), device);
        if (!device.isEmpty()) {
            const int index = device.back().digitValue() - 1;
            QCOMPARE(diagnosis.usbId, FormatUsbId(reports[index].id));
            QCOMPARE(diagnosis.detail, reports[index].reason);
        }
    }

    void parseUsbId_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("vendor");
        QTest::addColumn<int>("product");
        QTest::newRow("lsusb form") << "f055:7a01" << true << 0xf055 << 0x7a01;
        QTest::newRow("upper case") << "ABCD:EF01" << true << 0xabcd << 0xef01;
        QTest::newRow("short digits") << "1:2" << true << 1 << 2;
        QTest::newRow("no product") << "f055" << false << 0 << 0;
        QTest::newRow("empty vendor") << ":7a01" << false << 0 << 0;
        QTest::newRow("empty product") << "f055:" << false << 0 << 0;
        QTest::newRow("five digits") << "f0551:7a01" << false << 0 << 0;
        QTest::newRow("not hex") << "g055:7a01" << false << 0 << 0;
        QTest::newRow("three parts") << "1:2:3" << false << 0 << 0;
        QTest::newRow("sign") << "+1:2" << false << 0 << 0;
    }

    void parseUsbId() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, vendor);
        QFETCH(int, product);
        UsbId id{0x5555, 0x6666};
        QCOMPARE(ParseUsbId(text.toStdString(), id), valid);
        // A rejected text leaves the id as it was.
        QCOMPARE(int(id.vendor), valid ? vendor : 0x5555);
        QCOMPARE(int(id.product), valid ? product : 0x6666);
        if (valid) {
            UsbId back;
            QVERIFY(ParseUsbId(FormatUsbId(id), back));
            QCOMPARE(back, id);
        }
    }
};

QTEST_GUILESS_MAIN(TestUsbBackend)
#include "test_usb_backend.moc"
