#include "picture/RawPicture.h"

#include "picture/CaptureLook.h"
#include "picture/PictureEngine.h"
#include "picture/PictureResult.h"
#include "picture/RawConversion.h"

namespace tavelo {
namespace {

// Rows enough for the shape, which the conversions can take (pixel pairs: an even width).
bool Whole(const MemoryBlock& rows, const RawShape& shape) {
    return shape.width > 0 && shape.height > 0 && shape.width % 2 == 0 && !rows.IsNull() &&
           rows.Size() >=
               2u * static_cast<std::size_t>(shape.width) * static_cast<std::size_t>(shape.height);
}

}  // namespace

std::int16_t EngineTarget::Load(const MemoryBlock& bitmap) {
    m_engine.Release();
    return m_engine.LoadMemory(bitmap, 0, 0, bitmap.Size());
}

std::int16_t EngineTarget::Resize(int width, int height, short flags) {
    return m_engine.Resize(width, height, flags);
}

std::int16_t EngineTarget::Sharpen(int amount) {
    return m_engine.Sharpen(amount);
}

RawPictureResult ShowRawCapture(RawPictureTarget& target, MemoryBlock& raw, MemoryBlock transferred,
                                const RawShape& shape, int sharpAmount, MemoryShortage& shortage) {
    if (!transferred.IsNull()) {
        if (!Whole(transferred, shape)) {
            return RawPictureResult::NoRows;
        }
        MemoryBlock flipped = FlipRows(transferred, shape.width, shape.height, shortage);
        transferred.Free();
        if (flipped.IsNull()) {
            return RawPictureResult::FlipFailed;
        }
        // The flipped copy becomes the raw capture itself: no second block, no second copy.
        raw = std::move(flipped);
    }
    if (!Whole(raw, shape)) {
        return RawPictureResult::NoRows;
    }
    MemoryBlock bitmap = BuildBitmap(raw, shape.width, shape.height, shortage);
    if (bitmap.IsNull()) {
        return RawPictureResult::BitmapFailed;
    }
    if (target.Load(bitmap) != PIC_OK) {
        return RawPictureResult::LoadFailed;
    }
    bitmap.Free();  // the pixels are the target's now; the next steps need the memory more
    return FinishCapturedPicture(target, shape.mode, shape.camRotation, sharpAmount) == PIC_OK
               ? RawPictureResult::Shown
               : RawPictureResult::NotFinished;
}

}  // namespace tavelo
