#pragma once

#include <QAbstractButton>

#include "panel/PanelMessages.h"

namespace tavelo {

// What the panel's hold and toggle buttons share: a control id, a picture chosen by the
// button's state and drawn with the button colours mapped, and the messages they send to
// the panel.
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
    // once; nothing at all when the picture is missing.
    void paintEvent(QPaintEvent* event) override;

    const int m_nId;
};

}  // namespace tavelo
