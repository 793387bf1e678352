// The imaging control against references run in the same process: painting at four zoom
// factors (against each other), JPEG save against libjpeg-turbo's tjCompress2 at the same
// quality and subsampling, and sharpen, resize and a quarter turn against a memcpy of the
// picture.

#include <turbojpeg.h>

#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <algorithm>
#include <cstring>
#include <vector>

#include "BenchRatio.h"
#include "device/MemoryBlock.h"
#include "image/CLead.h"
#include "image/JpegQuality.h"
#include "image/PictureEngine.h"

using namespace tavelo;

namespace {

constexpr int kQFactor = 15;

// A document-like picture: smooth shading with fine noise, so that the encoders and the
// filter see real work rather than flat areas.
QImage SamplePicture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB888);
    std::uint32_t seed = 2024;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = static_cast<int>(seed >> 28);
            row[3 * x + 0] = static_cast<std::uint8_t>((x * 200 / w + noise) & 0xFF);
            row[3 * x + 1] = static_cast<std::uint8_t>((y * 200 / h + noise) & 0xFF);
            row[3 * x + 2] = static_cast<std::uint8_t>(((x ^ y) & 0x3F) + 128 + noise);
        }
    }
    return image;
}

void Memcpy(benchmark::State& state) {
    const QImage picture = SamplePicture(1280, 1024);
    std::vector<std::uint8_t> copy(static_cast<std::size_t>(picture.sizeInBytes()));
    for (auto _ : state) {
        std::memcpy(copy.data(), picture.constBits(), copy.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
}

// A real widget paint of the 800 x 600 viewport, the picture scrolled to its middle.
void Paint(benchmark::State& state) {
    CLead lead;
    lead.resize(800, 600);
    lead.show();
    PictureEngine source;
    const QImage picture = SamplePicture(1280, 1024);
    // The picture reaches the control as the raw conversion hands it over: a BMP file image.
    QImage bgr = picture.rgbSwapped().mirrored(false, true);
    MemoryBlock block = MemoryBlock::Allocate(54 + static_cast<std::size_t>(bgr.sizeInBytes()));
    std::uint8_t* d = block.Data();
    const auto put32 = [](std::uint8_t* p, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    d[0] = 'B';
    d[1] = 'M';
    put32(d + 2, static_cast<std::uint32_t>(block.Size()));
    put32(d + 10, 54);
    put32(d + 14, 40);
    put32(d + 18, 1280);
    put32(d + 22, 1024);
    d[26] = 1;
    d[28] = 24;
    std::memcpy(d + 54, bgr.constBits(), static_cast<std::size_t>(bgr.sizeInBytes()));
    if (lead.LoadMemory(block, 0, 0, static_cast<long>(block.Size())) != 0) {
        state.SkipWithError("load failed");
        return;
    }
    lead.SetZoomMode(CLead::kZoomModeFactor);
    lead.SetZoomPercent(static_cast<float>(state.range(0)));
    lead.horizontalScrollBar()->setValue(lead.horizontalScrollBar()->maximum() / 2);
    lead.verticalScrollBar()->setValue(lead.verticalScrollBar()->maximum() / 2);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        lead.viewport()->repaint();
    }
    state.counters["renders"] = lead.RenderCount();
}

void JpegSaveEngine(benchmark::State& state) {
    PictureEngine engine;
    engine.SetImage(SamplePicture(1280, 1024));
    const QString path = QDir::temp().filePath("tavelo-bench.jpg");
    for (auto _ : state) {
        if (engine.SaveFile(path, PictureEngine::kFormatJpeg, 24, kQFactor, 0) != 0) {
            state.SkipWithError("save failed");
            break;
        }
    }
    QFile::remove(path);
}

// The engine's encoder alone, into memory: what tjCompress2 below does.
void JpegEncodeEngine(benchmark::State& state) {
    PictureEngine engine;
    engine.SetImage(SamplePicture(1280, 1024));
    QByteArray bytes;
    for (auto _ : state) {
        if (engine.EncodeJpeg(kQFactor, bytes) != 0) {
            state.SkipWithError("encode failed");
            break;
        }
        benchmark::DoNotOptimize(bytes.data());
    }
}

// The same picture, quality and 4:2:0 subsampling (libjpeg's default, which Qt's writer
// keeps) straight through libjpeg-turbo, into memory.
void JpegTurbo(benchmark::State& state) {
    const QImage picture = SamplePicture(1280, 1024);
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    for (auto _ : state) {
        if (tjCompress2(handle, picture.constBits(), 1280, static_cast<int>(picture.bytesPerLine()),
                        1024, TJPF_RGB, &out, &size, TJSAMP_420, JpegQualityFromQFactor(kQFactor),
                        0) != 0) {
            state.SkipWithError("tjCompress2 failed");
            break;
        }
        benchmark::DoNotOptimize(out);
    }
    tjFree(out);
    tjDestroy(handle);
}

void Sharpen(benchmark::State& state) {
    PictureEngine engine;
    engine.SetImage(SamplePicture(1280, 1024));
    for (auto _ : state) {
        engine.Sharpen(800);
    }
}

void Resize(benchmark::State& state) {
    const QImage picture = SamplePicture(1280, 768);
    PictureEngine engine;
    for (auto _ : state) {
        engine.SetImage(picture);  // shares the pixels: no copy
        engine.Resize(960, 768, 1);
    }
}

void RotateQuarter(benchmark::State& state) {
    const QImage picture = SamplePicture(1280, 1024);
    PictureEngine engine;
    for (auto _ : state) {
        engine.SetImage(picture);
        engine.Rotate(9000, true, 0xFF0000);
    }
}

}  // namespace

BENCHMARK(Memcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(Paint)->Arg(10)->Arg(100)->Arg(400)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(JpegEncodeEngine)->Unit(benchmark::kMicrosecond);
BENCHMARK(JpegSaveEngine)->Unit(benchmark::kMicrosecond);
BENCHMARK(JpegTurbo)->Unit(benchmark::kMicrosecond);
BENCHMARK(Sharpen)->Unit(benchmark::kMicrosecond);
BENCHMARK(Resize)->Unit(benchmark::kMicrosecond);
BENCHMARK(RotateQuarter)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    tavelo::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios({{"Paint/100", "Paint/10"},
                          {"Paint/400", "Paint/10"},
                          {"Paint/1000", "Paint/10"},
                          {"Paint/400", "Paint/100"},
                          {"Paint/1000", "Paint/100"},
                          {"JpegEncodeEngine", "JpegTurbo"},
                          {"JpegSaveEngine", "JpegTurbo"},
                          {"Sharpen", "Memcpy"},
                          {"Resize", "Memcpy"},
                          {"RotateQuarter", "Memcpy"}});
    // The paint figure the contract names: slowest over fastest of the four zoom factors.
    double slowest = 0;
    double fastest = 0;
    for (const char* name : {"Paint/10", "Paint/100", "Paint/400", "Paint/1000"}) {
        const double t = reporter.Time(name);
        slowest = std::max(slowest, t);
        fastest = fastest == 0 ? t : std::min(fastest, t);
    }
    if (fastest > 0) {
        std::printf("  %-44s   %-32s = %.3f\n", "Paint slowest / fastest", "", slowest / fastest);
    }
    benchmark::Shutdown();
    return 0;
}
