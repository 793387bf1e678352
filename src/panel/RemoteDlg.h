#pragma once

#include <QDialog>
#include <QPoint>
#include <QSize>
#include <vector>

class QAbstractButton;

namespace tavelo {

enum class Code;
class CBitmapButton;
class CHoldButton;
class CToggleButton;
class CameraLink;
class RemoteOwner;

// The floating remote control panel: a 330 x 480 picture of the camera's remote with 32
// buttons on it, each press, release or click one camera command through the frame's link.
// It asks the camera for its state once, when it opens, and afterwards only follows its own
// clicks. It deletes itself once its window is gone, telling its owner first.
class CRemoteDlg : public QDialog {
    Q_OBJECT
public:
    CRemoteDlg(CameraLink& link, RemoteOwner& owner);
    ~CRemoteDlg() override;

    // Builds and shows the modeless window and runs the opening sequence. True when the
    // window exists, also when the camera could not be asked (it then closes at once).
    bool Create();

    // The close the link or the frame asks for: queued, and held back while a panel handler
    // is still running, so the panel and its buttons outlive every operation in progress.
    void PostClose();

    // Esc, the close box, the view's Hide and a queued close end here: tells the owner to
    // forget the panel, closes the window and deletes the panel from the event loop.
    void OnCancel();
    // Enter never closes the panel.
    void OnOK() {}

    // The buttons' reports; each takes the control id and an ignored second value, returns 0.
    virtual int OnRcToggled(int id, int lParam);
    virtual int OnRcButtonUp(int id, int lParam);
    virtual int OnRcButtonDown(int id, int lParam);

    CHoldButton* HoldButton(int id) const;
    CToggleButton* ToggleButton(int id) const;
    CBitmapButton* BitmapButton(int id) const;
    // Any of the three, or nullptr.
    QAbstractButton* Button(int id) const;

    // Window origin that centres `outer` on `screen`, in signed arithmetic: negative when the
    // screen is smaller than the window.
    static QPoint CentredOrigin(QSize screen, QSize outer);

    int m_nLamp = 0;   // 0 off, 1 base lamp, 2 upper lamp
    int m_nGamma = 0;  // gamma step 0..7, shown as 1.0 - 0.1 x step

protected:
    void paintEvent(QPaintEvent* event) override;
    void reject() override;
    void accept() override;

private:
    class BusyScope;

    void OnInitDialog();
    void SetButtonImages();
    void LayoutControls();
    void QueryState();
    void SelectChoice(Code code, int value);
    void UpdateArrows();
    void UpdateGammaButtons();
    void GammaStepUp();
    void GammaStepDown();
    void SettleGamma(int limit);
    void SendAndConfirm(const char* text);
    void OnRcMessage(int message, int id);
    void OnBitmapClicked(int id);
    int Latch(int id) const;

    CameraLink& m_link;
    RemoteOwner& m_owner;
    std::vector<CHoldButton*> m_holdButtons;
    std::vector<CToggleButton*> m_toggleButtons;
    std::vector<CBitmapButton*> m_bitmapButtons;
    bool m_bCreated = false;
    int m_nBusy = 0;            // panel handlers on the stack
    bool m_bCloseHeld = false;  // a close arrived while one was
    bool m_bClosing = false;
};

}  // namespace tavelo
