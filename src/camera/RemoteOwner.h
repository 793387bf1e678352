#pragma once

class QWidget;

namespace tavelo {

// What the remote control panel needs of the view that opened it.
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
