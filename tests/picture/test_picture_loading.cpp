#include <QTemporaryDir>
#include <QtTest>
#include <array>
#include <cstring>

#include "device/MemoryBlock.h"
#include "picture/BmpCodec.h"
#include "picture/ImageLimits.h"
#include "picture/PictureEngine.h"
#include "picture/PictureResult.h"
#include "picture/RawConversion.h"
#include "support/PictureSamples.h"

using namespace tavelo;
using namespace tavelo::samples;

namespace {

MemoryBlock ToBlock(const QByteArray& bytes) {
    MemoryBlock block = MemoryBlock::Allocate(static_cast<std::size_t>(bytes.size()));
    std::memcpy(block.Data(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return block;
}

QRgb PixelOf(const PictureEngine& engine, int x, int y) {
    return engine.Image().pixel(x, y);
}

QList<QRgb> Palette(int n) {
    QList<QRgb> palette;
    for (int i = 0; i < n; ++i) {
        palette.push_back(qRgb(i * 3 & 0xFF, 255 - (i & 0xFF), i * 7 & 0xFF));
    }
    return palette;
}

}  // namespace

class TestPictureLoading : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decodesEveryDepth_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("topDown");
        QTest::addColumn<int>("width");
        for (int bits : {1, 4, 8, 24, 32}) {
            for (bool topDown : {false, true}) {
                // Odd widths make every row padded for every depth.
                QTest::addRow("%d bits %s", bits, topDown ? "top-down" : "bottom-up")
                    << bits << topDown << 13;
            }
        }
        QTest::newRow("24 bits one pixel") << 24 << false << 1;
        // Wide enough for the whole-register form of the channel swap, with a tail after it.
        QTest::newRow("24 bits wide rows") << 24 << false << 101;
    }
    void decodesEveryDepth() {
        QFETCH(int, bits);
        QFETCH(bool, topDown);
        QFETCH(int, width);
        const int height = 5;
        const int colors = bits <= 8 ? (1 << bits) : 0;
        const QList<QRgb> palette = Palette(colors);
        auto pixel = [&](int x, int y) -> std::uint32_t {
            return bits <= 8 ? static_cast<std::uint32_t>((x + 3 * y) % colors) : Gradient(x, y);
        };
        PictureEngine engine;
        const QByteArray bmp = MakeBmp(width, height, bits, topDown, pixel, palette);
        QCOMPARE(engine.LoadMemory(ToBlock(bmp), 0, 0, static_cast<std::size_t>(bmp.size())),
                 PIC_OK);
        QCOMPARE(engine.Width(), width);
        QCOMPARE(engine.Height(), height);
        QCOMPARE(engine.Bits(), bits);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QRgb expected = bits <= 8 ? palette[pixel(x, y)] : pixel(x, y);
                QCOMPARE(PixelOf(engine, x, y), expected | 0xFF000000u);
            }
        }
    }

    // Both forms of the blue-red swap give the same bytes, over short rows, rows that fill
    // whole registers, tails after them and rows that start at odd addresses.
    void channelSwapFormsAgree_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("offset");
        for (int width : {1, 2, 10, 11, 31, 32, 33, 64, 101, 1280}) {
            for (int offset : {0, 1}) {
                QTest::addRow("%d pixels at offset %d", width, offset) << width << offset;
            }
        }
    }
    void channelSwapFormsAgree() {
        QFETCH(int, width);
        QFETCH(int, offset);
        if (!raw_detail::HaveAvx2()) {
            QSKIP("this processor has no AVX2: the plain form is the only one");
        }
        const std::size_t bytes = 3u * static_cast<std::size_t>(width);
        std::vector<std::uint8_t> src(bytes + offset);
        for (std::size_t i = 0; i < src.size(); ++i) {
            src[i] = static_cast<std::uint8_t>(i * 37 + 11);
        }
        // One byte past the row on each side shows a write outside it.
        std::vector<std::uint8_t> plain(bytes + 2 + offset, 0xA5);
        std::vector<std::uint8_t> wide(bytes + 2 + offset, 0xA5);
        bmp_detail::BgrToRgbPlain(src.data() + offset, plain.data() + 1 + offset, width);
        bmp_detail::BgrToRgbAvx2(src.data() + offset, wide.data() + 1 + offset, width);
        QCOMPARE(wide, plain);
        const std::uint8_t* out = plain.data() + 1 + offset;
        const std::uint8_t* in = src.data() + offset;
        for (int x = 0; x < width; ++x) {
            QCOMPARE(out[3 * x + 0], in[3 * x + 2]);
            QCOMPARE(out[3 * x + 1], in[3 * x + 1]);
            QCOMPARE(out[3 * x + 2], in[3 * x + 0]);
        }
        QCOMPARE(plain[offset], std::uint8_t(0xA5));
        QCOMPARE(plain.back(), std::uint8_t(0xA5));
    }

    // 16-bit pixels in 5-5-5 without masks and in 5-5-5 or 5-6-5 with them: each channel
    // widened to 8 bits by repeating its top bits, kept as 24 bits.
    void decodesSixteenBits_data() {
        QTest::addColumn<int>("greenBits");
        QTest::addColumn<bool>("masks");
        QTest::addColumn<bool>("topDown");
        QTest::newRow("5-5-5 plain") << 5 << false << false;
        QTest::newRow("5-5-5 plain, top-down") << 5 << false << true;
        QTest::newRow("5-5-5 bit fields") << 5 << true << false;
        QTest::newRow("5-6-5 bit fields") << 6 << true << false;
    }
    void decodesSixteenBits() {
        QFETCH(int, greenBits);
        QFETCH(bool, masks);
        QFETCH(bool, topDown);
        const int width = 7;  // 14 bytes a row, padded to 16
        const int height = 3;
        const int greenMax = (1 << greenBits) - 1;
        auto channels = [&](int x, int y) {
            return std::array<int, 3>{(x * 5 + y) & 31, (x * 9 + y * 13) & greenMax, (y * 11) & 31};
        };
        auto word = [&](int x, int y) {
            const auto c = channels(x, y);
            return static_cast<std::uint32_t>(c[0] << (5 + greenBits) | c[1] << 5 | c[2]);
        };
        QByteArray bmp = MakeBmp(width, height, 16, topDown, word);
        if (masks) {
            bmp = WithMasks(bmp, 31u << (5 + greenBits), std::uint32_t(greenMax) << 5, 31);
        }
        PictureEngine engine;
        QCOMPARE(engine.LoadBmpBytes(reinterpret_cast<const std::uint8_t*>(bmp.constData()),
                                     static_cast<std::size_t>(bmp.size())),
                 PIC_OK);
        QCOMPARE(engine.Bits(), 24);
        auto widen = [](int v, int bits) { return (v << (8 - bits)) | (v >> (2 * bits - 8)); };
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const auto c = channels(x, y);
                QCOMPARE(PixelOf(engine, x, y),
                         qRgb(widen(c[0], 5), widen(c[1], greenBits), widen(c[2], 5)));
            }
        }
    }

    // Run-length pictures: every kind of run, and runs that point outside the picture, which
    // are cut at its edges. `pixels` are palette indexes, top row first; pixels no run sets
    // are index 0.
    void decodesRunLength_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("pixels");
        QTest::addColumn<int>("code");
        auto b = [](std::initializer_list<int> v) {
            QByteArray a;
            for (int x : v) {
                a.append(static_cast<char>(x));
            }
            return a;
        };
        QTest::newRow("8: runs and ends of line")
            << 8 << QSize(4, 2) << b({4, 1, 0, 0, 2, 2, 2, 3, 0, 1}) << b({2, 2, 3, 3, 1, 1, 1, 1})
            << int(PIC_OK);
        QTest::newRow("8: absolute run with its padding")
            << 8 << QSize(4, 1) << b({0, 3, 5, 6, 7, 0, 1, 9, 0, 1}) << b({5, 6, 7, 9})
            << int(PIC_OK);
        QTest::newRow("8: delta") << 8 << QSize(4, 2) << b({1, 4, 0, 2, 2, 1, 1, 5, 0, 1})
                                  << b({0, 0, 0, 5, 4, 0, 0, 0}) << int(PIC_OK);
        QTest::newRow("8: early end of line") << 8 << QSize(4, 2) << b({1, 4, 0, 0, 2, 6, 0, 1})
                                              << b({6, 6, 0, 0, 4, 0, 0, 0}) << int(PIC_OK);
        QTest::newRow("8: run past the row end") << 8 << QSize(4, 2) << b({9, 7, 1, 2, 0, 1})
                                                 << b({0, 0, 0, 0, 7, 7, 7, 7}) << int(PIC_OK);
        QTest::newRow("8: absolute run past the row end")
            << 8 << QSize(3, 1) << b({1, 4, 0, 5, 1, 2, 3, 4, 5, 0, 0, 1}) << b({4, 1, 2})
            << int(PIC_OK);
        QTest::newRow("8: delta past the picture")
            << 8 << QSize(2, 2) << b({1, 3, 0, 2, 255, 255, 1, 9, 0, 0, 1, 9, 0, 1})
            << b({0, 0, 3, 0}) << int(PIC_OK);
        QTest::newRow("8: rows past the top")
            << 8 << QSize(2, 1) << b({2, 1, 0, 0, 2, 2, 0, 0, 2, 3, 0, 1}) << b({1, 1})
            << int(PIC_OK);
        QTest::newRow("8: index past the palette")
            << 8 << QSize(2, 1) << b({2, 200, 0, 1}) << b({0, 0}) << int(PIC_OK);
        QTest::newRow("8: no end of bitmap after the last row")
            << 8 << QSize(2, 1) << b({2, 5, 0, 0}) << b({5, 5}) << int(PIC_OK);
        QTest::newRow("8: data ends first")
            << 8 << QSize(2, 2) << b({2, 5, 0, 0, 1, 1}) << QByteArray() << int(PIC_TRUNCATED);
        QTest::newRow("8: absolute run cut short")
            << 8 << QSize(8, 1) << b({0, 5, 1, 2}) << QByteArray() << int(PIC_TRUNCATED);
        QTest::newRow("4: alternating run")
            << 4 << QSize(5, 1) << b({5, 0x12, 0, 1}) << b({1, 2, 1, 2, 1}) << int(PIC_OK);
        QTest::newRow("4: absolute run with its padding")
            << 4 << QSize(6, 1) << b({0, 5, 0x12, 0x34, 0x50, 0, 1, 0x99, 0, 1})
            << b({1, 2, 3, 4, 5, 9}) << int(PIC_OK);
        QTest::newRow("4: runs past the row end")
            << 4 << QSize(3, 1) << b({255, 0x78, 0, 1}) << b({7, 8, 7}) << int(PIC_OK);
    }
    void decodesRunLength() {
        QFETCH(int, bits);
        QFETCH(QSize, size);
        QFETCH(QByteArray, stream);
        QFETCH(QByteArray, pixels);
        QFETCH(int, code);
        const QList<QRgb> palette = Palette(16);
        const QByteArray bmp = MakeRleBmp(size.width(), size.height(), bits, stream, palette);
        PictureEngine engine;
        QCOMPARE(int(engine.LoadBmpBytes(reinterpret_cast<const std::uint8_t*>(bmp.constData()),
                                         static_cast<std::size_t>(bmp.size()))),
                 code);
        if (code != PIC_OK) {
            return;
        }
        QCOMPARE(engine.Bits(), bits);
        QCOMPARE(QSize(engine.Width(), engine.Height()), size);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                QCOMPARE(PixelOf(engine, x, y), palette[pixels[y * size.width() + x]]);
            }
        }
    }

    void loadMemoryToTwentyFourBits() {
        const QByteArray bmp = MakeBmp(
            4, 2, 8, false, [](int x, int) { return std::uint32_t(x); }, Palette(4));
        PictureEngine engine;
        QCOMPARE(engine.LoadMemory(ToBlock(bmp), 24, 0, 0), PIC_OK);
        QCOMPARE(engine.Bits(), 24);
        QCOMPARE(engine.Image().format(), QImage::Format_RGB888);
        QCOMPARE(PixelOf(engine, 2, 1), Palette(4)[2] | 0xFF000000u);
    }

    void paletteIndexPastPaletteReadsEntryZero() {
        // Two palette entries, yet the pixels use index 200.
        const QList<QRgb> palette = {qRgb(1, 2, 3), qRgb(9, 9, 9)};
        const QByteArray bmp = MakeBmp(
            3, 1, 8, false, [](int, int) { return 200u; }, palette);
        PictureEngine engine;
        QCOMPARE(engine.LoadBmpBytes(reinterpret_cast<const std::uint8_t*>(bmp.constData()),
                                     static_cast<std::size_t>(bmp.size())),
                 PIC_OK);
        QCOMPARE(PixelOf(engine, 1, 0), qRgb(1, 2, 3));
    }

    void refusesBadPictures_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("code");
        const QByteArray good = MakeBmp(8, 4, 24, false, Gradient);
        auto with32 = [&](int at, std::uint32_t v) {
            QByteArray b = good;
            Put32(b, at, v);
            return b;
        };
        auto with16 = [&](int at, std::uint32_t v) {
            QByteArray b = good;
            Put16(b, at, v);
            return b;
        };
        QTest::newRow("empty") << QByteArray() << int(PIC_TRUNCATED);
        QTest::newRow("truncated header") << good.left(30) << int(PIC_TRUNCATED);
        QTest::newRow("truncated pixels") << good.left(good.size() - 1) << int(PIC_TRUNCATED);
        QTest::newRow("not BM") << QByteArray("XY").append(good.mid(2)) << int(PIC_MALFORMED);
        QTest::newRow("offset past the end") << with32(10, 0x7FFFFFF0u) << int(PIC_TRUNCATED);
        QTest::newRow("offset inside header") << with32(10, 20) << int(PIC_MALFORMED);
        QTest::newRow("header size 0") << with32(14, 0) << int(PIC_MALFORMED);
        QTest::newRow("header size past end") << with32(14, 100000) << int(PIC_TRUNCATED);
        QTest::newRow("zero width") << with32(18, 0) << int(PIC_MALFORMED);
        QTest::newRow("negative width") << with32(18, std::uint32_t(-8)) << int(PIC_MALFORMED);
        QTest::newRow("zero height") << with32(22, 0) << int(PIC_MALFORMED);
        QTest::newRow("most negative height") << with32(22, 0x80000000u) << int(PIC_TOO_LARGE);
        QTest::newRow("giant width") << with32(18, 0x7FFFFFFFu) << int(PIC_TOO_LARGE);
        // Wide but within the bounds: its pixels are simply missing.
        QTest::newRow("wide, pixels missing") << with32(18, 30000) << int(PIC_TRUNCATED);
        QTest::newRow("giant both") << [&] {
            QByteArray b = with32(18, 20000);
            Put32(b, 22, 20000);
            return b;
        }() << int(PIC_TOO_LARGE);
        QTest::newRow("16 bits, masks of no channel") << [&] {
            QByteArray b = WithMasks(good, 0x0F0F, 0xF0F0, 0);
            Put16(b, 28, 16);
            return b;
        }() << int(PIC_UNSUPPORTED);
        QTest::newRow("0 bits") << with16(28, 0) << int(PIC_UNSUPPORTED);
        QTest::newRow("two planes") << with16(26, 2) << int(PIC_UNSUPPORTED);
        QTest::newRow("run-length at 24 bits") << with32(30, 1) << int(PIC_UNSUPPORTED);
        QTest::newRow("run-length top-down") << [&] {
            QByteArray b = MakeRleBmp(2, 2, 8, QByteArray("\0\1", 2), Palette(4));
            Put32(b, 22, std::uint32_t(-2));
            return b;
        }() << int(PIC_MALFORMED);
        QTest::newRow("bitfields at 24 bits") << with32(30, 3) << int(PIC_UNSUPPORTED);
        QTest::newRow("too many colours") << [&] {
            QByteArray b = MakeBmp(
                4, 4, 4, false, [](int, int) { return 1u; }, Palette(16));
            Put32(b, 46, 17);
            return b;
        }() << int(PIC_MALFORMED);
        QTest::newRow("palette past end") << [&] {
            QByteArray b = MakeBmp(
                4, 4, 8, false, [](int, int) { return 1u; }, Palette(2));
            Put32(b, 46, 0);  // then 256 entries are expected
            return b.left(54 + 64);
        }() << int(PIC_TRUNCATED);
    }
    void refusesBadPictures() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, code);
        PictureEngine engine;
        const QByteArray keep = MakeBmp(2, 2, 24, false, Gradient);
        QCOMPARE(engine.LoadBmpBytes(reinterpret_cast<const std::uint8_t*>(keep.constData()),
                                     static_cast<std::size_t>(keep.size())),
                 PIC_OK);
        const std::int16_t result =
            engine.LoadBmpBytes(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                static_cast<std::size_t>(bytes.size()));
        QCOMPARE(int(result), code);
        // A refused load leaves the shown picture alone.
        QCOMPARE(engine.Width(), 2);
        QCOMPARE(PixelOf(engine, 1, 1), Gradient(1, 1) | 0xFF000000u);
    }

    void loadMemorySizeBeyondBlock() {
        const QByteArray bmp = MakeBmp(4, 4, 24, false, Gradient);
        MemoryBlock block = ToBlock(bmp);
        PictureEngine engine;
        QCOMPARE(int(engine.LoadMemory(block, 0, 0, block.Size() + 1)), int(PIC_TRUNCATED));
        QCOMPARE(int(engine.LoadMemory(block, 0, 0, block.Size() - 4)), int(PIC_TRUNCATED));
        QCOMPARE(int(engine.LoadMemory(MemoryBlock(), 0, 0, 10)), int(PIC_BAD_ARGUMENT));
        QCOMPARE(int(engine.LoadMemory(block, 12, 0, 0)), int(PIC_BAD_ARGUMENT));
        QVERIFY(!engine.HasPicture());
    }

    void loadFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("width");
        QImage jpeg(24, 16, QImage::Format_RGB888);
        jpeg.fill(QColor(200, 100, 50));
        QByteArray jpegBytes;
        {
            QBuffer buffer(&jpegBytes);
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(jpeg.save(&buffer, "JPEG", 95));
        }
        QTest::newRow("bmp") << MakeBmp(5, 3, 24, false, Gradient) << int(PIC_OK) << 5;
        QTest::newRow("jpeg") << jpegBytes << int(PIC_OK) << 24;
        QTest::newRow("empty file") << QByteArray() << int(PIC_TRUNCATED) << 0;
        QTest::newRow("text file") << QByteArray("hello, world") << int(PIC_UNSUPPORTED) << 0;
        QTest::newRow("garbage jpeg")
            << QByteArray("\xFF\xD8\xFF\xE0garbage garbage garbage", 27) << int(PIC_MALFORMED) << 0;
        QByteArray detailed;
        {
            QImage image(64, 64, QImage::Format_RGB888);
            for (int y = 0; y < 64; ++y) {
                for (int x = 0; x < 64; ++x) {
                    image.setPixel(x, y, Gradient(x, y));
                }
            }
            QBuffer buffer(&detailed);
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(image.save(&buffer, "JPEG", 95));
        }
        // Cut inside its pixel data: the decoder would make up the missing rows.
        QTest::newRow("jpeg missing its last rows")
            << detailed.left(detailed.size() * 3 / 4) << int(PIC_TRUNCATED) << 0;
        QTest::newRow("jpeg with giant size") << [&] {
            // The frame header's height and width patched to 60000 x 60000.
            QByteArray b = jpegBytes;
            const int sof = b.indexOf(QByteArray("\xFF\xC0", 2));
            b[sof + 5] = char(0xEA);
            b[sof + 6] = char(0x60);
            b[sof + 7] = char(0xEA);
            b[sof + 8] = char(0x60);
            return b;
        }() << int(PIC_TOO_LARGE) << 0;
        QTest::newRow("bmp truncated")
            << MakeBmp(5, 3, 24, false, Gradient).left(60) << int(PIC_TRUNCATED) << 0;
    }
    void loadFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, code);
        QFETCH(int, width);
        QTemporaryDir dir;
        const QString path = dir.filePath("picture");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        PictureEngine engine;
        QCOMPARE(int(engine.LoadFile(path, 0, 0, 1)), code);
        QCOMPARE(engine.Width(), width);
        if (code == PIC_OK) {
            QCOMPARE(engine.Bits(), 24);
        }
    }

    void loadMissingFile() {
        PictureEngine engine;
        QCOMPARE(int(engine.LoadFile("/nonexistent/picture.bmp", 0, 0, 1)), int(PIC_FILE_OPEN));
    }
};

QTEST_GUILESS_MAIN(TestPictureLoading)
#include "test_picture_loading.moc"
