#include "image/RawConversion.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TAVELO_X86 1
#endif

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

namespace raw_detail {

// green = Y + 0.5 - V - 0.375 U, truncated toward zero. Times 8 every term is an integer:
// t = 8Y + 4 - 8V - 3U. For t >= 0 truncation is t >> 3; for t < 0 the truncated value is 0 or
// below, and so is t >> 3, and both clamp to 0. Hence green = ClampByte(t >> 3) exactly.
void ConvertGroupsScalar(const std::uint8_t* raw, std::uint8_t* bgr, std::size_t groups) {
    for (std::size_t i = 0; i < groups; ++i, raw += 4, bgr += 6) {
        const int u = static_cast<std::int8_t>(raw[0]);
        const int v = static_cast<std::int8_t>(raw[2]);
        const int green8 = 4 - 8 * v - 3 * u;
        for (int k = 0; k < 2; ++k) {
            const int y = raw[1 + 2 * k];
            bgr[3 * k + 0] = ClampByte(y + 2 * u);
            bgr[3 * k + 1] = ClampByte((8 * y + green8) >> 3);
            bgr[3 * k + 2] = ClampByte(y + 2 * v);
        }
    }
}

#ifdef TAVELO_X86

bool HaveSsse3() {
    return __builtin_cpu_supports("ssse3");
}

namespace {

// pshufb masks that interleave 16 blue, 16 green and 16 red bytes into 48 bytes of B, G, R.
struct InterleaveMasks {
    alignas(16) std::uint8_t m[3][3][16];  // [output vector][component][byte]
};

constexpr InterleaveMasks MakeMasks() {
    InterleaveMasks masks{};
    for (int out = 0; out < 3; ++out) {
        for (int comp = 0; comp < 3; ++comp) {
            for (int j = 0; j < 16; ++j) {
                const int pos = 16 * out + j;
                masks.m[out][comp][j] = static_cast<std::uint8_t>(pos % 3 == comp ? pos / 3 : 0x80);
            }
        }
    }
    return masks;
}

constexpr InterleaveMasks kMasks = MakeMasks();

// Eight pixels of one 16-byte load of four groups, as 16-bit blue, green and red.
__attribute__((target("ssse3"))) inline void Pixels8(__m128i x, __m128i& b, __m128i& g,
                                                     __m128i& r) {
    const __m128i y = _mm_srli_epi16(x, 8);                     // Y0 Y1 Y2 ... per pixel
    const __m128i c = _mm_srai_epi16(_mm_slli_epi16(x, 8), 8);  // U0 V0 U1 V1 ... signed
    const __m128i u = _mm_shufflehi_epi16(_mm_shufflelo_epi16(c, 0xA0), 0xA0);  // U0 U0 U1 U1
    const __m128i v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(c, 0xF5), 0xF5);  // V0 V0 V1 V1
    b = _mm_add_epi16(y, _mm_add_epi16(u, u));
    r = _mm_add_epi16(y, _mm_add_epi16(v, v));
    const __m128i u3 = _mm_add_epi16(u, _mm_add_epi16(u, u));
    __m128i t = _mm_sub_epi16(_mm_slli_epi16(y, 3), _mm_slli_epi16(v, 3));
    t = _mm_add_epi16(_mm_sub_epi16(t, u3), _mm_set1_epi16(4));
    g = _mm_srai_epi16(t, 3);
}

__attribute__((target("ssse3"))) inline __m128i Interleave(int out, __m128i b, __m128i g,
                                                           __m128i r) {
    const auto* m = kMasks.m[out];
    const __m128i mb = _mm_load_si128(reinterpret_cast<const __m128i*>(m[0]));
    const __m128i mg = _mm_load_si128(reinterpret_cast<const __m128i*>(m[1]));
    const __m128i mr = _mm_load_si128(reinterpret_cast<const __m128i*>(m[2]));
    return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, mb), _mm_shuffle_epi8(g, mg)),
                        _mm_shuffle_epi8(r, mr));
}

}  // namespace

__attribute__((target("ssse3"))) void ConvertGroupsSsse3(const std::uint8_t* raw, std::uint8_t* bgr,
                                                         std::size_t groups) {
    std::size_t i = 0;
    for (; i + 8 <= groups; i += 8, raw += 32, bgr += 48) {
        __m128i b0, g0, r0, b1, g1, r1;
        Pixels8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(raw)), b0, g0, r0);
        Pixels8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + 16)), b1, g1, r1);
        // Saturating packs clamp to 0..255 exactly as ClampByte does.
        const __m128i b = _mm_packus_epi16(b0, b1);
        const __m128i g = _mm_packus_epi16(g0, g1);
        const __m128i r = _mm_packus_epi16(r0, r1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bgr), Interleave(0, b, g, r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bgr + 16), Interleave(1, b, g, r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bgr + 32), Interleave(2, b, g, r));
    }
    ConvertGroupsScalar(raw, bgr, groups - i);
}

#else

bool HaveSsse3() {
    return false;
}

void ConvertGroupsSsse3(const std::uint8_t* raw, std::uint8_t* bgr, std::size_t groups) {
    ConvertGroupsScalar(raw, bgr, groups);
}

#endif

}  // namespace raw_detail

void ConvertGroups(const std::uint8_t* raw, std::uint8_t* bgr, std::size_t groups) {
    static const bool kSsse3 = raw_detail::HaveSsse3();
    if (kSsse3) {
        raw_detail::ConvertGroupsSsse3(raw, bgr, groups);
    } else {
        raw_detail::ConvertGroupsScalar(raw, bgr, groups);
    }
}

bool RawCaptureSize(int mode, int rotation, int& width, int& height) {
    if ((mode != 2 && mode != 3) || rotation < 0 || rotation > 3) {
        return false;
    }
    const bool upright = rotation % 2 == 0;
    if (mode == 2) {
        width = upright ? 1280 : 1024;
        height = upright ? 768 : 1024;
    } else {
        width = upright ? 1280 : 1024;
        height = upright ? 1024 : 1280;
    }
    return true;
}

MemoryBlock FlipRows(const MemoryBlock& source, int width, int height, ErrorReporter& errors) {
    if (!ValidSize(width, height) || source.IsNull() || source.Size() < RawSize(width, height)) {
        return {};
    }
    MemoryBlock flipped = MemoryBlock::Allocate(RawSize(width, height));
    if (flipped.IsNull()) {
        errors.ReportError(ERR_MEMORY);
        return {};
    }
    const std::size_t row = 2u * static_cast<std::size_t>(width);
    for (int i = 0; i < height; ++i) {
        std::memcpy(flipped.Data() + row * static_cast<std::size_t>(height - 1 - i),
                    source.Data() + row * static_cast<std::size_t>(i), row);
    }
    return flipped;
}

MemoryBlock BuildBitmap(const MemoryBlock& raw, int width, int height, ErrorReporter& errors) {
    if (!ValidSize(width, height) || raw.IsNull() || raw.Size() < RawSize(width, height)) {
        return {};
    }
    const std::size_t fileSize = BitmapFileSize(width, height);
    MemoryBlock bitmap = MemoryBlock::Allocate(fileSize);
    if (bitmap.IsNull()) {
        errors.ReportError(ERR_MEMORY);
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
