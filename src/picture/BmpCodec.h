#pragma once

#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>

namespace tavelo {

// A decoded picture: Format_RGB888 for 24 and 32 bits a pixel, Format_Indexed8 (with the
// file's palette) for 1, 4 and 8. `bits` is the depth the picture was stored with.
struct DecodedPicture {
    QImage image;
    int bits = 0;
};

// Reads a whole BMP file image: uncompressed 1, 4, 8, 16, 24 and 32 bits, run-length 8 and
// 4 bits, 16 bits in 5-5-5 or through any channel masks of up to 8 bits each, 32 bits with
// plain 8-bit channel masks; rows bottom-up or top-down, core, info and V4/V5 headers. A
// 16-bit picture becomes 24 bits. Everything is checked against `size` and the picture
// bounds before a pixel is allocated; a palette index past the palette reads as entry 0.
// Returns a PictureResult code.
std::int16_t DecodeBmp(const std::uint8_t* data, std::size_t size, DecodedPicture& out);

// How many bytes of a BMP file DecodeBmp reads (`used`), from the file's first BmpHeadBytes()
// bytes (or all of a shorter one) and its size: the headers are checked against the size
// and the bounds first, so that a file is only read as far as its picture goes. Returns the
// PictureResult code DecodeBmp would give for anything wrong in the headers.
std::int16_t MeasureBmp(const std::uint8_t* head, std::size_t headSize, std::size_t fileSize,
                        std::size_t& used);
std::size_t BmpHeadBytes();

// Writes `image` (RGB888 or Indexed8) as a BMP file image of `bits` a pixel (1, 4, 8, 24
// or 32). An indexed picture with more colours than the depth holds, or an RGB picture
// written at 8 bits or less, is first reduced to that depth. Returns a PictureResult code.
std::int16_t EncodeBmp(const QImage& image, int bits, QByteArray& out);

// The swap of blue and red in a 24-bit row, in both forms DecodeBmp chooses between, so that
// tests can prove them equal. The AVX2 form may only be called when raw_detail::HaveAvx2()
// says the processor has it (elsewhere it is the plain loop).
namespace bmp_detail {
void BgrToRgbPlain(const std::uint8_t* src, std::uint8_t* dst, int width);
void BgrToRgbAvx2(const std::uint8_t* src, std::uint8_t* dst, int width);
}  // namespace bmp_detail

}  // namespace tavelo
