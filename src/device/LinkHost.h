#pragma once

#include "device/ErrorCode.h"

namespace tavelo {

// What the device link needs of the main frame and its active view.
class LinkHost : public ErrorReporter {
public:
    virtual bool IsNotReady() const = 0;      // the view's m_bNotReady
    virtual int PictureWidth() const = 0;     // the view's m_nWidth
    virtual int PictureHeight() const = 0;    // the view's m_nHeight
    virtual void CloseRemote() = 0;           // the view's CloseRemote
    virtual void SetProgressPos(int pos) = 0; // the status bar's progress control

protected:
    ~LinkHost() = default;
};

}  // namespace tavelo
