#pragma once

#include <QAbstractButton>

#include "camera/PanelMessages.h"

namespace tavelo {

// A panel button that reports its press and its release, so that a camera movement runs
// exactly as long as the button is held. It draws nothing but its current picture.
class CHoldButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CHoldButton(int id, QWidget* parent = nullptr);
    ~CHoldButton() override;

    int GetDlgCtrlID() const { return m_nId; }

    int m_nDisabledPic = 0;
    int m_nPressedPic = 0;
    int m_nReleasedPic = 0;
    int m_bPressed = 0;

    // The picture id the button shows in its current state.
    int CurrentPicture() const;

Q_SIGNALS:
    // WM_RC_BUTTONDOWN or WM_RC_BUTTONUP with the control id. Connected directly: the panel's
    // handler has returned before the button goes on.
    void RcMessage(int message, int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void Press(QMouseEvent* event, bool capture);

    int m_nId;
};

}  // namespace tavelo
