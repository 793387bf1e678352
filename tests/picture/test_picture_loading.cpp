#include <QTemporaryDir>
#include <QtTest>
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
        QTest::newRow("16 bits") << with16(28, 16) << int(PIC_UNSUPPORTED);
        QTest::newRow("0 bits") << with16(28, 0) << int(PIC_UNSUPPORTED);
        QTest::newRow("two planes") << with16(26, 2) << int(PIC_UNSUPPORTED);
        QTest::newRow("run-length") << with32(30, 1) << int(PIC_UNSUPPORTED);
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
        QTest::newRow("jpeg cut in half") << jpegBytes.left(jpegBytes.size() / 2) << -1 << 0;
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
        const std::int16_t result = engine.LoadFile(path, 0, 0, 1);
        if (code < 0) {
            // Libjpeg may fill the missing tail with grey; any answer but a crash is fine,
            // and a picture that is accepted has its full size.
            QVERIFY(result != PIC_OK || engine.Width() == 24);
            return;
        }
        QCOMPARE(int(result), code);
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
