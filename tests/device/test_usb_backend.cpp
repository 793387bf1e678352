#include <QtTest>
#include <array>
#include <cstring>
#include <memory>
#include <optional>

#include "device/DeviceDiscovery.h"
#include "device/DeviceLink.h"
#include "device/MemoryBlock.h"
#include "device/UsbBackend.h"
#include "device/UsbCameraDiagnosis.h"
#include "device/UsbDiagnostics.h"
#include "support/EmulatedUsb.h"
#include "support/LinkRig.h"

using namespace tavelo;
using tavelo::test::EmulatedCamera;
using tavelo::test::EmulatedDeviceSpec;
using tavelo::test::EmulatedUsb;
using tavelo::test::LinkRig;

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

    // Each claim was matched by a release: nothing stays open after an access.
    static void VerifyAllReleased(const EmulatedCamera& camera) {
        QCOMPARE(camera.Releases(), camera.Claims());
    }

private Q_SLOTS:
    // The hint that ends `devices` and the line of a command that reached no camera.
    void noCameraHint_data() {
        using V = UsbDeviceReport::Verdict;
        QTest::addColumn<QList<int>>("verdicts");
        QTest::addColumn<QString>("hint");
        QTest::newRow("none counts as the camera")
            << QList<int>{}
            << QString(
                   "no camera found: no attached device is marked by %1 or matches a "
                   "--usb-id VID:PID (find the ids with lsusb)")
                   .arg(CAMERA_UDEV_RULES);
        QTest::newRow("none can be used")
            << QList<int>{int(V::Busy), int(V::NoPermission)} << "no candidate can be used";
        QTest::newRow("one can be used") << QList<int>{int(V::Busy), int(V::Usable)} << "";
    }
    void noCameraHint() {
        QFETCH(QList<int>, verdicts);
        QFETCH(QString, hint);
        std::vector<UsbDeviceReport> reports;
        for (int v : verdicts) {
            UsbDeviceReport report;
            report.verdict = UsbDeviceReport::Verdict(v);
            reports.push_back(report);
        }
        QCOMPARE(QString::fromStdString(NoCameraHint(reports)), hint);
    }

    void init() {
        m_usb = std::make_unique<EmulatedUsb>();
        QVERIFY2(m_usb->IsEmulating(), "run this test under umockdev-wrapper");
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
        LinkRig rig(*m_backend, kTimeoutMs);
        DeviceLink& link = rig.link;

        std::string path;
        QVERIFY(FindDevice(*m_backend, GUID_DEVINTERFACE_CAMERA, path));
        QCOMPARE(path, free.PathText());
        QCOMPARE(link.SendCommand("ZO+  "), LinkResult::Done);
        QVERIFY(Written(held).empty());
        QCOMPARE(Written(free), (std::vector<std::vector<std::uint8_t>>{Packet("ZO+  ")}));
        VerifyAllReleased(free);

        // Held everywhere: the camera counts as absent.
        free.SetClaimRefused(true);
        QVERIFY(!link.CheckConnection());
        QVERIFY(!FindDevice(*m_backend, GUID_DEVINTERFACE_CAMERA, path));
        QVERIFY(path.empty());
    }

    void replyComesFromTheInEndpoint() {
        EmulatedCamera& camera = Plug(1, 1, 2);
        camera.WithModel([](SimulatedCamera& model) {
            model.GetState().captureMode = 2;
            model.GetState().gamma = 5;
            model.GetState().rotation = 3;
        });
        StartBackend();
        LinkRig rig(*m_backend, kTimeoutMs);
        DeviceLink& link = rig.link;

        QCOMPARE(link.SendCommand("QS2  "), LinkResult::Done);
        std::uint8_t reply[PACKET_SIZE];
        QCOMPARE(link.ReadReply(reply), LinkResult::Done);
        QCOMPARE(reply[0], std::uint8_t('2'));  // capture mode
        QCOMPARE(reply[1], std::uint8_t('5'));  // gamma
        QCOMPARE(reply[2], std::uint8_t('3'));  // rotation
        const auto urbs = camera.Wire();
        QCOMPARE(urbs.front().endpoint, std::uint8_t(0x01));
        QCOMPARE(urbs.back().endpoint, std::uint8_t(0x81));
        VerifyAllReleased(camera);
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
        LinkRig rig(*m_backend, kTimeoutMs);
        DeviceLink& link = rig.link;

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
        LinkRig rig(*m_backend, kTimeoutMs);
        DeviceLink& link = rig.link;

        QCOMPARE(link.SendCommand("ZO+  "), LinkResult::Done);
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
