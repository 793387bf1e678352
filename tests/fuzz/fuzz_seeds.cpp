// Writes the seed pictures of the loader fuzzers into the folder given: BMPs of every
// depth and row order, small JPEGs in colour and grey.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <cstdio>

#include "support/PictureSamples.h"

using namespace tavelo::samples;

namespace {

bool Write(const QDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Jpeg(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(".")) {
        return 1;
    }
    bool ok = true;
    for (int bits : {1, 4, 8, 24, 32}) {
        QList<QRgb> palette;
        for (int i = 0; i < (bits <= 8 ? (1 << bits) : 0); ++i) {
            palette.push_back(qRgb(i, 255 - i, i * 3));
        }
        const int colors = static_cast<int>(palette.size());
        for (bool topDown : {false, true}) {
            const QByteArray bmp = MakeBmp(
                7, 5, bits, topDown,
                [&](int x, int y) {
                    return bits <= 8 ? std::uint32_t((x + y) % colors) : Gradient(x, y);
                },
                palette);
            ok &= Write(dir, QString("bmp%1%2.bmp").arg(bits).arg(topDown ? "td" : "bu"), bmp);
        }
    }
    QImage colour(16, 8, QImage::Format_RGB888);
    colour.fill(QColor(10, 200, 90));
    ok &= Write(dir, "colour.jpg", Jpeg(colour));
    ok &= Write(dir, "grey.jpg", Jpeg(colour.convertToFormat(QImage::Format_Grayscale8)));
    return ok ? 0 : 1;
}
