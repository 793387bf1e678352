#pragma once

#include "settings/PreviewSource.h"

namespace tavelo {

class CTavelo2View;

// The view's raw capture as the sharpness preview and the Sharpness command rebuild it:
// bitmap images built from it, the view's sharpen amounts and its camera state.
class ViewPreviewSource : public PreviewSource {
public:
    explicit ViewPreviewSource(CTavelo2View& view) : m_view(view) {}

    MemoryBlock BuildBitmap() override;
    int SharpnessValue(int index) override;
    int BmpSize() const override;
    bool NotReady() const override;

private:
    CTavelo2View& m_view;
};

}  // namespace tavelo
