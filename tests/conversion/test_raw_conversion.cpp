#include <QtTest>

#include <cstring>
#include <vector>

#include "image/RawConversion.h"

using namespace tavelo;

namespace {

struct RecordingErrors : ErrorReporter {
    std::vector<int> codes;
    int ReportError(int code) override {
        codes.push_back(code);
        return 1;
    }
};

// The conversion written exactly as the camera's colour formula states it, in double precision.
void ReferencePixel(int u, int y, int v, std::uint8_t out[3]) {
    const double g = 0.5 - (2 * v * 0.5 + 2 * u * 0.1875);
    out[0] = ClampByte(y + 2 * u);
    out[1] = ClampByte(static_cast<int>(y + g));
    out[2] = ClampByte(y + 2 * v);
}

MemoryBlock RawOf(const std::vector<std::uint8_t>& bytes) {
    MemoryBlock block = MemoryBlock::Allocate(bytes.size());
    std::memcpy(block.Data(), bytes.data(), bytes.size());
    return block;
}

std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

using ConvertFn = void (*)(const std::uint8_t*, std::uint8_t*, std::size_t);

}  // namespace

class TestRawConversion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyTripleMatchesTheFormula_data() {
        QTest::addColumn<int>("path");
        QTest::newRow("scalar") << 0;
        QTest::newRow("ssse3") << 1;
        QTest::newRow("dispatched") << 2;
    }

    // Every U, V and Y: 2^24 triples, each path against the double-precision formula.
    void everyTripleMatchesTheFormula() {
        QFETCH(int, path);
        if (path == 1 && !raw_detail::HaveSsse3()) {
            QSKIP("this processor has no SSSE3");
        }
        const ConvertFn fns[] = {raw_detail::ConvertGroupsScalar, raw_detail::ConvertGroupsSsse3,
                                 ConvertGroups};
        const ConvertFn convert = fns[path];
        // One block per U: 256 V values x 128 groups carrying Y = 2k and 2k + 1. An odd group
        // count at the end exercises the tail after the wide steps too.
        const std::size_t groups = 256 * 128;
        std::vector<std::uint8_t> raw(groups * 4);
        std::vector<std::uint8_t> bgr(groups * 6 + 6);
        for (int u = -128; u < 128; ++u) {
            std::uint8_t* p = raw.data();
            for (int v = -128; v < 128; ++v) {
                for (int k = 0; k < 128; ++k, p += 4) {
                    p[0] = static_cast<std::uint8_t>(u);
                    p[1] = static_cast<std::uint8_t>(2 * k);
                    p[2] = static_cast<std::uint8_t>(v);
                    p[3] = static_cast<std::uint8_t>(2 * k + 1);
                }
            }
            convert(raw.data(), bgr.data(), groups - (u & 1) * 3);
            const std::uint8_t* q = bgr.data();
            for (std::size_t i = 0; i < groups - (u & 1) * 3; ++i) {
                const std::uint8_t* g = raw.data() + 4 * i;
                for (int half = 0; half < 2; ++half, q += 3) {
                    std::uint8_t want[3];
                    ReferencePixel(static_cast<std::int8_t>(g[0]), g[1 + 2 * half],
                                   static_cast<std::int8_t>(g[2]), want);
                    if (std::memcmp(q, want, 3) != 0) {
                        QFAIL(qPrintable(QString("U %1 V %2 Y %3: got %4,%5,%6 want %7,%8,%9")
                                             .arg(u)
                                             .arg(static_cast<std::int8_t>(g[2]))
                                             .arg(g[1 + 2 * half])
                                             .arg(q[0])
                                             .arg(q[1])
                                             .arg(q[2])
                                             .arg(want[0])
                                             .arg(want[1])
                                             .arg(want[2])));
                    }
                }
            }
        }
    }

    void captureSizes_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QSize>("size");
        QTest::newRow("2, 0") << 2 << 0 << QSize(1280, 768);
        QTest::newRow("2, 1") << 2 << 1 << QSize(1024, 1024);
        QTest::newRow("2, 2") << 2 << 2 << QSize(1280, 768);
        QTest::newRow("2, 3") << 2 << 3 << QSize(1024, 1024);
        QTest::newRow("3, 0") << 3 << 0 << QSize(1280, 1024);
        QTest::newRow("3, 1") << 3 << 1 << QSize(1024, 1280);
        QTest::newRow("3, 2") << 3 << 2 << QSize(1280, 1024);
        QTest::newRow("3, 3") << 3 << 3 << QSize(1024, 1280);
        QTest::newRow("mode 4") << 4 << 0 << QSize();
        QTest::newRow("mode 1") << 1 << 0 << QSize();
        QTest::newRow("rotation 4") << 3 << 4 << QSize();
        QTest::newRow("unreadable") << -48 << -48 << QSize();
    }

    void captureSizes() {
        QFETCH(int, mode);
        QFETCH(int, rotation);
        QFETCH(QSize, size);
        int width = -1, height = -1;
        QCOMPARE(RawCaptureSize(mode, rotation, width, height), size.isValid());
        if (size.isValid()) {
            QCOMPARE(QSize(width, height), size);
        }
    }

    void knownGroups_data() {
        QTest::addColumn<int>("u");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("v");
        QTest::addColumn<int>("blue");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("red");
        QTest::newRow("black: 0.5 truncates to 0") << 0 << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("grey 100") << 0 << 100 << 0 << 100 << 100 << 100;
        QTest::newRow("grey 200") << 0 << 200 << 0 << 200 << 200 << 200;
        QTest::newRow("colour example") << 10 << 100 << -20 << 120 << 116 << 60;
        QTest::newRow("blue clamps high") << 127 << 255 << 0 << 255 << 207 << 255;
        QTest::newRow("blue clamps low") << -128 << 0 << 0 << 0 << 48 << 0;
        QTest::newRow("0x80 is -128, not 0") << -128 << 128 << -128 << 0 << 255 << 0;
        QTest::newRow("green below zero") << 127 << 0 << 127 << 254 << 0 << 254;
    }

    void knownGroups() {
        QFETCH(int, u);
        QFETCH(int, y);
        QFETCH(int, v);
        QFETCH(int, blue);
        QFETCH(int, green);
        QFETCH(int, red);
        const std::uint8_t raw[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(y),
                                     static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(y)};
        std::uint8_t bgr[6] = {};
        ConvertGroups(raw, bgr, 1);
        for (int half = 0; half < 2; ++half) {
            QCOMPARE(int(bgr[3 * half + 0]), blue);
            QCOMPARE(int(bgr[3 * half + 1]), green);
            QCOMPARE(int(bgr[3 * half + 2]), red);
        }
    }

    void headerFields_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("fileSize");
        QTest::newRow("1280 x 768") << 1280 << 768 << 2949174;
        QTest::newRow("1024 x 1024") << 1024 << 1024 << 3145782;
        QTest::newRow("1280 x 1024") << 1280 << 1024 << 3932214;
        QTest::newRow("1024 x 1280") << 1024 << 1280 << 3932214;
    }

    void headerFields() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, fileSize);
        RecordingErrors errors;
        MemoryBlock raw = MemoryBlock::Allocate(2u * width * height);
        MemoryBlock bmp = BuildBitmap(raw, width, height, errors);
        QVERIFY(!bmp.IsNull());
        QVERIFY(errors.codes.empty());
        QCOMPARE(bmp.Size(), std::size_t(fileSize));
        const std::uint8_t* h = bmp.Data();
        QCOMPARE(h[0], std::uint8_t('B'));
        QCOMPARE(h[1], std::uint8_t('M'));
        QCOMPARE(Le32(h + 2), std::uint32_t(fileSize));
        QCOMPARE(Le32(h + 6), 0u);  // both reserved words
        QCOMPARE(Le32(h + 10), 54u);
        QCOMPARE(Le32(h + 14), 40u);
        QCOMPARE(Le32(h + 18), std::uint32_t(width));
        QCOMPARE(Le32(h + 22), std::uint32_t(height));
        QCOMPARE(h[26] | (h[27] << 8), 1);
        QCOMPARE(h[28] | (h[29] << 8), 24);
        QCOMPARE(Le32(h + 30), 0u);
        QCOMPARE(Le32(h + 34), std::uint32_t(fileSize - 54));
        for (int off = 38; off < 54; off += 4) {
            QCOMPARE(Le32(h + off), 0u);
        }
        // All-zero samples: black everywhere, green included.
        QVERIFY(std::all_of(h + 54, h + fileSize, [](std::uint8_t b) { return b == 0; }));
        // Qt reads what we wrote as the picture it is.
        QImage image;
        QVERIFY(image.loadFromData(h, fileSize, "BMP"));
        QCOMPARE(image.size(), QSize(width, height));
    }

    // The first transferred row is the top of the picture: after the flip it is the last row
    // of the pixel data, which a bottom-up bitmap shows on top.
    void firstTransferredRowEndsOnTop() {
        const int width = 4, height = 3;
        std::vector<std::uint8_t> rows(2 * width * height, 0);
        for (int r = 0; r < height; ++r) {
            for (int g = 0; g < width / 2; ++g) {
                rows[r * 2 * width + 4 * g + 1] = static_cast<std::uint8_t>(10 * (r + 1));
                rows[r * 2 * width + 4 * g + 3] = static_cast<std::uint8_t>(10 * (r + 1) + 1);
            }
        }
        RecordingErrors errors;
        MemoryBlock transferred = RawOf(rows);
        MemoryBlock flipped = FlipRows(transferred, width, height, errors);
        QVERIFY(!flipped.IsNull());
        QCOMPARE(std::memcmp(transferred.Data(), rows.data(), rows.size()), 0);  // source kept
        for (int r = 0; r < height; ++r) {
            QCOMPARE(std::memcmp(flipped.Data() + r * 2 * width,
                                 rows.data() + (height - 1 - r) * 2 * width, 2 * width),
                     0);
        }
        MemoryBlock bmp = BuildBitmap(flipped, width, height, errors);
        const std::uint8_t* lastRow = bmp.Data() + 54 + 3 * width * (height - 1);
        QCOMPARE(int(lastRow[0]), 10);
        QCOMPARE(int(lastRow[3]), 11);
        QImage image = QImage::fromData(bmp.Data(), int(bmp.Size()), "BMP");
        QCOMPARE(qBlue(image.pixel(0, 0)), 10);
        QCOMPARE(qBlue(image.pixel(1, 0)), 11);
        QCOMPARE(qBlue(image.pixel(0, height - 1)), 30);
        QVERIFY(errors.codes.empty());
    }

    void noRawCaptureGivesNothingSilently() {
        RecordingErrors errors;
        QVERIFY(BuildBitmap(MemoryBlock(), 1280, 1024, errors).IsNull());
        QVERIFY(FlipRows(MemoryBlock(), 1280, 1024, errors).IsNull());
        // A capture smaller than its stated size is never read past its end.
        MemoryBlock small = MemoryBlock::Allocate(100);
        QVERIFY(BuildBitmap(small, 1280, 1024, errors).IsNull());
        QVERIFY(FlipRows(small, 1280, 1024, errors).IsNull());
        QVERIFY(errors.codes.empty());
    }

    void memoryShortageReportsErrorSeven() {
        RecordingErrors errors;
        MemoryBlock raw = MemoryBlock::Allocate(2 * 1280 * 1024);
        MemoryBlock::SetAllocationLimit(1024);
        MemoryBlock bmp = BuildBitmap(raw, 1280, 1024, errors);
        MemoryBlock flipped = FlipRows(raw, 1280, 1024, errors);
        MemoryBlock::SetAllocationLimit(MemoryBlock::NoAllocationLimit);
        QVERIFY(bmp.IsNull());
        QVERIFY(flipped.IsNull());
        QCOMPARE(errors.codes, (std::vector<int>{ERR_MEMORY, ERR_MEMORY}));
    }
};

QTEST_GUILESS_MAIN(TestRawConversion)
#include "test_raw_conversion.moc"
