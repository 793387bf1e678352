#pragma once

#include "picture/RawConversion.h"
#include "ui/ViewHost.h"

namespace tavelo {

// The raw conversions report memory shortage through the frame's error box; with no frame
// yet there is nobody to tell.
class FrameErrors : public ErrorReporter {
public:
    explicit FrameErrors(ViewHost* frame) : m_pFrame(frame) {}
    int ReportError(int code) override { return m_pFrame ? m_pFrame->ReportError(code) : 0; }

private:
    ViewHost* m_pFrame;
};

}  // namespace tavelo
