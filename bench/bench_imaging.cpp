// The imaging control against references run in the same process: painting at four zoom
// factors (against each other), JPEG encode and save against libjpeg-turbo's tjCompress2 at
// the same quality and subsampling, and sharpen, resize and a quarter turn against a memcpy
// of the picture.

#include <turbojpeg.h>

#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "BenchRatio.h"
#include "device/MemoryBlock.h"
#include "picture/DurableFile.h"
#include "picture/JpegQuality.h"
#include "picture/PictureEngine.h"
#include "ui/CLead.h"

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

// Saving writes a new file through a temporary file that is synced to disk and renamed over
// the target: what saving a fresh page does. Each iteration saves under a new name (renaming
// over an existing file makes the file system flush the old one as well); the files go when
// the benchmark ends.
class FreshFiles {
public:
    QString Next() {
        m_paths.push_back(
            QDir::temp().filePath(QStringLiteral("tavelo-bench-%1.jpg").arg(m_paths.size())));
        return m_paths.back();
    }
    ~FreshFiles() {
        for (const QString& path : m_paths) {
            QFile::remove(path);
        }
    }

private:
    QStringList m_paths;
};

// The durable write alone, as the engine saves: temporary file, write, sync, rename, sync
// of the folder.
bool WriteDurably(const QString& path, const unsigned char* data, qint64 size) {
    return WriteFileDurably(path, QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                          static_cast<qsizetype>(size))) == 0;
}

// The same without the sync: what the durable write costs beyond it is the disk's wait.
bool WritePlainly(const QString& path, const QByteArray& bytes) {
    QFile file(path + QStringLiteral(".part"));
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    file.close();
    return written && std::rename(QFile::encodeName(file.fileName()).constData(),
                                  QFile::encodeName(path).constData()) == 0;
}

void JpegSaveEngine(benchmark::State& state) {
    PictureEngine engine;
    engine.SetImage(SamplePicture(1280, 1024));
    FreshFiles files;
    for (auto _ : state) {
        if (engine.SaveFile(files.Next(), PictureEngine::kFormatJpeg, 24, kQFactor, 0) != 0) {
            state.SkipWithError("save failed");
            break;
        }
    }
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
// keeps) straight through libjpeg-turbo, into memory; `toFile` also writes the result as
// the engine's save does.
void Turbo(benchmark::State& state, bool toFile) {
    const QImage picture = SamplePicture(1280, 1024);
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    FreshFiles files;
    for (auto _ : state) {
        if (tjCompress2(handle, picture.constBits(), 1280, static_cast<int>(picture.bytesPerLine()),
                        1024, TJPF_RGB, &out, &size, TJSAMP_420, JpegQualityFromQFactor(kQFactor),
                        0) != 0) {
            state.SkipWithError("tjCompress2 failed");
            break;
        }
        benchmark::DoNotOptimize(out);
        if (toFile && !WriteDurably(files.Next(), out, static_cast<qint64>(size))) {
            state.SkipWithError("write failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(size);
    tjFree(out);
    tjDestroy(handle);
}

void JpegTurbo(benchmark::State& state) {
    Turbo(state, false);
}

void JpegTurboSave(benchmark::State& state) {
    Turbo(state, true);
}

// The write of an encoded picture alone, durable (as saving does) or not.
void Write(benchmark::State& state, bool durable) {
    PictureEngine engine;
    engine.SetImage(SamplePicture(1280, 1024));
    QByteArray bytes;
    engine.EncodeJpeg(kQFactor, bytes);
    FreshFiles files;
    for (auto _ : state) {
        const QString path = files.Next();
        const bool written =
            durable ? WriteDurably(path, reinterpret_cast<const unsigned char*>(bytes.constData()),
                                   bytes.size())
                    : WritePlainly(path, bytes);
        if (!written) {
            state.SkipWithError("write failed");
            break;
        }
    }
}

void DurableWrite(benchmark::State& state) {
    Write(state, true);
}

void PlainWrite(benchmark::State& state) {
    Write(state, false);
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
BENCHMARK(JpegTurboSave)->Unit(benchmark::kMicrosecond);
BENCHMARK(DurableWrite)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainWrite)->Unit(benchmark::kMicrosecond);
BENCHMARK(Sharpen)->Unit(benchmark::kMicrosecond);
BENCHMARK(Resize)->Unit(benchmark::kMicrosecond);
BENCHMARK(RotateQuarter)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tavelo::bench::DefaultArgs args(argc, argv);
    benchmark::Initialize(args.Argc(), args.Argv());
    tavelo::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios({{"Paint/100", "Paint/10"},
                          {"Paint/400", "Paint/10"},
                          {"Paint/1000", "Paint/10"},
                          {"Paint/400", "Paint/100"},
                          {"Paint/1000", "Paint/100"},
                          {"JpegEncodeEngine", "JpegTurbo"},
                          {"JpegSaveEngine", "JpegTurboSave"},
                          {"JpegSaveEngine", "JpegTurbo"},
                          {"DurableWrite", "JpegTurbo"},
                          {"PlainWrite", "JpegTurbo"},
                          {"Sharpen", "Memcpy"},
                          {"Resize", "Memcpy"},
                          {"RotateQuarter", "Memcpy"}});
    // The paint figure the contract names: slowest over fastest of the four zoom factors.
    const char* const zooms[] = {"Paint/10", "Paint/100", "Paint/400", "Paint/1000"};
    auto spread = [&](auto time) {
        double slowest = 0;
        double fastest = 0;
        for (const char* name : zooms) {
            const double t = time(name);
            slowest = std::max(slowest, t);
            fastest = fastest == 0 ? t : std::min(fastest, t);
        }
        return fastest > 0 ? slowest / fastest : 0.0;
    };
    if (spread([&](const char* n) { return reporter.Time(n); }) > 0) {
        std::printf("  %-59s = %.3f  %.3f  %.3f\n", "Paint slowest / fastest",
                    spread([&](const char* n) { return reporter.Time(n); }),
                    spread([&](const char* n) { return reporter.Median(n); }),
                    spread([&](const char* n) { return reporter.CpuTime(n); }));
    }
    std::printf(
        "\nJpegEncodeEngine encodes into memory as tjCompress2 does. JpegSaveEngine saves to a "
        "new\n"
        "file: encode, temporary file, write, sync to disk, rename; JpegTurboSave is tjCompress2\n"
        "followed by that same durable write, and DurableWrite is the write alone; PlainWrite "
        "writes\n"
        "and renames without the sync. The sync waits for the disk, so it shows in real time, not\n"
        "in processor time, and grows with the disk's load from other processes.\n");
    benchmark::Shutdown();
    return 0;
}
