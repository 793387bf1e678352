// A run killed after three series captures loses none of them: the next start takes its
// pages back without asking, and so does the start after a normal end.

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <cstdio>

#include "AppTestSupport.h"
#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/Tavelo2App.h"
#include "pages/PageList.h"
#include "res/CommandIds.h"
#include "view/Tavelo2View.h"

using namespace tavelo;

namespace {

StartOptions Simulated() {
    StartOptions options;
    options.simulate = true;
    options.splash = false;
    return options;
}

QString PagesRoot() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).filePath("pages");
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
    // Killed, then a start: the pages are there without a question; a normal end keeps
    // them too, for the start after.
    void takenBackAfterKillAndExit() {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {"--capture-child"});
        QVERIFY(child.waitForStarted());
        QByteArray said;
        while (!said.contains('\n') && child.waitForReadyRead(60000)) {
            said += child.readAllStandardOutput();
        }
        QCOMPARE(said, QByteArray("pages 3\n"));
        child.kill();  // SIGKILL: nothing of the child's runs any more
        QVERIFY(child.waitForFinished());

        QStringList asked;
        SetMessageHandler([&](const MessagePrompt& prompt) {
            asked.append(prompt.text);
            return int(IDNO);
        });
        for (int start = 0; start < 2; ++start) {
            CTavelo2App app;
            QVERIFY(app.InitInstance(Simulated()));
            PageList& list = *app.View()->Pages();
            QCOMPARE(list.rowCount(), 3);
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(list.Store().Picture(i).size(), QSize(1280, 1024));
            }
            QVERIFY(app.View()->ShowPage(2));
            // Only this run's folder is left while it lives.
            QCOMPARE(QDir(PagesRoot()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
        }
        SetMessageHandler({});
        QCOMPARE(asked, QStringList());
        const QString series =
            QDir(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation))
                .filePath("Tavelo");
        QVERIFY(QDir(series).entryList(QDir::Files).size() >= 3);
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
