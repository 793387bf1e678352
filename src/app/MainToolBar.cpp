#include "app/MainToolBar.h"

#include <QAction>
#include <QEvent>
#include <QToolButton>

#include "res/CommandIds.h"

namespace tavelo {
namespace {

constexpr int kCheckMs = 200;

}  // namespace

CMainToolBar::CMainToolBar(QWidget* parent) : QToolBar(parent) {
    setObjectName(QStringLiteral("toolBar%1").arg(AFX_IDW_TOOLBAR));
    setWindowTitle(tr("Toolbar"));
    setIconSize(QSize(22, 22));
    m_checkTimer.setInterval(kCheckMs);
    connect(&m_checkTimer, &QTimer::timeout, this, &CMainToolBar::OnCheckTimer);
}

void CMainToolBar::SetMessageTargets(PromptFn showPrompt, IdleFn showIdle) {
    m_showPrompt = std::move(showPrompt);
    m_showIdle = std::move(showIdle);
}

void CMainToolBar::AddButton(QAction* action) {
    addAction(action);
    if (QWidget* button = widgetForAction(action)) {
        // The prompt goes to the message pane through SetStatusText, not as a status tip.
        button->setStatusTip(QString());
        button->installEventFilter(this);
    }
}

bool CMainToolBar::SetStatusText(int hit) {
    if (hit == -1) {
        if (m_bStatusSet) {
            if (m_showIdle) {
                m_showIdle();
            }
            m_bStatusSet = false;
            m_nLastHit = -1;
            m_checkTimer.stop();
            return true;
        }
        m_nLastHit = -1;
        m_checkTimer.stop();
        return false;
    }
    if (m_bStatusSet && m_nLastHit == hit) {
        return false;
    }
    m_nLastHit = hit;
    if (m_showPrompt) {
        m_showPrompt(hit);
    }
    m_bStatusSet = true;
    m_checkTimer.start();
    return true;
}

bool CMainToolBar::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QToolButton*>(watched);
    if (button != nullptr && button->defaultAction() != nullptr) {
        if (event->type() == QEvent::Enter) {
            SetStatusText(button->defaultAction()->data().toInt());
        } else if (event->type() == QEvent::Leave) {
            SetStatusText(-1);
        }
    }
    return QToolBar::eventFilter(watched, event);
}

void CMainToolBar::OnCheckTimer() {
    // The leave event can be lost when a window pops up over the button or the button is
    // hidden; the pointer's position settles it.
    for (QAction* action : actions()) {
        const QWidget* button = widgetForAction(action);
        if (button != nullptr && button->underMouse() && action->data().toInt() == m_nLastHit) {
            return;
        }
    }
    SetStatusText(-1);
}

}  // namespace tavelo
