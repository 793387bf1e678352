#pragma once

#include <QAbstractButton>

#include "camera/PanelMessages.h"

namespace tavelo {

// A latching panel button: a press that ends with the pointer still inside flips the latch
// and reports it. The last movement seen while the press was held decides "inside".
class CToggleButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CToggleButton(int id, QWidget* parent = nullptr);
    ~CToggleButton() override;

    int GetDlgCtrlID() const { return m_nId; }

    int m_nPicHeight = 0;
    int m_nPicWidth = 0;
    int m_nOffPic = 0;
    int m_nOnPic = 0;
    int m_bChecked = 0;  // 1 is on; any other value shows off
    int m_bTracking = 0;

    int CurrentPicture() const;

Q_SIGNALS:
    // WM_RC_TOGGLED with the control id, after the latch has flipped; connected directly.
    void RcMessage(int message, int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_nId;
};

}  // namespace tavelo
