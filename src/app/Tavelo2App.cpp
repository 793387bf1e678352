#include "app/Tavelo2App.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStandardPaths>

#include "app/AboutDlg.h"
#include "app/DeviceSession.h"
#include "app/MainFrame.h"
#include "app/PagesDock.h"
#include "app/SplashDlg.h"
#include "device/SimulatedBackend.h"
#include "res/CommandIds.h"
#include "res/Icons.h"
#include "res/Strings.h"
#include "ui/CLead.h"
#include "ui/Prompts.h"
#include "view/Tavelo2Doc.h"
#include "view/Tavelo2View.h"

namespace tavelo {
namespace {

QString PagesRoot() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
        .filePath(QStringLiteral("pages"));
}

// Unique among the runs of this user: start time and process id.
QString RunId() {
    return QStringLiteral("%1-%2")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")))
        .arg(QCoreApplication::applicationPid());
}

}  // namespace

CTavelo2App::CTavelo2App(int& argc, char** argv) {
    if (QCoreApplication::instance() == nullptr) {
        m_pOwnApp = std::make_unique<QApplication>(argc, argv);
    }
    SetUpSplashTimer();
}

CTavelo2App::CTavelo2App() {
    SetUpSplashTimer();
}

void CTavelo2App::SetUpSplashTimer() {
    m_splashTimer.setSingleShot(true);
    connect(&m_splashTimer, &QTimer::timeout, this, [this] {
        // The first idle moment after the wait: a zero timer runs once the queue is empty.
        QTimer::singleShot(0, this, [this] {
            if (OnIdle(0)) {
                ScheduleIdleCheck();
            }
        });
    });
}

CTavelo2App::~CTavelo2App() {
    if (qApp != nullptr) {
        qApp->removeEventFilter(this);
    }
    // The news of device changes stops before the frame that acts on it goes.
    if (m_pDevices) {
        m_pDevices->StopWatching();
    }
    m_pFrame.reset();
}

bool CTavelo2App::InitInstance(const StartOptions& options) {
    QApplication::setWindowIcon(AppIcon());

    // One copy at a time: a second one by the same user ends without a word, after asking the
    // running one to come to the front.
    switch (m_instance.Acquire(options.lockDirectory)) {
        case SingleInstance::Outcome::Acquired:
            break;
        case SingleInstance::Outcome::AlreadyRunning:
            m_instance.AskRunningCopy();
            m_nExitCode = 0;
            return false;
        case SingleInstance::Outcome::Unavailable: {
            MessagePrompt prompt;
            prompt.caption = QString::fromLatin1(APP_TITLE);
            prompt.text = QString::fromLatin1(ANOTHER_USER_TEXT);
            ShowMessage(prompt);
            m_nExitCode = 1;
            return false;
        }
    }

    // The document, the frame and the view of the single-document window.
    m_pDoc = std::make_unique<CTavelo2Doc>();
    // The camera and its device changes first: a change heard before the frame exists is
    // still announced, and the frame's first connection check comes a second after it starts.
    m_pDevices = std::make_unique<DeviceSession>(options.simulate, options.usbIds);
    if (auto* simulated = dynamic_cast<SimulatedBackend*>(&m_pDevices->Backend());
        simulated != nullptr && options.deskScene) {
        simulated->Camera().SetScene(SimulatedCamera::Scene::Desk);
    }
    connect(m_pDevices.get(), &DeviceSession::deviceChanged, this, &CTavelo2App::OnDeviceChange);
    FrameAndView window;
    if (m_pDoc->OnNewDocument()) {
        window = AssembleMainWindow(m_pDevices->Backend());
    }
    if (!window.frame) {
        m_nExitCode = 1;
        return false;
    }
    m_pFrame = std::move(window.frame);
    m_pView = window.view;
    m_pFrame->SetCommandHandler(ID_APP_ABOUT, [this] { OnAppAbout(); });
    // The pages of this run live in a cache folder of its own, and those earlier runs left
    // come back into it; a run without one still captures, but keeps no pages.
    m_pView->StartPages(PagesRoot(), RunId());
    new CPagesDock(*m_pFrame, *m_pView);

    m_pFrame->RestorePlacement(options.showCmd);
    m_instance.Listen([this] {
        if (m_pFrame) {
            BringToFront(*m_pFrame);
        }
    });
    m_pFrame->repaint();
    m_pView->RestorePages();

    if (options.splash) {
        // The picture stands in the middle of the screen, where the view's notice about the
        // camera would show: the notice waits until the picture is gone.
        m_pView->m_lead->HoldNotice(true);
        m_splash = new CSplashDlg(m_pFrame.get());
        m_splash->show();
        m_splash->repaint();
        qApp->installEventFilter(this);
    }
    m_dwSplashStart.start();
    if (m_splash) {
        ScheduleIdleCheck();
    }
    m_pFrame->repaint();
    return true;
}

DeviceBackend* CTavelo2App::Backend() const {
    return m_pDevices ? &m_pDevices->Backend() : nullptr;
}

void CTavelo2App::OnDeviceChange() {
    if (m_pFrame) {
        m_pFrame->OnDeviceChange();
    }
}

int CTavelo2App::Run() {
    return QApplication::exec();
}

bool CTavelo2App::IsSplashShown() const {
    return m_splash && m_splash->isVisible();
}

void CTavelo2App::ScheduleIdleCheck() {
    const qint64 left = SPLASH_MS - m_dwSplashStart.elapsed();
    m_splashTimer.start(static_cast<int>(std::max<qint64>(left, 0)) + 1);
}

bool CTavelo2App::OnIdle(int count) {
    Q_UNUSED(count);
    if (!IsSplashShown()) {
        return false;
    }
    if (m_dwSplashStart.elapsed() <= SPLASH_MS) {
        return true;
    }
    CloseSplash();
    return false;
}

void CTavelo2App::CloseSplash() {
    m_splashTimer.stop();
    qApp->removeEventFilter(this);
    // A window system that let the picture take the focus gives it back to the main window,
    // where the keys belong; otherwise no window would have it once the picture is gone.
    const bool hadFocus = m_splash && m_splash->isActiveWindow();
    if (m_splash) {
        m_splash->hide();
        // Later: the press that ends it may still be on its way to it.
        m_splash->deleteLater();
        m_splash.clear();
    }
    if (m_pView != nullptr) {
        m_pView->m_lead->HoldNotice(false);
    }
    if (m_pFrame) {
        if (hadFocus) {
            m_pFrame->activateWindow();
        }
        m_pFrame->repaint();
    }
}

bool CTavelo2App::eventFilter(QObject* watched, QEvent* event) {
    bool press = false;
    switch (event->type()) {
        // A key that a command's shortcut takes never arrives as a press: the shortcut map
        // asks the focus widget whether it wants the key first, and that question is where
        // such a key shows. Not accepting it lets the key go on to its command.
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
            press = true;
            break;
        case QEvent::MouseButtonPress:
        case QEvent::NonClientAreaMouseButtonPress: {
            const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
            press =
                button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton;
            break;
        }
        default:
            break;
    }
    if (press && IsSplashShown()) {
        CloseSplash();
    }
    // The press itself goes on to its window.
    return QObject::eventFilter(watched, event);
}

void CTavelo2App::OnAppAbout() {
    CAboutDlg about(m_pFrame.get());
    about.exec();
}

}  // namespace tavelo
