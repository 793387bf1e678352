#pragma once

#include <QTimer>
#include <QToolBar>
#include <functional>

namespace tavelo {

// The frame's toolbar. Its buttons show their command's prompt in the message pane while
// the pointer is over them; when the pointer leaves, the pane shows the idle text
// ("Ready !" or "Not Ready") rather than an empty one.
class CMainToolBar : public QToolBar {
    Q_OBJECT
public:
    // How the toolbar reaches the frame: show a command's prompt, and the idle text.
    using PromptFn = std::function<void(int id)>;
    using IdleFn = std::function<void()>;

    explicit CMainToolBar(QWidget* parent = nullptr);

    void SetMessageTargets(PromptFn showPrompt, IdleFn showIdle);

    // Adds a button for an action whose data is its command id (0: a separator).
    void AddButton(QAction* action);

    // The fly-by status: `hit` is the command id under the pointer, or -1 when it left.
    // True if the message pane was changed.
    bool SetStatusText(int hit);

    int LastHit() const { return m_nLastHit; }
    bool IsStatusSet() const { return m_bStatusSet; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnCheckTimer();

    PromptFn m_showPrompt;
    IdleFn m_showIdle;
    bool m_bStatusSet = false;
    int m_nLastHit = -1;
    QTimer m_checkTimer;  // notices a pointer that left without a leave event
};

}  // namespace tavelo
