#include "app/MainStatusBar.h"

#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>

#include "res/CommandIds.h"
#include "res/Strings.h"

namespace tavelo {
namespace {

constexpr int kProgressPane = 2;

}  // namespace

CMainStatusBar::CMainStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("statusBar%1").arg(AFX_IDW_STATUS_BAR));
}

CMainStatusBar::~CMainStatusBar() = default;

int CMainStatusBar::OnCreate() {
    m_wndProgress = new QProgressBar(this);
    m_wndProgress->setObjectName(QStringLiteral("progress%1").arg(IDC_PROGRESS));
    m_wndProgress->setGeometry(QRect());
    m_wndProgress->setRange(0, PROGRESS_RANGE);
    m_wndProgress->setValue(0);
    m_wndProgress->setTextVisible(false);
    return 0;
}

bool CMainStatusBar::SetIndicators(std::span<const int> ids) {
    for (Pane& pane : m_panes) {
        removeWidget(pane.label);
        delete pane.label;
    }
    m_panes.clear();
    for (int id : ids) {
        Pane pane;
        pane.id = id;
        pane.label = new QLabel(this);
        pane.label->setContentsMargins(PANE_MARGIN, 0, PANE_MARGIN, 0);
        if (id != ID_SEPARATOR) {
            const char* sizing = LoadString(id);
            if (sizing == nullptr) {
                return false;
            }
            pane.width = GetTextWidth(QString::fromLatin1(sizing));
            pane.label->setAlignment(Qt::AlignCenter);
        }
        m_panes.push_back(pane);
    }
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        Pane& pane = m_panes[i];
        if (i == 0) {
            // The message pane takes what the others leave and never widens the window.
            pane.label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            addWidget(pane.label, 1);
        } else {
            ApplyWidth(pane);
            addPermanentWidget(pane.label);
        }
    }
    if (m_panes.size() > kProgressPane) {
        m_panes[kProgressPane].label->installEventFilter(this);
    }
    if (m_wndProgress != nullptr) {
        m_wndProgress->raise();
    }
    return true;
}

void CMainStatusBar::ApplyWidth(const Pane& pane) {
    pane.label->setFixedWidth(pane.width + 2 * PANE_MARGIN);
}

void CMainStatusBar::GetPaneInfo(int index, int& id, int& style, int& width) const {
    if (index < 0 || index >= GetCount()) {
        id = style = width = 0;
        return;
    }
    const Pane& pane = m_panes[index];
    id = pane.id;
    style = pane.style;
    width = pane.width;
}

void CMainStatusBar::SetPaneInfo(int index, int id, int style, int width) {
    if (index < 0 || index >= GetCount()) {
        return;
    }
    Pane& pane = m_panes[index];
    pane.id = id;
    pane.style = style;
    pane.width = width;
    if (index != 0) {
        ApplyWidth(pane);
    }
}

QString CMainStatusBar::GetPaneText(int index) const {
    if (index < 0 || index >= GetCount()) {
        return {};
    }
    return m_panes[index].label->text();
}

void CMainStatusBar::SetPaneText(int index, const QString& text) {
    if (index < 0 || index >= GetCount()) {
        return;
    }
    m_panes[index].label->setText(text);
}

void CMainStatusBar::RepaintPane(int index) {
    if (index >= 0 && index < GetCount()) {
        m_panes[index].label->repaint();
    }
}

QRect CMainStatusBar::GetItemRect(int index) const {
    if (index < 0 || index >= GetCount()) {
        return {};
    }
    return m_panes[index].label->geometry();
}

int CMainStatusBar::GetTextWidth(const QString& text) const {
    return fontMetrics().horizontalAdvance(text);
}

void CMainStatusBar::MoveProgressToPane() {
    if (m_wndProgress == nullptr || GetCount() <= kProgressPane) {
        return;
    }
    // Lay the panes out now, so the rectangle read is the one about to be painted.
    if (layout() != nullptr) {
        layout()->activate();
    }
    m_wndProgress->setGeometry(GetItemRect(kProgressPane));
    m_wndProgress->update();
}

int CMainStatusBar::ProgressLength() const {
    if (m_wndProgress == nullptr) {
        return 0;
    }
    const QProgressBar& bar = *m_wndProgress;
    const qint64 range = qint64(bar.maximum()) - bar.minimum();
    if (range <= 0) {
        return 0;
    }
    return static_cast<int>((qint64(bar.value()) - bar.minimum()) * bar.width() / range);
}

void CMainStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    MoveProgressToPane();
}

bool CMainStatusBar::eventFilter(QObject* watched, QEvent* event) {
    // Pane 2 moves whenever a pane to its left or right changes width.
    if (GetCount() > kProgressPane && watched == m_panes[kProgressPane].label &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        if (m_wndProgress != nullptr) {
            m_wndProgress->setGeometry(GetItemRect(kProgressPane));
        }
    }
    return QStatusBar::eventFilter(watched, event);
}

}  // namespace tavelo
