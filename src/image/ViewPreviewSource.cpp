#include "image/ViewPreviewSource.h"

#include "image/RawConversion.h"
#include "image/Tavelo2View.h"
#include "image/ViewHost.h"

namespace tavelo {
namespace {

// Memory shortage is reported through the frame's error box.
class FrameErrors : public ErrorReporter {
public:
    explicit FrameErrors(ViewHost* frame) : m_pFrame(frame) {}
    int ReportError(int code) override { return m_pFrame ? m_pFrame->ReportError(code) : 0; }

private:
    ViewHost* m_pFrame;
};

}  // namespace

MemoryBlock ViewPreviewSource::BuildBitmap() {
    FrameErrors errors(m_view.m_pFrame);
    return tavelo::BuildBitmap(m_view.m_hRaw, m_view.m_nWidth, m_view.m_nHeight, errors);
}

int ViewPreviewSource::SharpnessValue(int index) {
    return m_view.SharpnessValue(index);
}

int ViewPreviewSource::BmpSize() const {
    return m_view.m_nBmpSize;
}

bool ViewPreviewSource::NotReady() const {
    return m_view.m_bNotReady;
}

}  // namespace tavelo
