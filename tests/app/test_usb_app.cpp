// The whole application on the USB backend: its frame, view and device-change news over an
// emulated camera that the unmodified libusb and libudev reach through umockdev.
#include <QProcess>
#include <QSignalSpy>
#include <QThread>
#include <cstring>
#include <memory>

#include "app/AppTestSupport.h"
#include "app/CommandLine.h"
#include "app/DeviceSession.h"
#include "app/MainFrame.h"
#include "app/MainStatusBar.h"
#include "app/Tavelo2App.h"
#include "support/EmulatedUsb.h"
#include "support/ViewApp.h"
#include "ui/CLead.h"
#include "view/Tavelo2View.h"

using namespace tavelo;
using tavelo::test::EmulatedCamera;
using tavelo::test::EmulatedDeviceSpec;
using tavelo::test::EmulatedUsb;
using tavelo::test::ExpectedPicture;

namespace {

const QString kDisconnected = QStringLiteral("USB:Disconnected from the main unit.\n\n");
// The first connection check comes a second after start; a little more for a loaded machine.
constexpr int kCheckWaitMs = 3000;

// The application started on USB, as `tavelo` without --simulate starts it.
struct UsbApp {
    QTemporaryDir lockDir;
    CTavelo2App app;
    test::PromptRecorder prompts;

    explicit UsbApp(std::vector<UsbId> usbIds = {}) {
        StartOptions options;
        options.simulate = false;
        options.usbIds = std::move(usbIds);
        options.lockDirectory = lockDir.path();
        options.splash = false;
        started = app.InitInstance(options);
    }

    bool started = false;
    CMainFrame& Frame() { return *app.MainFrame(); }
    CTavelo2View& View() { return *app.View(); }
    QString Status() { return Frame().m_wndStatusBar->GetPaneText(CMainFrame::PANE_MESSAGE); }
    QSize Shown() {
        return QSize(int(View().m_lead->GetPictureWidth()), int(View().m_lead->GetPictureHeight()));
    }
};

int ImageReads(const EmulatedCamera& camera, int& asked) {
    int reads = 0;
    for (const auto& urb : camera.Wire()) {
        if (urb.endpoint == 0x82) {
            ++reads;
            asked = urb.asked;
        }
    }
    return reads;
}

}  // namespace

class TestUsbApp : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<EmulatedUsb> m_usb;

    EmulatedCamera& PlugCamera(bool marked = true) {
        EmulatedDeviceSpec described;
        described.marked = marked;
        return m_usb->Plug(described);
    }

    // A capture through the emulated device, checked from the wire to the screen.
    void VerifyCapture(UsbApp& a, EmulatedCamera& camera, QSize raw, QSize shown) {
        const SimulatedCamera::State state = camera.WithModel([](auto& m) { return m.GetState(); });
        const int readsBefore = [&] {
            int asked = 0;
            return ImageReads(camera, asked);
        }();
        a.View().OnCapture();
        QVERIFY2(a.prompts.messages.isEmpty(), qPrintable(a.prompts.Texts().join('|')));
        QCOMPARE(QSize(a.View().m_nWidth, a.View().m_nHeight), raw);
        QVERIFY(a.View().m_bImage);
        QCOMPARE(a.Shown(), shown);
        QCOMPARE(a.Status(), QStringLiteral("Ready !"));
        // One read of a whole row per row, in the row's own size.
        int asked = 0;
        QCOMPARE(ImageReads(camera, asked) - readsBefore, raw.height());
        QCOMPARE(asked, 2 * raw.width());
        // The raw capture is what the camera sent, rows turned bottom-first.
        const std::vector<std::uint8_t> rows = ExpectedPicture(state);
        const std::size_t rowBytes = 2 * std::size_t(raw.width());
        QCOMPARE(rows.size(), rowBytes * raw.height());
        QCOMPARE(a.View().m_hRaw.Size(), rows.size());
        for (int r = 0; r < raw.height(); r += raw.height() / 8) {
            const std::uint8_t* got = a.View().m_hRaw.Data() + rowBytes * (raw.height() - 1 - r);
            QVERIFY2(std::memcmp(got, rows.data() + rowBytes * r, rowBytes) == 0,
                     qPrintable(QStringLiteral("row %1").arg(r)));
        }
        QCOMPARE(camera.Releases(), camera.Claims());
    }

private Q_SLOTS:
    void init() {
        m_usb = std::make_unique<EmulatedUsb>();
        QVERIFY2(m_usb->IsEmulating(), "run this test under umockdev-wrapper");
    }

    void cleanup() { m_usb.reset(); }

    void usbIdOnTheCommandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("ids");  // as FormatUsbId writes them
        QTest::newRow("none") << QStringList{} << true << QStringList{};
        QTest::newRow("one") << QStringList{"--usb-id", "0bda:5411"} << true
                             << QStringList{"0bda:5411"};
        QTest::newRow("upper case, short")
            << QStringList{"--usb-id=ABC:1"} << true << QStringList{"0abc:0001"};
        QTest::newRow("repeated, in order")
            << QStringList{"--usb-id", "f055:7a01", "--simulate", "--usb-id", "1234:abcd"} << true
            << QStringList{"f055:7a01", "1234:abcd"};
        QTest::newRow("the same twice counts once")
            << QStringList{"--usb-id", "1234:abcd", "--usb-id", "1234:ABCD"} << true
            << QStringList{"1234:abcd"};
        QTest::newRow("no colon") << QStringList{"--usb-id", "1234abcd"} << false << QStringList{};
        QTest::newRow("five digits")
            << QStringList{"--usb-id", "12345:0001"} << false << QStringList{};
        QTest::newRow("not hex") << QStringList{"--usb-id", "12g4:0001"} << false << QStringList{};
        QTest::newRow("no product") << QStringList{"--usb-id", "1234:"} << false << QStringList{};
        QTest::newRow("sign") << QStringList{"--usb-id", "+123:0001"} << false << QStringList{};
        QTest::newRow("one bad among good")
            << QStringList{"--usb-id", "1234:abcd", "--usb-id", "1234:abcd:1"} << false
            << QStringList{};
        QTest::newRow("no value") << QStringList{"--usb-id"} << false << QStringList{};
    }

    void usbIdOnTheCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, accepted);
        QFETCH(QStringList, ids);
        CommandLine commandLine;
        StartOptions options;
        options.usbIds = {{0xdead, 0xbeef}};  // a refused line leaves the options as they were
        const CommandLine::Outcome outcome =
            commandLine.Parse(QStringList{QStringLiteral("tavelo")} + arguments, options);
        if (!accepted) {
            QCOMPARE(outcome, CommandLine::Outcome::Error);
            QVERIFY(!commandLine.ErrorText().isEmpty());
            QCOMPARE(options.usbIds.size(), std::size_t(1));
            return;
        }
        QCOMPARE(outcome, CommandLine::Outcome::Start);
        QStringList parsed;
        for (const UsbId& id : options.usbIds) {
            parsed << QString::fromStdString(FormatUsbId(id));
        }
        QCOMPARE(parsed, ids);
        QCOMPARE(options.simulate, arguments.contains(QStringLiteral("--simulate")));
    }

    void whatTheCommandLineAsksFor_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("outcome");
        using O = CommandLine::Outcome;
        QTest::newRow("help") << QStringList{"--help"} << int(O::Help);
        QTest::newRow("help, all") << QStringList{"--help-all"} << int(O::Help);
        QTest::newRow("version") << QStringList{"-v"} << int(O::Version);
        QTest::newRow("help wins over a good id")
            << QStringList{"--usb-id", "1234:abcd", "-h"} << int(O::Help);
        QTest::newRow("unknown option") << QStringList{"--camera"} << int(O::Error);
        QTest::newRow("simulated") << QStringList{"--simulate"} << int(O::Start);
        QTest::newRow("the window system's options pass through")
            << QStringList{"-platform", "offscreen", "-style=fusion", "-reverse", "--simulate"}
            << int(O::Start);
    }

    void whatTheCommandLineAsksFor() {
        QFETCH(QStringList, arguments);
        QFETCH(int, outcome);
        CommandLine commandLine;
        StartOptions options;
        QCOMPARE(int(commandLine.Parse(QStringList{QStringLiteral("tavelo")} + arguments, options)),
                 outcome);
        QCOMPARE(commandLine.ErrorText().isEmpty(), outcome != int(CommandLine::Outcome::Error));
    }

    void badUsbIdEndsTheProgram() {
        QProcess tavelo;
        tavelo.start(QStringLiteral(TAVELO_BINARY),
                     {QStringLiteral("--usb-id"), QStringLiteral("camera")});
        QVERIFY(tavelo.waitForFinished(10000));
        QCOMPARE(tavelo.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tavelo.exitCode(), 1);
        const QString error = QString::fromLocal8Bit(tavelo.readAllStandardError());
        QVERIFY2(error.contains(QStringLiteral("\"camera\"")), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("--usb-id")), qPrintable(error));
    }

    void captureThroughTheDevice_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QSize>("raw");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("1280 x 1024") << 3 << 0 << QSize(1280, 1024) << QSize(1280, 1024);
        QTest::newRow("1024 x 1024, shown smaller")
            << 2 << 1 << QSize(1024, 1024) << QSize(768, 960);
    }

    void captureThroughTheDevice() {
        QFETCH(int, mode);
        QFETCH(int, rotation);
        QFETCH(QSize, raw);
        QFETCH(QSize, shown);
        EmulatedCamera& camera = PlugCamera();
        camera.WithModel([&](SimulatedCamera& m) {
            m.GetState().captureMode = mode;
            m.GetState().rotation = rotation;
        });
        UsbApp a;
        QVERIFY(a.started);
        QVERIFY(!a.app.Devices()->IsSimulated());
        QVERIFY(a.app.Devices()->IsUsbUsable());
        QVERIFY(a.app.Devices()->IsWatching());
        QVERIFY(a.View().m_bNotReady);
        QTRY_VERIFY_WITH_TIMEOUT(!a.View().m_bNotReady, kCheckWaitMs);
        QCOMPARE(a.Status(), QStringLiteral("Ready !"));
        QVERIFY(a.prompts.messages.isEmpty());
        VerifyCapture(a, camera, raw, shown);
    }

    void unplugAndReplugReachTheFrame() {
        EmulatedCamera* camera = &PlugCamera();
        UsbApp a;
        QVERIFY(a.started);
        QTRY_VERIFY_WITH_TIMEOUT(!a.View().m_bNotReady, kCheckWaitMs);
        QCOMPARE(a.Status(), QStringLiteral("Ready !"));
        QVERIFY(!a.Frame().IsTimerActive(CMainFrame::TIMER_CHECK));

        QThread* deliveredOn = nullptr;
        connect(a.app.Devices(), &DeviceSession::deviceChanged, this,
                [&] { deliveredOn = QThread::currentThread(); });

        // Unplugged: udev's "remove" restarts the frame's check on the UI thread, and the
        // check a second later reports the loss once.
        m_usb->Unplug(*camera);
        QTRY_VERIFY_WITH_TIMEOUT(a.Frame().IsTimerActive(CMainFrame::TIMER_CHECK), 2000);
        QCOMPARE(deliveredOn, qApp->thread());
        QVERIFY(a.prompts.messages.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(a.prompts.messages.size(), 1, kCheckWaitMs);
        QCOMPARE(a.prompts.messages.first().text, kDisconnected);
        QVERIFY(a.View().m_bNotReady);
        QCOMPARE(a.Status(), QStringLiteral("Not Ready"));
        // A later check with the camera still away says nothing more.
        a.Frame().OnDeviceChange();
        QTest::qWait(1300);
        QCOMPARE(a.prompts.messages.size(), 1);
        QCOMPARE(a.Status(), QStringLiteral("Not Ready"));

        // Plugged in again: found afresh, "Ready !" without a word, and it captures.
        deliveredOn = nullptr;
        camera = &PlugCamera();
        QTRY_VERIFY_WITH_TIMEOUT(!a.View().m_bNotReady, kCheckWaitMs);
        QCOMPARE(deliveredOn, qApp->thread());
        QCOMPARE(a.Status(), QStringLiteral("Ready !"));
        QCOMPARE(a.prompts.messages.size(), 1);
        a.prompts.messages.clear();
        VerifyCapture(a, *camera, QSize(1280, 1024), QSize(1280, 1024));

        // A second loss is a new loss.
        m_usb->Unplug(*camera);
        QTRY_COMPARE_WITH_TIMEOUT(a.prompts.messages.size(), 1, kCheckWaitMs);
        QCOMPARE(a.prompts.messages.first().text, kDisconnected);
    }

    // The empty view over a real USB stack: what it says for each way the camera can be out
    // of reach, and how a device change mends it without waiting for the check.
    void emptyViewExplains_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("says");
        const QString at = QStringLiteral("f055:7a01 at usb:1-1");
        QTest::newRow("no device") << ""
                                   << "No camera found"
                                   << "tavelo-cli devices --all";
        QTest::newRow("node without permission") << "mode 000"
                                                 << "The camera may not be opened"
                                                 << "(" + at + ") has its udev rule";
        QTest::newRow("held by another program") << "busy"
                                                 << "The camera is in use"
                                                 << "holds the camera (" + at + ")";
    }

    void emptyViewExplains() {
        QFETCH(QString, fault);
        QFETCH(QString, heading);
        QFETCH(QString, says);
        test::WithoutFileOverride asUser;
        QVERIFY(asUser.Active());
        EmulatedCamera* camera = nullptr;
        if (!fault.isEmpty()) {
            camera = &PlugCamera();
            camera->SetClaimRefused(fault == "busy");
            QVERIFY(fault != "mode 000" || m_usb->SetNodeMode(*camera, 0));
        }
        UsbApp a;
        QVERIFY(a.started);
        CLead& lead = *a.View().m_lead;
        QTRY_VERIFY_WITH_TIMEOUT(lead.IsNoticeShown(), kCheckWaitMs);
        QCOMPARE(lead.NoticeHeading(), heading);
        QVERIFY2(lead.NoticeText().contains(says), qPrintable(lead.NoticeText()));
        QCOMPARE(a.Status(), QStringLiteral("Not Ready"));
        QVERIFY(a.prompts.messages.isEmpty());
        if (camera != nullptr) {
            return;
        }
        // Plugged in: the device change says so at once, and the check gives the grey view.
        PlugCamera();
        QTRY_COMPARE_WITH_TIMEOUT(lead.NoticeHeading(), QStringLiteral("Camera found"), 2000);
        QVERIFY(a.View().m_bNotReady);
        QTRY_VERIFY_WITH_TIMEOUT(!a.View().m_bNotReady, kCheckWaitMs);
        QVERIFY(!lead.IsNoticeShown());
    }

    void newsWithoutAFrameAndAfterStopping() {
        // Before any frame exists the session itself carries the news; once stopped, nothing.
        DeviceSession session(false, {});
        QVERIFY(session.IsWatching());
        QThread* deliveredOn = nullptr;
        int changes = 0;
        connect(&session, &DeviceSession::deviceChanged, this, [&] {
            deliveredOn = QThread::currentThread();
            ++changes;
        });
        EmulatedCamera& camera = PlugCamera();
        QTRY_VERIFY_WITH_TIMEOUT(changes > 0, 2000);
        QCOMPARE(deliveredOn, qApp->thread());

        session.StopWatching();
        QVERIFY(!session.IsWatching());
        const int before = changes;
        m_usb->Unplug(camera);
        PlugCamera();
        QTest::qWait(300);
        QCOMPARE(changes, before);
    }

    void withoutUsbTheCameraIsNotReady() {
        // libusb did not start: the frame still comes up, and finds no camera at any check.
        EmulatedCamera& camera = PlugCamera();
        DeviceSession session(std::unique_ptr<DeviceBackend>{});
        QVERIFY(!session.IsUsbUsable());
        QVERIFY(!session.IsWatching());
        test::FrameRig rig(session.Backend());
        QVERIFY(rig.frame);
        rig.frame->OnTimer(CMainFrame::TIMER_CHECK);
        QVERIFY(rig.view->m_bNotReady);
        QCOMPARE(rig.Status(), QStringLiteral("Not Ready"));
        // A capture asked for anyway ends quietly, with no picture.
        rig.view->OnCapture();
        QVERIFY(!rig.view->m_bImage);
        QVERIFY2(rig.prompts.messages.isEmpty(), qPrintable(rig.prompts.Texts().join('|')));
        QCOMPARE(camera.IoctlCount(), 0);
    }

    void onlyTheDeclaredCameraIsOpened_data() {
        QTest::addColumn<bool>("marked");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<bool>("ready");
        QTest::newRow("marked by the udev rules") << true << false << true;
        QTest::newRow("named with --usb-id") << false << true << true;
        QTest::newRow("neither") << false << false << false;
    }

    void onlyTheDeclaredCameraIsOpened() {
        QFETCH(bool, marked);
        QFETCH(bool, listed);
        QFETCH(bool, ready);
        // Another device with the camera's very endpoints, first on the bus, declared nowhere.
        EmulatedDeviceSpec otherSpec;
        otherSpec.bus = 1;
        otherSpec.port = 1;
        otherSpec.address = 5;
        otherSpec.id = {0x1d6b, 0x0104};
        otherSpec.marked = false;
        EmulatedCamera& other = m_usb->Plug(otherSpec);
        EmulatedDeviceSpec cameraSpec;
        cameraSpec.port = 2;
        cameraSpec.address = 6;
        cameraSpec.marked = marked;
        EmulatedCamera& camera = m_usb->Plug(cameraSpec);

        std::vector<UsbId> ids;
        if (listed) {
            ids.push_back(cameraSpec.id);
        }
        UsbApp a(ids);
        QVERIFY(a.started);
        QTest::qWait(1200);
        QTRY_VERIFY_WITH_TIMEOUT(!a.Frame().IsTimerActive(CMainFrame::TIMER_CHECK), kCheckWaitMs);
        QCOMPARE(a.Status(), ready ? QStringLiteral("Ready !") : QStringLiteral("Not Ready"));
        QCOMPARE(a.View().m_bNotReady, !ready);
        // Absent from the start is no loss: nothing is said.
        QVERIFY(a.prompts.messages.isEmpty());
        QCOMPARE(camera.Claims() > 0, ready);
        QCOMPARE(camera.Releases(), camera.Claims());
        QCOMPARE(other.IoctlCount(), 0);
    }
};

TAVELO_APP_TEST_MAIN(TestUsbApp)
#include "test_usb_app.moc"
