// Feeds arbitrary bytes to the in-memory BMP loader. Whatever it accepts must survive a
// write and a second read unchanged, and the transformations the view applies.
#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "picture/BmpCodec.h"
#include "picture/PictureEngine.h"
#include "picture/PictureResult.h"

namespace {

// Row by row: QImage's own comparison goes pixel by pixel through the palette.
bool SamePicture(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format() || a.colorTable() != b.colorTable()) {
        return false;
    }
    const auto row = static_cast<std::size_t>(a.width()) * a.depth() / 8;
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), row) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavelo::PictureEngine engine;
    if (engine.LoadBmpBytes(data, size) != tavelo::PIC_OK) {
        return 0;
    }
    // The round trip of a picture of millions of pixels, run-length ones that a few bytes
    // describe, would take the instrumented writer longer than the fuzzer waits; its decoding
    // above is what such inputs are for.
    const std::int64_t pixels = static_cast<std::int64_t>(engine.Width()) * engine.Height();
    if (pixels > (1 << 20)) {
        return 0;
    }
    QByteArray bytes;
    if (tavelo::EncodeBmp(engine.Image(), engine.Bits(), bytes) != tavelo::PIC_OK) {
        std::abort();  // an accepted picture must be writable at its own depth
    }
    tavelo::PictureEngine again;
    if (again.LoadBmpBytes(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size())) != tavelo::PIC_OK ||
        !SamePicture(again.Image(), engine.Image()) || again.Bits() != engine.Bits()) {
        std::abort();
    }
    // Small pictures only: the transformations are not what is fuzzed here, their inputs are.
    if (pixels <= 4096) {
        engine.Rotate(9000, true, 0xFF0000);
        engine.Sharpen(950);
        engine.Rotate(3000, true, 0);
    }
    return 0;
}
