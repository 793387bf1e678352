#include "picture/PictureEngine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <algorithm>
#include <cerrno>
#include <vector>

#include "device/MemoryBlock.h"
#include "picture/BmpCodec.h"
#include "picture/DurableFile.h"
#include "picture/ImageLimits.h"
#include "picture/JpegCodec.h"
#include "picture/JpegQuality.h"
#include "picture/PictureFilters.h"
#include "picture/PictureResult.h"

namespace tavelo {

namespace {
constexpr int kFullTurn = 36000;
constexpr int kQuarterTurn = 9000;
constexpr int kJpegCommentItem = 3;
}  // namespace

std::int16_t PictureEngine::LoadMemory(const MemoryBlock& block, int bits, int /*page*/,
                                       std::size_t size) {
    if (block.IsNull()) {
        return PIC_BAD_ARGUMENT;
    }
    if (size == 0) {
        size = block.Size();
    }
    if (size > block.Size()) {
        return PIC_TRUNCATED;
    }
    return LoadBmpBytes(block.Data(), size, bits);
}

std::int16_t PictureEngine::LoadBmpBytes(const std::uint8_t* data, std::size_t size, int bits) {
    if (bits != 0 && bits != 24) {
        return PIC_BAD_ARGUMENT;
    }
    DecodedPicture picture;
    const std::int16_t result = DecodeBmp(data, size, picture);
    if (result != PIC_OK) {
        return result;
    }
    if (bits == 24 && picture.image.format() != QImage::Format_RGB888) {
        picture.image = picture.image.convertToFormat(QImage::Format_RGB888);
        if (picture.image.isNull()) {
            return PIC_NO_MEMORY;
        }
    }
    m_image = std::move(picture.image);
    m_nBits = bits == 24 ? 24 : picture.bits;
    return PIC_OK;
}

namespace {

class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString& path)
        // Non-blocking, so that opening a FIFO does not wait for a writer.
        : m_fd(open(QFile::encodeName(path).constData(),
                    O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)) {}
    ~ReadOnlyFile() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    int Fd() const { return m_fd; }

private:
    int m_fd;
};

// Reads `size` bytes from `offset`; fewer only at the end of the file or on an error.
std::size_t ReadAt(int fd, std::uint8_t* data, std::size_t size, off_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd, data + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

}  // namespace

std::int16_t PictureEngine::LoadFile(const QString& path, int bits, int /*page*/, int /*flags*/) {
    if (bits != 0 && bits != 24) {
        return PIC_BAD_ARGUMENT;
    }
    ReadOnlyFile file(path);
    struct stat st {};
    // Only a regular file has a size to check and an end: no device, FIFO or folder.
    if (file.Fd() < 0 || fstat(file.Fd(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return PIC_FILE_OPEN;
    }
    if (st.st_size > kMaxFileBytes) {
        return PIC_TOO_LARGE;
    }
    const auto fileSize = static_cast<std::size_t>(st.st_size);
    std::vector<std::uint8_t> head(std::min(BmpHeadBytes(), fileSize));
    head.resize(ReadAt(file.Fd(), head.data(), head.size(), 0));
    if (head.size() >= 2 && head[0] == 'B' && head[1] == 'M') {
        // The headers first: the rest is read only as far as the picture they describe.
        std::size_t used = 0;
        if (const std::int16_t r = MeasureBmp(head.data(), head.size(), fileSize, used);
            r != PIC_OK) {
            return r;
        }
        std::vector<std::uint8_t> bytes(used);
        if (ReadAt(file.Fd(), bytes.data(), used, 0) != used) {
            return PIC_TRUNCATED;
        }
        return LoadBmpBytes(bytes.data(), used, bits);
    }
    if (head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
        DecodedPicture picture;
        const std::int16_t result = DecodeJpegFile(file.Fd(), bits == 24, picture);
        if (result == PIC_OK) {
            m_image = std::move(picture.image);
            m_nBits = picture.bits;
        }
        return result;
    }
    return head.size() < 3 ? PIC_TRUNCATED : PIC_UNSUPPORTED;
}

std::int16_t PictureEngine::SaveFile(const QString& path, int format, int bits, int qFactor,
                                     int /*flags*/) const {
    // Encoded whole in memory first: a picture that cannot be encoded never touches the disk.
    QByteArray bytes;
    if (const std::int16_t result = Encode(format, bits, qFactor, bytes); result != PIC_OK) {
        return result;
    }
    // Synced to disk before and after the rename, so a page reported saved is still there
    // after a power cut. That wait is for the disk, not for the processor: well under a
    // millisecond on an idle disk, a few when it is busy.
    return WriteFileDurably(path, bytes);
}

std::int16_t PictureEngine::Encode(int format, int bits, int qFactor, QByteArray& out) const {
    if (!HasPicture()) {
        return PIC_NO_PICTURE;
    }
    if (format == kFormatPng) {
        out.clear();
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        return QImageWriter(&buffer, "png").write(m_image) ? PIC_OK : PIC_FILE_WRITE;
    }
    if (format != kFormatBmp && format != kFormatJpeg) {
        return PIC_UNSUPPORTED;
    }
    return format == kFormatBmp ? EncodeBmp(m_image, bits == 0 ? m_nBits : bits, out)
                                : EncodeJpeg(qFactor, out);
}

std::int16_t PictureEngine::EncodeJpeg(int qFactor, QByteArray& out) const {
    if (!HasPicture()) {
        return PIC_NO_PICTURE;
    }
    // Encoding into memory first spares the file the encoder's many small writes.
    out.clear();
    out.reserve(static_cast<qsizetype>(m_image.sizeInBytes() / 4));
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(JpegQualityFromQFactor(qFactor));
    const QString comment = TextItem(kJpegCommentItem);
    bool written = false;
    if (comment.isEmpty()) {
        written = writer.write(m_image);
    } else {
        QImage withText = m_image;  // the text makes a copy; only pay for it when asked
        withText.setText(QStringLiteral("Description"), comment);
        written = writer.write(withText);
    }
    return written ? PIC_OK : PIC_FILE_WRITE;
}

std::int16_t PictureEngine::ConvertBits(int bits, int, int, int) {
    if (!HasPicture()) {
        return PIC_NO_PICTURE;
    }
    if (bits != 24) {
        return PIC_UNSUPPORTED;
    }
    return PromoteTo24();
}

std::int16_t PictureEngine::PromoteTo24() {
    if (m_image.format() != QImage::Format_RGB888) {
        QImage converted = m_image.convertToFormat(QImage::Format_RGB888);
        if (converted.isNull()) {
            return PIC_NO_MEMORY;
        }
        m_image = std::move(converted);
    }
    m_nBits = 24;
    return PIC_OK;
}

std::int16_t PictureEngine::Rotate(int hundredths, bool resize, std::uint32_t fill) {
    if (!HasPicture()) {
        return PIC_NO_PICTURE;
    }
    const int angle = ((hundredths % kFullTurn) + kFullTurn) % kFullTurn;
    if (angle == 0) {
        return PIC_OK;
    }
    QImage turned;
    if (angle % kQuarterTurn == 0 &&
        (resize || angle == 2 * kQuarterTurn || m_image.width() == m_image.height())) {
        turned = RotateQuarterTurns(m_image, angle / kQuarterTurn);
    } else {
        if (const std::int16_t r = PromoteTo24(); r != PIC_OK) {
            return r;
        }
        const QRgb rgb = qRgb(static_cast<int>(fill & 0xFF), static_cast<int>((fill >> 8) & 0xFF),
                              static_cast<int>((fill >> 16) & 0xFF));
        if (resize) {
            // The bounding box of a picture within bounds can pass them: refuse it first.
            const double a = angle / 100.0 * 3.14159265358979323846 / 180.0;
            const double w = m_image.width();
            const double h = m_image.height();
            const double bw = std::abs(w * std::cos(a)) + std::abs(h * std::sin(a));
            const double bh = std::abs(w * std::sin(a)) + std::abs(h * std::cos(a));
            if (!PictureSizeAllowed(static_cast<std::int64_t>(bw) + 1,
                                    static_cast<std::int64_t>(bh) + 1)) {
                return PIC_TOO_LARGE;
            }
        }
        turned = RotateAnyAngle(m_image, angle, resize, rgb);
    }
    if (turned.isNull()) {
        return PIC_NO_MEMORY;
    }
    m_image = std::move(turned);
    return PIC_OK;
}

std::int16_t PictureEngine::Resize(int width, int height, int flags) {
    if (!HasPicture()) {
        return PIC_NO_PICTURE;
    }
    if (!PictureSizeAllowed(width, height)) {
        return PIC_BAD_ARGUMENT;
    }
    if (width == m_image.width() && height == m_image.height()) {
        return PIC_OK;
    }
    const bool smooth = (flags & 1) != 0;
    QImage source = m_image;
    if (smooth && source.format() != QImage::Format_RGB888) {
        source = source.convertToFormat(QImage::Format_RGB888);
    }
    QImage scaled = source.scaled(width, height, Qt::IgnoreAspectRatio,
                                  smooth ? Qt::SmoothTransformation : Qt::FastTransformation);
    if (!scaled.isNull() && scaled.format() != QImage::Format_RGB888 &&
        scaled.format() != QImage::Format_Indexed8) {
        scaled.convertTo(QImage::Format_RGB888);
    }
    if (scaled.isNull() || scaled.width() != width || scaled.height() != height) {
        return PIC_NO_MEMORY;
    }
    if (scaled.format() == QImage::Format_RGB888 && m_nBits < 24) {
        m_nBits = 24;
    }
    m_image = std::move(scaled);
    return PIC_OK;
}

std::int16_t PictureEngine::Sharpen(int amount) {
    if (!HasPicture()) {
        return PIC_NO_PICTURE;
    }
    amount = std::clamp(amount, -1000, 1000);
    if (amount == 0) {
        return PIC_OK;
    }
    // Filtering blends colours, which a palette cannot hold.
    if (const std::int16_t r = PromoteTo24(); r != PIC_OK) {
        return r;
    }
    SharpenPicture(m_image, amount);
    return m_image.isNull() ? PIC_NO_MEMORY : PIC_OK;
}

void PictureEngine::Release() {
    m_image = QImage();
    m_nBits = 0;
}

std::int16_t PictureEngine::SetImage(const QImage& image) {
    if (image.isNull() || !PictureSizeAllowed(image.width(), image.height())) {
        return PIC_BAD_ARGUMENT;
    }
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_RGB888) {
        m_image = image;
        m_nBits = image.format() == QImage::Format_Indexed8 ? 8 : 24;
        return PIC_OK;
    }
    QImage converted = image.convertToFormat(QImage::Format_RGB888);
    if (converted.isNull()) {
        return PIC_NO_MEMORY;
    }
    m_image = std::move(converted);
    m_nBits = 24;
    return PIC_OK;
}

}  // namespace tavelo
