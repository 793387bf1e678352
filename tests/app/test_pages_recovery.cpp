// A run killed after three series captures loses none of them, and neither does a run
// that ends normally: the next start shows their pages again without a question.

#include <QDir>
#include <QListView>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <cstdio>

#include "AppTestSupport.h"
#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/Tavelo2App.h"
#include "pages/PageList.h"
#include "pages/Sitting.h"
#include "res/CommandIds.h"
#include "view/PageEditor.h"
#include "view/Tavelo2View.h"

using namespace tavelo;

namespace {

StartOptions Simulated() {
    StartOptions options;
    options.simulate = true;
    options.splash = false;
    return options;
}

// The child: the application as it starts, three series captures, then it waits to be
// killed.
int CaptureAndWait() {
    CTavelo2App app;
    if (!app.InitInstance(Simulated())) {
        return 2;
    }
    app.MainFrame()->OnTimer(CMainFrame::TIMER_CHECK);
    for (int i = 0; i < 3; ++i) {
        app.MainFrame()->Commands().Run(ID_CAPTURE_SERIES);
    }
    std::printf("pages %d\n", app.View()->Pages()->rowCount());
    std::fflush(stdout);
    for (;;) {
        QThread::sleep(1);
    }
}

}  // namespace

class TestPagesRecovery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Whatever the last answer to a question would have been (there is none now), the
    // pages come back: after a kill, and again after the normal end of the run that took
    // them back.
    void takenBackAfterKill_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("a Yes would have kept them") << int(IDYES);
        QTest::newRow("a No or Escape lost them") << int(IDNO);
    }
    void takenBackAfterKill() {
        QFETCH(int, answer);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {"--capture-child"});
        QVERIFY(child.waitForStarted());
        QByteArray said;
        while (!said.contains('\n') && child.waitForReadyRead(60000)) {
            said += child.readAllStandardOutput();
        }
        // The child took back what earlier rows left, then captured three.
        QVERIFY2(said.startsWith("pages "), said.constData());
        const int childPages = said.mid(6).trimmed().toInt();
        QVERIFY(childPages >= 3);
        child.kill();  // SIGKILL: nothing of the child's runs any more
        QVERIFY(child.waitForFinished());

        QStringList asked;
        SetMessageHandler([&](const MessagePrompt& prompt) {
            asked.append(prompt.text);
            return answer;
        });
        int pages = 0, turns = 0;
        {
            CTavelo2App app;
            QVERIFY(app.InitInstance(Simulated()));
            QCOMPARE(asked, QStringList());
            PageList& list = *app.View()->Pages();
            pages = list.rowCount();
            QCOMPARE(pages, childPages);
            for (int i = 0; i < pages; ++i) {
                const QSize size = list.Store().Picture(i).size();
                QCOMPARE(list.Store().Page(i).turns % 2 ? size.transposed() : size,
                         QSize(1280, 1024));
            }
            QVERIFY(app.View()->ShowPage(2));
            QVERIFY(app.MainFrame()->Commands().Run(ID_ROTATE_RIGHT));
            turns = app.View()->PagesSitting()->Page(2).turns;
            QVERIFY(turns != 0);
        }
        // A normal end keeps the sitting, page 2 turned; the series files stay too.
        {
            CTavelo2App app;
            QVERIFY(app.InitInstance(Simulated()));
            QCOMPARE(asked, QStringList());
            const Sitting& sitting = *app.View()->PagesSitting();
            QCOMPARE(sitting.Count(), pages);
            QCOMPARE(sitting.Page(2).turns, turns);
            QCOMPARE(sitting.Store().Picture(2).size(),
                     turns % 2 ? QSize(1024, 1280) : QSize(1280, 1024));
        }
        SetMessageHandler({});
        const QString series =
            QDir(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation))
                .filePath("Tavelo");
        QVERIFY(QDir(series).entryList(QDir::Files).size() >= 3);
    }

    // The dock deletes through the sitting: the selected pages go in one step that Undo
    // brings back whole, and the list follows both.
    void dockDeletesInOneUndoStep() {
        CTavelo2App app;
        QVERIFY(app.InitInstance(Simulated()));
        app.MainFrame()->OnTimer(CMainFrame::TIMER_CHECK);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(app.MainFrame()->Commands().Run(ID_CAPTURE));
        }
        const Sitting& sitting = *app.View()->PagesSitting();
        const int pages = sitting.Count();
        auto* list = app.MainFrame()->findChild<QListView*>("pageList");
        QVERIFY(list != nullptr);
        list->selectionModel()->select(list->model()->index(pages - 1, 0),
                                       QItemSelectionModel::Select);
        list->selectionModel()->select(list->model()->index(pages - 3, 0),
                                       QItemSelectionModel::Select);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(sitting.Count(), pages - 2);
        QCOMPARE(list->model()->rowCount(), pages - 2);
        QVERIFY(app.MainFrame()->Commands().Run(ID_EDIT_UNDO));
        QCOMPARE(list->model()->rowCount(), pages);
        QVERIFY(!app.MainFrame()->Commands().Run(ID_EDIT_UNDO));  // nothing more to undo
    }

    // A double click on a page, or Enter on the current one, shows it and opens it in the
    // page editor, whose OK the sitting's history takes as one step.
    void dockOpensTheEditor_data() {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("double click") << true;
        QTest::newRow("Enter") << false;
    }
    void dockOpensTheEditor() {
        QFETCH(bool, doubleClick);
        CTavelo2App app;
        QVERIFY(app.InitInstance(Simulated()));
        app.MainFrame()->OnTimer(CMainFrame::TIMER_CHECK);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(app.MainFrame()->Commands().Run(ID_CAPTURE));
        }
        Sitting& sitting = *app.View()->PagesSitting();
        const int row = sitting.Count() - 2;
        auto* list = app.MainFrame()->findChild<QListView*>("pageList");
        QVERIFY(list != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
        QString title;
        SetPageEditorHandler([&](PageEditor& editor) {
            title = editor.windowTitle();
            editor.TakeWholePicture();
            editor.accept();
        });
        const QModelIndex index = list->model()->index(row, 0);
        if (doubleClick) {
            const QPoint at = list->visualRect(index).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        } else {
            list->setCurrentIndex(index);
            QTest::keyClick(list, Qt::Key_Return);
        }
        SetPageEditorHandler({});
        QCOMPARE(title, QString("Edit Page %1").arg(row + 1));
        QVERIFY(sitting.Page(row).outline.state == OutlineState::Edited);
        QCOMPARE(sitting.History().count(), 1);
        QVERIFY(app.MainFrame()->Commands().Run(ID_EDIT_UNDO));
        QVERIFY(sitting.Page(row).outline.state != OutlineState::Edited);
    }
};

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--capture-child") == 0) {
        QApplication app(argc, argv);
        return CaptureAndWait();
    }
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    qputenv("XDG_CACHE_HOME", home.filePath("cache").toUtf8());
    qputenv("HOME", home.path().toUtf8());
    qputenv("TMPDIR", home.path().toUtf8());
    QApplication app(argc, argv);
    TestPagesRecovery test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_pages_recovery.moc"
