#pragma once

#include <cstddef>
#include <cstdint>

#include "device/MemoryBlock.h"

namespace tavelo {

// The camera sends packed 4:2:2 rows, top row first: per pixel pair U, Y0, V, Y1, with signed
// colour differences (no offset of 128). The view keeps them bottom-first as the raw capture
// and turns that into a 24-bit BMP file image for the picture engine.

inline constexpr std::size_t BITMAP_HEADER_SIZE = 54;

// Byte size of the bitmap file image of a width x height capture.
constexpr std::size_t BitmapFileSize(int width, int height) {
    return 3u * static_cast<std::size_t>(width) * static_cast<std::size_t>(height) +
           BITMAP_HEADER_SIZE;
}

// Told when a conversion cannot have the memory for its result: the application shows
// "Memory size is insufficient for allocation." for it, the tool prints it.
class MemoryShortage {
public:
    virtual void OutOfMemory() = 0;

protected:
    ~MemoryShortage() = default;
};

// Values below 0 give 0, above 255 give 255.
constexpr std::uint8_t ClampByte(int value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// A copy of the transferred rows with the row order reversed. A shortage told and a null
// block when the copy cannot be allocated; a null block without message when the source is smaller
// than width x height pairs of bytes.
MemoryBlock FlipRows(const MemoryBlock& source, int width, int height, MemoryShortage& shortage);

// The 24-bit bottom-up BMP file image of a raw capture. A null block without message when
// there is no raw capture (or it is smaller than its size says); a shortage told and a null
// block when the image cannot be allocated.
MemoryBlock BuildBitmap(const MemoryBlock& raw, int width, int height, MemoryShortage& shortage);

// The pixel conversion alone: `groups` groups of U, Y0, V, Y1 into 6 bytes each of blue,
// green, red for both pixels. Blue = Y + 2U, red = Y + 2V, green = Y + 0.5 - V - 0.375U
// truncated toward zero, each clamped. Chooses the widest instruction set the processor has.
void ConvertGroups(const std::uint8_t* raw, std::uint8_t* bgr, std::size_t groups);

// Each code path alone, so that tests prove every one of them equal to the formula and the
// benchmark can time them. The SSE2 and AVX2 forms may only be called when HaveSse2() or
// HaveAvx2() says the processor has them; elsewhere they fall back to the plain loop.
namespace raw_detail {
void ConvertGroupsScalar(const std::uint8_t* raw, std::uint8_t* bgr, std::size_t groups);
void ConvertGroupsSse2(const std::uint8_t* raw, std::uint8_t* bgr, std::size_t groups);
void ConvertGroupsAvx2(const std::uint8_t* raw, std::uint8_t* bgr, std::size_t groups);
bool HaveSse2();
bool HaveAvx2();
}  // namespace raw_detail

}  // namespace tavelo
