#pragma once

#include <cstddef>
#include <cstdint>

namespace tavelo {

// Bounds on the pictures the engine accepts from memory blocks and files. The camera
// makes at most 1280 x 1280; the bounds are generous for files from elsewhere and still
// keep a hostile header from asking for gigabytes.
inline constexpr int kMaxPictureSide = 32767;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 26;  // 64 M pixels
// Decoded bytes of one picture (three bytes a pixel at most, plus row padding).
inline constexpr std::int64_t kMaxDecodedBytes = std::int64_t{256} << 20;
// Largest file LoadFile reads at all.
inline constexpr std::int64_t kMaxFileBytes = std::int64_t{512} << 20;
// Scans of one JPEG picture, and the work of all of them together in passes over the whole
// picture (a scan of one channel of three is a third of one). A scan of a few bytes can
// cover the whole picture, so a small file could keep the decoder busy for minutes;
// encoders make about ten scans, six or seven passes, the most careful a few dozen scans.
inline constexpr int kMaxJpegScans = 100;
inline constexpr int kMaxJpegPasses = 16;
// Zoom factors in percent the viewer accepts; past these the scroll range would overflow.
inline constexpr double kMinZoomPercent = 0.01;
inline constexpr double kMaxZoomPercent = 1000000.0;

// True when a picture of this size may be decoded at all.
constexpr bool PictureSizeAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels && width * height * 3 <= kMaxDecodedBytes;
}

}  // namespace tavelo
