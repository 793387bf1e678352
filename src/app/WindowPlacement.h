#pragma once

#include <QMargins>
#include <QRect>
#include <QString>

class QWidget;

namespace tavelo {

// Show commands and flags of the stored placement record, numbered as the stored text
// has always numbered them.
enum ShowCommand : unsigned {
    SW_HIDE = 0,
    SW_SHOWNORMAL = 1,
    SW_SHOWMINIMIZED = 2,
    SW_SHOWMAXIMIZED = 3,
    SW_SHOWNOACTIVATE = 4,
    SW_SHOW = 5,
    SW_MINIMIZE = 6,
    SW_SHOWMINNOACTIVE = 7,
    SW_SHOWNA = 8,
    SW_RESTORE = 9,
    SW_SHOWDEFAULT = 10,
    SW_FORCEMINIMIZE = 11,
};
inline constexpr unsigned WPF_RESTORETOMAXIMIZED = 2;

// The ten numbers of "Settings" / "WindowPos", in record order. The normal rectangle is
// the window's area with the right and bottom edges exclusive.
struct WindowPlacement {
    unsigned flags = 0;
    unsigned showCmd = SW_SHOWNORMAL;
    int minX = -1, minY = -1;
    int maxX = -1, maxY = -1;
    int left = 0, top = 0, right = 0, bottom = 0;

    // The normal rectangle with every number bounded, worked out in wide arithmetic so that
    // no stored value overflows; empty or inverted edges give an invalid rectangle.
    QRect NormalRect() const;
    void SetNormalRect(const QRect& r);
    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d".
QString FormatPlacement(const WindowPlacement& wp);
// True only when the text holds exactly ten numbers in that format.
bool ParsePlacement(const QString& text, WindowPlacement& wp);

// Reads the window's state as a record; flags are WPF_RESTORETOMAXIMIZED when maximized.
WindowPlacement ReadPlacement(const QWidget& window);

// Gives the window the record's normal rectangle and the state of `showCmd` and shows it,
// the rectangle first brought onto a screen by KeepOnScreen.
void ApplyPlacement(QWidget& window, const WindowPlacement& wp);

// Shows the window in the state a show command asks for, keeping its geometry.
void ShowWindowCommand(QWidget& window, const WindowPlacement& wp);

// The first start, with nothing stored: the window's own size as far as the screen holds
// it, where the window system puts it, in the state of `showCmd`.
void ShowAtFirstStart(QWidget& window, unsigned showCmd);

// Brings a window to the front as a second start asks: un-minimized (back to maximized if it
// was), shown, raised and activated.
void BringToFront(QWidget& window);

// A rectangle that intersects no screen, or that no screen's available area can hold, is
// moved onto the primary screen keeping its size as far as the screen allows. One larger than
// the available area of the screen it is mostly on is shrunk to that area and moved whole
// onto it. `frame` is the room the window's decorations take around the rectangle.
QRect KeepOnScreen(const QRect& rect, const QMargins& frame = QMargins());

// Before a window shows, a window system may not tell how large its decorations are, so a
// rectangle kept on screen without them can end with the title bar or the status bar off
// the screen. Once the window is first exposed, it is kept on screen again with them, and
// its title bar brought below the top of the screen's available area.
void KeepOnScreenOnceShown(QWidget& window);

}  // namespace tavelo
