#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QMap>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "app/MainToolBar.h"
#include "panel/HoldButton.h"
#include "panel/PanelLayout.h"
#include "panel/PanelTestHost.h"
#include "panel/RemoteDlg.h"
#include "res/CommandIds.h"
#include "support/ViewApp.h"
#include "view/Tavelo2View.h"

using namespace tavelo;
using tavelo::test::CommandsOnWire;

namespace {

// The frame and the view over a simulated camera, driven by the frame's commands.
struct App : test::ViewApp {
    QList<CRemoteDlg*> Panels() { return view->findChildren<CRemoteDlg*>(); }
    void UnplugAndCheck() {
        camera.SetPlugged(0, false);
        frame->OnTimer(CMainFrame::TIMER_CHECK);
    }
    QStringList Messages() const { return prompts.Texts(); }
};

// Lets queued closes and deferred deletes run.
void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

const QString kDisconnected = QStringLiteral("USB:Disconnected from the main unit.\n\n");
const QString kTransmit = QStringLiteral("USB:Failed to transmit.\n\n");

}  // namespace

class TestViewRemote : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Show makes one panel; a second Show brings that same panel to the front instead of
    // asking the camera again.
    void showOpensOnceThenActivates() {
        App app;
        QVERIFY(app.Command(ID_RC_SHOW));
        QPointer<CRemoteDlg> panel = app.view->m_pRemote;
        QVERIFY(panel);
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->windowTitle(), QStringLiteral("Remote control"));
        QCOMPARE(CommandsOnWire(app.camera), (QStringList{"QS0  ", "QS2  "}));

        app.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.frame.get()));
        app.view->OnRcShow();
        QVERIFY(QTest::qWaitForWindowActive(panel));
        QCOMPARE(app.view->m_pRemote, panel.data());
        QCOMPARE(app.Panels().size(), 1);
        QCOMPARE(CommandsOnWire(app.camera).size(), 2);
        QVERIFY(app.Messages().isEmpty());
    }

    void closing_data() {
        QTest::addColumn<int>("command");
        QTest::newRow("Hide the RC") << int(ID_RC_HIDE);
        QTest::newRow("Show/Hide the RC") << int(ID_RC_TOGGLE);
    }

    // Hide and the toggle close the panel at once for the view; the panel deletes itself.
    void closing() {
        QFETCH(int, command);
        App app;
        QVERIFY(app.Command(ID_RC_TOGGLE));
        QPointer<CRemoteDlg> panel = app.view->m_pRemote;
        QVERIFY(panel);
        QVERIFY(app.Action(ID_RC_TOGGLE)->isChecked());

        QVERIFY(app.Command(command));
        QVERIFY(app.view->m_pRemote == nullptr);
        QVERIFY(!app.Action(ID_RC_TOGGLE)->isChecked());
        QVERIFY(app.Action(ID_RC_SHOW)->isEnabled());
        QVERIFY(!app.Action(ID_RC_HIDE)->isEnabled());
        Settle();
        QVERIFY(panel.isNull());

        // And a new one opens afresh.
        QVERIFY(app.Command(ID_RC_TOGGLE));
        QVERIFY(app.view->m_pRemote != nullptr);
        QCOMPARE(app.Panels().size(), 1);
        QVERIFY(app.Messages().isEmpty());
    }

    void closingByItself_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("close box") << "close box";
        QTest::newRow("Esc") << "Esc";
        QTest::newRow("a failed send") << "send";
        QTest::newRow("a lost camera") << "unplug";
    }

    // A panel that goes on its own shows as gone on the toolbar and in the menu at once, with
    // no command run after it.
    void closingByItself() {
        QFETCH(QString, how);
        App app;
        QVERIFY(app.Command(ID_RC_TOGGLE));
        QPointer<CRemoteDlg> panel = app.view->m_pRemote;
        CommandTable& commands = app.frame->Commands();
        auto* button = qobject_cast<QToolButton*>(
            app.frame->m_wndToolBar->widgetForAction(commands.Action(ID_RC_TOGGLE)));
        QVERIFY(button && button->isChecked());
        if (how == "close box") {
            panel->close();
        } else if (how == "Esc") {
            QTest::keyClick(panel, Qt::Key_Escape);
        } else if (how == "send") {
            app.camera.SetPipeBroken("PIPE00", true);
            QTest::mouseClick(panel->HoldButton(IDC_TELE), Qt::LeftButton, {}, QPoint(3, 3));
        } else {
            app.UnplugAndCheck();
        }
        Settle();
        QVERIFY(panel.isNull());
        QVERIFY(!button->isChecked());
        QVERIFY(!commands.Action(ID_RC_SHOW)->isChecked());
        QVERIFY(commands.Action(ID_RC_HIDE)->isChecked());
        QCOMPARE(commands.Action(ID_RC_SHOW)->isEnabled(), how != "unplug");
    }

    // The frame's commands work while the panel has the focus; the keys the panel uses itself
    // stay its own.
    void frameKeysFromThePanel_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("stays");
        QTest::newRow("Alt+C") << int(Qt::Key_C) << int(Qt::AltModifier) << int(ID_CAPTURE) << true;
        QTest::newRow("F5") << int(Qt::Key_F5) << 0 << int(ID_CAPTURE_SERIES) << true;
        QTest::newRow("Ctrl+R") << int(Qt::Key_R) << int(Qt::ControlModifier) << int(ID_RC_TOGGLE)
                                << true;
        QTest::newRow("Ctrl+S") << int(Qt::Key_S) << int(Qt::ControlModifier) << int(ID_FILE_SAVE)
                                << true;
        QTest::newRow("Ctrl+]") << int(Qt::Key_BracketRight) << int(Qt::ControlModifier)
                                << int(ID_ZOOM_OUT) << true;
        QTest::newRow("Tab") << int(Qt::Key_Tab) << 0 << 0 << true;
        QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << 0 << true;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << 0 << 0 << false;
    }
    void frameKeysFromThePanel() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, command);
        QFETCH(bool, stays);
        App app;
        QVERIFY(app.Command(ID_RC_SHOW));
        QPointer<CRemoteDlg> panel = app.view->m_pRemote;
        QMap<int, int> runs;
        for (int id : {ID_CAPTURE, ID_CAPTURE_SERIES, ID_RC_TOGGLE, ID_FILE_SAVE, ID_ZOOM_OUT}) {
            app.frame->SetCommandHandler(id, [&runs, id] { ++runs[id]; });
            app.frame->SetUpdateHandler(id, {});
        }
        panel->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(panel));
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus != nullptr && focus->window() == panel);
        QTest::keyClick(focus, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        Settle();
        QCOMPARE(runs.value(command), command == 0 ? 0 : 1);
        QCOMPARE(runs.size(), command == 0 ? 0 : 1);
        QCOMPARE(!panel.isNull(), stays);
    }

    void enabling_data() {
        QTest::addColumn<bool>("ready");
        QTest::addColumn<bool>("open");
        QTest::newRow("ready, no panel") << true << false;
        QTest::newRow("ready, open") << true << true;
        QTest::newRow("not ready, no panel") << false << false;
        QTest::newRow("not ready, open") << false << true;
    }

    void enabling() {
        QFETCH(bool, ready);
        QFETCH(bool, open);
        App app;
        if (open) {
            QVERIFY(app.Command(ID_RC_SHOW));
        }
        app.view->m_bNotReady = !ready;
        QCOMPARE(app.Action(ID_RC_SHOW)->isEnabled(), ready && !open);
        QCOMPARE(app.Action(ID_RC_SHOW)->isChecked(), open);
        QCOMPARE(app.Action(ID_RC_HIDE)->isEnabled(), ready && open);
        QCOMPARE(app.Action(ID_RC_HIDE)->isChecked(), !open);
        QCOMPARE(app.Action(ID_RC_TOGGLE)->isEnabled(), ready);
        QCOMPARE(app.Action(ID_RC_TOGGLE)->isChecked(), open);
    }

    void unplugWhileOpen_data() {
        QTest::addColumn<bool>("wasReady");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("camera was ready") << true << QStringList{kDisconnected};
        QTest::newRow("already not ready") << false << QStringList{};
    }

    // The frame's connection check finds the camera gone: one message if it was ready, and
    // the panel closes once the check has returned.
    void unplugWhileOpen() {
        QFETCH(bool, wasReady);
        QFETCH(QStringList, messages);
        App app;
        QVERIFY(app.Command(ID_RC_SHOW));
        QPointer<CRemoteDlg> panel = app.view->m_pRemote;
        app.view->m_bNotReady = !wasReady;
        app.UnplugAndCheck();
        QCOMPARE(app.Messages(), messages);
        QVERIFY(app.view->m_bNotReady);
        Settle();
        QVERIFY(panel.isNull());
        QVERIFY(app.view->m_pRemote == nullptr);
        QVERIFY(!app.Action(ID_RC_TOGGLE)->isChecked());
        QVERIFY(!app.Action(ID_RC_TOGGLE)->isEnabled());
    }

    // A press whose command cannot be sent raises a box; while it is up the connection check
    // runs and asks for the close too. The panel stays whole until the press has returned,
    // takes the release, and closes afterwards.
    void unplugDuringAPanelCommand() {
        App app;
        QVERIFY(app.Command(ID_RC_SHOW));
        QPointer<CRemoteDlg> panel = app.view->m_pRemote;
        app.camera.SetPlugged(0, false);
        app.camera.ClearWire();
        bool wholeInBox = false;
        bool checked = false;
        app.prompts.onMessage = [&] {
            if (checked) {
                return;
            }
            checked = true;
            app.frame->OnTimer(CMainFrame::TIMER_CHECK);
            QEventLoop box;
            QTimer::singleShot(20, &box, &QEventLoop::quit);
            box.exec();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            wholeInBox = panel && app.view->m_pRemote == panel;
        };
        CHoldButton* tele = panel->HoldButton(IDC_TELE);
        QTest::mousePress(tele, Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(wholeInBox);
        QCOMPARE(app.Messages(), (QStringList{kTransmit, kDisconnected}));
        QVERIFY(panel);
        QTest::mouseRelease(tele, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(app.Messages().size(), 2);  // the camera is known gone: no second box
        Settle();
        QVERIFY(panel.isNull());
        QVERIFY(app.view->m_pRemote == nullptr);
        QVERIFY(CommandsOnWire(app.camera).isEmpty());
    }

    // The camera went away before the connection check noticed: the opening status query
    // cannot be sent. The panel still opens (no "Failed to create"), then closes at once.
    void openingQueryCannotBeSent() {
        App app;
        app.camera.SetPlugged(0, false);
        app.view->OnRcShow();
        QPointer<CRemoteDlg> panel = app.view->m_pRemote;
        QVERIFY(panel);
        QCOMPARE(app.Messages(), QStringList{kTransmit});
        Settle();
        QVERIFY(panel.isNull());
        QVERIFY(app.view->m_pRemote == nullptr);
        QCOMPARE(app.Messages(), QStringList{kTransmit});
    }

    void viewGoesWithAnOpenPanel_data() {
        QTest::addColumn<QString>("pending");
        QTest::newRow("open") << "nothing";
        QTest::newRow("close queued") << "close";
        QTest::newRow("hidden, not yet deleted") << "hide";
    }

    // The panel is a child window of the view: destroying the frame and view takes it along,
    // and a close or delete still queued for it never runs on a freed panel.
    void viewGoesWithAnOpenPanel() {
        QFETCH(QString, pending);
        App app;
        QVERIFY(app.Command(ID_RC_SHOW));
        QPointer<CRemoteDlg> panel = app.view->m_pRemote;
        if (pending == "close") {
            app.view->CloseRemote();
        } else if (pending == "hide") {
            app.view->OnRcHide();
        }
        app.frame.reset();
        QVERIFY(panel.isNull());
        Settle();
        QVERIFY(app.Messages().isEmpty());
    }
};

TAVELO_APP_TEST_MAIN(TestViewRemote)
#include "test_view_remote.moc"
