#include <QAccessible>
#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "PanelTestHost.h"
#include "panel/BitmapButton.h"
#include "panel/HoldButton.h"
#include "panel/PanelLayout.h"
#include "panel/PanelPictures.h"
#include "panel/ToggleButton.h"

using namespace tavelo;
using tavelo::test::CommandsOnWire;
using tavelo::test::PanelHost;
using tavelo::test::TransfersOnWire;

namespace {

// A panel over one simulated camera, with the frame and view stood in for by PanelHost.
struct Rig {
    SimulatedBackend backend{SimulatedBackend::WireLog::Kept};
    PanelHost host;
    DeviceLink link{backend, 50};
    ReportingLink reporting{link, host};
    QPointer<CRemoteDlg> panel;

    SimulatedCamera::State& State() { return backend.Camera().GetState(); }

    bool Open() {
        host.window.show();
        host.panel = new CRemoteDlg(reporting, host);
        panel = host.panel;
        const bool created = panel->Create();
        if (panel) {
            (void)QTest::qWaitForWindowExposed(panel);
        }
        backend.ClearWire();
        return created;
    }

    CHoldButton* Hold(int id) { return panel->HoldButton(id); }
    CToggleButton* Toggle(int id) { return panel->ToggleButton(id); }

    void Click(int id) {
        QAbstractButton* button = panel->ToggleButton(id);
        if (!button) {
            button = panel->BitmapButton(id);
        }
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(3, 3));
    }
    void Press(int id) { QTest::mousePress(Hold(id), Qt::LeftButton, {}, QPoint(3, 3)); }
    // Released with the pointer moved far off the button.
    void Release(int id) { QTest::mouseRelease(Hold(id), Qt::LeftButton, {}, QPoint(400, -300)); }

    QStringList Lit(int first, int last) {
        QStringList lit;
        for (int id = first; id <= last; ++id) {
            if (Toggle(id)->CurrentPicture() == Toggle(id)->m_nOnPic) {
                lit << QString::number(id);
            }
        }
        return lit;
    }

    // What the panel shows in `area`, against the background alone or a state picture.
    QImage Shown(const QRect& area) {
        return panel->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    }
    QImage Background(const QRect& area) {
        return LoadMappedPicture(IDB_REMOTE_BACKGROUND, panel->palette()).copy(area);
    }
    QImage Picture(int id) { return LoadMappedPicture(id, panel->palette()); }
};

// Lets queued events and deferred deletes run.
void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

QStringList Sent(std::initializer_list<const char*> commands) {
    QStringList transfers;
    for (const char* command : commands) {
        transfers << QStringLiteral("W:") + QLatin1String(command) << QStringLiteral("R");
    }
    return transfers;
}

}  // namespace

class TestRemoteDlg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void opensTitledAndSizedAndAsksTheCamera() {
        Rig rig;
        rig.host.window.show();
        rig.host.panel = new CRemoteDlg(rig.reporting, rig.host);
        rig.panel = rig.host.panel;
        QVERIFY(rig.panel->Create());
        QCOMPARE(rig.panel->windowTitle(), QStringLiteral("Remote control"));
        QCOMPARE(rig.panel->size(), QSize(330, 480));
        QVERIFY(rig.panel->isVisible());
        QVERIFY(!rig.panel->isModal());
        QCOMPARE(TransfersOnWire(rig.backend), (QStringList{"W:QS0  ", "R", "W:QS2  ", "R"}));
        QVERIFY(rig.host.errors.empty());
        // All 32 buttons on the panel's face, none covering another.
        const QList<QAbstractButton*> buttons = rig.panel->findChildren<QAbstractButton*>();
        QCOMPARE(buttons.size(), 32);
        for (QAbstractButton* button : buttons) {
            QVERIFY(rig.panel->rect().contains(button->geometry()));
            for (QAbstractButton* other : buttons) {
                QVERIFY(button == other || !button->geometry().intersects(other->geometry()));
            }
        }
    }

    // Plain words for every button, as tooltip and as the name a screen reader announces.
    void buttonsAreNamedInPlainWords_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("TELE") << int(IDC_TELE) << "Zoom in (tele)";
        QTest::newRow("AWB") << int(IDC_AWB) << "Auto white balance";
        QTest::newRow("GAMMA -") << int(IDC_GAMMA_MINUS) << "Gamma down";
        QTest::newRow("BASE") << int(IDC_LAMP_BASE) << "Base lamp";
    }
    void buttonsAreNamedInPlainWords() {
        QFETCH(int, id);
        QFETCH(QString, name);
        Rig rig;
        QVERIFY(rig.Open());
        QAccessibleInterface* named = QAccessible::queryAccessibleInterface(rig.panel->Button(id));
        QVERIFY(named);
        QCOMPARE(named->text(QAccessible::Name), name);
        QCOMPARE(rig.panel->Button(id)->toolTip(), name);
        // And no two buttons share a name.
        QSet<QString> names;
        for (QAbstractButton* button : rig.panel->findChildren<QAbstractButton*>()) {
            const QString text =
                QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name);
            QVERIFY(!text.isEmpty() && !names.contains(text));
            QCOMPARE(button->toolTip(), text);
            names.insert(text);
        }
    }

    // Tab visits every button once, in the panel's reading order, and marks the one it is on;
    // at opening none is marked, so the panel looks as it always did.
    void tabMovesAVisibleFocus() {
        Rig rig;
        rig.State().pointer = 1;  // every button enabled: Tab passes over disabled ones
        rig.State().gamma = 3;
        QVERIFY(rig.Open());
        rig.panel->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.panel));
        QCOMPARE(QApplication::focusWidget(), rig.panel.data());
        QAbstractButton* lock = rig.panel->Button(IDC_LOCK);
        const QImage unmarked = lock->grab().toImage();
        QList<int> visited;
        for (int i = 0; i < 32; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
            QVERIFY(button);
            visited << rig.panel->findChildren<QAbstractButton*>().indexOf(button);
            if (button == lock) {
                QVERIFY(lock->grab().toImage() != unmarked);
            }
        }
        QList<int> order;
        for (const PanelControl& control : PANEL_CONTROLS) {
            order << rig.panel->findChildren<QAbstractButton*>().indexOf(
                rig.panel->Button(control.id));
        }
        QCOMPARE(visited, order);
        QVERIFY(CommandsOnWire(rig.backend).isEmpty());
    }

    // Space works the focused button of each kind as the mouse does.
    void spaceWorksTheFocusedButton_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QStringList>("whileDown");
        QTest::addColumn<QStringList>("afterUp");
        QTest::newRow("TELE") << int(IDC_TELE) << QStringList{"ZO+  "}
                              << QStringList{"ZO+  ", "ZO0  "};
        QTest::newRow("GAMMA -") << int(IDC_GAMMA_MINUS) << QStringList{"GM1  "}
                                 << QStringList{"GM1  "};
        QTest::newRow("LOCK") << int(IDC_LOCK) << QStringList{} << QStringList{"LL1  "};
        QTest::newRow("AWB") << int(IDC_AWB) << QStringList{} << QStringList{"AW2  "};
    }
    void spaceWorksTheFocusedButton() {
        QFETCH(int, id);
        QFETCH(QStringList, whileDown);
        QFETCH(QStringList, afterUp);
        Rig rig;
        QVERIFY(rig.Open());
        rig.panel->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.panel));
        QAbstractButton* button = rig.panel->Button(id);
        button->setFocus(Qt::TabFocusReason);
        QTest::keyPress(button, Qt::Key_Space);
        QCOMPARE(CommandsOnWire(rig.backend), whileDown);
        QTest::keyRelease(button, Qt::Key_Space);
        QCOMPARE(CommandsOnWire(rig.backend), afterUp);
        QVERIFY(rig.host.errors.empty());
    }

    void centredInSignedArithmetic_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("outer");
        QTest::addColumn<QPoint>("origin");
        QTest::newRow("larger screen") << QSize(1024, 768) << QSize(336, 506) << QPoint(344, 131);
        QTest::newRow("smaller screen") << QSize(320, 240) << QSize(336, 506) << QPoint(-8, -133);
        QTest::newRow("odd difference") << QSize(300, 400) << QSize(337, 507) << QPoint(-18, -53);
    }
    void centredInSignedArithmetic() {
        QFETCH(QSize, screen);
        QFETCH(QSize, outer);
        QFETCH(QPoint, origin);
        QCOMPARE(CRemoteDlg::CentredOrigin(screen, outer), origin);
    }

    void openingShowsTheCamerasState_data() {
        QTest::addColumn<int>("lamp");
        QTest::addColumn<int>("source");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QStringList>("litLamps");
        QTest::addColumn<QStringList>("litSources");
        QTest::addColumn<QStringList>("litRotations");
        QTest::newRow("rotation 2")
            << 0 << 0 << 2 << QStringList{} << QStringList{"1025"} << QStringList{"1021"};
        QTest::newRow("rotation 7")
            << 0 << 1 << 7 << QStringList{} << QStringList{"1026"} << QStringList{};
        QTest::newRow("base lamp")
            << 1 << 2 << 0 << QStringList{"1023"} << QStringList{"1027"} << QStringList{"1019"};
        QTest::newRow("upper lamp")
            << 2 << 3 << 3 << QStringList{"1024"} << QStringList{} << QStringList{"1022"};
    }
    void openingShowsTheCamerasState() {
        QFETCH(int, lamp);
        QFETCH(int, source);
        QFETCH(int, rotation);
        QFETCH(QStringList, litLamps);
        QFETCH(QStringList, litSources);
        QFETCH(QStringList, litRotations);
        Rig rig;
        rig.State().lamp = lamp;
        rig.State().videoSource = source;
        rig.State().rotation = rotation;
        QVERIFY(rig.Open());
        QCOMPARE(rig.panel->m_nLamp, lamp);
        QCOMPARE(rig.Lit(IDC_LAMP_BASE, IDC_LAMP_UPPER), litLamps);
        QCOMPARE(rig.Lit(IDC_SOURCE_MAIN, IDC_SOURCE_RGB2), litSources);
        QCOMPARE(rig.Lit(IDC_ROTATION_0, IDC_ROTATION_270), litRotations);
    }

    void openingLatchesAndLimits_data() {
        QTest::addColumn<int>("pointer");
        QTest::addColumn<int>("gamma");
        QTest::addColumn<bool>("arrowsEnabled");
        QTest::addColumn<bool>("minusEnabled");
        QTest::addColumn<bool>("plusEnabled");
        QTest::newRow("pointer off, gamma 0") << 0 << 0 << false << true << false;
        QTest::newRow("pointer on, gamma 7") << 1 << 7 << true << false << true;
        QTest::newRow("gamma 3") << 1 << 3 << true << true << true;
        QTest::newRow("pointer latch 2 (shown off)") << 2 << 3 << true << true << true;
    }
    void openingLatchesAndLimits() {
        QFETCH(int, pointer);
        QFETCH(int, gamma);
        QFETCH(bool, arrowsEnabled);
        QFETCH(bool, minusEnabled);
        QFETCH(bool, plusEnabled);
        Rig rig;
        rig.State().pointer = pointer;
        rig.State().gamma = gamma;
        rig.State().lock = 1;
        rig.State().negative = 1;
        rig.State().aperture = 1;
        QVERIFY(rig.Open());
        for (int id = IDC_ARROW_UP; id <= IDC_ARROW_DOWN; ++id) {
            QCOMPARE(rig.Hold(id)->isEnabled(), arrowsEnabled);
        }
        QCOMPARE(rig.Hold(IDC_GAMMA_MINUS)->isEnabled(), minusEnabled);
        QCOMPARE(rig.Hold(IDC_GAMMA_PLUS)->isEnabled(), plusEnabled);
        QCOMPARE(rig.Toggle(IDC_POINTER)->m_bChecked, pointer);
        QCOMPARE(rig.Toggle(IDC_LOCK)->m_bChecked, 1);
        QCOMPARE(rig.Toggle(IDC_POSI_NEGA)->m_bChecked, 1);
        QCOMPARE(rig.Toggle(IDC_APERTURE)->m_bChecked, 1);
        QCOMPARE(rig.Toggle(IDC_CONTRAST)->m_bChecked, 0);
        QCOMPARE(rig.panel->m_nGamma, gamma);
        // The gamma value and the NEGA indicator are on the panel.
        QCOMPARE(rig.Shown(QRect(GAMMA_VALUE_ORIGIN, QSize(30, 12))),
                 rig.Picture(IDB_GAMMA_VALUE + gamma));
        QCOMPARE(rig.Shown(QRect(POSI_NEGA_ORIGIN, QSize(63, 13))), rig.Picture(218));
        QCOMPARE(rig.Shown(QRect(COLOR_BW_ORIGIN, QSize(63, 13))), rig.Picture(219));
    }

    void unreadableStatusLightsNothing() {
        Rig rig;
        rig.State().lamp = 1;
        rig.State().pointer = 1;
        rig.State().rotation = 2;
        rig.backend.SetPipeBroken("PIPE01", true);
        QVERIFY(rig.Open());
        QCOMPARE(rig.host.errors, (std::vector<int>{ERR_RECEIVE, ERR_RECEIVE}));
        QVERIFY(rig.panel);  // a panel that cannot read the camera still opens
        QCOMPARE(rig.panel->m_nLamp, -48);
        QCOMPARE(rig.panel->m_nGamma, -48);
        for (const TogglePictures& entry : TOGGLE_PICTURES) {
            QCOMPARE(rig.Toggle(entry.id)->CurrentPicture(), entry.off);
        }
        // Latches are kept as they came; the radio groups are simply all dark.
        for (int id : {IDC_LOCK, IDC_POINTER, IDC_MAGNIFY, IDC_PAUSE, IDC_POSI_NEGA, IDC_COLOR_BW,
                       IDC_APERTURE, IDC_CONTRAST}) {
            QCOMPARE(rig.Toggle(id)->m_bChecked, -48);
        }
        QVERIFY(rig.Lit(IDC_ROTATION_0, IDC_LAMP_UPPER).isEmpty());
        QVERIFY(rig.Lit(IDC_SOURCE_MAIN, IDC_SOURCE_RGB2).isEmpty());
        QVERIFY(rig.Hold(IDC_GAMMA_MINUS)->isEnabled());
        QVERIFY(rig.Hold(IDC_GAMMA_PLUS)->isEnabled());
        // Only a pointer latch of 0 disables the arrows; -48 leaves them usable.
        QVERIFY(rig.Hold(IDC_ARROW_UP)->isEnabled());
        for (const QRect& area :
             {QRect(POSI_NEGA_ORIGIN, QSize(63, 13)), QRect(COLOR_BW_ORIGIN, QSize(63, 13)),
              QRect(GAMMA_VALUE_ORIGIN, QSize(30, 12))}) {
            QCOMPARE(rig.Shown(area), rig.Background(area));
        }
    }

    void holdButtonsStartAndStop_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("stop");
        QTest::newRow("up") << int(IDC_ARROW_UP) << "PM3  "
                            << "PM0  ";
        QTest::newRow("left") << int(IDC_ARROW_LEFT) << "PM2  "
                              << "PM0  ";
        QTest::newRow("right") << int(IDC_ARROW_RIGHT) << "PM1  "
                               << "PM0  ";
        QTest::newRow("down") << int(IDC_ARROW_DOWN) << "PM4  "
                              << "PM0  ";
        QTest::newRow("TELE") << int(IDC_TELE) << "ZO+  "
                              << "ZO0  ";
        QTest::newRow("WIDE") << int(IDC_WIDE) << "ZO-  "
                              << "ZO0  ";
        QTest::newRow("NEAR") << int(IDC_NEAR) << "FO+  "
                              << "FO0  ";
        QTest::newRow("FAR") << int(IDC_FAR) << "FO-  "
                             << "FO0  ";
        QTest::newRow("IRIS OPEN") << int(IDC_IRIS_OPEN) << "IR+  "
                                   << "IR0  ";
        QTest::newRow("IRIS CLOSE") << int(IDC_IRIS_CLOSE) << "IR-  "
                                    << "IR0  ";
    }
    void holdButtonsStartAndStop() {
        QFETCH(int, id);
        QFETCH(QString, start);
        QFETCH(QString, stop);
        Rig rig;
        rig.State().pointer = 1;
        QVERIFY(rig.Open());
        rig.Press(id);
        QCOMPARE(TransfersOnWire(rig.backend), (QStringList{"W:" + start, "R"}));
        rig.Release(id);
        QCOMPARE(TransfersOnWire(rig.backend), (QStringList{"W:" + start, "R", "W:" + stop, "R"}));
        QVERIFY(rig.host.errors.empty());
    }

    void doubleClickOnTeleZoomsTwice() {
        Rig rig;
        QVERIFY(rig.Open());
        CHoldButton* tele = rig.Hold(IDC_TELE);
        QTest::mousePress(tele, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseRelease(tele, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseDClick(tele, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseRelease(tele, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(TransfersOnWire(rig.backend), Sent({"ZO+  ", "ZO0  ", "ZO+  ", "ZO0  "}));
    }

    void latchButtonsSendTheirNewState_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("on");
        QTest::addColumn<QString>("off");
        QTest::newRow("LOCK") << int(IDC_LOCK) << "LL1  "
                              << "LL0  ";
        QTest::newRow("2x") << int(IDC_MAGNIFY) << "MA1  "
                            << "MA0  ";
        QTest::newRow("CONTRAST") << int(IDC_CONTRAST) << "CT1  "
                                  << "CT0  ";
        QTest::newRow("APERTURE") << int(IDC_APERTURE) << "AP1  "
                                  << "AP0  ";
        QTest::newRow("PAUSE") << int(IDC_PAUSE) << "FZ1  "
                               << "FZ0  ";
        QTest::newRow("POSI/NEGA") << int(IDC_POSI_NEGA) << "NP1  "
                                   << "NP0  ";
        QTest::newRow("COLOR/B&W") << int(IDC_COLOR_BW) << "CB1  "
                                   << "CB0  ";
    }
    void latchButtonsSendTheirNewState() {
        QFETCH(int, id);
        QFETCH(QString, on);
        QFETCH(QString, off);
        Rig rig;
        QVERIFY(rig.Open());
        rig.Click(id);
        QCOMPARE(rig.Toggle(id)->m_bChecked, 1);
        rig.Click(id);
        QCOMPARE(rig.Toggle(id)->m_bChecked, 0);
        QCOMPARE(TransfersOnWire(rig.backend), (QStringList{"W:" + on, "R", "W:" + off, "R"}));
    }

    void toggleReleasedOutsideSendsNothing() {
        Rig rig;
        QVERIFY(rig.Open());
        CToggleButton* lock = rig.Toggle(IDC_LOCK);
        QTest::mousePress(lock, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseMove(lock, QPoint(200, 10));
        QTest::mouseRelease(lock, Qt::LeftButton, {}, QPoint(200, 10));
        QVERIFY(CommandsOnWire(rig.backend).isEmpty());
        QCOMPARE(lock->m_bChecked, 0);
    }

    void refusedLatchKeepsItsState() {
        Rig rig;
        QVERIFY(rig.Open());
        rig.backend.NakNextCommand();
        rig.Click(IDC_LOCK);
        QCOMPARE(rig.Toggle(IDC_LOCK)->m_bChecked, 1);
        QCOMPARE(rig.host.errors, std::vector<int>{ERR_COMMUNICATE});
    }

    void indicatorRepaintedBeforeItsCommand() {
        Rig rig;
        QVERIFY(rig.Open());
        struct PaintWatch : QObject {
            Rig* rig = nullptr;
            QList<int> commandsAtPaint;
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Paint) {
                    commandsAtPaint << int(CommandsOnWire(rig->backend).size());
                }
                return false;
            }
        } watch;
        watch.rig = &rig;
        rig.panel->installEventFilter(&watch);
        rig.Click(IDC_POSI_NEGA);
        rig.panel->removeEventFilter(&watch);
        QVERIFY(watch.commandsAtPaint.contains(0));
        QCOMPARE(CommandsOnWire(rig.backend), QStringList{"NP1  "});
        QCOMPARE(rig.Shown(QRect(POSI_NEGA_ORIGIN, QSize(63, 13))), rig.Picture(218));
    }

    void lampButtonsFormOneGroup_data() {
        QTest::addColumn<int>("lamp");
        QTest::addColumn<int>("click");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QStringList>("lit");
        QTest::newRow("BASE over UPPER")
            << 2 << int(IDC_LAMP_BASE) << "PL1  " << QStringList{"1023"};
        QTest::newRow("BASE again") << 1 << int(IDC_LAMP_BASE) << "PL0  " << QStringList{};
        QTest::newRow("UPPER over BASE")
            << 1 << int(IDC_LAMP_UPPER) << "PL2  " << QStringList{"1024"};
        QTest::newRow("UPPER again") << 2 << int(IDC_LAMP_UPPER) << "PL0  " << QStringList{};
        QTest::newRow("UPPER from off")
            << 0 << int(IDC_LAMP_UPPER) << "PL2  " << QStringList{"1024"};
    }
    void lampButtonsFormOneGroup() {
        QFETCH(int, lamp);
        QFETCH(int, click);
        QFETCH(QString, sent);
        QFETCH(QStringList, lit);
        Rig rig;
        rig.State().lamp = lamp;
        QVERIFY(rig.Open());
        rig.Click(click);
        QCOMPARE(rig.Lit(IDC_LAMP_BASE, IDC_LAMP_UPPER), lit);
        QCOMPARE(TransfersOnWire(rig.backend), (QStringList{"W:" + sent, "R"}));
        QCOMPARE(rig.panel->m_nLamp, rig.State().lamp);
    }

    void rotationClickedAgainStaysLit() {
        Rig rig;
        rig.State().rotation = 2;
        QVERIFY(rig.Open());
        rig.Click(IDC_ROTATION_180);
        QCOMPARE(rig.Lit(IDC_ROTATION_0, IDC_ROTATION_270), QStringList{"1021"});
        rig.Click(IDC_ROTATION_90);
        QCOMPARE(rig.Lit(IDC_ROTATION_0, IDC_ROTATION_270), QStringList{"1020"});
        QCOMPARE(TransfersOnWire(rig.backend), Sent({"RO2  ", "RO1  "}));
        QCOMPARE(rig.State().rotation, 1);
    }

    void videoSourceAsksTheCameraFirst_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("command");
        QTest::newRow("MAIN") << int(IDC_SOURCE_MAIN) << "AV0  ";
        QTest::newRow("RGB1") << int(IDC_SOURCE_RGB1) << "AV1  ";
        QTest::newRow("RGB2") << int(IDC_SOURCE_RGB2) << "AV2  ";
    }
    void videoSourceAsksTheCameraFirst() {
        QFETCH(int, id);
        QFETCH(QString, command);
        Rig rig;
        rig.State().videoSource = 1;
        QVERIFY(rig.Open());
        rig.Click(id);
        QCOMPARE(TransfersOnWire(rig.backend), (QStringList{"W:QS2  ", "R", "W:" + command, "R"}));
        QCOMPARE(rig.Lit(IDC_SOURCE_MAIN, IDC_SOURCE_RGB2), QStringList{QString::number(id)});
    }

    void videoSourceNotSentWhenItsQueryFails() {
        Rig rig;
        QVERIFY(rig.Open());
        rig.backend.SetPipeBroken("PIPE00", true);
        rig.Click(IDC_SOURCE_RGB2);
        QVERIFY(TransfersOnWire(rig.backend).isEmpty());
        QCOMPARE(rig.host.errors, std::vector<int>{ERR_TRANSMIT});
        Settle();
        QVERIFY(rig.panel.isNull());
    }

    void pointerArrowsFollowOnlyAnAcknowledgedCommand_data() {
        QTest::addColumn<bool>("nak");
        QTest::addColumn<bool>("arrowsEnabled");
        QTest::addColumn<std::vector<int>>("errors");
        QTest::newRow("ACK") << false << true << std::vector<int>{};
        QTest::newRow("NAK") << true << false << std::vector<int>{ERR_COMMUNICATE};
    }
    void pointerArrowsFollowOnlyAnAcknowledgedCommand() {
        QFETCH(bool, nak);
        QFETCH(bool, arrowsEnabled);
        QFETCH(std::vector<int>, errors);
        Rig rig;
        QVERIFY(rig.Open());
        QVERIFY(!rig.Hold(IDC_ARROW_LEFT)->isEnabled());
        if (nak) {
            rig.backend.NakNextCommand();
        }
        rig.Click(IDC_POINTER);
        QCOMPARE(rig.Toggle(IDC_POINTER)->m_bChecked, 1);
        QCOMPARE(TransfersOnWire(rig.backend), Sent({"PO1  "}));
        for (int id = IDC_ARROW_UP; id <= IDC_ARROW_DOWN; ++id) {
            QCOMPARE(rig.Hold(id)->isEnabled(), arrowsEnabled);
        }
        QCOMPARE(rig.host.errors, errors);
    }

    void gammaSixToSevenAndBack() {
        Rig rig;
        rig.State().gamma = 6;
        QVERIFY(rig.Open());
        CHoldButton* minus = rig.Hold(IDC_GAMMA_MINUS);
        CHoldButton* plus = rig.Hold(IDC_GAMMA_PLUS);
        rig.Press(IDC_GAMMA_MINUS);
        QCOMPARE(TransfersOnWire(rig.backend), Sent({"GM7  "}));
        QCOMPARE(rig.panel->m_nGamma, 7);
        QVERIFY(!minus->isEnabled());
        QCOMPARE(minus->CurrentPicture(), 223);
        QCOMPARE(rig.Shown(QRect(GAMMA_VALUE_ORIGIN, QSize(30, 12))), rig.Picture(246));
        // Disabled under the pointer, it never sees its release.
        rig.Release(IDC_GAMMA_MINUS);
        QCOMPARE(minus->m_bPressed, 1);

        rig.Press(IDC_GAMMA_PLUS);
        rig.Release(IDC_GAMMA_PLUS);
        QCOMPARE(TransfersOnWire(rig.backend), Sent({"GM7  ", "GM6  "}));
        QCOMPARE(rig.panel->m_nGamma, 6);
        QVERIFY(minus->isEnabled());
        QCOMPARE(minus->m_bPressed, 0);
        QCOMPARE(minus->CurrentPicture(), 222);  // drawn released again
        QVERIFY(plus->isEnabled());
        QCOMPARE(rig.Shown(QRect(GAMMA_VALUE_ORIGIN, QSize(30, 12))), rig.Picture(245));
        QCOMPARE(rig.State().gamma, 6);
    }

    void gammaDoubleClickStepsTwice() {
        Rig rig;
        rig.State().gamma = 2;
        QVERIFY(rig.Open());
        CHoldButton* minus = rig.Hold(IDC_GAMMA_MINUS);
        QTest::mousePress(minus, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseRelease(minus, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseDClick(minus, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseRelease(minus, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(TransfersOnWire(rig.backend), Sent({"GM3  ", "GM4  "}));
    }

    // Steps at and beyond the limits. A step outside 0..7 (from an unreadable or out-of-range
    // status byte) is unknown: either button then only puts it at the limit it moves towards,
    // sending nothing, and that limit's button is disabled as at any limit.
    void gammaLimits_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("id");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("pressedEnabled");
        const int minus = IDC_GAMMA_MINUS;
        const int plus = IDC_GAMMA_PLUS;
        QTest::newRow("7, GAMMA -") << 7 << minus << QStringList{} << 7 << false;
        QTest::newRow("0, GAMMA +") << 0 << plus << QStringList{} << 0 << false;
        QTest::newRow("0, GAMMA -") << 0 << minus << QStringList{"GM1  "} << 1 << true;
        QTest::newRow("7, GAMMA +") << 7 << plus << QStringList{"GM6  "} << 6 << true;
        QTest::newRow("unreadable, GAMMA -") << -48 << minus << QStringList{} << 7 << false;
        QTest::newRow("unreadable, GAMMA +") << -48 << plus << QStringList{} << 0 << false;
        QTest::newRow("9, GAMMA -") << 9 << minus << QStringList{} << 7 << false;
        QTest::newRow("9, GAMMA +") << 9 << plus << QStringList{} << 0 << false;
        QTest::newRow("8, GAMMA +") << 8 << plus << QStringList{} << 0 << false;
    }
    void gammaLimits() {
        QFETCH(int, start);
        QFETCH(int, id);
        QFETCH(QStringList, sent);
        QFETCH(int, step);
        QFETCH(bool, pressedEnabled);
        Rig rig;
        rig.State().gamma = 3;  // neither button disabled at opening
        QVERIFY(rig.Open());
        rig.panel->m_nGamma = start;
        // Straight to the handler: a button at its limit is disabled and cannot be pressed.
        rig.panel->OnRcButtonDown(id, 0);
        QCOMPARE(CommandsOnWire(rig.backend), sent);
        QCOMPARE(rig.panel->m_nGamma, step);
        QCOMPARE(rig.Hold(id)->isEnabled(), pressedEnabled);
        QCOMPARE(rig.Shown(QRect(GAMMA_VALUE_ORIGIN, QSize(30, 12))),
                 rig.Picture(IDB_GAMMA_VALUE + step));
    }

    void gammaFromAnUnreadableStatus() {
        Rig rig;
        rig.backend.SetPipeBroken("PIPE01", true);
        QVERIFY(rig.Open());
        rig.backend.SetPipeBroken("PIPE01", false);
        rig.State().gamma = 2;
        // The first press shows the limit; the next one sends a step next to it.
        rig.Press(IDC_GAMMA_PLUS);
        rig.Release(IDC_GAMMA_PLUS);
        QVERIFY(CommandsOnWire(rig.backend).isEmpty());
        rig.Press(IDC_GAMMA_MINUS);
        rig.Release(IDC_GAMMA_MINUS);
        QCOMPARE(CommandsOnWire(rig.backend), QStringList{"GM1  "});
        QCOMPARE(rig.State().gamma, 1);
        QVERIFY(rig.Hold(IDC_GAMMA_PLUS)->isEnabled());
    }

    void plainButtonsSendOnClick_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("command");
        QTest::newRow("AWB") << int(IDC_AWB) << "AW2  ";
        QTest::newRow("AF") << int(IDC_AF) << "AF0  ";
        QTest::newRow("IRIS NORMAL") << int(IDC_IRIS_NORMAL) << "IR1  ";
    }
    void plainButtonsSendOnClick() {
        QFETCH(int, id);
        QFETCH(QString, command);
        Rig rig;
        QVERIFY(rig.Open());
        rig.Click(id);
        QCOMPARE(TransfersOnWire(rig.backend), (QStringList{"W:" + command, "R"}));
    }

    void enterKeepsThePanelEscapeClosesIt() {
        Rig rig;
        QVERIFY(rig.Open());
        QTest::keyClick(rig.panel, Qt::Key_Return);
        QTest::keyClick(rig.panel, Qt::Key_Enter);
        Settle();
        QVERIFY(rig.panel && rig.panel->isVisible());
        QCOMPARE(rig.host.forgetCalls, 0);
        QTest::keyClick(rig.panel, Qt::Key_Escape);
        QCOMPARE(rig.host.forgetCalls, 1);
        QVERIFY(rig.host.panel == nullptr);
        Settle();
        QVERIFY(rig.panel.isNull());
        QVERIFY(CommandsOnWire(rig.backend).isEmpty());
    }

    void closeBoxClosesIt() {
        Rig rig;
        QVERIFY(rig.Open());
        QVERIFY(rig.panel->close());
        QCOMPARE(rig.host.forgetCalls, 1);
        Settle();
        QVERIFY(rig.panel.isNull());
    }

    void repeatedCloseRequestsForgetOnce() {
        Rig rig;
        QVERIFY(rig.Open());
        rig.host.CloseRemote();
        rig.panel->PostClose();
        rig.panel->PostClose();
        QVERIFY(rig.panel->isVisible());  // queued, not yet
        Settle();
        QVERIFY(rig.panel.isNull());
        QCOMPARE(rig.host.forgetCalls, 1);
    }

    void unplugWhileOpen_data() {
        QTest::addColumn<bool>("notReady");
        QTest::addColumn<std::vector<int>>("errors");
        QTest::newRow("camera was ready") << false << std::vector<int>{ERR_TRANSMIT};
        QTest::newRow("already marked not ready") << true << std::vector<int>{};
    }
    void unplugWhileOpen() {
        QFETCH(bool, notReady);
        QFETCH(std::vector<int>, errors);
        Rig rig;
        QVERIFY(rig.Open());
        rig.backend.SetPlugged(0, false);
        rig.host.notReady = notReady;
        rig.Press(IDC_TELE);
        // The press has returned, but the close waits for the event loop.
        QVERIFY(rig.panel && rig.panel->isVisible());
        QCOMPARE(rig.host.forgetCalls, 0);
        QCOMPARE(rig.host.errors, errors);
        // The release the user is still holding goes to a live button.
        rig.Release(IDC_TELE);
        QCOMPARE(rig.host.errors.size(), errors.size() * 2);
        Settle();
        QVERIFY(rig.panel.isNull());
        QCOMPARE(rig.host.forgetCalls, 1);
        QVERIFY(rig.host.panel == nullptr);
        QVERIFY(CommandsOnWire(rig.backend).isEmpty());
    }

    // The frame's disconnect check runs on a timer and may ask for the close while a modal
    // box of a panel command is up; the panel must outlive the command that raised the box.
    void closeDuringAModalErrorBox() {
        Rig rig;
        QVERIFY(rig.Open());
        bool aliveAfterBox = false;
        int forgottenDuringBox = -1;
        rig.host.onError = [&](int) {
            QTimer::singleShot(0, [&] { rig.host.CloseRemote(); });
            QEventLoop box;
            QTimer::singleShot(30, &box, &QEventLoop::quit);
            box.exec();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            aliveAfterBox = rig.panel && rig.panel->isVisible();
            forgottenDuringBox = rig.host.forgetCalls;
        };
        rig.backend.NakNextCommand();
        rig.Press(IDC_TELE);
        QCOMPARE(rig.host.errors, std::vector<int>{ERR_COMMUNICATE});
        QCOMPARE(rig.host.closeRemoteCalls, 1);
        QVERIFY(aliveAfterBox);
        QCOMPARE(forgottenDuringBox, 0);
        // Still whole: the release reaches the camera.
        rig.host.onError = nullptr;
        rig.Release(IDC_TELE);
        QCOMPARE(CommandsOnWire(rig.backend), (QStringList{"ZO+  ", "ZO0  "}));
        Settle();
        QVERIFY(rig.panel.isNull());
        QCOMPARE(rig.host.forgetCalls, 1);
    }

    void openingQueryThatCannotBeSent() {
        Rig rig;
        rig.backend.SetPipeBroken("PIPE00", true);
        rig.host.window.show();
        rig.host.panel = new CRemoteDlg(rig.reporting, rig.host);
        rig.panel = rig.host.panel;
        QVERIFY(rig.panel->Create());
        QVERIFY(rig.panel->isVisible());
        QCOMPARE(rig.host.errors, std::vector<int>{ERR_TRANSMIT});
        QCOMPARE(rig.host.closeRemoteCalls, 1);
        Settle();
        QVERIFY(rig.panel.isNull());
        QCOMPARE(rig.host.forgetCalls, 1);
        QVERIFY(TransfersOnWire(rig.backend).isEmpty());
    }
};

QTEST_MAIN(TestRemoteDlg)
#include "test_remote_dlg.moc"
