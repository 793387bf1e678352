#include "app/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstdio>

namespace tavelo {
namespace {

constexpr const char* kFormat = "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d";

bool IsMinimizeCommand(unsigned cmd) {
    return cmd == SW_SHOWMINIMIZED || cmd == SW_MINIMIZE || cmd == SW_SHOWMINNOACTIVE ||
           cmd == SW_FORCEMINIMIZE;
}

}  // namespace

void WindowPlacement::SetNormalRect(const QRect& r) {
    left = r.left();
    top = r.top();
    right = r.left() + r.width();
    bottom = r.top() + r.height();
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

QRect KeepOnScreen(const QRect& rect) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(rect)) {
            return rect;
        }
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return rect;
    }
    const QRect area = primary->availableGeometry();
    QRect moved(QPoint(0, 0), rect.size());
    moved.moveCenter(area.center());
    // A window larger than the screen keeps its top-left corner (and title bar) visible.
    moved.moveLeft(std::max(moved.left(), area.left()));
    moved.moveTop(std::max(moved.top(), area.top()));
    return moved;
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

void ApplyPlacement(QWidget& window, const WindowPlacement& wp) {
    const QRect normal = wp.NormalRect();
    if (normal.isValid()) {
        window.setGeometry(KeepOnScreen(normal));
    }
    ShowWindowCommand(window, wp);
}

}  // namespace tavelo
