#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <memory>

#include "app/WindowPlacement.h"
#include "device/DeviceLink.h"
#include "ui/ReportingLink.h"
#include "ui/ViewHost.h"

namespace tavelo {

class CMainStatusBar;
class CMainToolBar;
class CTavelo2View;
class CommandTable;

// The single main window: menu, toolbar, five-pane status bar, the clock and connection
// timers, error messages, window placement, and the device link the view and the panel use.
class CMainFrame : public QMainWindow, public ViewHost, public LinkFeedback {
    Q_OBJECT
public:
    static constexpr int TIMER_CLOCK = 1;
    static constexpr int TIMER_CHECK = 3;
    static constexpr int CLOCK_MS = 500;
    static constexpr int CHECK_MS = 1000;
    static constexpr int MIN_TRACK_WIDTH = 500;
    static constexpr int MIN_TRACK_HEIGHT = 400;
    static constexpr int PROGRESS_PANE_WIDTH = 100;
    // While rows come, the progress bar is painted at most once a frame of the screen: a
    // synchronous paint per row would cost as much as the transfer itself.
    static constexpr int PROGRESS_PAINT_MS = 16;
    // Status bar panes.
    static constexpr int PANE_MESSAGE = 0;
    static constexpr int PANE_ZOOM = 1;
    static constexpr int PANE_PROGRESS = 2;
    static constexpr int PANE_DATE = 3;
    static constexpr int PANE_TIME = 4;

    explicit CMainFrame(DeviceBackend& backend, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Toolbar, status bar and timers; 0, or -1 when a bar cannot be made.
    int OnCreate();

    // The view fills the frame and answers what the frame and the link's messages ask.
    void SetActiveView(CTavelo2View* view);
    // Shrinks the window (never grows it) until the view is `form` large, never below the
    // minimum size.
    void ResizeParentToFit(const QSize& form);
    CTavelo2View* GetActiveView() const { return m_pView; }

    // Handlers.
    void OnTimer(int id);
    void OnDeviceChange();
    void OnMenuSelect(int id);
    void OnMenuTrackingEnded();
    void OnActivateApp(bool active);

    // Window placement in "Settings" / "WindowPos".
    void RestorePlacement(unsigned showCmd);
    bool LoadWindowPlacement(WindowPlacement& wp) const;
    void SaveWindowPlacement(const WindowPlacement& wp) const;

    int GetTextWidth(const QString& text) const;
    // The message pane: any text, or the idle text "Not Ready" / "Ready !" by the view.
    void SetMessageText(const QString& text);
    QString IdleText() const;

    bool IsTimerActive(int id) const;
    // The shortest time between two paints of a moving progress bar (PROGRESS_PAINT_MS).
    void SetProgressPaintInterval(int ms) { m_nProgressPaintMs = ms; }
    CommandTable& Commands() { return *m_pCommands; }

    // ViewHost
    void SetStatusText(int id) override;
    void ShowZoom(float percent) override;
    void EnableTopMenu(int pos, int flags) override;
    int ReportError(int code) override;
    void SetProgressPos(int pos) override;
    void EnableMainWindow(bool enable) override;
    void ShowMessageFor(const QString& text, int ms) override;
    LinkResult SendCommand(const char* text) override;
    LinkResult ReadReply(std::uint8_t (&buffer)[PACKET_SIZE]) override;
    LinkResult WaitAck() override;
    LinkResult ReadImage(MemoryBlock& block, int width, int height, RowProgress* progress) override;
    void SetCommandHandler(int id, CommandHandler handler) override;
    void SetUpdateHandler(int id, UpdateHandler handler) override;
    void UpdateCommandUI() override;
    bool RunCommand(int id) override;
    QWidget* MainWindow() override { return this; }

    // LinkFeedback
    bool IsNotReady() const override;
    void CloseRemote() override;

    CMainStatusBar* m_wndStatusBar = nullptr;
    CMainToolBar* m_wndToolBar = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;  // OnClose
    bool event(QEvent* event) override;

private:
    void UpdateClock();
    void CheckConnection();
    // The view says why the camera cannot be reached (or that it is the simulated one).
    void ExplainCamera(bool present);

    DeviceLink m_link;
    ReportingLink m_reporting{m_link, *this};
    QTimer m_timerClock;
    QTimer m_timerCheck;
    QTimer m_timerMessage;  // ends a message shown for a while
    QString m_sTimedMessage;
    CommandTable* m_pCommands = nullptr;
    CTavelo2View* m_pView = nullptr;
    QElapsedTimer m_progressPainted;  // since the progress bar was last painted
    int m_nProgressPaintMs = PROGRESS_PAINT_MS;
    bool m_bHelpMode = false;  // no context help mode exists; kept for the idle text rule
};

// The frame and its view as the application puts them together: the frame created over
// `backend`, the view made its active view and given its first update. The frame owns the
// view. Both are null when the frame's bars cannot be made.
struct FrameAndView {
    std::unique_ptr<CMainFrame> frame;
    CTavelo2View* view = nullptr;
};
FrameAndView AssembleMainWindow(DeviceBackend& backend);

}  // namespace tavelo
