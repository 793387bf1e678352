#pragma once

#include "picture/RawConversion.h"
#include "res/ErrorCode.h"
#include "ui/ViewHost.h"

namespace tavelo {

// The raw conversions' memory shortage becomes the frame's error box; with no frame yet
// there is nobody to tell.
class FrameErrors : public MemoryShortage {
public:
    explicit FrameErrors(ViewHost* frame) : m_pFrame(frame) {}
    void OutOfMemory() override {
        if (m_pFrame != nullptr) {
            m_pFrame->ReportError(ERR_MEMORY);
        }
    }

private:
    ViewHost* m_pFrame;
};

}  // namespace tavelo
