#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QProgressBar>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

#include "res/CommandIds.h"
#include "settings/Profile.h"
#include "support/DeviceTestSupport.h"
#include "support/ViewApp.h"
#include "ui/CLead.h"
#include "view/CameraNotice.h"
#include "view/Tavelo2View.h"

using namespace tavelo;

namespace {

// A simulated camera seen through a backend that lets a test refuse the transfer start.
struct RefusingCamera {
    SimulatedBackend camera;
    test::TamperingBackend wire{camera};
    bool refuseTransfer = false;
};

// The application's frame and view over that camera, shown and ready.
struct App : RefusingCamera, test::FrameRig {
    App() : FrameRig(wire) {
        wire.onWrite = [this](PipeHandle& pipe, std::span<const std::uint8_t> data, int ms) {
            if (refuseTransfer && data.size() >= 3 && std::memcmp(data.data(), "TR0", 3) == 0) {
                camera.NakNextCommand();
            }
            return pipe.Write(data, ms);
        };
        camera.SetDeviceChangeHandler([this] { frame->OnDeviceChange(); });
        ShowReady();
    }
    ~App() { camera.SetDeviceChangeHandler({}); }

    void SetCamera(int mode, int rotation) {
        camera.Camera().GetState().captureMode = mode;
        camera.Camera().GetState().rotation = rotation;
    }
    QSize Shown() { return QSize(int(Lead().GetPictureWidth()), int(Lead().GetPictureHeight())); }
};

// Mean difference per channel between the shown picture and the page the camera saw, over the
// top-left region (the colour chart and the first strokes).
double TopLeftError(const QImage& shown, int mode, int rotation) {
    int w = 0, h = 0;
    SimulatedCamera::PictureSize(mode, rotation, w, h);
    const std::vector<std::uint8_t> page = SimulatedCamera::RenderPage(w, h, rotation);
    const QImage image = shown.convertToFormat(QImage::Format_RGB888);
    double total = 0;
    int n = 0;
    for (int y = 0; y < h / 3; y += 2) {
        for (int x = 0; x < w / 2; x += 2) {
            const std::uint8_t* want = &page[3 * (std::size_t(y) * w + x)];
            const uchar* got = image.constScanLine(y) + 3 * x;
            total += std::abs(got[2] - want[0]) + std::abs(got[1] - want[1]) +
                     std::abs(got[0] - want[2]);
            n += 3;
        }
    }
    return total / n;
}

}  // namespace

class TestView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsWithNoPicture() {
        App app;
        QVERIFY(!app.view->m_bNotReady);
        QCOMPARE(app.Status(), QStringLiteral("Ready !"));
        QVERIFY(!app.view->m_bImage);
        QVERIFY(app.MenuEnabled(0));
        QVERIFY(!app.MenuEnabled(MENU_POS_EDIT));
        QVERIFY(!app.MenuEnabled(MENU_POS_ZOOM));
        QVERIFY(!app.MenuEnabled(MENU_POS_ROTATION));
        QVERIFY(app.CommandEnabled(ID_CAPTURE));
        QVERIFY(!app.CommandEnabled(ID_ZOOM_IN));
        QVERIFY(!app.CommandEnabled(ID_FILE_SAVE));
    }

    // What the empty view says for each diagnosis: the heading, what the words must name (the
    // device, the command that mends it) and what they must not (another fault's remedy).
    void cameraNotice_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("simulated");
        QTest::addColumn<bool>("ready");
        QTest::addColumn<bool>("marked");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QStringList>("says");
        QTest::addColumn<QString>("never");
        using K = CameraDiagnosis::Kind;
        const QString at = QStringLiteral("f055:7a01 at usb:1-2");
        QTest::newRow("real camera ready") << int(K::Reachable) << false << true << false << ""
                                           << "" << QStringList{} << "camera";
        QTest::newRow("found, not yet checked")
            << int(K::Reachable) << false << false << false << ""
            << "Camera found" << QStringList{"connected"} << "udev";
        QTest::newRow("no device")
            << int(K::NoDevice) << false << false << false << ""
            << "No camera found"
            << QStringList{"Plug the camera in", "\"tavelo-cli devices --all\"",
                           "\"tavelo-cli udev-rule VID:PID --install\""}
            << "usb:1-2";
        QTest::newRow("no rule") << int(K::NoPermission) << false << false << false << ""
                                 << "The camera may not be opened"
                                 << QStringList{at, "\"tavelo-cli udev-rule f055:7a01 --install\""}
                                 << "udevadm";
        QTest::newRow("rule not in force")
            << int(K::NoPermission) << false << false << true << ""
            << "The camera may not be opened"
            << QStringList{at,
                           "\"sudo udevadm control --reload-rules\" and \"sudo udevadm trigger\""}
            << "udev-rule";
        QTest::newRow("busy") << int(K::Busy) << false << false << false << ""
                              << "The camera is in use"
                              << QStringList{"Another program holds the camera (" + at + ")"}
                              << "udev";
        QTest::newRow("not the camera")
            << int(K::NotTheCamera) << false << false << false << ""
            << "This device is not the camera"
            << QStringList{at, "--usb-id", "\"tavelo-cli devices --all\""} << "udevadm";
        QTest::newRow("no USB") << int(K::UsbUnavailable) << false << false << false
                                << "libusb could not be started"
                                << "USB cannot be used"
                                << QStringList{"reached: libusb could not be started.",
                                               "/dev/bus/usb"}
                                << "usb:1-2";
        QTest::newRow("other failure")
            << int(K::Failed) << false << false << false << "cannot be claimed: Pipe error"
            << "The camera cannot be opened"
            << QStringList{at, "(cannot be claimed: Pipe error)", "\"tavelo-cli devices\""}
            << "udevadm";
        QTest::newRow("simulated, ready")
            << int(K::Reachable) << true << true << false << ""
            << "Simulated camera" << QStringList{"model", "start tavelo without --simulate"}
            << "udev";
        QTest::newRow("simulated, unplugged")
            << int(K::NoDevice) << true << false << false << ""
            << "Simulated camera"
            << QStringList{"No camera found. Plug", "start tavelo without --simulate"} << "usb:1-2";
    }

    void cameraNotice() {
        QFETCH(int, kind);
        QFETCH(bool, simulated);
        QFETCH(bool, ready);
        QFETCH(bool, marked);
        QFETCH(QString, detail);
        QFETCH(QString, heading);
        QFETCH(QStringList, says);
        QFETCH(QString, never);
        CameraDiagnosis diagnosis;
        diagnosis.kind = CameraDiagnosis::Kind(kind);
        diagnosis.simulated = simulated;
        diagnosis.markedByRule = marked;
        diagnosis.detail = detail.toStdString();
        if (kind != int(CameraDiagnosis::Kind::NoDevice) &&
            kind != int(CameraDiagnosis::Kind::UsbUnavailable)) {
            diagnosis.device = "usb:1-2";
            diagnosis.usbId = "f055:7a01";
        }
        const CameraNotice notice = NoticeOf(diagnosis, ready);
        QCOMPARE(notice.heading, heading);
        QCOMPARE(notice.text.isEmpty(), heading.isEmpty());
        for (const QString& words : says) {
            QVERIFY2(notice.text.contains(words), qPrintable(notice.text));
        }
        QVERIFY2(!notice.text.contains(never), qPrintable(notice.text));
        // One or two plain sentences; the model adds its heading and the way to a real camera.
        QVERIFY2(notice.text.count(QStringLiteral(". ")) + 1 <= (simulated ? 4 : 2),
                 qPrintable(notice.text));
    }

    // Through the frame's checks and device changes the empty view follows the simulated
    // camera's faults, says at once when a camera comes back, and marks the model as such.
    void emptyViewExplains_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("says");
        QTest::newRow("none") << ""
                              << "Pictures come from a model";
        QTest::newRow("unplugged") << "unplug"
                                   << "No camera found.";
        QTest::newRow("not permitted") << "deny"
                                       << "The camera may not be opened.";
        QTest::newRow("held elsewhere") << "lock"
                                        << "The camera is in use.";
        QTest::newRow("no listing") << "list"
                                    << "USB cannot be used.";
        QTest::newRow("broken pipe") << "pipe"
                                     << "The camera cannot be opened.";
    }

    void emptyViewExplains() {
        QFETCH(QString, fault);
        QFETCH(QString, says);
        App app;
        if (fault == "unplug") {
            app.camera.SetPlugged(0, false);
        } else if (fault == "deny") {
            app.camera.SetPermissionDenied(0, true);
        } else if (fault == "lock") {
            app.camera.SetLocked(0, true);
        } else if (fault == "list") {
            app.camera.SetEnumerationFails(true);
        } else if (fault == "pipe") {
            app.camera.SetPipeBroken("PIPE00", true);
        }
        app.frame->OnTimer(CMainFrame::TIMER_CHECK);
        QCOMPARE(app.view->m_bNotReady, !fault.isEmpty());
        QVERIFY(app.Lead().IsNoticeShown());
        QCOMPARE(app.Lead().NoticeHeading(), QStringLiteral("Simulated camera"));
        QVERIFY2(app.Lead().NoticeText().contains(says), qPrintable(app.Lead().NoticeText()));
        if (fault != "unplug") {
            return;
        }
        // Plugged in again: the device change alone already says so; the check makes it ready.
        app.camera.SetPlugged(0, true);
        QVERIFY(app.view->m_bNotReady);
        QVERIFY2(app.Lead().NoticeText().startsWith("Camera found."),
                 qPrintable(app.Lead().NoticeText()));
        app.frame->OnTimer(CMainFrame::TIMER_CHECK);
        QVERIFY(app.Lead().NoticeText().contains("Pictures come from a model"));
    }

    void capture_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QSize>("raw");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("mode 2, rotation 0") << 2 << 0 << QSize(1280, 768) << QSize(960, 768);
        QTest::newRow("mode 2, rotation 1") << 2 << 1 << QSize(1024, 1024) << QSize(768, 960);
        QTest::newRow("mode 2, rotation 2") << 2 << 2 << QSize(1280, 768) << QSize(960, 768);
        QTest::newRow("mode 3, rotation 0") << 3 << 0 << QSize(1280, 1024) << QSize(1280, 1024);
        QTest::newRow("mode 3, rotation 3") << 3 << 3 << QSize(1024, 1280) << QSize(1024, 1280);
    }

    void capture() {
        QFETCH(int, mode);
        QFETCH(int, rotation);
        QFETCH(QSize, raw);
        QFETCH(QSize, shown);
        App app;
        app.SetCamera(mode, rotation);
        app.view->m_nRotIndex = 5;  // a capture starts the rotation record afresh
        app.view->OnCapture();
        QVERIFY2(app.prompts.messages.isEmpty(), qPrintable(app.prompts.Texts().join('|')));
        QCOMPARE(QSize(app.view->m_nWidth, app.view->m_nHeight), raw);
        QCOMPARE(app.view->m_hRaw.Size(), std::size_t(2 * raw.width() * raw.height()));
        QCOMPARE(app.view->m_nBmpSize, 3 * raw.width() * raw.height() + 54);
        QCOMPARE(app.Shown(), shown);
        QVERIFY(app.view->m_bImage);
        QCOMPARE(app.view->m_nRotIndex, 3);
        QCOMPARE(app.view->m_nRotAngle, 0);
        QCOMPARE(app.Lead().GetZoomPercent(), app.view->CalcFitZoom());
        QCOMPARE(app.frame->m_wndStatusBar->GetPaneText(CMainFrame::PANE_ZOOM),
                 QString::asprintf(" %.2f%% ", app.view->CalcFitZoom()));
        QCOMPARE(app.frame->m_wndStatusBar->m_wndProgress->value(), 0);
        QCOMPARE(app.Status(), QStringLiteral("Ready !"));
        QVERIFY(app.MenuEnabled(MENU_POS_EDIT));
        QVERIFY(app.MenuEnabled(MENU_POS_ZOOM));
        QVERIFY(app.MenuEnabled(MENU_POS_ROTATION));
        QVERIFY(app.frame->isEnabled());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // Unresized pictures show the page exactly as the camera saw it: upright, not mirrored,
    // colours in place.
    void shownPageIsUpright_data() {
        QTest::addColumn<int>("rotation");
        QTest::newRow("0") << 0;
        QTest::newRow("1") << 1;
        QTest::newRow("2") << 2;
    }

    void shownPageIsUpright() {
        QFETCH(int, rotation);
        App app;
        app.SetCamera(3, rotation);
        app.view->OnCapture();
        const double error = TopLeftError(app.Lead().Engine().Image(), 3, rotation);
        QVERIFY2(error < 3.0, qPrintable(QString("mean error %1").arg(error)));
    }

    void failures_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("keepsPicture");
        const QString capture = QStringLiteral("USB:Failed to capture the image.\n\n");
        QTest::newRow("transfer refused")
            << "nak" << QStringList{"USB:Failed to communicate.\n\n"} << true;
        QTest::newRow("short row") << "short" << QStringList{capture} << true;
        QTest::newRow("unknown mode") << "mode" << QStringList{} << true;
        QTest::newRow("unplugged during the transfer")
            << "unplug-during" << QStringList{capture} << true;
        QTest::newRow("unplugged before")
            << "unplug-before" << QStringList{"USB:Failed to transmit.\n\n"} << true;
    }

    // Each failure shows its one message (or none) and leaves the previous picture and raw
    // capture as they were.
    void failures() {
        QFETCH(QString, fault);
        QFETCH(QStringList, messages);
        App app;
        app.SetCamera(3, 0);
        app.view->OnCapture();
        QVERIFY(app.view->m_bImage);
        const std::uint8_t* raw = app.view->m_hRaw.Data();
        const QImage before = app.Lead().Engine().Image();
        app.prompts.messages.clear();

        app.SetCamera(3, 1);  // a capture that got through would change the picture's shape
        if (fault == "nak") {
            app.refuseTransfer = true;
        } else if (fault == "short") {
            app.camera.SetShortRowAt(500);
        } else if (fault == "mode") {
            app.camera.Camera().GetState().captureMode = 4;
        } else if (fault == "unplug-during") {
            app.camera.SetUnplugAtRow(10);
        } else if (fault == "unplug-before") {
            app.camera.SetPlugged(0, false);
        }
        app.view->OnCapture();
        QCOMPARE(app.prompts.Texts(), messages);
        QVERIFY(app.view->m_bImage);
        QCOMPARE(app.view->m_hRaw.Data(), raw);
        // The kept rows are still described as they were taken, so Sharpness rebuilds them
        // at their own size and shape.
        QCOMPARE(QSize(app.view->m_nWidth, app.view->m_nHeight), QSize(1280, 1024));
        QCOMPARE(app.view->m_nBmpSize, 3 * 1280 * 1024 + 54);
        QCOMPARE(app.view->m_nMode, 3);
        QCOMPARE(app.view->m_nCamRotation, 0);
        QCOMPARE(app.Lead().Engine().Image(), before);
        QCOMPARE(app.frame->m_wndStatusBar->m_wndProgress->value(), 0);
        QVERIFY(app.frame->isEnabled());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // A camera that stops answering ends the capture by the time-out, and the window works on.
    void silentCameraEndsByTimeout() {
        App app;
        app.camera.SetNeverAnswers(true);
        QElapsedTimer clock;
        clock.start();
        app.view->OnCapture();
        QVERIFY(clock.elapsed() < 3 * PIPE_TIMEOUT_MS);
        QVERIFY(app.prompts.messages.isEmpty());
        QVERIFY(!app.view->m_bImage);
        QVERIFY(app.frame->isEnabled());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void zoomSteps_data() {
        QTest::addColumn<float>("start");
        QTest::addColumn<float>("in");
        QTest::addColumn<float>("out");
        QTest::newRow("37") << 37.0f << 40.0f << 30.0f;
        QTest::newRow("63.7") << 63.7f << 70.0f << 60.0f;
        QTest::newRow("15") << 15.0f << 20.0f << 10.0f;
        QTest::newRow("11") << 11.0f << 20.0f << 10.0f;
        QTest::newRow("10 stays") << 10.0f << 20.0f << 10.0f;
        QTest::newRow("10.9 stays") << 10.9f << 20.0f << 10.9f;
        QTest::newRow("no upper limit") << 5000.0f << 5010.0f << 4990.0f;
    }

    void zoomSteps() {
        QFETCH(float, start);
        QFETCH(float, in);
        QFETCH(float, out);
        App app;
        app.view->OnCapture();
        app.Lead().SetZoomPercent(start);
        app.view->OnZoomIn();
        QCOMPARE(app.Lead().GetZoomPercent(), in);
        app.Lead().SetZoomPercent(start);
        app.view->OnZoomOut();
        QCOMPARE(app.Lead().GetZoomPercent(), out);
        app.Lead().SetZoomPercent(start);
        QCOMPARE(app.CommandEnabled(ID_ZOOM_OUT), int(start) > 10);
    }

    // The menu's brackets, the keys other programs zoom with, and Ctrl with the wheel all run
    // the zoom commands; the arrow keys pan. Keys go where a real key goes: the focus.
    void zoomAndPanByKeysAndWheel_data() {
        QTest::addColumn<int>("key");  // 0: the wheel instead
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("wheel");
        QTest::addColumn<float>("start");
        QTest::addColumn<float>("zoom");
        QTest::addColumn<bool>("panned");
        const int ctrl = Qt::ControlModifier;
        const int pad = Qt::ControlModifier | Qt::KeypadModifier;
        QTest::newRow("Ctrl+[") << int(Qt::Key_BracketLeft) << ctrl << 0 << 50.f << 60.f << false;
        QTest::newRow("Ctrl+]") << int(Qt::Key_BracketRight) << ctrl << 0 << 50.f << 40.f << false;
        QTest::newRow("Ctrl+=") << int(Qt::Key_Equal) << ctrl << 0 << 50.f << 60.f << false;
        QTest::newRow("Ctrl++") << int(Qt::Key_Plus) << ctrl << 0 << 50.f << 60.f << false;
        QTest::newRow("Ctrl and keypad +")
            << int(Qt::Key_Plus) << pad << 0 << 50.f << 60.f << false;
        QTest::newRow("Ctrl+-") << int(Qt::Key_Minus) << ctrl << 0 << 50.f << 40.f << false;
        QTest::newRow("Ctrl and keypad -")
            << int(Qt::Key_Minus) << pad << 0 << 50.f << 40.f << false;
        QTest::newRow("Ctrl+- at 10 is greyed")
            << int(Qt::Key_Minus) << ctrl << 0 << 10.f << 10.f << false;
        QTest::newRow("wheel up") << 0 << ctrl << 120 << 50.f << 60.f << false;
        QTest::newRow("wheel down") << 0 << ctrl << -120 << 50.f << 40.f << false;
        QTest::newRow("two notches") << 0 << ctrl << 240 << 50.f << 70.f << false;
        QTest::newRow("wheel down at 10 is greyed") << 0 << ctrl << -120 << 10.f << 10.f << false;
        // Zoom In is greyed without a picture: a notch must not zoom the empty control.
        QTest::newRow("wheel up without a picture") << 0 << ctrl << 120 << -1.f << 100.f << false;
        QTest::newRow("wheel without Ctrl scrolls") << 0 << 0 << -120 << 200.f << 200.f << true;
        QTest::newRow("arrow pans") << int(Qt::Key_Down) << 0 << 0 << 200.f << 200.f << true;
        QTest::newRow("page pans") << int(Qt::Key_PageDown) << 0 << 0 << 200.f << 200.f << true;
    }

    void zoomAndPanByKeysAndWheel() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, wheel);
        QFETCH(float, start);
        QFETCH(float, zoom);
        QFETCH(bool, panned);
        App app;
        if (start > 0) {
            app.frame->Commands().Run(ID_CAPTURE);  // as Alt+C: the commands update after it
            app.Lead().SetZoomPercent(start);
        }
        const float top = app.Lead().GetViewTop();
        app.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.frame.get()));
        if (key != 0) {
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus != nullptr);
            QTest::keyClick(focus, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        } else {
            QWidget* port = app.Lead().viewport();
            const QPointF at(port->width() / 2.0, port->height() / 2.0);
            QWheelEvent turn(at, port->mapToGlobal(at), QPoint(), QPoint(0, wheel), Qt::NoButton,
                             Qt::KeyboardModifiers(modifiers), Qt::NoScrollPhase, false);
            QApplication::sendEvent(port, &turn);
        }
        QCOMPARE(app.Lead().GetZoomPercent(), zoom);
        if (zoom == start) {
            QCOMPARE(app.Lead().GetViewTop() < top, panned);
        }
        if (start > 0 && zoom != start) {
            QCOMPARE(app.frame->m_wndStatusBar->GetPaneText(CMainFrame::PANE_ZOOM),
                     QString::asprintf(" %.2f%% ", zoom));
        }
    }

    void actualSizeAndBestFit() {
        App app;
        app.view->OnCapture();
        app.view->OnZoomIn();
        app.view->OnZoomIn();
        app.view->OnActualSize();
        QCOMPARE(app.Lead().GetZoomPercent(), 100.0f);
        QCOMPARE(app.Lead().GetViewLeft(), 0.0f);
        QCOMPARE(app.Lead().GetViewTop(), 0.0f);
        QCOMPARE(app.frame->m_wndStatusBar->GetPaneText(CMainFrame::PANE_ZOOM),
                 QStringLiteral(" 100.00% "));
        app.view->OnBestFit();
        QCOMPARE(app.Lead().GetZoomPercent(), app.view->CalcFitZoom());
    }

    // Best fit fills the view in the picture's limiting direction and stays inside it in the
    // other one, whichever of the two limits.
    void fitZoom_data() {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<bool>("widthLimited");
        QTest::newRow("wide picture, tall view") << QSize(500, 900) << 0 << true;
        QTest::newRow("wide picture, wide view") << QSize(1200, 500) << 0 << false;
        QTest::newRow("tall picture, wide view") << QSize(1200, 500) << 1 << false;
    }
    void fitZoom() {
        QFETCH(QSize, frame);
        QFETCH(int, rotation);
        QFETCH(bool, widthLimited);
        App app;
        app.frame->resize(frame);
        QTRY_COMPARE(app.frame->size(), frame);
        QCoreApplication::processEvents();
        app.SetCamera(3, rotation);
        app.view->OnCapture();
        app.view->OnBestFit();
        const QSizeF shown = QSizeF(app.Shown()) * (app.Lead().GetZoomPercent() / 100.0);
        const QSize client = app.view->size();
        const double fillGap =
            widthLimited ? client.width() - shown.width() : client.height() - shown.height();
        QVERIFY2(std::abs(fillGap) < 1.0, qPrintable(QString::number(fillGap)));
        QVERIFY(shown.width() <= client.width() + 0.01);
        QVERIFY(shown.height() <= client.height() + 0.01);
    }

    // Best Fit shows the whole picture with no scroll bar at any size of the view, also
    // when bars were up from a larger zoom before it (run again at twice the scale).
    void bestFitNeverScrolls_data() {
        QTest::addColumn<QSize>("picture");
        QTest::newRow("1280 x 1024") << QSize(1280, 1024);
        QTest::newRow("960 x 768") << QSize(960, 768);
        QTest::newRow("768 x 960") << QSize(768, 960);
        QTest::newRow("1024 x 1280") << QSize(1024, 1280);
    }
    void bestFitNeverScrolls() {
        QFETCH(QSize, picture);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("picture.bmp"));
        QImage image(picture, QImage::Format_RGB888);
        image.fill(Qt::white);
        QVERIFY(image.save(path, "BMP"));
        // In a window larger than every size tried, so that resizing the view is cheap; it is
        // laid out as shown, but never painted.
        QWidget window;
        window.setAttribute(Qt::WA_DontShowOnScreen);
        window.resize(1800, 1200);
        auto* host = new CTavelo2View(&window);
        CTavelo2View& view = *host;
        view.resize(600, 400);
        window.show();
        CLead& lead = *view.m_lead;
        QCOMPARE(lead.LoadFile(path, 0, 0, 1), std::int16_t(0));
        // Only the layout is swept: nothing needs painting meanwhile.
        lead.SetAutoRedraw(false);
        int fits = 0;
        QStringList scrolled;
        for (int width = 300; width <= 1700; width += 31) {
            for (int height = 250; height <= 1100; height += 23) {
                view.resize(width, height);
                view.OnZoomIn();                       // larger than the view: bars up
                QCoreApplication::sendPostedEvents();  // Qt shows and hides them queued
                view.OnBestFit();
                QCoreApplication::sendPostedEvents();
                ++fits;
                const bool whole = lead.horizontalScrollBar()->maximum() == 0 &&
                                   lead.verticalScrollBar()->maximum() == 0 &&
                                   lead.viewport()->size() == view.size() &&
                                   lead.GetViewLeft() == 0.0f && lead.GetViewTop() == 0.0f;
                if (!whole) {
                    scrolled << QStringLiteral("%1 x %2 at %3%")
                                    .arg(width)
                                    .arg(height)
                                    .arg(double(lead.GetZoomPercent()), 0, 'f', 5);
                }
            }
        }
        QVERIFY(fits > 1500);
        QVERIFY2(scrolled.isEmpty(), qPrintable(QStringLiteral("%1 of %2 fits scroll: %3")
                                                    .arg(scrolled.size())
                                                    .arg(fits)
                                                    .arg(scrolled.mid(0, 8).join(", "))));
    }

    void fourTurnsComeBack_data() {
        QTest::addColumn<bool>("right");
        QTest::newRow("right") << true;
        QTest::newRow("left") << false;
    }

    void fourTurnsComeBack() {
        QFETCH(bool, right);
        App app;
        app.SetCamera(3, 0);
        app.view->OnCapture();
        const QImage before = app.Lead().Engine().Image();
        const std::vector<int> angles = right ? std::vector<int>{9000, 18000, 27000, 0}
                                              : std::vector<int>{-9000, -18000, -27000, 0};
        for (int turn = 0; turn < 4; ++turn) {
            right ? app.view->OnRotateRight() : app.view->OnRotateLeft();
            QCOMPARE(app.view->m_nRotAngle, angles[turn]);
            QCOMPARE(app.Shown(), turn % 2 == 0 ? QSize(1024, 1280) : QSize(1280, 1024));
        }
        QCOMPARE(app.view->m_nRotIndex, 3);
        QCOMPARE(app.Lead().Engine().Image(), before);
    }

    void hiddenModeMarksTheClock() {
        App app;
        app.view->OnHiddenMode();
        QVERIFY(app.view->m_bHiddenMode);
        app.frame->OnTimer(CMainFrame::TIMER_CLOCK);
        QVERIFY(app.frame->m_wndStatusBar->GetPaneText(CMainFrame::PANE_TIME).endsWith(" #"));
        app.view->OnHiddenMode();
        app.frame->OnTimer(CMainFrame::TIMER_CLOCK);
        QVERIFY(!app.frame->m_wndStatusBar->GetPaneText(CMainFrame::PANE_TIME).endsWith(" #"));
    }

    void storedSettingsAreChecked_data() {
        QTest::addColumn<int>("qFactor");
        QTest::addColumn<int>("sharpness");
        QTest::addColumn<int>("wantQ");
        QTest::addColumn<int>("wantIndex");
        QTest::addColumn<int>("wantAmount");
        QTest::newRow("defaults kept") << 15 << 3 << 15 << 3 << 0;
        QTest::newRow("Q 1") << 1 << 0 << 15 << 0 << -1000;
        QTest::newRow("Q 256") << 256 << 6 << 15 << 6 << 950;
        QTest::newRow("Q 2, sharpness 9") << 2 << 9 << 2 << 3 << 0;
        QTest::newRow("Q 255, sharpness -1") << 255 << -1 << 255 << 3 << 0;
    }

    void storedSettingsAreChecked() {
        QFETCH(int, qFactor);
        QFETCH(int, sharpness);
        QFETCH(int, wantQ);
        QFETCH(int, wantIndex);
        QFETCH(int, wantAmount);
        WriteProfileInt("Settings", "Qfactor", qFactor);
        WriteProfileInt("Settings", "Sharpness", sharpness);
        App app;
        QCOMPARE(app.view->m_nQFactor, wantQ);
        QCOMPARE(app.view->m_nSharpIndex, wantIndex);
        QCOMPARE(app.view->m_nSharpValue, wantAmount);
        WriteProfileInt("Settings", "Qfactor", 15);
        WriteProfileInt("Settings", "Sharpness", 3);
    }

    void minimizingLeavesTheControlAlone() {
        App app;
        const QRect before = app.Lead().geometry();
        app.frame->showMinimized();
        app.view->resize(300, 200);
        QCOMPARE(app.Lead().geometry(), before);
        app.frame->showNormal();
        app.view->resize(320, 240);
        QCOMPARE(app.Lead().geometry(), QRect(0, 0, 320, 240));
    }
};

TAVELO_APP_TEST_MAIN(TestView)
#include "test_view.moc"
