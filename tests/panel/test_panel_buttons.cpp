#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include "panel/HoldButton.h"
#include "panel/PanelPictures.h"
#include "panel/ToggleButton.h"

using namespace tavelo;

namespace {

// Everything a button reports, in order: "down", "up", "toggled" with the id, and "clicked"
// for the ordinary click notification.
class Recorder : public QObject {
public:
    void Attach(QAbstractButton* button) {
        QObject::connect(button, &QAbstractButton::clicked, this,
                         [this] { events << QStringLiteral("clicked"); });
    }
    void Message(int message, int id) {
        const char* name = message == WM_RC_BUTTONDOWN ? "down"
                           : message == WM_RC_BUTTONUP ? "up"
                           : message == WM_RC_TOGGLED  ? "toggled"
                                                       : "?";
        events << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(id);
    }
    QStringList events;
};

}  // namespace

class TestPanelButtons : public QObject {
    Q_OBJECT

private:
    QWidget* m_pWindow = nullptr;

    CHoldButton* MakeHold() {
        auto* button = new CHoldButton(1013, m_pWindow);
        button->setGeometry(20, 20, 58, 13);
        button->m_nPressedPic = 182;
        button->m_nReleasedPic = 183;
        button->m_nDisabledPic = 178;
        button->show();
        return button;
    }

    CToggleButton* MakeToggle() {
        auto* button = new CToggleButton(1006, m_pWindow);
        button->setGeometry(20, 60, 76, 27);
        button->m_nOnPic = 171;
        button->m_nOffPic = 172;
        button->m_nPicWidth = 76;
        button->m_nPicHeight = 27;
        button->show();
        return button;
    }

private Q_SLOTS:
    void init() {
        m_pWindow = new QWidget;
        m_pWindow->resize(200, 200);
        m_pWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pWindow));
    }
    void cleanup() { delete m_pWindow; }

    void holdReportsPressAndRelease_data() {
        QTest::addColumn<QPoint>("releaseAt");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("released over the button")
            << QPoint(10, 5) << QStringList{"down 1013", "up 1013", "clicked"};
        QTest::newRow("released far outside")
            << QPoint(900, -400) << QStringList{"down 1013", "up 1013"};
    }
    void holdReportsPressAndRelease() {
        QFETCH(QPoint, releaseAt);
        QFETCH(QStringList, expected);
        CHoldButton* button = MakeHold();
        Recorder recorder;
        recorder.Attach(button);
        int pressedDuringDown = -1;
        connect(button, &CHoldButton::RcMessage, &recorder, [&](int message, int id) {
            recorder.Message(message, id);
            if (message == WM_RC_BUTTONDOWN) {
                pressedDuringDown = button->m_bPressed;
            }
        });
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 5));
        QCOMPARE(pressedDuringDown, 1);
        QCOMPARE(button->CurrentPicture(), 182);
        QTest::mouseRelease(button, Qt::LeftButton, {}, releaseAt);
        QCOMPARE(recorder.events, expected);
        QCOMPARE(button->m_bPressed, 0);
        QCOMPARE(button->CurrentPicture(), 183);
    }

    void holdDoubleClickIsTwoPresses() {
        CHoldButton* button = MakeHold();
        Recorder recorder;
        connect(button, &CHoldButton::RcMessage, &recorder, &Recorder::Message);
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(button->m_bPressed, 1);
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(recorder.events, (QStringList{"down 1013", "up 1013", "down 1013", "up 1013"}));
        QCOMPARE(button->m_bPressed, 0);
        QVERIFY(QWidget::mouseGrabber() == nullptr);
    }

    void holdPicture_data() {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("pressed");
        QTest::addColumn<int>("picture");
        QTest::newRow("released") << true << 0 << 183;
        QTest::newRow("pressed") << true << 1 << 182;
        QTest::newRow("pressed flag other than 1") << true << 2 << 183;
        QTest::newRow("disabled") << false << 0 << 178;
        QTest::newRow("disabled while pressed") << false << 1 << 178;
    }
    void holdPicture() {
        QFETCH(bool, enabled);
        QFETCH(int, pressed);
        QFETCH(int, picture);
        CHoldButton* button = MakeHold();
        button->setEnabled(enabled);
        button->m_bPressed = pressed;
        QCOMPARE(button->CurrentPicture(), picture);
        // What reaches the screen is exactly that picture, mapped to the button colours.
        const QImage expected = LoadMappedPicture(picture, button->palette());
        const QImage shown = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.copy(QRect(QPoint(0, 0), expected.size())), expected);
    }

    void missingPictureDrawsNothing() {
        m_pWindow->setAutoFillBackground(true);
        QPalette magenta = m_pWindow->palette();
        magenta.setColor(QPalette::Window, Qt::magenta);
        m_pWindow->setPalette(magenta);
        CHoldButton* button = MakeHold();
        button->m_nReleasedPic = 9999;
        const QImage shown = m_pWindow->grab(button->geometry()).toImage();
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                QCOMPARE(shown.pixelColor(x, y), QColor(Qt::magenta));
            }
        }
        // It keeps working without a picture.
        Recorder recorder;
        connect(button, &CHoldButton::RcMessage, &recorder, &Recorder::Message);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(recorder.events, (QStringList{"down 1013", "up 1013"}));
    }

    void toggleFollowsThePointer_data() {
        QTest::addColumn<int>("latch");
        QTest::addColumn<QPoint>("pressAt");
        QTest::addColumn<QList<QPoint>>("moves");
        QTest::addColumn<int>("expectedLatch");
        QTest::addColumn<QStringList>("expected");
        const QStringList flipped{"toggled 1006", "clicked"};
        QTest::newRow("click without moving")
            << 0 << QPoint(30, 10) << QList<QPoint>{} << 1 << flipped;
        QTest::newRow("click on the corner pixel")
            << 1 << QPoint(0, 0) << QList<QPoint>{} << 0 << flipped;
        QTest::newRow("moved out")
            << 0 << QPoint(30, 10) << QList<QPoint>{{200, 10}} << 0 << QStringList{};
        QTest::newRow("moved out and back in")
            << 1 << QPoint(30, 10) << QList<QPoint>{{200, 10}, {40, 12}} << 0 << flipped;
        QTest::newRow("left edge counts as outside")
            << 0 << QPoint(30, 10) << QList<QPoint>{{0, 10}} << 0 << QStringList{};
        QTest::newRow("top edge counts as outside")
            << 0 << QPoint(30, 10) << QList<QPoint>{{30, 0}} << 0 << QStringList{};
        QTest::newRow("x at the width counts as outside")
            << 0 << QPoint(30, 10) << QList<QPoint>{{76, 10}} << 0 << QStringList{};
        QTest::newRow("y at the height counts as outside")
            << 0 << QPoint(30, 10) << QList<QPoint>{{30, 27}} << 0 << QStringList{};
        QTest::newRow("negative counts as outside")
            << 0 << QPoint(30, 10) << QList<QPoint>{{-5, -5}} << 0 << QStringList{};
        QTest::newRow("last pixel inside")
            << 0 << QPoint(30, 10) << QList<QPoint>{{75, 26}} << 1 << flipped;
        QTest::newRow("latch 2 becomes 1")
            << 2 << QPoint(30, 10) << QList<QPoint>{} << 1 << flipped;
    }
    void toggleFollowsThePointer() {
        QFETCH(int, latch);
        QFETCH(QPoint, pressAt);
        QFETCH(QList<QPoint>, moves);
        QFETCH(int, expectedLatch);
        QFETCH(QStringList, expected);
        CToggleButton* button = MakeToggle();
        button->m_bChecked = latch;
        Recorder recorder;
        recorder.Attach(button);
        int latchWhenReported = -1;
        connect(button, &CToggleButton::RcMessage, &recorder, [&](int message, int id) {
            recorder.Message(message, id);
            latchWhenReported = button->m_bChecked;
        });
        QTest::mousePress(button, Qt::LeftButton, {}, pressAt);
        QCOMPARE(button->CurrentPicture(), 171);  // lit while the press is tracked inside
        for (const QPoint& point : moves) {
            QTest::mouseMove(button, point);
        }
        // The release is not tested: wherever it is, the last movement decides.
        QTest::mouseRelease(button, Qt::LeftButton, {},
                            moves.isEmpty() ? QPoint(500, 500) : moves.last());
        QCOMPARE(recorder.events.filter(QStringLiteral("toggled")),
                 expected.filter(QStringLiteral("toggled")));
        QCOMPARE(button->m_bChecked, expectedLatch);
        if (!expected.isEmpty()) {
            QCOMPARE(latchWhenReported, expectedLatch);  // flipped before the report
        }
        QCOMPARE(button->m_bTracking, 0);
        QCOMPARE(button->CurrentPicture(), expectedLatch == 1 ? 171 : 172);
        QVERIFY(QWidget::mouseGrabber() == nullptr);
    }

    void toggleShowsItsLatchOnceThePointerLeaves() {
        CToggleButton* button = MakeToggle();
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(30, 10));
        QCOMPARE(button->CurrentPicture(), 171);
        QTest::mouseMove(button, QPoint(300, 10));
        QCOMPARE(button->CurrentPicture(), 172);
        QCOMPARE(button->grab().toImage().convertToFormat(QImage::Format_RGB32),
                 LoadMappedPicture(172, button->palette()));
        QTest::mouseMove(button, QPoint(30, 10));
        QCOMPARE(button->CurrentPicture(), 171);
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(30, 10));
    }

    // The second press of a double-click arrives as a double-click event alone.
    void toggleDoubleClickFlipsOnce_data() {
        QTest::addColumn<QList<QPoint>>("moves");
        QTest::newRow("held still") << QList<QPoint>{};
        QTest::newRow("moved about inside") << QList<QPoint>{{40, 12}, {50, 14}};
    }
    void toggleDoubleClickFlipsOnce() {
        QFETCH(QList<QPoint>, moves);
        CToggleButton* button = MakeToggle();
        Recorder recorder;
        connect(button, &CToggleButton::RcMessage, &recorder, &Recorder::Message);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(30, 10));
        QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(30, 10));
        for (const QPoint& point : moves) {
            QTest::mouseMove(button, point);
        }
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(30, 10));
        QCOMPARE(recorder.events, QStringList{"toggled 1006"});
        QCOMPARE(button->m_bChecked, 1);
        QCOMPARE(button->m_bTracking, 0);
    }

    // Space is the left mouse button of a button Tab reached: auto-repeat adds nothing, and a
    // focus lost while Space is down ends the stroke there (a hold button released, a latch
    // left as it was).
    void spaceWorksLikeTheLeftButton_data() {
        QTest::addColumn<bool>("hold");
        QTest::addColumn<bool>("focusLost");
        QTest::addColumn<QStringList>("whileDown");
        QTest::addColumn<QStringList>("afterUp");
        QTest::addColumn<int>("latch");
        QTest::newRow("hold") << true << false << QStringList{"down 1013"}
                              << QStringList{"down 1013", "up 1013"} << 0;
        QTest::newRow("hold, focus lost")
            << true << true << QStringList{"down 1013"} << QStringList{"down 1013", "up 1013"} << 0;
        QTest::newRow("toggle") << false << false << QStringList{} << QStringList{"toggled 1006"}
                                << 1;
        QTest::newRow("toggle, focus lost") << false << true << QStringList{} << QStringList{} << 0;
    }
    void spaceWorksLikeTheLeftButton() {
        QFETCH(bool, hold);
        QFETCH(bool, focusLost);
        QFETCH(QStringList, whileDown);
        QFETCH(QStringList, afterUp);
        QFETCH(int, latch);
        CPanelButton* button = hold ? static_cast<CPanelButton*>(MakeHold()) : MakeToggle();
        const int released = button->CurrentPicture();
        Recorder recorder;
        recorder.Attach(button);
        connect(button, &CPanelButton::RcMessage, &recorder, &Recorder::Message);
        m_pWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_pWindow));
        button->setFocus(Qt::TabFocusReason);
        QTest::keyPress(button, Qt::Key_Space);
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "),
                         true);
        QApplication::sendEvent(button, &repeat);
        QCOMPARE(recorder.events, whileDown);
        QVERIFY(button->CurrentPicture() != released);  // drawn down, as under the mouse
        if (focusLost) {
            m_pWindow->setFocus();
        }
        QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(recorder.events, afterUp);
        if (!hold) {
            QCOMPARE(static_cast<CToggleButton*>(button)->m_bChecked, latch);
        }
        QCOMPARE(button->CurrentPicture(), hold || latch == 0 ? released : 171);
    }

    void toggleClickNotificationFollowsTheReport() {
        CToggleButton* button = MakeToggle();
        Recorder recorder;
        connect(button, &CToggleButton::RcMessage, &recorder, &Recorder::Message);
        recorder.Attach(button);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(30, 10));
        QCOMPARE(recorder.events, (QStringList{"toggled 1006", "clicked"}));
    }
};

QTEST_MAIN(TestPanelButtons)
#include "test_panel_buttons.moc"
