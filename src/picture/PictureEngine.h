#pragma once

#include <QImage>
#include <QMap>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace tavelo {

class MemoryBlock;

// The picture behind the imaging control, without any widget: loads, transforms and
// saves one picture. Pixels are kept as Format_RGB888 (what the JPEG writer takes row by
// row without conversion and what the sharpen filter runs over byte-wise) or, for
// pictures of 8 bits or less, Format_Indexed8 with their palette. Every method returns a
// PictureResult code, 0 for success; a failed operation leaves the picture as it was.
class PictureEngine {
public:
    static constexpr int kFormatBmp = 6;
    static constexpr int kFormatJpeg = 10;
    static constexpr int kFormatPng = 11;

    // A whole BMP file image in `block`; `size` bytes of it count (0: the whole block).
    // `bits` 0 keeps the stored depth, 24 converts; `page` is ignored (one page only).
    std::int16_t LoadMemory(const MemoryBlock& block, int bits, int page, std::size_t size);
    // The same from plain bytes (what LoadMemory and the fuzz targets use).
    std::int16_t LoadBmpBytes(const std::uint8_t* data, std::size_t size, int bits = 0);
    // A BMP or JPEG file, only a regular one; the header is checked against the bounds before
    // the rest is read, and the rest is read only as far as the picture goes.
    std::int16_t LoadFile(const QString& path, int bits, int page, int flags);
    // Format 6: BMP of `bits` a pixel (0: the picture's own); format 10: JPEG with the
    // Q factor `qFactor` as quality. Written through a temporary file renamed over `path`
    // (see WriteFileDurably); a `path` that is no regular file is refused.
    std::int16_t SaveFile(const QString& path, int format, int bits, int qFactor, int flags) const;
    // The file image SaveFile writes, whole in memory, for whoever writes it elsewhere:
    // format 6 or 10 with `bits` and `qFactor` as for SaveFile; format 11 (SaveFile too)
    // a PNG of the picture at its own depth, which takes neither.
    std::int16_t Encode(int format, int bits, int qFactor, QByteArray& out) const;
    // The JPEG file image SaveFile writes, into memory (one write to the file afterwards).
    std::int16_t EncodeJpeg(int qFactor, QByteArray& out) const;
    // Only 24 bits a pixel is a target; the other arguments are accepted and ignored.
    std::int16_t ConvertBits(int bits, int colorResolution, int dither, int palette);
    // Turns right by hundredths of a degree; quarter turns are exact. `fill` is 0x00BBGGRR.
    std::int16_t Rotate(int hundredths, bool resize, std::uint32_t fill);
    // Resamples to width x height: flags bit 0 smooth (area averaging), else nearest.
    std::int16_t Resize(int width, int height, int flags);
    // amount -1000..1000 (clamped): below 0 softer, above 0 sharper, 0 leaves the pixels.
    std::int16_t Sharpen(int amount);
    void Release();

    bool HasPicture() const { return !m_image.isNull(); }
    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    int Bits() const { return m_nBits; }
    const QImage& Image() const { return m_image; }
    // Replaces the picture (tests and the benchmark make pictures this way).
    std::int16_t SetImage(const QImage& image);

    // Indexed string properties. Item 3 is written into a JPEG as its comment.
    void SetTextItem(int index, const QString& text) { m_textItems[index] = text; }
    QString TextItem(int index) const { return m_textItems.value(index); }

private:
    std::int16_t PromoteTo24();

    QImage m_image;
    int m_nBits = 0;
    QMap<int, QString> m_textItems;
};

}  // namespace tavelo
