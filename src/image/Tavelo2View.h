#pragma once

#include <QWidget>

namespace tavelo {

class CRemoteDlg;
class ViewHost;

// The single view filling the main frame. It carries the state the frame, the link and
// the panel read; capture, display and the picture commands are built on it.
class CTavelo2View : public QWidget {
    Q_OBJECT
public:
    explicit CTavelo2View(QWidget* parent = nullptr);
    ~CTavelo2View() override;

    // Once the frame is complete: remembers it and greys the picture menus.
    virtual void OnInitialUpdate(ViewHost* frame);

    void CloseRemote();     // closes an open remote control panel
    void RepaintPicture();  // repaints a shown picture
    void ForgetRemote();    // the panel is going away on its own

    int m_nHeight = 0;        // rows of the raw capture
    int m_nWidth = 0;         // columns of the raw capture
    int m_nBmpSize = 0;       // byte size of the bitmap file image built from it
    bool m_bNotReady = true;  // the camera is not reachable
    bool m_bImage = false;    // a picture is shown
    bool m_bHiddenMode = false;
    ViewHost* m_pFrame = nullptr;
    CRemoteDlg* m_pRemote = nullptr;
};

}  // namespace tavelo
