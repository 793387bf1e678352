#pragma once

#include <cstddef>
#include <cstdint>

#include "device/MemoryBlock.h"

namespace tavelo {

class MemoryShortage;
class PictureEngine;

// Whatever holds the shown picture, as the raw path needs it: the imaging control in the
// window, a bare picture engine elsewhere. Each returns a PictureResult code, 0 for success.
class RawPictureTarget {
public:
    // Replaces the picture by the whole BMP file image in `bitmap`; a failure leaves none.
    virtual std::int16_t Load(const MemoryBlock& bitmap) = 0;
    virtual std::int16_t Resize(int width, int height, short flags) = 0;
    virtual std::int16_t Sharpen(int amount) = 0;

protected:
    ~RawPictureTarget() = default;
};

// A bare picture engine as the target: what the page store and the command-line tool use.
class EngineTarget : public RawPictureTarget {
public:
    explicit EngineTarget(PictureEngine& engine) : m_engine(engine) {}
    std::int16_t Load(const MemoryBlock& bitmap) override;
    std::int16_t Resize(int width, int height, short flags) override;
    std::int16_t Sharpen(int amount) override;

private:
    PictureEngine& m_engine;
};

// A raw capture's size as the camera reported it, and the capture mode and camera rotation
// that decide how it is shown.
struct RawShape {
    int width = 0;
    int height = 0;
    int mode = 0;
    int camRotation = 0;
};

// How far the road from rows to picture went. Each failure names its step.
enum class RawPictureResult : std::uint8_t {
    Shown,         // loaded, resized for mode 2 and sharpened
    NoRows,        // no rows, or fewer than the shape says: nothing told, nothing changed
    FlipFailed,    // no memory for the flipped copy (told): the raw capture is as it was
    BitmapFailed,  // no memory for the bitmap (told): the picture is as it was
    LoadFailed,    // the target refused the bitmap (not told)
    NotFinished,   // loaded, but the resize or the sharpen failed (not told)
};

// True when `raw` holds the rows this result was made from (every step past the flip).
constexpr bool RawReplaced(RawPictureResult result) {
    return result != RawPictureResult::NoRows && result != RawPictureResult::FlipFailed;
}

// The one road from a camera's rows to the picture as shown: the rows flipped bottom-first,
// the 24-bit bitmap file image built from them and loaded into `target`, mode-2 pictures
// resized to their true shape, then sharpened by `sharpAmount` (also by 0).
// `transferred` holds the rows as the camera sent them (top row first); they are flipped
// into a new raw capture that replaces `raw`, and the transfer block is freed. A null
// `transferred` shows `raw` as it is (a raw capture kept earlier, rows bottom-first).
// A memory shortage of the flip or the bitmap is told through `shortage` exactly once; the
// caller decides what the user sees for it and for every other result.
RawPictureResult ShowRawCapture(RawPictureTarget& target, MemoryBlock& raw, MemoryBlock transferred,
                                const RawShape& shape, int sharpAmount, MemoryShortage& shortage);

}  // namespace tavelo
