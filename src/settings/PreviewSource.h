#pragma once

#include "device/MemoryBlock.h"

namespace tavelo {

// What the sharpness preview asks of the view that holds the raw capture.
class PreviewSource {
public:
    // A new bitmap file image of the raw capture, owned by the caller; a null block when
    // there is no raw capture, or when memory ran out (error 7 has then been shown).
    virtual MemoryBlock BuildBitmap() = 0;
    // Sharpen amount of a slider position 0..6.
    virtual int SharpnessValue(int index) = 0;
    // Byte size of the image BuildBitmap makes.
    virtual int BmpSize() const = 0;
    // The camera is not reachable: the status after a rebuild reads "Not Ready".
    virtual bool NotReady() const = 0;

protected:
    ~PreviewSource() = default;
};

}  // namespace tavelo
