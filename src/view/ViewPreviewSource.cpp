#include "view/ViewPreviewSource.h"

#include "ui/FrameErrors.h"
#include "view/Tavelo2View.h"

namespace tavelo {

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
