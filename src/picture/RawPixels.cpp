// The pixel loop of the raw capture conversion, in three forms that give identical bytes: a
// plain one for any processor, SSE2 (every x86-64 processor) and AVX2, chosen at run time so
// that one binary runs everywhere and still uses the widest registers the processor has.

#include <cstdint>

#include "picture/RawConversion.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__)
#include <immintrin.h>
#define TAVELO_RAW_X86 1
#endif

namespace tavelo::raw_detail {

// The formula in double precision is green = trunc(Y + (0.5 - (2V * 0.5 + 2U * 0.1875))).
// Every term is a multiple of 1/8 well inside the 53-bit mantissa, so each double operation is
// exact and green = trunc(t / 8) with the integer t = 8Y + 4 - 8V - 3U. For t >= 0 that is
// t >> 3; for t < 0 both trunc(t / 8) and t >> 3 are 0 or below and clamp to 0. Since 8(Y - V)
// is a multiple of 8, t >> 3 = Y - V + ((4 - 3U) >> 3), one term per group.
void ConvertGroupsScalar(const std::uint8_t* raw, std::uint8_t* bgr, std::size_t groups) {
    for (std::size_t i = 0; i < groups; ++i, raw += 4, bgr += 6) {
        const int u = static_cast<std::int8_t>(raw[0]);
        const int v = static_cast<std::int8_t>(raw[2]);
        const int green = ((4 - 3 * u) >> 3) - v;
        for (int k = 0; k < 2; ++k) {
            const int y = raw[1 + 2 * k];
            bgr[3 * k + 0] = ClampByte(y + 2 * u);
            bgr[3 * k + 1] = ClampByte(y + green);
            bgr[3 * k + 2] = ClampByte(y + 2 * v);
        }
    }
}

#ifdef TAVELO_RAW_X86

bool HaveSse2() {
    return true;
}

bool HaveAvx2() {
    // Also false when the operating system does not save the wide registers.
    return __builtin_cpu_supports("avx2");
}

namespace {

// --- SSE2: 8 groups (16 pixels) per step ------------------------------------------------------

// Eight pixels of four groups (one 16-byte load) as 16-bit blue, green and red.
inline void Pixels8(__m128i x, __m128i& b, __m128i& g, __m128i& r) {
    const __m128i y = _mm_srli_epi16(x, 8);                     // Y of each pixel
    const __m128i c = _mm_srai_epi16(_mm_slli_epi16(x, 8), 8);  // U0 V0 U1 V1 ..., signed
    const __m128i u = _mm_shufflehi_epi16(_mm_shufflelo_epi16(c, 0xA0), 0xA0);  // U0 U0 U1 U1
    const __m128i v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(c, 0xF5), 0xF5);  // V0 V0 V1 V1
    const __m128i u3 = _mm_add_epi16(u, _mm_add_epi16(u, u));
    const __m128i k = _mm_sub_epi16(_mm_srai_epi16(_mm_sub_epi16(_mm_set1_epi16(4), u3), 3), v);
    b = _mm_add_epi16(y, _mm_add_epi16(u, u));
    g = _mm_add_epi16(y, k);
    r = _mm_add_epi16(y, _mm_add_epi16(v, v));
}

// Four pixels of blue, green, red, 0 (one per 32-bit lane) squeezed into the low 12 bytes.
inline __m128i Pack12(__m128i p) {
    const __m128i lo = _mm_and_si128(p, _mm_set1_epi64x(0x0000000000FFFFFF));
    const __m128i hi = _mm_and_si128(_mm_srli_epi64(p, 8), _mm_set1_epi64x(0x0000FFFFFF000000));
    const __m128i c = _mm_or_si128(lo, hi);  // 6 bytes in each half
    return _mm_or_si128(_mm_move_epi64(c), _mm_slli_si128(_mm_srli_si128(c, 8), 6));
}

// 16 blue, 16 green and 16 red bytes stored as 48 bytes of blue, green, red per pixel.
inline void Store48(std::uint8_t* out, __m128i b, __m128i g, __m128i r) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bgLo = _mm_unpacklo_epi8(b, g), bgHi = _mm_unpackhi_epi8(b, g);
    const __m128i rLo = _mm_unpacklo_epi8(r, zero), rHi = _mm_unpackhi_epi8(r, zero);
    const __m128i p0 = Pack12(_mm_unpacklo_epi16(bgLo, rLo));
    const __m128i p1 = Pack12(_mm_unpackhi_epi16(bgLo, rLo));
    const __m128i p2 = Pack12(_mm_unpacklo_epi16(bgHi, rHi));
    const __m128i p3 = Pack12(_mm_unpackhi_epi16(bgHi, rHi));
    auto* o = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(o, _mm_or_si128(p0, _mm_slli_si128(p1, 12)));
    _mm_storeu_si128(o + 1, _mm_or_si128(_mm_srli_si128(p1, 4), _mm_slli_si128(p2, 8)));
    _mm_storeu_si128(o + 2, _mm_or_si128(_mm_srli_si128(p2, 8), _mm_slli_si128(p3, 4)));
}

// --- AVX2: 16 groups (32 pixels) per step -----------------------------------------------------

#define TAVELO_AVX2 __attribute__((target("avx2")))

TAVELO_AVX2 inline void Pixels16(__m256i x, __m256i& b, __m256i& g, __m256i& r) {
    const __m256i y = _mm256_srli_epi16(x, 8);
    const __m256i c = _mm256_srai_epi16(_mm256_slli_epi16(x, 8), 8);
    const __m256i u = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(c, 0xA0), 0xA0);
    const __m256i v = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(c, 0xF5), 0xF5);
    const __m256i u3 = _mm256_add_epi16(u, _mm256_add_epi16(u, u));
    const __m256i k =
        _mm256_sub_epi16(_mm256_srai_epi16(_mm256_sub_epi16(_mm256_set1_epi16(4), u3), 3), v);
    b = _mm256_add_epi16(y, _mm256_add_epi16(u, u));
    g = _mm256_add_epi16(y, k);
    r = _mm256_add_epi16(y, _mm256_add_epi16(v, v));
}

TAVELO_AVX2 inline __m256i Pack12x2(__m256i p) {
    const __m256i lo = _mm256_and_si256(p, _mm256_set1_epi64x(0x0000000000FFFFFF));
    const __m256i hi =
        _mm256_and_si256(_mm256_srli_epi64(p, 8), _mm256_set1_epi64x(0x0000FFFFFF000000));
    const __m256i c = _mm256_or_si256(lo, hi);
    const __m256i lowHalves = _mm256_and_si256(c, _mm256_set_epi64x(0, -1, 0, -1));
    return _mm256_or_si256(lowHalves, _mm256_slli_si256(_mm256_srli_si256(c, 8), 6));
}

}  // namespace

void ConvertGroupsSse2(const std::uint8_t* raw, std::uint8_t* bgr, std::size_t groups) {
    std::size_t i = 0;
    for (; i + 8 <= groups; i += 8, raw += 32, bgr += 48) {
        __m128i b0, g0, r0, b1, g1, r1;
        Pixels8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(raw)), b0, g0, r0);
        Pixels8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + 16)), b1, g1, r1);
        // Saturating packs clamp to 0..255 exactly as ClampByte does.
        Store48(bgr, _mm_packus_epi16(b0, b1), _mm_packus_epi16(g0, g1), _mm_packus_epi16(r0, r1));
    }
    ConvertGroupsScalar(raw, bgr, groups - i);
}

TAVELO_AVX2 void ConvertGroupsAvx2(const std::uint8_t* raw, std::uint8_t* bgr, std::size_t groups) {
    std::size_t i = 0;
    const __m256i zero = _mm256_setzero_si256();
    for (; i + 16 <= groups; i += 16, raw += 64, bgr += 96) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(raw));
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(raw + 32));
        // Pixels 0-7 and 16-23, then 8-15 and 24-31, so that the in-lane packs below give
        // pixels 0-15 in the low lane and 16-31 in the high lane.
        __m256i b0, g0, r0, b1, g1, r1;
        Pixels16(_mm256_permute2x128_si256(a, c, 0x20), b0, g0, r0);
        Pixels16(_mm256_permute2x128_si256(a, c, 0x31), b1, g1, r1);
        const __m256i b = _mm256_packus_epi16(b0, b1);
        const __m256i g = _mm256_packus_epi16(g0, g1);
        const __m256i r = _mm256_packus_epi16(r0, r1);

        const __m256i bgLo = _mm256_unpacklo_epi8(b, g), bgHi = _mm256_unpackhi_epi8(b, g);
        const __m256i rLo = _mm256_unpacklo_epi8(r, zero), rHi = _mm256_unpackhi_epi8(r, zero);
        const __m256i p0 = Pack12x2(_mm256_unpacklo_epi16(bgLo, rLo));
        const __m256i p1 = Pack12x2(_mm256_unpackhi_epi16(bgLo, rLo));
        const __m256i p2 = Pack12x2(_mm256_unpacklo_epi16(bgHi, rHi));
        const __m256i p3 = Pack12x2(_mm256_unpackhi_epi16(bgHi, rHi));
        // Each lane now holds 48 bytes of its 16 pixels in three parts.
        const __m256i o0 = _mm256_or_si256(p0, _mm256_slli_si256(p1, 12));
        const __m256i o1 = _mm256_or_si256(_mm256_srli_si256(p1, 4), _mm256_slli_si256(p2, 8));
        const __m256i o2 = _mm256_or_si256(_mm256_srli_si256(p2, 8), _mm256_slli_si256(p3, 4));
        auto* out = reinterpret_cast<__m256i*>(bgr);
        _mm256_storeu_si256(out, _mm256_permute2x128_si256(o0, o1, 0x20));
        _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(o2, o0, 0x30));
        _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(o1, o2, 0x31));
    }
    ConvertGroupsSse2(raw, bgr, groups - i);
}

#else  // not x86: the plain loop is the only one

bool HaveSse2() {
    return false;
}

bool HaveAvx2() {
    return false;
}

void ConvertGroupsSse2(const std::uint8_t* raw, std::uint8_t* bgr, std::size_t groups) {
    ConvertGroupsScalar(raw, bgr, groups);
}

void ConvertGroupsAvx2(const std::uint8_t* raw, std::uint8_t* bgr, std::size_t groups) {
    ConvertGroupsScalar(raw, bgr, groups);
}

#endif

}  // namespace tavelo::raw_detail

namespace tavelo {

void ConvertGroups(const std::uint8_t* raw, std::uint8_t* bgr, std::size_t groups) {
    using Convert = void (*)(const std::uint8_t*, std::uint8_t*, std::size_t);
    static const Convert convert = raw_detail::HaveAvx2()   ? raw_detail::ConvertGroupsAvx2
                                   : raw_detail::HaveSse2() ? raw_detail::ConvertGroupsSse2
                                                            : raw_detail::ConvertGroupsScalar;
    convert(raw, bgr, groups);
}

}  // namespace tavelo
