#pragma once

#include <QFrame>

namespace tavelo {

// The start-up picture: a 320 x 320 picture in a sunken frame, centred on the primary
// screen above the main window. It never takes the keyboard focus, so a key pressed while
// it shows still reaches the main window.
class CSplashDlg : public QFrame {
    Q_OBJECT
public:
    static constexpr int PICTURE_SIZE = 320;
    static constexpr int EDGE = 2;  // width of one raised or sunken edge

    explicit CSplashDlg(QWidget* parent = nullptr);

    // Size 320 + 4 edges each way, centred on the primary screen.
    bool OnInitDialog();
};

}  // namespace tavelo
