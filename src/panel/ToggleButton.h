#pragma once

#include "panel/PanelButton.h"

namespace tavelo {

// A latching panel button: a press that ends with the pointer still inside flips the latch
// and reports it. The last movement seen while the press was held decides "inside".
class CToggleButton : public CPanelButton {
    Q_OBJECT
public:
    explicit CToggleButton(int id, QWidget* parent = nullptr);
    ~CToggleButton() override;

    int m_nPicHeight = 0;
    int m_nPicWidth = 0;
    int m_nOffPic = 0;
    int m_nOnPic = 0;
    int m_bChecked = 0;  // 1 is on; any other value shows off
    int m_bTracking = 0;

    // On while a press is tracked inside, else the latch decides.
    int CurrentPicture() const override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double-click is not a press of the latch: it neither tracks nor
    // captures, so the click it ends changes nothing.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // Space is a click held inside: lit while down, flipped and reported on the way up; a
    // focus lost while it is down is a release outside.
    void SpaceDown() override;
    void SpaceUp() override;
    void SpaceLost() override;
};

}  // namespace tavelo
