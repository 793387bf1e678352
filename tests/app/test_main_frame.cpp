#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolButton>
#include <chrono>
#include <memory>
#include <thread>

#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/MainStatusBar.h"
#include "app/MainToolBar.h"
#include "device/SimulatedBackend.h"
#include "res/CommandIds.h"
#include "res/Strings.h"
#include "support/ViewApp.h"
#include "view/Tavelo2View.h"

using namespace tavelo;

namespace {

// A frame as the application builds it, not shown, over a simulated camera whose plug and
// unplug reach the frame's device-change handler.
struct Frame : test::SimulatedCameraFirst, test::FrameRig {
    SimulatedBackend& backend = camera;

    Frame() : FrameRig(camera) {
        backend.SetDeviceChangeHandler([this] { frame->OnDeviceChange(); });
    }
    ~Frame() { backend.SetDeviceChangeHandler({}); }

    CMainStatusBar& Bar() { return *frame->m_wndStatusBar; }
    int PaneWidth(int index) {
        int id = 0, style = 0, width = 0;
        Bar().GetPaneInfo(index, id, style, width);
        return width;
    }
    bool ProgressOnPane2() {
        Bar().MoveProgressToPane();
        return Bar().m_wndProgress->geometry() == Bar().GetItemRect(CMainFrame::PANE_PROGRESS);
    }
    QAction* Top(int pos) { return frame->menuBar()->actions().value(pos); }
};

const QString kDisconnected = QStringLiteral("USB:Disconnected from the main unit.\n\n");

}  // namespace

class TestMainFrame : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void titleAndMinimumSize() {
        Frame f;
        f.frame->show();
        QCOMPARE(f.frame->windowTitle(), QStringLiteral("Tavelo"));
        f.frame->resize(200, 150);
        QVERIFY(f.frame->width() >= 500);
        QVERIFY(f.frame->height() >= 400);
        f.frame->resize(520, 410);
        QCOMPARE(f.frame->size(), QSize(520, 410));
    }

    void reportError_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        for (int code = 1; code <= 12; ++code) {
            QTest::addRow("code %d", code) << code << QString::fromLatin1(ErrorText(code));
        }
        QTest::newRow("zero") << 0 << QString();
        QTest::newRow("thirteen") << 13 << QString();
        QTest::newRow("negative") << -6 << QString();
    }
    void reportError() {
        QFETCH(int, code);
        QFETCH(QString, message);
        Frame f;
        test::PromptRecorder& prompts = f.prompts;
        const int result = f.frame->ReportError(code);
        if (message.isEmpty()) {
            QCOMPARE(result, 0);
            QVERIFY(prompts.messages.isEmpty());
            return;
        }
        QCOMPARE(result, static_cast<int>(IDOK));
        QCOMPARE(prompts.messages.size(), 1);
        const MessagePrompt& box = prompts.messages.first();
        QCOMPARE(box.text, message + QStringLiteral("\n\n"));
        QCOMPARE(box.caption, QStringLiteral("Tavelo"));
        QCOMPARE(box.icon, PromptIcon::Warning);
        QCOMPARE(box.buttons, static_cast<int>(PROMPT_OK));
    }

    void errorTableWording() {
        // The fixed texts the user and the documentation know them by.
        QCOMPARE(QString::fromLatin1(ErrorText(6)),
                 QStringLiteral("USB:Disconnected from the main unit."));
        QCOMPARE(QString::fromLatin1(ErrorText(8)), QStringLiteral("Failed to load the image. !"));
        QCOMPARE(QString::fromLatin1(ErrorText(12)),
                 QStringLiteral("The RGB output setting is not XGA output"));
    }

    void connectionCheckReportsOncePerLoss() {
        Frame f;
        test::PromptRecorder& prompts = f.prompts;
        QVERIFY(f.view->m_bNotReady);
        QVERIFY(f.frame->IsTimerActive(CMainFrame::TIMER_CHECK));
        // First check, a second after creation: the camera is there, nothing is said.
        QTRY_VERIFY_WITH_TIMEOUT(!f.view->m_bNotReady, 2500);
        QCOMPARE(f.Pane(0), QStringLiteral("Ready !"));
        QVERIFY(!f.frame->IsTimerActive(CMainFrame::TIMER_CHECK));
        QVERIFY(prompts.messages.isEmpty());

        // Unplug, then a second notification half a second later: one check, a second after
        // the last of them.
        QElapsedTimer clock;
        clock.start();
        f.backend.SetPlugged(0, false);
        QTest::qWait(500);
        f.frame->OnDeviceChange();
        const qint64 last = clock.elapsed();
        QTest::qWait(700);
        QVERIFY(prompts.messages.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(prompts.messages.size(), 1, 2500);
        const qint64 after = clock.elapsed() - last;
        QVERIFY2(after >= 950 && after <= 1800, qPrintable(QString::number(after)));
        QCOMPARE(prompts.messages.first().text, kDisconnected);
        QVERIFY(f.view->m_bNotReady);
        QCOMPARE(f.Pane(0), QStringLiteral("Not Ready"));

        // Still away at the next check: no second message.
        f.frame->OnDeviceChange();
        QTest::qWait(1300);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(f.Pane(0), QStringLiteral("Not Ready"));

        // Back again: "Ready !" without a word.
        f.backend.SetPlugged(0, true);
        QTRY_VERIFY_WITH_TIMEOUT(!f.view->m_bNotReady, 2500);
        QCOMPARE(f.Pane(0), QStringLiteral("Ready !"));
        QCOMPARE(prompts.messages.size(), 1);

        // A second loss is a new loss.
        f.backend.SetPlugged(0, false);
        QTRY_COMPARE_WITH_TIMEOUT(prompts.messages.size(), 2, 2500);
        QCOMPARE(prompts.messages.last().text, kDisconnected);
    }

    void absentAtStartIsNotReported() {
        Frame f;
        test::PromptRecorder& prompts = f.prompts;
        f.backend.SetPlugged(0, false);
        QTRY_COMPARE_WITH_TIMEOUT(f.Pane(0), QStringLiteral("Not Ready"), 2500);
        QVERIFY(prompts.messages.isEmpty());
    }

    void clockPanes_data() {
        QTest::addColumn<bool>("hidden");
        QTest::newRow("normal") << false;
        QTest::newRow("hidden mode") << true;
    }
    void clockPanes() {
        QFETCH(bool, hidden);
        Frame f;
        f.frame->show();
        QVERIFY(f.frame->IsTimerActive(CMainFrame::TIMER_CLOCK));
        f.view->m_bHiddenMode = hidden;
        const QString before = QTime::currentTime().toString(QStringLiteral("HH:mm"));
        // The clock timer fills both panes within its period.
        QTRY_VERIFY_WITH_TIMEOUT(!f.Pane(CMainFrame::PANE_TIME).isEmpty(), 1500);
        const QString after = QTime::currentTime().toString(QStringLiteral("HH:mm"));
        const QString suffix = hidden ? QStringLiteral(" #") : QString();
        const QString time = f.Pane(CMainFrame::PANE_TIME);
        QVERIFY2(time == before + suffix || time == after + suffix, qPrintable(time));
        QCOMPARE(f.Pane(CMainFrame::PANE_DATE),
                 QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
        for (int pane : {CMainFrame::PANE_DATE, CMainFrame::PANE_TIME}) {
            QCOMPARE(f.PaneWidth(pane), f.frame->GetTextWidth(f.Pane(pane)));
        }
        QVERIFY(f.ProgressOnPane2());

        // Switching the mode back shows on the next tick.
        f.view->m_bHiddenMode = !hidden;
        f.frame->OnTimer(CMainFrame::TIMER_CLOCK);
        QCOMPARE(f.Pane(CMainFrame::PANE_TIME).endsWith(QStringLiteral(" #")), !hidden);
        QCOMPARE(f.PaneWidth(CMainFrame::PANE_TIME),
                 f.frame->GetTextWidth(f.Pane(CMainFrame::PANE_TIME)));
        QVERIFY(f.ProgressOnPane2());
    }

    void closingStopsTheClock() {
        Frame f;
        f.frame->show();
        f.frame->close();
        QVERIFY(!f.frame->IsTimerActive(CMainFrame::TIMER_CLOCK));
    }

    void showZoom_data() {
        QTest::addColumn<float>("percent");
        QTest::addColumn<QString>("text");
        QTest::newRow("100") << 100.0f << " 100.00% ";
        QTest::newRow("fit") << 37.5f << " 37.50% ";
        QTest::newRow("zero") << 0.0f << " 0.00% ";
        QTest::newRow("large") << 1234.567f << " 1234.57% ";
        QTest::newRow("negative") << -1.0f << "       ";
    }
    void showZoom() {
        QFETCH(float, percent);
        QFETCH(QString, text);
        Frame f;
        f.frame->show();
        f.frame->ShowZoom(percent);
        QCOMPARE(f.Pane(CMainFrame::PANE_ZOOM), text);
        QCOMPARE(f.PaneWidth(CMainFrame::PANE_ZOOM), f.frame->GetTextWidth(text));
        QCOMPARE(f.Bar().GetItemRect(CMainFrame::PANE_ZOOM).width(),
                 f.frame->GetTextWidth(text) + 2 * CMainStatusBar::PANE_MARGIN);
        QVERIFY(f.ProgressOnPane2());
    }

    void progressStaysOnPane2() {
        Frame f;
        f.frame->show();
        QCOMPARE(f.PaneWidth(CMainFrame::PANE_PROGRESS), 100);
        QCOMPARE(f.Bar().m_wndProgress->minimum(), 0);
        QCOMPARE(f.Bar().m_wndProgress->maximum(), 768);
        for (int width : {520, 790, 640, 1000}) {
            f.frame->resize(width, 500);
            QTRY_COMPARE(f.Bar().m_wndProgress->geometry(),
                         f.Bar().GetItemRect(CMainFrame::PANE_PROGRESS));
            QCOMPARE(f.Bar().GetItemRect(CMainFrame::PANE_PROGRESS).width(),
                     100 + 2 * CMainStatusBar::PANE_MARGIN);
        }
        // A wider date pane pushes pane 2 along; the bar follows it without any call.
        const QRect before = f.Bar().GetItemRect(CMainFrame::PANE_PROGRESS);
        int id = 0, style = 0, width = 0;
        f.Bar().GetPaneInfo(CMainFrame::PANE_DATE, id, style, width);
        f.Bar().SetPaneInfo(CMainFrame::PANE_DATE, id, style, width + 60);
        QTRY_VERIFY(f.Bar().GetItemRect(CMainFrame::PANE_PROGRESS) != before);
        QCOMPARE(f.Bar().m_wndProgress->geometry(), f.Bar().GetItemRect(CMainFrame::PANE_PROGRESS));
        // A wider zoom pane grows away from it; the bar stays where pane 2 is.
        f.frame->ShowZoom(123456.0f);
        QCoreApplication::processEvents();
        QCOMPARE(f.Bar().m_wndProgress->geometry(), f.Bar().GetItemRect(CMainFrame::PANE_PROGRESS));
    }

    void progressPosition_data() {
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("shown");
        QTest::newRow("start") << 0 << 0;
        QTest::newRow("half") << 384 << 384;
        QTest::newRow("768 rows") << 768 << 768;
        QTest::newRow("row 1000 of 1024") << 1000 << 768;
        QTest::newRow("1280 rows") << 1280 << 768;
        QTest::newRow("below") << -5 << 0;
    }
    void progressPosition() {
        QFETCH(int, pos);
        QFETCH(int, shown);
        Frame f;
        f.frame->SetProgressPos(300);
        f.frame->SetProgressPos(pos);
        QCOMPARE(f.Bar().m_wndProgress->value(), shown);
    }

    // Every row moves the position, but the bar is painted only when its drawn length grew
    // and the paint interval has passed since the last paint, and always at its end and
    // when it goes back to 0.
    void progressPaintsOncePerInterval_data() {
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<bool>("everyRowPaints");
        // Rows faster than the interval: the first growth and the end, nothing between.
        QTest::newRow("fast rows") << 60000 << 1 << 0 << false;
        // Rows further apart than the interval: each one that moves the bar.
        QTest::newRow("rows with pauses") << 5 << 64 << 7 << true;
    }
    void progressPaintsOncePerInterval() {
        QFETCH(int, intervalMs);
        QFETCH(int, step);
        QFETCH(int, pauseMs);
        QFETCH(bool, everyRowPaints);
        Frame f;
        f.frame->SetProgressPaintInterval(intervalMs);
        f.frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
        QProgressBar* bar = f.Bar().m_wndProgress;
        struct Paints : QObject {
            QList<int> values;
            bool eventFilter(QObject* o, QEvent* e) override {
                if (e->type() == QEvent::Paint) {
                    values.append(static_cast<QProgressBar*>(o)->value());
                }
                return false;
            }
        } paints;
        bar->installEventFilter(&paints);
        QList<int> moved;
        for (int row = step; row <= 1024; row += step) {
            f.frame->SetProgressPos(row);
            QCOMPARE(bar->value(), std::min(row, 768));
            if (row <= 768) {
                moved.append(row);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        }
        if (everyRowPaints) {
            QCOMPARE(paints.values, moved);
        } else {
            QVERIFY2(paints.values.size() <= 2,
                     qPrintable(QString("%1 paints").arg(paints.values.size())));
        }
        QCOMPARE(paints.values.constLast(), 768);
        // Back to 0 at once, however soon after.
        f.frame->SetProgressPos(0);
        bar->removeEventFilter(&paints);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(paints.values.constLast(), 0);
    }

    void statusTexts_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        QTest::newRow("ready") << int(IDS_READY) << "Ready !";
        QTest::newRow("busy") << int(IDS_BUSY) << "Busy !";
        QTest::newRow("not ready") << int(IDS_NOT_READY) << "Not Ready";
    }
    void statusTexts() {
        QFETCH(int, id);
        QFETCH(QString, text);
        Frame f;
        f.frame->SetStatusText(id);
        QCOMPARE(f.Pane(0), text);
    }

    void topMenusGreyByPosition() {
        Frame f;
        QCOMPARE(f.Top(1)->text(), QStringLiteral("&Edit"));
        QCOMPARE(f.Top(3)->text(), QStringLiteral("&Zoom"));
        QCOMPARE(f.Top(4)->text(), QStringLiteral("Ro&tation"));
        // The view greys 1, 3 and 4 at its initial update.
        for (int pos = 0; pos < f.frame->menuBar()->actions().size(); ++pos) {
            QCOMPARE(f.Top(pos)->isEnabled(), pos != 1 && pos != 3 && pos != 4);
        }
        // Capture lives in a menu that stays enabled.
        QAction* capture = f.frame->Commands().Action(ID_CAPTURE);
        bool reachable = false;
        for (QAction* top : f.frame->menuBar()->actions()) {
            reachable |= top->isEnabled() && top->menu()->actions().contains(capture);
        }
        QVERIFY(reachable);

        f.frame->EnableTopMenu(3, 0);
        QVERIFY(f.Top(3)->isEnabled());
        QVERIFY(!f.Top(1)->isEnabled());
        f.frame->EnableTopMenu(3, 3);
        QVERIFY(!f.Top(3)->isEnabled());
        f.frame->EnableTopMenu(0, MF_GRAYED);
        QVERIFY(!f.Top(0)->isEnabled());
        // Positions outside the bar change nothing.
        f.frame->EnableTopMenu(17, 0);
        f.frame->EnableTopMenu(-1, 0);
        QVERIFY(!f.Top(3)->isEnabled());
    }

    void menuCommands_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("keys");
        QTest::newRow("capture") << int(ID_CAPTURE) << "&Capture\tAlt+C"
                                 << "Alt+C";
        QTest::newRow("sharpness") << int(ID_SHARPNESS) << "&Sharpness..."
                                   << "";
        QTest::newRow("show rc") << int(ID_RC_SHOW) << "&Show the RC\tCtrl+R"
                                 << "";
        QTest::newRow("hide rc") << int(ID_RC_HIDE) << "&Hide the RC\tCtrl+R"
                                 << "";
        QTest::newRow("toggle rc") << int(ID_RC_TOGGLE) << "Show/Hide the RC"
                                   << "Ctrl+R";
        QTest::newRow("zoom in") << int(ID_ZOOM_IN) << "Zoom &In\tCtrl+["
                                 << "Ctrl+[";
        QTest::newRow("zoom out") << int(ID_ZOOM_OUT) << "Zoom &Out\tCtrl+]"
                                  << "Ctrl+]";
        QTest::newRow("best fit") << int(ID_BEST_FIT) << "Best &Fit"
                                  << "";
        QTest::newRow("actual size") << int(ID_ACTUAL_SIZE) << "&Actual Size"
                                     << "";
        QTest::newRow("hidden mode") << int(ID_HIDDEN_MODE) << "Hidden mode"
                                     << "Ctrl+Alt+Ins";
        QTest::newRow("rotate left") << int(ID_ROTATE_LEFT) << "Rotate &Left\tAlt+9"
                                     << "Alt+9";
        QTest::newRow("rotate right") << int(ID_ROTATE_RIGHT) << "Rotate &Right\tAlt+0"
                                      << "Alt+0";
        QTest::newRow("open") << int(ID_FILE_OPEN) << "Open"
                              << "Ctrl+O";
        QTest::newRow("save") << int(ID_FILE_SAVE) << "&Save...\tCtrl+S"
                              << "Ctrl+S";
        QTest::newRow("jpeg") << int(ID_JPEG_SETTING) << "&JPEG Setting..."
                              << "";
        QTest::newRow("capture to series") << int(ID_CAPTURE_SERIES) << "Capture to Se&ries\tF5"
                                           << "F5";
        QTest::newRow("series") << int(ID_SERIES_SETTING) << "Se&ries..."
                                << "";
        QTest::newRow("export pdf") << int(ID_EXPORT_PDF) << "&Export PDF..."
                                    << "";
        QTest::newRow("print") << int(ID_FILE_PRINT) << "&Print...\tCtrl+P"
                               << "Ctrl+P";
        QTest::newRow("copy") << int(ID_EDIT_COPY) << "&Copy\tCtrl+C"
                              << "Ctrl+C";
        QTest::newRow("copy text") << int(ID_EDIT_COPY_TEXT) << "Copy &Text"
                                   << "";
        QTest::newRow("new document") << int(ID_FILE_NEW) << "&New Document\tCtrl+N"
                                      << "Ctrl+N";
        QTest::newRow("save page as") << int(ID_SAVE_PAGE) << "Save P&age As..."
                                      << "";
        QTest::newRow("undo") << int(ID_EDIT_UNDO) << "&Undo\tCtrl+Z"
                              << "Ctrl+Z";
        QTest::newRow("redo") << int(ID_EDIT_REDO) << "&Redo\tCtrl+Shift+Z"
                              << "Ctrl+Shift+Z";
    }

    // Items added later go after those before them, each menu's access keys stay its own.
    void menuItemsKeepTheirPlaces_data() {
        QTest::addColumn<int>("menu");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("File") << 0
                              << QStringList{"&Save...\tCtrl+S",
                                             "&JPEG Setting...",
                                             "",
                                             "Se&ries...",
                                             "&Export PDF...",
                                             "&Print...\tCtrl+P",
                                             "&New Document\tCtrl+N",
                                             "Save P&age As...",
                                             "",
                                             "E&xit"};
        QTest::newRow("Edit") << 1 << QStringList{"&Sharpness...",      "", "&Copy\tCtrl+C",
                                                  "Copy &Text",         "", "&Undo\tCtrl+Z",
                                                  "&Redo\tCtrl+Shift+Z"};
    }
    void menuItemsKeepTheirPlaces() {
        QFETCH(int, menu);
        QFETCH(QStringList, items);
        Frame f;
        QStringList texts;
        for (QAction* item : f.Top(menu)->menu()->actions()) {
            texts << item->text();
        }
        QCOMPARE(texts, items);
        if (menu == 1) {  // the File menu's two "r" keys were there before
            QSet<QChar> keys;
            for (const QString& text : texts) {
                const int amp = text.indexOf('&');
                QVERIFY2(amp < 0 || !keys.contains(text[amp + 1].toLower()), qPrintable(text));
                keys.insert(amp < 0 ? QChar() : text[amp + 1].toLower());
            }
        }
    }
    void menuCommands() {
        QFETCH(int, id);
        QFETCH(QString, text);
        QFETCH(QString, keys);
        Frame f;
        QAction* action = f.frame->Commands().Action(id);
        QVERIFY(action != nullptr);
        QCOMPARE(action->text(), text);
        QCOMPARE(action->shortcut(), QKeySequence(keys));
        // Whatever the view registered: without a handler a command is present and disabled.
        f.frame->SetCommandHandler(id, {});
        QVERIFY(!action->isEnabled());
    }

    // Alt and a letter must lead to one item: in the menu bar and in every menu, no two
    // entries share an access key.
    void accessKeysAreUnique() {
        Frame f;
        auto check = [](const QList<QAction*>& actions, const QString& where) {
            QHash<QChar, QString> taken;
            for (const QAction* action : actions) {
                const QString text = action->text().section(QLatin1Char('\t'), 0, 0);
                const QString plain = QString(text).remove(QStringLiteral("&&"));
                const qsizetype at = plain.indexOf(QLatin1Char('&'));
                if (action->isSeparator() || at < 0 || at + 1 >= plain.size()) {
                    continue;
                }
                const QChar key = plain.at(at + 1).toLower();
                QVERIFY2(!taken.contains(key), qPrintable(QStringLiteral("%1: \"%2\" and \"%3\"")
                                                              .arg(where, taken.value(key), text)));
                taken.insert(key, text);
            }
        };
        const QList<QAction*> tops = f.frame->menuBar()->actions();
        QVERIFY(tops.size() >= 7);
        check(tops, QStringLiteral("menu bar"));
        for (const QAction* top : tops) {
            QVERIFY(top->menu() != nullptr);
            check(top->menu()->actions(), top->text());
        }
    }

    void commandRouting() {
        Frame f;
        int runs = 0;
        bool ready = false;
        f.frame->SetCommandHandler(ID_CAPTURE, [&runs] { ++runs; });
        f.frame->SetUpdateHandler(ID_CAPTURE, [&ready](CommandState& s) { s.Enable(ready); });
        f.frame->SetCommandHandler(ID_RC_TOGGLE, [] {});
        f.frame->SetUpdateHandler(ID_RC_TOGGLE, [](CommandState& s) { s.SetCheck(true); });
        QAction* capture = f.frame->Commands().Action(ID_CAPTURE);
        QVERIFY(!capture->isEnabled());
        QVERIFY(!f.frame->Commands().Run(ID_CAPTURE));
        QCOMPARE(runs, 0);
        ready = true;
        f.frame->UpdateCommandUI();
        QVERIFY(capture->isEnabled());
        capture->trigger();
        QCOMPARE(runs, 1);
        QVERIFY(f.frame->Commands().Action(ID_RC_TOGGLE)->isChecked());
        f.frame->SetCommandHandler(ID_CAPTURE, {});
        QVERIFY(!capture->isEnabled());
    }

    void acceleratorsWorkWithTheirMenuGreyed() {
        Frame f;
        int zooms = 0, captures = 0;
        // Replace whatever the view registered: always enabled, counted.
        f.frame->SetCommandHandler(ID_ZOOM_IN, [&zooms] { ++zooms; });
        f.frame->SetUpdateHandler(ID_ZOOM_IN, {});
        f.frame->SetCommandHandler(ID_CAPTURE, [&captures] { ++captures; });
        f.frame->SetUpdateHandler(ID_CAPTURE, {});
        f.frame->show();
        f.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
        QVERIFY(!f.Top(3)->isEnabled());
        QTest::keyClick(f.view, Qt::Key_C, Qt::AltModifier);
        QTest::keyClick(f.view, Qt::Key_BracketLeft, Qt::ControlModifier);
        QCOMPARE(captures, 1);
        QCOMPARE(zooms, 1);
    }

    void menuPromptsAndIdleText() {
        Frame f;
        // Menus highlight enabled items only, so Capture gets a handler first.
        f.frame->SetCommandHandler(ID_CAPTURE, [] {});
        f.frame->SetUpdateHandler(ID_CAPTURE, {});
        f.frame->show();
        QMenu* camera = f.Top(2)->menu();
        camera->popup(f.frame->mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(camera));
        QAction* capture = f.frame->Commands().Action(ID_CAPTURE);
        QTest::mouseMove(camera, camera->actionGeometry(capture).center());
        QTRY_COMPARE(f.Pane(0), QStringLiteral("Capture a new image from the main unit."));
        // A greyed item shows its own prompt too, not the one before it.
        QAction* show = f.frame->Commands().Action(ID_RC_SHOW);
        QVERIFY(!show->isEnabled());
        QTest::mouseMove(camera, camera->actionGeometry(show).center());
        QTRY_COMPARE(f.Pane(0), QStringLiteral("Show the remote control panel."));
        f.view->m_bNotReady = true;
        camera->hide();
        QCOMPARE(f.Pane(0), QStringLiteral("Not Ready"));
    }

    void toolbarButtons() {
        Frame f;
        const int expected[] = {
            ID_FILE_SAVE,   ID_CAPTURE,      0, ID_RC_TOGGLE, ID_ZOOM_IN, ID_ZOOM_OUT,
            ID_ROTATE_LEFT, ID_ROTATE_RIGHT, 0, ID_APP_EXIT};
        const QList<QAction*> actions = f.frame->m_wndToolBar->actions();
        QCOMPARE(actions.size(), static_cast<qsizetype>(std::size(expected)));
        for (int i = 0; i < actions.size(); ++i) {
            QCOMPARE(actions[i]->isSeparator(), expected[i] == 0);
            if (expected[i] != 0) {
                QCOMPARE(actions[i]->data().toInt(), expected[i]);
                QVERIFY(!actions[i]->icon().isNull());
            }
        }
        QCOMPARE(f.frame->Commands().Action(ID_CAPTURE)->toolTip(), QStringLiteral("Capture"));
        QCOMPARE(f.frame->Commands().Action(ID_APP_EXIT)->toolTip(), QStringLiteral("Exit"));
        QVERIFY(f.frame->Commands().Action(ID_APP_EXIT)->isEnabled());
    }

    void toolbarIdleTexts_data() {
        QTest::addColumn<bool>("notReady");
        QTest::addColumn<QString>("idle");
        QTest::newRow("ready") << false << "Ready !";
        QTest::newRow("not ready") << true << "Not Ready";
    }
    void toolbarIdleTexts() {
        QFETCH(bool, notReady);
        QFETCH(QString, idle);
        Frame f;
        f.frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
        f.frame->SetMessageText(QStringLiteral("something else"));
        f.view->m_bNotReady = notReady;
        QWidget* capture =
            f.frame->m_wndToolBar->widgetForAction(f.frame->Commands().Action(ID_CAPTURE));
        QTest::mouseMove(capture);
        QTRY_COMPARE(f.Pane(0), QStringLiteral("Capture a new image from the main unit."));
        QVERIFY(f.frame->m_wndToolBar->IsStatusSet());
        QWidget* zoom =
            f.frame->m_wndToolBar->widgetForAction(f.frame->Commands().Action(ID_ZOOM_IN));
        QTest::mouseMove(zoom);
        QTRY_COMPARE(f.Pane(0), QStringLiteral("Enlarge the picture."));
        QTest::mouseMove(f.view, f.view->rect().center());
        QTRY_COMPARE(f.Pane(0), idle);
        QVERIFY(!f.frame->m_wndToolBar->IsStatusSet());
    }

    void toolbarStatusProtocol() {
        Frame f;
        CMainToolBar& bar = *f.frame->m_wndToolBar;
        f.view->m_bNotReady = false;
        // Nothing set: leaving changes nothing.
        f.frame->SetMessageText(QStringLiteral("kept"));
        QVERIFY(!bar.SetStatusText(-1));
        QCOMPARE(f.Pane(0), QStringLiteral("kept"));
        QVERIFY(bar.SetStatusText(ID_FILE_SAVE));
        QCOMPARE(f.Pane(0), QStringLiteral("Save the picture as a BMP, JPEG or PNG file."));
        // The same button again is no change.
        QVERIFY(!bar.SetStatusText(ID_FILE_SAVE));
        QVERIFY(bar.SetStatusText(-1));
        QCOMPARE(f.Pane(0), QStringLiteral("Ready !"));
    }
};

TAVELO_APP_TEST_MAIN(TestMainFrame)
#include "test_main_frame.moc"
