#pragma once

#include <QAbstractButton>

class QPainter;

#include "panel/PanelMessages.h"

namespace tavelo {

// The mark a panel button that has the keyboard focus draws over its picture: a dotted ring
// of black on white just inside its edge, seen on every picture of the panel.
void DrawFocusMark(QPainter& painter, const QRect& rect);

// What the panel's hold and toggle buttons share: a control id, a picture chosen by the
// button's state and drawn with the button colours mapped, and the messages they send to
// the panel. Tab reaches them (a click does not take the focus) and Space works them as the
// left mouse button does.
class CPanelButton : public QAbstractButton {
    Q_OBJECT
public:
    int GetDlgCtrlID() const { return m_nId; }

    // The picture id the button shows in its current state.
    virtual int CurrentPicture() const = 0;

Q_SIGNALS:
    // WM_RC_BUTTONDOWN, WM_RC_BUTTONUP or WM_RC_TOGGLED with the control id. Connected
    // directly: the panel's handler has returned before the button goes on.
    void RcMessage(int message, int id);

protected:
    CPanelButton(int id, QWidget* parent);

    // Only the current picture, mapped afresh at every paint so a theme change shows at
    // once; nothing at all when the picture is missing. The focus mark over it.
    void paintEvent(QPaintEvent* event) override;

    // Space goes down and comes up once per key stroke, auto-repeat aside; a focus lost while
    // it is down ends the stroke there. Other keys get the standard processing.
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    virtual void SpaceDown() = 0;
    virtual void SpaceUp() = 0;
    virtual void SpaceLost() = 0;
    bool m_bSpaceDown = false;

    const int m_nId;
};

}  // namespace tavelo
