#pragma once

class QWidget;

namespace tavelo {

// What the remote control panel needs of the view that opened it.
//
// The view keeps the only pointer to its panel and drives it like this:
//   Show:        if open, raise() and activateWindow(); else
//                m_pRemote = new CRemoteDlg(link, *this); if (!m_pRemote->Create()) { delete
//                m_pRemote; m_pRemote = nullptr; ReportError(ERR_REMOTE); }
//   Hide:        if open, m_pRemote->OnCancel() (which calls ForgetRemote at once).
//   CloseRemote: if open, m_pRemote->PostClose() (queued; held while a panel handler runs).
// The panel deletes itself; the view never deletes an open panel.
class RemoteOwner {
public:
    // The panel is going away on its own: drop the pointer to it. Called once, before the
    // panel's window is destroyed.
    virtual void ForgetRemote() = 0;
    // The window the panel floats over.
    virtual QWidget* RemoteParent() = 0;

protected:
    ~RemoteOwner() = default;
};

}  // namespace tavelo
