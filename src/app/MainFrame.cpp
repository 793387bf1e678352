#include "app/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDate>
#include <QGuiApplication>
#include <QLayout>
#include <QLocale>
#include <QMenuBar>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTime>
#include <algorithm>
#include <array>

#include "app/CommandTable.h"
#include "app/MainStatusBar.h"
#include "app/MainToolBar.h"
#include "res/CommandIds.h"
#include "res/ErrorCode.h"
#include "res/Menus.h"
#include "res/Strings.h"
#include "settings/Profile.h"
#include "ui/Prompts.h"
#include "view/Tavelo2View.h"

namespace tavelo {
namespace {

constexpr std::array<int, 5> kIndicators = {ID_SEPARATOR, ID_INDICATOR_ZOOM, ID_SEPARATOR,
                                            ID_INDICATOR_DATE, ID_INDICATOR_TIME};
constexpr int kMaxClockText = 127;
constexpr const char* kWindowPos = "WindowPos";

// The locale's short time format with any seconds field taken out ("HH:mm:ss" -> "HH:mm").
QString TimeFormatWithoutSeconds(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::ShortFormat);
    static const QRegularExpression seconds(QStringLiteral("[:.]?s{1,2}"));
    format.remove(seconds);
    return format.trimmed();
}

QString Limit(QString text) {
    text.truncate(kMaxClockText);
    return text;
}

}  // namespace

CMainFrame::CMainFrame(DeviceBackend& backend, QWidget* parent)
    : QMainWindow(parent), m_link(backend) {
    // The title never carries a document name.
    setWindowTitle(QString::fromLatin1(APP_TITLE));
    setMinimumSize(MIN_TRACK_WIDTH, MIN_TRACK_HEIGHT);
    resize(800, 600);
    m_pCommands = new CommandTable(this);
    m_pCommands->BuildMenuBar(menuBar());
    connect(m_pCommands, &CommandTable::MenuItemSelected, this, &CMainFrame::OnMenuSelect);
    connect(m_pCommands, &CommandTable::MenuTrackingEnded, this, &CMainFrame::OnMenuTrackingEnded);

    m_timerClock.setInterval(CLOCK_MS);
    connect(&m_timerClock, &QTimer::timeout, this, [this] { OnTimer(TIMER_CLOCK); });
    m_timerMessage.setSingleShot(true);
    connect(&m_timerMessage, &QTimer::timeout, this, [this] {
        // Only while the message is still up: a status set since then stays.
        if (m_wndStatusBar != nullptr &&
            m_sTimedMessage == m_wndStatusBar->GetPaneText(PANE_MESSAGE)) {
            SetMessageText(IdleText());
        }
    });
    m_timerCheck.setInterval(CHECK_MS);
    connect(&m_timerCheck, &QTimer::timeout, this, [this] { OnTimer(TIMER_CHECK); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) { OnActivateApp(state == Qt::ApplicationActive); });

    // The frame's own commands; the view and the application add theirs.
    SetCommandHandler(ID_APP_EXIT, [this] {
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
    });
}

CMainFrame::~CMainFrame() = default;

int CMainFrame::OnCreate() {
    m_wndToolBar = new CMainToolBar(this);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_wndToolBar->setMovable(true);
    for (int id : MainToolbar()) {
        if (id == 0) {
            m_wndToolBar->addSeparator();
        } else if (QAction* action = m_pCommands->Action(id)) {
            m_wndToolBar->AddButton(action);
        } else {
            return -1;
        }
    }
    m_wndToolBar->SetMessageTargets([this](int id) { SetMessageText(CommandPrompt(id)); },
                                    [this] { SetMessageText(IdleText()); });
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);

    m_wndStatusBar = new CMainStatusBar(this);
    if (m_wndStatusBar->OnCreate() != 0 || !m_wndStatusBar->SetIndicators(kIndicators)) {
        return -1;
    }
    setStatusBar(m_wndStatusBar);
    m_wndStatusBar->SetPaneInfo(PANE_PROGRESS, ID_SEPARATOR, 0, PROGRESS_PANE_WIDTH);
    m_wndStatusBar->SetPaneText(PANE_ZOOM, QString());
    m_wndStatusBar->SetPaneText(PANE_DATE, QString());
    m_wndStatusBar->SetPaneText(PANE_TIME, QString());
    // The class library's idle message until the first connection check.
    SetMessageText(QString::fromLatin1(LoadString(IDS_READY)));

    m_timerClock.start();
    m_timerCheck.start();
    return 0;
}

void CMainFrame::SetActiveView(CTavelo2View* view) {
    m_pView = view;
    if (view != nullptr) {
        setCentralWidget(view);
    }
}

void CMainFrame::OnTimer(int id) {
    if (id == TIMER_CLOCK) {
        UpdateClock();
    } else if (id == TIMER_CHECK) {
        CheckConnection();
    }
}

void CMainFrame::UpdateClock() {
    if (m_wndStatusBar == nullptr) {
        return;
    }
    const QLocale user = QLocale::system();
    // The locale's own time format, not the user's overrides of it.
    const QLocale plain(user.name());
    QString date = Limit(user.toString(QDate::currentDate(), QLocale::ShortFormat));
    QString time = Limit(plain.toString(QTime::currentTime(), TimeFormatWithoutSeconds(plain)));
    if (m_pView != nullptr && m_pView->m_bHiddenMode) {
        time += QStringLiteral(" #");
    }
    bool layoutChanged = false;
    const std::pair<int, const QString*> panes[] = {{PANE_DATE, &date}, {PANE_TIME, &time}};
    for (const auto& [index, text] : panes) {
        const int width = GetTextWidth(*text);
        int paneId = 0, style = 0, paneWidth = 0;
        m_wndStatusBar->GetPaneInfo(index, paneId, style, paneWidth);
        if (width != paneWidth) {
            m_wndStatusBar->SetPaneInfo(index, paneId, style, width);
            layoutChanged = true;
        }
        m_wndStatusBar->SetPaneText(index, *text);
    }
    if (layoutChanged) {
        m_wndStatusBar->MoveProgressToPane();
    }
}

void CMainFrame::CheckConnection() {
    // Stopped first, so a message box shown below cannot let it fire again.
    m_timerCheck.stop();
    const bool present = m_link.CheckConnection();
    if (m_pView == nullptr) {
        return;
    }
    // Before any box: the window behind it already says what is wrong.
    ExplainCamera(present);
    if (present) {
        m_pView->m_bNotReady = false;
        SetStatusText(IDS_READY);
    } else {
        SetStatusText(IDS_NOT_READY);
        // Reported once per loss: the flag stays set until the camera is back.
        if (!m_pView->m_bNotReady) {
            m_pView->m_bNotReady = true;
            ReportError(ERR_DISCONNECTED);
        }
        m_pView->CloseRemote();
    }
    UpdateCommandUI();
}

void CMainFrame::OnDeviceChange() {
    // A burst of notifications restarts the wait each time: one check, a second after the last.
    m_timerCheck.start(CHECK_MS);
    // While no camera is reached, what the view says follows the devices at once; the check
    // a second later decides about "Ready !".
    if (m_pView != nullptr && m_pView->m_bNotReady) {
        ExplainCamera(false);
    }
}

void CMainFrame::ExplainCamera(bool present) {
    DeviceBackend& backend = m_link.Backend();
    CameraDiagnosis diagnosis;
    if (present) {
        diagnosis.simulated = backend.IsSimulated();
    } else {
        diagnosis = backend.DescribeNotReady();
    }
    m_pView->ShowCameraDiagnosis(diagnosis, present);
}

void CMainFrame::OnMenuSelect(int id) {
    if (id != 0) {
        SetMessageText(CommandPrompt(id));
    }
}

void CMainFrame::OnMenuTrackingEnded() {
    SetMessageText(m_bHelpMode ? QString::fromLatin1(LoadString(IDS_BUSY)) : IdleText());
}

void CMainFrame::OnActivateApp(bool active) {
    if (active && m_pView != nullptr) {
        m_pView->RepaintPicture();
    }
}

bool CMainFrame::LoadWindowPlacement(WindowPlacement& wp) const {
    return ParsePlacement(GetProfileString(SETTINGS_SECTION, kWindowPos), wp);
}

void CMainFrame::SaveWindowPlacement(const WindowPlacement& wp) const {
    WriteProfileString(SETTINGS_SECTION, kWindowPos, FormatPlacement(wp));
}

void CMainFrame::RestorePlacement(unsigned showCmd) {
    WindowPlacement wp;
    if (LoadWindowPlacement(wp)) {
        if (showCmd != SW_SHOWNORMAL) {
            wp.showCmd = showCmd;
        }
        ApplyPlacement(*this, wp);
        return;
    }
    ShowAtFirstStart(*this, showCmd);
}

void CMainFrame::ResizeParentToFit(const QSize& form) {
    // The bars laid out as they show: the view has what they leave of the window.
    if (layout() != nullptr) {
        layout()->activate();
    }
    const QSize bars = size() - centralWidget()->size();
    resize((form + bars).boundedTo(size()).expandedTo(minimumSize()));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    m_timerClock.stop();
    SaveWindowPlacement(ReadPlacement(*this));
    QMainWindow::closeEvent(event);
}

bool CMainFrame::event(QEvent* event) {
    // Prompts reach the message pane through the toolbar and the menus; Qt's own status tips
    // would cover it with a temporary message.
    if (event->type() == QEvent::StatusTip) {
        return true;
    }
    return QMainWindow::event(event);
}

int CMainFrame::GetTextWidth(const QString& text) const {
    return m_wndStatusBar != nullptr ? m_wndStatusBar->GetTextWidth(text)
                                     : fontMetrics().horizontalAdvance(text);
}

void CMainFrame::SetMessageText(const QString& text) {
    if (m_wndStatusBar != nullptr) {
        m_wndStatusBar->SetPaneText(PANE_MESSAGE, text);
    }
}

QString CMainFrame::IdleText() const {
    return QString::fromLatin1(LoadString(IsNotReady() ? IDS_NOT_READY : IDS_READY));
}

bool CMainFrame::IsTimerActive(int id) const {
    if (id == TIMER_CLOCK) {
        return m_timerClock.isActive();
    }
    if (id == TIMER_CHECK) {
        return m_timerCheck.isActive();
    }
    return false;
}

void CMainFrame::SetStatusText(int id) {
    if (m_wndStatusBar == nullptr) {
        return;
    }
    const char* text = LoadString(id);
    SetMessageText(text != nullptr ? QString::fromLatin1(text) : QString());
    // Shown at once: the caller may block the event loop next (a transfer). Only the pane
    // changed; the rest of the bar is painted when it changes.
    m_wndStatusBar->RepaintPane(PANE_MESSAGE);
}

void CMainFrame::ShowZoom(float percent) {
    if (m_wndStatusBar == nullptr) {
        return;
    }
    const QString text = percent >= 0 ? QString::asprintf(" %.2f%% ", static_cast<double>(percent))
                                      : QStringLiteral("       ");
    int id = 0, style = 0, width = 0;
    m_wndStatusBar->GetPaneInfo(PANE_ZOOM, id, style, width);
    m_wndStatusBar->SetPaneInfo(PANE_ZOOM, id, style, GetTextWidth(text));
    m_wndStatusBar->SetPaneText(PANE_ZOOM, text);
    m_wndStatusBar->MoveProgressToPane();
}

void CMainFrame::EnableTopMenu(int pos, int flags) {
    const QList<QAction*> tops = menuBar()->actions();
    if (pos < 0 || pos >= tops.size()) {
        return;
    }
    tops[pos]->setEnabled((flags & (MF_GRAYED | MF_DISABLED)) == 0);
    menuBar()->update();
}

int CMainFrame::ReportError(int code) {
    const char* message = ErrorText(code);
    if (message == nullptr) {
        return 0;
    }
    MessagePrompt prompt;
    prompt.parent = this;
    prompt.caption = QString::fromLatin1(APP_TITLE);
    prompt.text = QString::asprintf("%s\n\n", message);
    prompt.icon = PromptIcon::Warning;
    prompt.buttons = PROMPT_OK;
    return ShowMessage(prompt);
}

void CMainFrame::SetProgressPos(int pos) {
    if (m_wndStatusBar == nullptr || m_wndStatusBar->m_wndProgress == nullptr) {
        return;
    }
    QProgressBar* bar = m_wndStatusBar->m_wndProgress;
    // Rows beyond the range keep the bar full, as a progress control clamps its position.
    const int value = std::clamp(pos, bar->minimum(), bar->maximum());
    if (value == bar->value()) {
        return;
    }
    // The position follows every row; the bar is painted when it reaches its end or goes
    // back to 0, and otherwise only when it grew since the last paint a frame ago.
    const int before = m_wndStatusBar->ProgressLength();
    const bool due =
        !m_progressPainted.isValid() || m_progressPainted.hasExpired(m_nProgressPaintMs);
    // The control repaints by itself whenever its position moves a chunk: kept from it, so
    // that only the paints chosen here happen while the event loop waits for the transfer.
    bar->setUpdatesEnabled(false);
    bar->setValue(value);
    bar->setUpdatesEnabled(true);
    const bool ends = value == bar->minimum() || value == bar->maximum();
    if (ends || (due && m_wndStatusBar->ProgressLength() != before)) {
        bar->repaint();
        m_progressPainted.start();
    }
}

void CMainFrame::EnableMainWindow(bool enable) {
    setEnabled(enable);
}

void CMainFrame::ShowMessageFor(const QString& text, int ms) {
    SetMessageText(text);
    m_sTimedMessage = text;
    m_timerMessage.start(ms);
}

LinkResult CMainFrame::SendCommand(const char* text) {
    return m_reporting.SendCommand(text);
}

LinkResult CMainFrame::ReadReply(std::uint8_t (&buffer)[PACKET_SIZE]) {
    return m_reporting.ReadReply(buffer);
}

LinkResult CMainFrame::WaitAck() {
    return m_reporting.WaitAck();
}

LinkResult CMainFrame::ReadImage(MemoryBlock& block, int width, int height, RowProgress* progress) {
    return m_reporting.ReadImage(block, width, height, progress);
}

void CMainFrame::SetCommandHandler(int id, CommandHandler handler) {
    m_pCommands->SetCommandHandler(id, std::move(handler));
}

void CMainFrame::SetUpdateHandler(int id, UpdateHandler handler) {
    m_pCommands->SetUpdateHandler(id, std::move(handler));
}

void CMainFrame::UpdateCommandUI() {
    m_pCommands->UpdateAll();
}

bool CMainFrame::RunCommand(int id) {
    return m_pCommands->Run(id);
}

bool CMainFrame::IsNotReady() const {
    return m_pView == nullptr || m_pView->m_bNotReady;
}

void CMainFrame::CloseRemote() {
    if (m_pView != nullptr) {
        m_pView->CloseRemote();
    }
}

FrameAndView AssembleMainWindow(DeviceBackend& backend) {
    FrameAndView assembled;
    auto frame = std::make_unique<CMainFrame>(backend);
    if (frame->OnCreate() != 0) {
        return assembled;
    }
    assembled.view = new CTavelo2View(frame.get());
    frame->SetActiveView(assembled.view);
    // The view's initial update begins with the window shrunk to the view's form.
    frame->ResizeParentToFit(assembled.view->FormSize());
    assembled.view->OnInitialUpdate(frame.get());
    assembled.frame = std::move(frame);
    return assembled;
}

}  // namespace tavelo
