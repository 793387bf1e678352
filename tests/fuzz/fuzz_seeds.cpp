// Writes the seed pictures of the loader fuzzers into the folder given: BMPs of every
// depth, compression and row order the loader reads, small JPEGs in colour and grey,
// baseline and progressive, and the small hostile files. With --regressions only the
// hostile files, as kept in tests/fuzz/regressions.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <cstdio>

#include "picture/HostileSamples.h"

using namespace tavelo::samples;

namespace {

bool Write(const QDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
    const bool onlyHostile = argc == 3 && QByteArray(argv[1]) == "--regressions";
    if (argc != 2 && !onlyHostile) {
        std::fprintf(stderr, "usage: fuzz_seeds [--regressions] <folder>\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[argc - 1]));
    if (!dir.mkpath(".")) {
        return 1;
    }
    bool ok = true;
    for (const auto& [name, bytes] : SmallHostileFiles()) {
        ok &= Write(dir, name, bytes);
    }
    if (onlyHostile) {
        return ok ? 0 : 1;
    }
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
    // 16 bits: 5-5-5 plain and with masks, 5-6-5.
    auto word = [](int x, int y) { return std::uint32_t((x * 2117 + y * 997) & 0xFFFF); };
    const QByteArray plain16 = MakeBmp(7, 5, 16, false, word);
    ok &= Write(dir, "bmp16-555.bmp", plain16);
    ok &= Write(dir, "bmp16-555-masks.bmp", WithMasks(plain16, 0x7C00, 0x03E0, 0x001F));
    ok &= Write(dir, "bmp16-565-masks.bmp", WithMasks(plain16, 0xF800, 0x07E0, 0x001F));
    // Run-length: runs, ends of line, a delta, absolute runs with padding, end of bitmap.
    const QList<QRgb> palette16 = {qRgb(0, 0, 0),     qRgb(255, 0, 0), qRgb(0, 255, 0),
                                   qRgb(0, 0, 255),   qRgb(9, 9, 9),   qRgb(80, 80, 80),
                                   qRgb(200, 1, 100), qRgb(1, 2, 3)};
    ok &= Write(dir, "bmp-rle8.bmp",
                MakeRleBmp(7, 5, 8, QByteArray::fromHex("0301000305060700000000020201040300000001"),
                           palette16));
    ok &= Write(dir, "bmp-rle4.bmp",
                MakeRleBmp(7, 5, 4, QByteArray::fromHex("051200000005123450000002020103760001"),
                           palette16));
    QImage colour(16, 8, QImage::Format_RGB888);
    for (int y = 0; y < colour.height(); ++y) {
        for (int x = 0; x < colour.width(); ++x) {
            colour.setPixel(x, y, Gradient(x * 9, y * 13));
        }
    }
    const QImage grey = colour.convertToFormat(QImage::Format_Grayscale8);
    ok &= Write(dir, "colour.jpg", JpegOf(colour, false));
    ok &= Write(dir, "grey.jpg", JpegOf(grey, false));
    ok &= Write(dir, "colour-progressive.jpg", JpegOf(colour, true));
    ok &= Write(dir, "grey-progressive.jpg", JpegOf(grey, true));
    return ok ? 0 : 1;
}
