#pragma once

#include "panel/PanelButton.h"

namespace tavelo {

// A panel button that reports its press and its release, so that a camera movement runs
// exactly as long as the button is held. It draws nothing but its current picture.
class CHoldButton : public CPanelButton {
    Q_OBJECT
public:
    explicit CHoldButton(int id, QWidget* parent = nullptr);
    ~CHoldButton() override;

    int m_nDisabledPic = 0;
    int m_nPressedPic = 0;
    int m_nReleasedPic = 0;
    int m_bPressed = 0;

    int CurrentPicture() const override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    // Space holds it as the mouse does; a focus lost while held releases it, so a movement
    // started from the keyboard is always stopped.
    void SpaceDown() override;
    void SpaceUp() override;
    void SpaceLost() override { SpaceUp(); }

private:
    void Press(QMouseEvent* event, bool capture);
};

}  // namespace tavelo
