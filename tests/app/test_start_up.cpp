#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QLabel>
#include <QProcess>
#include <memory>

#include "AppTestSupport.h"
#include "ChildAs.h"
#include "app/AboutDlg.h"
#include "app/MainFrame.h"
#include "app/SingleInstance.h"
#include "app/SplashDlg.h"
#include "app/Tavelo2App.h"
#include "device/SimulatedBackend.h"
#include "res/CommandIds.h"
#include "res/Version.h"
#include "ui/CLead.h"
#include "view/Tavelo2View.h"

using namespace tavelo;

namespace {

// Counts the presses that reach a widget.
struct PressCounter : QObject {
    int keys = 0;
    int clicks = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        keys += event->type() == QEvent::KeyPress;
        clicks += event->type() == QEvent::MouseButtonPress;
        return false;
    }
};

// Two unprivileged users that need no account of their own.
constexpr uid_t kUser = 65534;
constexpr uid_t kOther = 65533;

QProcessEnvironment ChildEnvironment(const QString& dir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), dir);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/config"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString runtime = dir + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    return env;
}

std::unique_ptr<QProcess> StartTavelo(const QString& dir, const QStringList& args) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(ChildEnvironment(dir));
    process->start(QStringLiteral(TAVELO_BINARY), args);
    return process;
}

}  // namespace

class TestStartUp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lockOutcomesInProcess() {
        QTemporaryDir dir;
        SingleInstance first;
        QCOMPARE(first.Acquire(dir.path()), SingleInstance::Outcome::Acquired);
        SingleInstance second;
        QCOMPARE(second.Acquire(dir.path()), SingleInstance::Outcome::AlreadyRunning);
        // The user's own lock does not depend on the shared folder.
        QTemporaryDir other;
        SingleInstance elsewhere;
        QCOMPARE(elsewhere.Acquire(other.path()), SingleInstance::Outcome::AlreadyRunning);
    }

    void lockReleasedWithItsHolder() {
        QTemporaryDir dir;
        {
            SingleInstance first;
            QCOMPARE(first.Acquire(dir.path()), SingleInstance::Outcome::Acquired);
        }
        QVERIFY(QFile::exists(dir.filePath(SingleInstance::LockFileName())));
        SingleInstance next;
        QCOMPARE(next.Acquire(dir.path()), SingleInstance::Outcome::Acquired);
    }

    // Two users on one machine, in child processes: "other" plants something at the shared
    // lock's name (or runs a copy), then "user" starts twice. Every start must answer at once.
    void lockBetweenUsers_data() {
        QTest::addColumn<QString>("planted");
        QTest::addColumn<int>("expected");        // the user's first start
        QTest::addColumn<bool>("otherToldOfUs");  // another start by "other" then names "user"
        const int acquired = int(SingleInstance::Outcome::Acquired);
        const int unavailable = int(SingleInstance::Outcome::Unavailable);
        QTest::newRow("FIFO") << "fifo" << acquired << false;
        QTest::newRow("directory") << "directory" << acquired << false;
        QTest::newRow("symlink to a missing file") << "symlink" << acquired << false;
        QTest::newRow("file nobody holds") << "file" << acquired << true;
        QTest::newRow("copy that crashed") << "crashed copy" << acquired << true;
        QTest::newRow("user's private folder name taken") << "user folder" << acquired << true;
        QTest::newRow("running copy") << "running copy" << unavailable << false;
    }
    void lockBetweenUsers() {
        QFETCH(QString, planted);
        QFETCH(int, expected);
        QFETCH(bool, otherToldOfUs);
        if (::geteuid() != 0) {
            QSKIP("two users are needed: run the tests as root to make them");
        }
        QTemporaryDir dir(QStringLiteral("/tmp/tavelo-users-XXXXXX"));
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 01777) == 0);
        const QString shared = dir.path();
        const QByteArray lock =
            QFile::encodeName(QDir(shared).filePath(SingleInstance::LockFileName()));
        const QByteArray target =
            QFile::encodeName(QDir(shared).filePath(QStringLiteral("elsewhere")));
        const QByteArray userFolder =
            QFile::encodeName(QDir(shared).filePath(QStringLiteral("Tavelo(ZEV)-%1").arg(kUser)));

        test::ChildAs plant(kOther, shared, [&]() -> int {
            if (planted == QLatin1String("fifo")) {
                return ::mkfifo(lock.constData(), 0644);
            } else if (planted == QLatin1String("directory")) {
                return ::mkdir(lock.constData(), 0755);
            } else if (planted == QLatin1String("symlink")) {
                return ::symlink(target.constData(), lock.constData());
            } else if (planted == QLatin1String("file")) {
                return ::close(::open(lock.constData(), O_CREAT | O_WRONLY, 0644));
            } else if (planted == QLatin1String("user folder")) {
                return ::mkdir(userFolder.constData(), 0777);
            }
            return int(test::ChildAs::Copy(shared));
        });
        QVERIFY2(plant.result >= 0, "the planting child did not answer");
        if (planted == QLatin1String("crashed copy")) {
            plant.Kill();
        }

        test::ChildAs first(kUser, shared, [&] { return int(test::ChildAs::Copy(shared)); });
        QCOMPARE(first.result, expected);
        if (expected == int(SingleInstance::Outcome::Acquired)) {
            // One window per user, whatever was planted.
            test::ChildAs second(kUser, shared, [&] { return int(test::ChildAs::Copy(shared)); });
            QCOMPARE(second.result, int(SingleInstance::Outcome::AlreadyRunning));
            plant.Kill();
            test::ChildAs other(kOther, shared, [&] { return int(test::ChildAs::Copy(shared)); });
            QCOMPARE(other.result, int(otherToldOfUs ? SingleInstance::Outcome::Unavailable
                                                     : SingleInstance::Outcome::Acquired));
        }
        // Nothing planted was replaced, and nothing was made through it.
        struct stat st {};
        if (planted == QLatin1String("fifo")) {
            QVERIFY(::lstat(lock.constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        } else if (planted == QLatin1String("symlink")) {
            QVERIFY(::lstat(lock.constData(), &st) == 0 && S_ISLNK(st.st_mode));
            QVERIFY(::lstat(target.constData(), &st) != 0);
        }
    }

    // The message is the application's answer to another user's running copy.
    void anotherUsersCopyIsNamed() {
        if (::geteuid() != 0) {
            QSKIP("two users are needed: run the tests as root to make them");
        }
        QTemporaryDir dir(QStringLiteral("/tmp/tavelo-users-XXXXXX"));
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 01777) == 0);
        const QString shared = dir.path();
        test::ChildAs other(kOther, shared, [&] { return int(test::ChildAs::Copy(shared)); });
        QCOMPARE(other.result, int(SingleInstance::Outcome::Acquired));
        test::PromptRecorder prompts;
        CTavelo2App app;
        StartOptions options;
        options.simulate = true;
        options.lockDirectory = shared;
        QVERIFY(!app.InitInstance(options));
        QCOMPARE(app.MainFrame(), nullptr);
        QVERIFY(app.ExitCode() != 0);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages.first().text, QStringLiteral("Another user is using Tavelo."));
        QCOMPARE(prompts.messages.first().caption, QStringLiteral("Tavelo"));
        QCOMPARE(prompts.messages.first().icon, PromptIcon::None);
    }

    void secondStartBringsTheFirstForward() {
        QTemporaryDir dir;
        StartOptions options;
        options.simulate = true;
        options.lockDirectory = dir.path();
        options.splash = false;
        CTavelo2App first;
        QVERIFY(first.InitInstance(options));
        CMainFrame* frame = first.MainFrame();
        frame->showMinimized();
        QWidget elsewhere;
        elsewhere.show();
        elsewhere.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &elsewhere);

        CTavelo2App second;
        QVERIFY(!second.InitInstance(options));
        QCOMPARE(second.ExitCode(), 0);
        QCOMPARE(second.MainFrame(), nullptr);
        QTRY_VERIFY(!frame->windowState().testFlag(Qt::WindowMinimized));
        QVERIFY(frame->isVisible());
        QTRY_COMPARE(QApplication::activeWindow(), frame);
    }

    void secondCopyEndsSilently() {
        QTemporaryDir dir;
        auto first = StartTavelo(dir.path(), {QStringLiteral("--simulate")});
        QVERIFY(first->waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath(SingleInstance::LockFileName())),
                                 10000);
        QTest::qWait(300);
        QCOMPARE(first->state(), QProcess::Running);

        auto second = StartTavelo(dir.path(), {QStringLiteral("--simulate")});
        QVERIFY(second->waitForStarted());
        // It ends by itself, well before any window could be used.
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(second->readAllStandardError(), QByteArray());
        QCOMPARE(first->state(), QProcess::Running);

        first->terminate();
        QVERIFY(first->waitForFinished(10000));
        // With the first copy gone, a new one starts and keeps running.
        auto third = StartTavelo(dir.path(), {QStringLiteral("--simulate")});
        QVERIFY(third->waitForStarted());
        QVERIFY(!third->waitForFinished(1500));
        third->terminate();
        QVERIFY(third->waitForFinished(10000));
    }

    // Run as from a terminal without any window system: the display variables are removed.
    void commandLine_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");  // the one line on stderr, when there is one
        QTest::newRow("version") << "--version" << 0 << QStringLiteral("tavelo " TAVELO_VERSION)
                                 << QString();
        QTest::newRow("help") << "--help" << 0 << "--usb-id <VID:PID>" << QString();
        QTest::newRow("help with the window system's options")
            << "--help-all" << 0 << "--platform <name>" << QString();
        QTest::newRow("scene named") << "--help" << 0 << "--scene <chart|desk>" << QString();
        QTest::newRow("bad scene")
            << "--scene=sea" << 1 << QString()
            << "tavelo: --scene takes chart or desk, not \"sea\". Try \"tavelo --help\".";
        QTest::newRow("bad option") << "--bogus" << 1 << QString()
                                    << "tavelo: Unknown option 'bogus'. Try \"tavelo --help\".";
    }
    void commandLine() {
        QFETCH(QString, option);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QTemporaryDir dir;
        QProcessEnvironment env = ChildEnvironment(dir.path());
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            env.remove(QString::fromLatin1(name));
        }
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TAVELO_BINARY), {option});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        const QString stdOut = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString stdErr = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.contains(out), qPrintable(stdOut));
        QCOMPARE(stdErr, err.isEmpty() ? QString() : err + QLatin1Char('\n'));
    }

    void startUpBuildsTheWindow() {
        QTemporaryDir dir;
        CTavelo2App app;
        StartOptions options;
        options.simulate = true;
        options.lockDirectory = dir.path();
        options.splash = false;
        QVERIFY(app.InitInstance(options));
        CMainFrame* frame = app.MainFrame();
        QVERIFY(frame != nullptr);
        QVERIFY(frame->isVisible());
        QCOMPARE(frame->GetActiveView(), app.View());
        QCOMPARE(frame->centralWidget(), app.View());
        QVERIFY(app.View()->m_bNotReady);
        QCOMPARE(app.View()->m_pFrame, static_cast<ViewHost*>(frame));
        QVERIFY(!app.IsSplashShown());

        // The simulated camera's plug and unplug reach the frame.
        test::PromptRecorder prompts;
        QTRY_VERIFY_WITH_TIMEOUT(!app.View()->m_bNotReady, 2500);
        auto* simulated = dynamic_cast<SimulatedBackend*>(app.Backend());
        QVERIFY(simulated != nullptr);
        QVERIFY(!frame->IsTimerActive(CMainFrame::TIMER_CHECK));
        simulated->SetPlugged(0, false);
        QVERIFY(frame->IsTimerActive(CMainFrame::TIMER_CHECK));
        QTRY_COMPARE_WITH_TIMEOUT(prompts.messages.size(), 1, 2500);
    }

    void splashEnds_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("command");
        QTest::newRow("after three seconds") << "wait" << 0 << 0 << 0;
        QTest::newRow("key press") << "key" << int(Qt::Key_A) << 0 << 0;
        QTest::newRow("key to the picture") << "key to the picture" << 0 << 0 << 0;
        QTest::newRow("mouse press") << "mouse" << 0 << 0 << 0;
        // Keys that the commands' shortcuts take: the picture goes and the command runs.
        QTest::newRow("F5") << "key" << int(Qt::Key_F5) << 0 << int(ID_CAPTURE_SERIES);
        QTest::newRow("Alt+C") << "key" << int(Qt::Key_C) << int(Qt::AltModifier)
                               << int(ID_CAPTURE);
        QTest::newRow("Ctrl+R") << "key" << int(Qt::Key_R) << int(Qt::ControlModifier)
                                << int(ID_RC_TOGGLE);
        QTest::newRow("Ctrl+Alt+Ins")
            << "key" << int(Qt::Key_Insert) << int(Qt::ControlModifier | Qt::AltModifier)
            << int(ID_HIDDEN_MODE);
    }
    void splashEnds() {
        QFETCH(QString, how);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, command);
        QTemporaryDir dir;
        CTavelo2App app;
        StartOptions options;
        options.simulate = true;
        options.lockDirectory = dir.path();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(app.InitInstance(options));
        QVERIFY(app.IsSplashShown());
        PressCounter presses;
        app.View()->installEventFilter(&presses);
        int runs = 0;
        if (command != 0) {
            app.MainFrame()->SetCommandHandler(command, [&runs] { ++runs; });
            app.MainFrame()->SetUpdateHandler(command, {});
        }

        if (how == QLatin1String("wait")) {
            QTest::qWait(2500);
            QVERIFY(app.IsSplashShown());
            // The first connection check has said what the camera is; the notice waits for
            // the picture, which stands where it would show.
            QVERIFY(!app.View()->m_lead->NoticeHeading().isEmpty());
            QVERIFY(!app.View()->m_lead->IsNoticeShown());
            QTRY_VERIFY_WITH_TIMEOUT(!app.IsSplashShown(), 3000);
            QVERIFY(app.View()->m_lead->IsNoticeShown());
            QVERIFY(clock.elapsed() >= CTavelo2App::SPLASH_MS);
            QTRY_COMPARE(QApplication::activeWindow(), app.MainFrame());
        } else if (how == QLatin1String("key")) {
            QTest::qWait(100);
            QTest::keyClick(app.View(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            QVERIFY(!app.IsSplashShown());
            // A plain key reaches the window; a shortcut's key its command.
            if (command == 0) {
                QCOMPARE(presses.keys, 1);
            } else {
                QCOMPARE(runs, 1);
            }
        } else if (how == QLatin1String("key to the picture")) {
            // The offscreen platform lets the picture take the focus; once it is gone the main
            // window has it back, and its accelerators work.
            QTRY_VERIFY(qobject_cast<CSplashDlg*>(QApplication::activeWindow()) != nullptr);
            QWidget* picture = QApplication::activeWindow();
            QTest::keyClick(picture, Qt::Key_A);
            QVERIFY(!app.IsSplashShown());
            QTRY_COMPARE(QApplication::activeWindow(), app.MainFrame());
            QTest::keyClick(app.View(), Qt::Key_Insert, Qt::ControlModifier | Qt::AltModifier);
            QVERIFY(app.View()->m_bHiddenMode);
        } else {
            QTest::qWait(100);
            QTest::mouseClick(app.View(), Qt::LeftButton);
            QVERIFY(!app.IsSplashShown());
            QCOMPARE(presses.clicks, 1);
        }
        QVERIFY(clock.elapsed() < 6000);
    }

    void idleCheckWaitsThreeSeconds() {
        QTemporaryDir dir;
        CTavelo2App app;
        StartOptions options;
        options.simulate = true;
        options.lockDirectory = dir.path();
        QVERIFY(app.InitInstance(options));
        // Within the three seconds the idle check asks for more idle time and keeps it.
        QVERIFY(app.OnIdle(0));
        QVERIFY(app.IsSplashShown());
        QTest::qWait(3100);
        QVERIFY(!app.OnIdle(0));
        QVERIFY(!app.IsSplashShown());
    }

    void splashGeometry() {
        CSplashDlg splash;
        const int side = CSplashDlg::PICTURE_SIZE + 4 * CSplashDlg::EDGE;
        QCOMPARE(splash.size(), QSize(side, side));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(splash.pos(), QPoint((screen.width() - side) / 2, (screen.height() - side) / 2));
        auto* picture = splash.findChild<QLabel*>(QStringLiteral("picture1000"));
        QVERIFY(picture != nullptr);
        QCOMPARE(picture->pixmap().size(), QSize(320, 320));
        // The whole picture shows inside the two edges each way, none of it cut off.
        splash.show();
        QCOMPARE(picture->contentsRect().size(), QSize(320, 320));
    }

    void aboutBox() {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About Tavelo"));
        QCOMPARE(about.m_version->text(), QStringLiteral("Version  " TAVELO_VERSION));
        QCOMPARE(about.m_legal->text(), QString::fromLatin1(LEGAL_COPYRIGHT));
        QVERIFY(!about.m_legal->text().isEmpty());
    }
};

TAVELO_APP_TEST_MAIN(TestStartUp)
#include "test_start_up.moc"
