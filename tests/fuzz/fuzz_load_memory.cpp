// Feeds arbitrary bytes to the in-memory BMP loader. Whatever it accepts must survive a
// write and a second read unchanged, and the transformations the view applies.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "picture/BmpCodec.h"
#include "picture/PictureEngine.h"
#include "picture/PictureResult.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavelo::PictureEngine engine;
    if (engine.LoadBmpBytes(data, size) != tavelo::PIC_OK) {
        return 0;
    }
    QByteArray bytes;
    if (tavelo::EncodeBmp(engine.Image(), engine.Bits(), bytes) != tavelo::PIC_OK) {
        std::abort();  // an accepted picture must be writable at its own depth
    }
    tavelo::PictureEngine again;
    if (again.LoadBmpBytes(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size())) != tavelo::PIC_OK ||
        again.Image() != engine.Image() || again.Bits() != engine.Bits()) {
        std::abort();
    }
    // Small pictures only: the transformations are not what is fuzzed here, their inputs are.
    if (static_cast<std::int64_t>(engine.Width()) * engine.Height() <= 4096) {
        engine.Rotate(9000, true, 0xFF0000);
        engine.Sharpen(950);
        engine.Rotate(3000, true, 0);
    }
    return 0;
}
