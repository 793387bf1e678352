#include <QtTest>

#include <algorithm>
#include <cstring>
#include <vector>

#include "picture/PictureEngine.h"
#include "picture/PictureResult.h"
#include "picture/RawConversion.h"
#include "picture/RawPicture.h"

using namespace tavelo;

namespace {

struct RecordingErrors : MemoryShortage {
    int shortages = 0;
    void OutOfMemory() override { ++shortages; }
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

// The engine as the target, or one that refuses every bitmap.
struct CountingTarget : EngineTarget {
    bool refuse = false;
    using EngineTarget::EngineTarget;
    std::int16_t Load(const MemoryBlock& bitmap) override {
        return refuse ? std::int16_t(PIC_MALFORMED) : EngineTarget::Load(bitmap);
    }
};

using ConvertFn = void (*)(const std::uint8_t*, std::uint8_t*, std::size_t);

bool Always() {
    return true;
}

struct Path {
    const char* name;
    ConvertFn convert;
    bool (*available)();
};

const Path kPaths[] = {
    {"scalar", raw_detail::ConvertGroupsScalar, Always},
    {"sse2", raw_detail::ConvertGroupsSse2, raw_detail::HaveSse2},
    {"avx2", raw_detail::ConvertGroupsAvx2, raw_detail::HaveAvx2},
    {"dispatched", ConvertGroups, Always},
};

void PathRows() {
    QTest::addColumn<int>("path");
    for (int i = 0; i < int(std::size(kPaths)); ++i) {
        QTest::newRow(kPaths[i].name) << i;
    }
}

}  // namespace

class TestRawConversion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyTripleMatchesTheFormula_data() { PathRows(); }

    // Every U, V and Y: 2^24 triples, each path against the double-precision formula. One
    // block per U: 256 V values x 128 groups carrying Y = 2k and 2k + 1.
    void everyTripleMatchesTheFormula() {
        QFETCH(int, path);
        const Path& p = kPaths[path];
        if (!p.available()) {
            QSKIP("this processor lacks the instructions of this path");
        }
        const std::size_t groups = 256 * 128;
        std::vector<std::uint8_t> raw(groups * 4);
        std::vector<std::uint8_t> want(groups * 6), got(groups * 6);
        for (int u = -128; u < 128; ++u) {
            std::uint8_t* r = raw.data();
            std::uint8_t* w = want.data();
            for (int v = -128; v < 128; ++v) {
                for (int k = 0; k < 128; ++k, r += 4, w += 6) {
                    r[0] = static_cast<std::uint8_t>(u);
                    r[1] = static_cast<std::uint8_t>(2 * k);
                    r[2] = static_cast<std::uint8_t>(v);
                    r[3] = static_cast<std::uint8_t>(2 * k + 1);
                    ReferencePixel(u, 2 * k, v, w);
                    ReferencePixel(u, 2 * k + 1, v, w + 3);
                }
            }
            p.convert(raw.data(), got.data(), groups);
            if (got != want) {
                const auto at = std::mismatch(got.begin(), got.end(), want.begin()).first;
                const std::size_t pixel = static_cast<std::size_t>(at - got.begin()) / 3;
                const std::uint8_t* g = raw.data() + 4 * (pixel / 2);
                QFAIL(qPrintable(QString("U %1 V %2 Y %3: got %4,%5,%6 want %7,%8,%9")
                                     .arg(u)
                                     .arg(static_cast<std::int8_t>(g[2]))
                                     .arg(g[1 + 2 * (pixel % 2)])
                                     .arg(got[3 * pixel])
                                     .arg(got[3 * pixel + 1])
                                     .arg(got[3 * pixel + 2])
                                     .arg(want[3 * pixel])
                                     .arg(want[3 * pixel + 1])
                                     .arg(want[3 * pixel + 2])));
            }
        }
    }

    void shortRunsAndOddPlaces_data() { PathRows(); }

    // Runs shorter than, and not a multiple of, the wide steps, read and written at odd
    // addresses: the same bytes as the plain loop, and not one byte written past the run.
    void shortRunsAndOddPlaces() {
        QFETCH(int, path);
        const Path& p = kPaths[path];
        if (!p.available()) {
            QSKIP("this processor lacks the instructions of this path");
        }
        std::uint32_t seed = 7;
        std::vector<std::uint8_t> raw(4 * 64 + 3);
        for (std::uint8_t& b : raw) {
            seed = seed * 1664525u + 1013904223u;
            b = static_cast<std::uint8_t>(seed >> 24);
        }
        for (std::size_t groups = 0; groups <= 60; ++groups) {
            for (int offset = 0; offset < 4; ++offset) {
                std::vector<std::uint8_t> want(6 * groups + 40, 0xAB), got(want.size() + 4, 0xAB);
                raw_detail::ConvertGroupsScalar(raw.data() + offset, want.data(), groups);
                p.convert(raw.data() + offset, got.data() + offset, groups);
                QVERIFY2(std::equal(want.begin(), want.end(), got.begin() + offset),
                         qPrintable(QString("%1 groups at offset %2").arg(groups).arg(offset)));
            }
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
        QCOMPARE(errors.shortages, 0);
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
        QCOMPARE(errors.shortages, 0);
    }

    void noRawCaptureGivesNothingSilently() {
        RecordingErrors errors;
        QVERIFY(BuildBitmap(MemoryBlock(), 1280, 1024, errors).IsNull());
        QVERIFY(FlipRows(MemoryBlock(), 1280, 1024, errors).IsNull());
        // A capture smaller than its stated size is never read past its end.
        MemoryBlock small = MemoryBlock::Allocate(100);
        QVERIFY(BuildBitmap(small, 1280, 1024, errors).IsNull());
        QVERIFY(FlipRows(small, 1280, 1024, errors).IsNull());
        QCOMPARE(errors.shortages, 0);
    }

    void memoryShortageIsToldOncePerConversion() {
        RecordingErrors errors;
        MemoryBlock raw = MemoryBlock::Allocate(2 * 1280 * 1024);
        MemoryBlock::SetAllocationLimit(1024);
        MemoryBlock bmp = BuildBitmap(raw, 1280, 1024, errors);
        MemoryBlock flipped = FlipRows(raw, 1280, 1024, errors);
        MemoryBlock::SetAllocationLimit(MemoryBlock::NoAllocationLimit);
        QVERIFY(bmp.IsNull());
        QVERIFY(flipped.IsNull());
        QCOMPARE(errors.shortages, 2);
    }

    // The one road from rows to the shown picture: each step that fails says so, a shortage
    // is told once, the raw capture is replaced only by rows that were flipped, and the
    // picture only by a whole new one.
    void rawToShownPicture_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("transfer");  // rows as sent, else a kept raw capture
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("shortages");
        QTest::addColumn<bool>("rawReplaced");
        QTest::addColumn<QSize>("shown");
        using R = RawPictureResult;
        const QSize old(8, 8), raw(64, 32);
        QTest::newRow("transfer, mode 3") << "" << true << 3 << int(R::Shown) << 0 << true << raw;
        QTest::newRow("transfer, mode 2 resized")
            << "" << true << 2 << int(R::Shown) << 0 << true << QSize(960, 768);
        QTest::newRow("kept raw capture") << "" << false << 3 << int(R::Shown) << 0 << false << raw;
        QTest::newRow("no memory to flip")
            << "flip" << true << 3 << int(R::FlipFailed) << 1 << false << old;
        QTest::newRow("no memory for the bitmap")
            << "bitmap" << true << 3 << int(R::BitmapFailed) << 1 << true << old;
        QTest::newRow("kept raw, no memory for the bitmap")
            << "bitmap" << false << 3 << int(R::BitmapFailed) << 1 << false << old;
        QTest::newRow("bitmap refused")
            << "refuse" << true << 3 << int(R::LoadFailed) << 0 << true << old;
        QTest::newRow("rows short of the size")
            << "short" << true << 3 << int(R::NoRows) << 0 << false << old;
    }
    void rawToShownPicture() {
        QFETCH(QString, fault);
        QFETCH(bool, transfer);
        QFETCH(int, mode);
        QFETCH(int, result);
        QFETCH(int, shortages);
        QFETCH(bool, rawReplaced);
        QFETCH(QSize, shown);
        const RawShape shape{64, 32, mode, 0};
        const std::size_t size = 2 * 64 * 32;  // 4096; its bitmap 6198 bytes
        PictureEngine engine;
        engine.SetImage(QImage(8, 8, QImage::Format_RGB888));
        CountingTarget target(engine);
        target.refuse = fault == "refuse";
        MemoryBlock raw = MemoryBlock::Allocate(size);
        raw.Data()[0] = 42;  // tells the kept raw capture from new rows
        MemoryBlock rows =
            transfer ? MemoryBlock::Allocate(fault == "short" ? size - 2 : size) : MemoryBlock();
        RecordingErrors errors;
        MemoryBlock::SetAllocationLimit(fault == "flip"     ? 1000
                                        : fault == "bitmap" ? 5000
                                                            : MemoryBlock::NoAllocationLimit);
        const RawPictureResult got =
            ShowRawCapture(target, raw, std::move(rows), shape, 800, errors);
        MemoryBlock::SetAllocationLimit(MemoryBlock::NoAllocationLimit);
        QCOMPARE(int(got), result);
        QCOMPARE(errors.shortages, shortages);
        QCOMPARE(RawReplaced(got) && transfer, rawReplaced);
        QCOMPARE(raw.Size(), size);
        QCOMPARE(raw.Data()[0] == 42, !rawReplaced);
        QCOMPARE(engine.Image().size(), shown);
    }
};

QTEST_GUILESS_MAIN(TestRawConversion)
#include "test_raw_conversion.moc"
