#include "picture/RawConversion.h"

#include <cstring>
#include <limits>

namespace tavelo {
namespace {

void PutLe16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutLe32(std::uint8_t* p, std::uint32_t v) {
    PutLe16(p, v);
    PutLe16(p + 2, v >> 16);
}

// 2 bytes per pixel, 2 pixels per group.
std::size_t RawSize(int width, int height) {
    return 2u * static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

bool ValidSize(int width, int height) {
    return width > 0 && height > 0 && width % 2 == 0;
}

}  // namespace

MemoryBlock FlipRows(const MemoryBlock& source, int width, int height, MemoryShortage& shortage) {
    if (!ValidSize(width, height) || source.IsNull() || source.Size() < RawSize(width, height)) {
        return {};
    }
    MemoryBlock flipped = MemoryBlock::Allocate(RawSize(width, height));
    if (flipped.IsNull()) {
        shortage.OutOfMemory();
        return {};
    }
    const std::size_t row = 2u * static_cast<std::size_t>(width);
    for (int i = 0; i < height; ++i) {
        std::memcpy(flipped.Data() + row * static_cast<std::size_t>(height - 1 - i),
                    source.Data() + row * static_cast<std::size_t>(i), row);
    }
    return flipped;
}

MemoryBlock BuildBitmap(const MemoryBlock& raw, int width, int height, MemoryShortage& shortage) {
    if (!ValidSize(width, height) || raw.IsNull() || raw.Size() < RawSize(width, height)) {
        return {};
    }
    const std::size_t fileSize = BitmapFileSize(width, height);
    // A file image whose size its 32-bit header fields cannot hold is memory we cannot use.
    const bool fits = fileSize <= std::numeric_limits<std::uint32_t>::max();
    MemoryBlock bitmap = fits ? MemoryBlock::Allocate(fileSize) : MemoryBlock();
    if (bitmap.IsNull()) {
        shortage.OutOfMemory();
        return {};
    }
    std::uint8_t* h = bitmap.Data();  // the block is zero-filled: only non-zero fields are set
    h[0] = 'B';
    h[1] = 'M';
    PutLe32(h + 2, static_cast<std::uint32_t>(fileSize));
    PutLe32(h + 10, BITMAP_HEADER_SIZE);
    PutLe32(h + 14, 40);
    PutLe32(h + 18, static_cast<std::uint32_t>(width));
    PutLe32(h + 22, static_cast<std::uint32_t>(height));
    PutLe16(h + 26, 1);
    PutLe16(h + 28, 24);
    PutLe32(h + 34, static_cast<std::uint32_t>(fileSize - BITMAP_HEADER_SIZE));
    ConvertGroups(raw.Data(), h + BITMAP_HEADER_SIZE, RawSize(width, height) / 4);
    return bitmap;
}

}  // namespace tavelo
