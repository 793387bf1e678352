#include "app/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <limits>

namespace tavelo {
namespace {

constexpr const char* kFormat = "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d";

// Far beyond any desktop, and small enough that sums of two bounded numbers stay in range.
constexpr qint64 kCoordinateLimit = qint64(1) << 24;

int Bounded(qint64 value, qint64 low, qint64 high) {
    return static_cast<int>(std::clamp(value, low, high));
}

bool Fits(const QSize& size, const QRect& area) {
    return size.width() <= area.width() && size.height() <= area.height();
}

// `rect` shrunk to `area` where it is larger and moved, as little as possible, whole into it.
QRect Inside(const QRect& rect, const QRect& area) {
    const QSize size = rect.size().boundedTo(area.size());
    const int x = std::clamp(rect.left(), area.left(), area.left() + area.width() - size.width());
    const int y = std::clamp(rect.top(), area.top(), area.top() + area.height() - size.height());
    return QRect(QPoint(x, y), size);
}

QMargins FrameMargins(QWidget& window) {
    // The decorations as far as the window system tells them; none before it shows, often.
    window.winId();
    return window.windowHandle() != nullptr ? window.windowHandle()->frameMargins() : QMargins();
}

// Waits for the window's first exposure, then keeps it on screen with its decorations.
class OnScreenWhenShown : public QObject {
public:
    explicit OnScreenWhenShown(QWidget& window) : QObject(&window), m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* handle = qobject_cast<QWindow*>(watched);
        if (event->type() != QEvent::Expose || handle == nullptr || !handle->isExposed()) {
            return false;
        }
        handle->removeEventFilter(this);
        deleteLater();
        if (m_window.windowState() == Qt::WindowNoState) {
            const QMargins frame = handle->frameMargins();
            QRect kept = KeepOnScreen(m_window.geometry(), frame);
            const QScreen* screen = QGuiApplication::screenAt(kept.center());
            const int top =
                screen != nullptr ? screen->availableGeometry().top() + frame.top() : kept.top();
            kept.moveTop(std::max(kept.top(), top));
            if (kept != m_window.geometry()) {
                m_window.setGeometry(kept);
            }
        }
        return false;
    }

private:
    QWidget& m_window;
};

bool IsMinimizeCommand(unsigned cmd) {
    return cmd == SW_SHOWMINIMIZED || cmd == SW_MINIMIZE || cmd == SW_SHOWMINNOACTIVE ||
           cmd == SW_FORCEMINIMIZE;
}

}  // namespace

QRect WindowPlacement::NormalRect() const {
    const qint64 width = qint64(right) - left;
    const qint64 height = qint64(bottom) - top;
    if (width <= 0 || height <= 0) {
        return QRect();
    }
    return QRect(Bounded(left, -kCoordinateLimit, kCoordinateLimit),
                 Bounded(top, -kCoordinateLimit, kCoordinateLimit),
                 Bounded(width, 1, kCoordinateLimit), Bounded(height, 1, kCoordinateLimit));
}

void WindowPlacement::SetNormalRect(const QRect& r) {
    constexpr qint64 low = std::numeric_limits<int>::min();
    constexpr qint64 high = std::numeric_limits<int>::max();
    left = r.left();
    top = r.top();
    right = Bounded(qint64(r.left()) + r.width(), low, high);
    bottom = Bounded(qint64(r.top()) + r.height(), low, high);
}

QString FormatPlacement(const WindowPlacement& wp) {
    return QString::asprintf(kFormat, wp.flags, wp.showCmd, wp.minX, wp.minY, wp.maxX, wp.maxY,
                             wp.left, wp.top, wp.right, wp.bottom);
}

bool ParsePlacement(const QString& text, WindowPlacement& wp) {
    if (text.isEmpty()) {
        return false;
    }
    const QByteArray bytes = text.toLatin1();
    WindowPlacement read;
    const int count =
        std::sscanf(bytes.constData(), kFormat, &read.flags, &read.showCmd, &read.minX, &read.minY,
                    &read.maxX, &read.maxY, &read.left, &read.top, &read.right, &read.bottom);
    if (count != 10) {
        return false;
    }
    wp = read;
    return true;
}

WindowPlacement ReadPlacement(const QWidget& window) {
    WindowPlacement wp;
    const Qt::WindowStates state = window.windowState();
    const bool minimized = state.testFlag(Qt::WindowMinimized);
    const bool maximized = state.testFlag(Qt::WindowMaximized) && !minimized;
    wp.showCmd = minimized ? SW_SHOWMINIMIZED : maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    wp.flags = maximized ? WPF_RESTORETOMAXIMIZED : 0;
    const bool normal =
        !state.testAnyFlags(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    const QRect rect =
        normal || !window.normalGeometry().isValid() ? window.geometry() : window.normalGeometry();
    wp.SetNormalRect(rect);
    return wp;
}

QRect KeepOnScreen(const QRect& rect, const QMargins& frame) {
    // Decide on the whole window, decorations included; give back the inner rectangle.
    const QRect outer = rect.marginsAdded(frame);
    const QScreen* target = nullptr;
    qint64 covered = 0;
    bool fitsSomewhere = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        fitsSomewhere = fitsSomewhere || Fits(outer.size(), area);
        const QRect common = area.intersected(outer);
        const qint64 size = qint64(common.width()) * common.height();
        if (!common.isEmpty() && size > covered) {
            covered = size;
            target = screen;
        }
    }
    if (target != nullptr && fitsSomewhere) {
        const QRect area = target->availableGeometry();
        return Fits(outer.size(), area) ? rect : Inside(outer, area).marginsRemoved(frame);
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return rect;
    }
    const QRect area = primary->availableGeometry();
    QRect moved(QPoint(0, 0), outer.size().boundedTo(area.size()));
    moved.moveCenter(area.center());
    return Inside(moved, area).marginsRemoved(frame);
}

void ShowWindowCommand(QWidget& window, const WindowPlacement& wp) {
    Qt::WindowStates state = Qt::WindowNoState;
    if (wp.showCmd == SW_SHOWMAXIMIZED) {
        state = Qt::WindowMaximized;
    } else if (IsMinimizeCommand(wp.showCmd)) {
        state = Qt::WindowMinimized;
        if (wp.flags & WPF_RESTORETOMAXIMIZED) {
            state |= Qt::WindowMaximized;
        }
    }
    // A hidden show command would leave a running copy that nobody can see or start again;
    // every command that is neither a minimize nor a maximize shows the window normally.
    window.setWindowState(state);
    window.show();
}

void BringToFront(QWidget& window) {
    const Qt::WindowStates state = window.windowState();
    if (state.testFlag(Qt::WindowMinimized)) {
        window.setWindowState(state & ~Qt::WindowMinimized);
    }
    window.show();
    window.raise();
    window.activateWindow();
}

void ApplyPlacement(QWidget& window, const WindowPlacement& wp) {
    const QRect normal = wp.NormalRect();
    if (normal.isValid()) {
        window.setGeometry(KeepOnScreen(normal, FrameMargins(window)));
    }
    KeepOnScreenOnceShown(window);
    ShowWindowCommand(window, wp);
}

void ShowAtFirstStart(QWidget& window, unsigned showCmd) {
    // Only the size: the position stays the window system's choice.
    window.resize(KeepOnScreen(QRect(QPoint(0, 0), window.size()), FrameMargins(window)).size());
    KeepOnScreenOnceShown(window);
    WindowPlacement start;
    start.showCmd = showCmd;
    ShowWindowCommand(window, start);
}

void KeepOnScreenOnceShown(QWidget& window) {
    window.winId();
    if (QWindow* handle = window.windowHandle()) {
        handle->installEventFilter(new OnScreenWhenShown(window));
    }
}

}  // namespace tavelo
