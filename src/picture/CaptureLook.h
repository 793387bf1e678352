#pragma once

#include <cstdint>

namespace tavelo {

// How a picture fresh from the camera is made to look before it is shown or written: the
// mode-2 resize that gives its pixels their true shape, then the sharpen amount of the
// sharpness setting. The view and the command-line tool both go through here, so a file
// written by the tool is the picture the view would show.

// Sharpen amount of each sharpness slider position: softer below 3, sharper above.
inline constexpr int kSharpAmounts[] = {-1000, -900, -800, 0, 800, 900, 950};
inline constexpr int kSharpIndexCount = 7;
inline constexpr int kDefaultSharpIndex = 3;  // amount 0: the picture as captured

inline constexpr bool IsSharpIndex(int index) {
    return index >= 0 && index < kSharpIndexCount;
}

// Mode 2 pictures are resized to 960 x 768 (camera rotation 0 or 2) or 768 x 960 (1 or 3);
// false for every other picture, which is shown as captured.
bool ShownCaptureSize(int mode, int camRotation, int& width, int& height);

// The resize smooths (area averaging) rather than dropping columns.
inline constexpr short kCaptureResizeFlags = 1;

// After a capture is loaded: the mode-2 resize, then the sharpen (also by 0). `Picture` is
// the imaging control or the bare picture engine; both offer Resize and Sharpen with the
// same meaning. Returns the first failing step's code, 0 when both went through.
template <class Picture>
std::int16_t FinishCapturedPicture(Picture& picture, int mode, int camRotation, int amount) {
    int width = 0, height = 0;
    if (ShownCaptureSize(mode, camRotation, width, height)) {
        if (const std::int16_t r = picture.Resize(width, height, kCaptureResizeFlags); r != 0) {
            return r;
        }
    }
    return picture.Sharpen(static_cast<short>(amount));
}

}  // namespace tavelo
