// The capture pipeline after the transfer (flip, bitmap, load, resize, sharpen, fit) against
// the sum of its stages run alone: the difference is the glue between them.

#include <QApplication>

#include "BenchRatio.h"
#include "image/CLead.h"
#include "image/RawConversion.h"

using namespace tavelo;

namespace {

struct NoErrors : ErrorReporter {
    int ReportError(int) override { return 0; }
};

MemoryBlock Rows(int width, int height) {
    MemoryBlock rows = MemoryBlock::Allocate(2u * width * height);
    std::uint32_t x = 7;
    for (std::size_t i = 0; i < rows.Size(); ++i) {
        x = x * 1664525u + 1013904223u;
        rows.Data()[i] = static_cast<std::uint8_t>(x >> 24);
    }
    return rows;
}

// Mode 2 pictures are resized; both sizes are sharpened with the strongest slider amount.
bool Resized(int height) {
    return height == 768;
}

CLead& Lead() {
    static CLead* lead = [] {
        auto* l = new CLead;
        l->resize(900, 700);
        return l;
    }();
    return *lead;
}

void Pipeline(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    MemoryBlock rows = Rows(w, h);
    NoErrors errors;
    CLead& lead = Lead();
    for (auto _ : state) {
        MemoryBlock raw = FlipRows(rows, w, h, errors);
        MemoryBlock bmp = BuildBitmap(raw, w, h, errors);
        lead.SetAutoRedraw(false);
        lead.LoadMemory(bmp, 0, 0, long(bmp.Size()));
        if (Resized(h)) {
            lead.Resize(960, 768, 1);
        }
        lead.Sharpen(950);
        lead.SetZoomMode(CLead::kZoomModeFactor);
        lead.SetZoomPercent(100.0f * 900 / lead.GetPictureWidth());
    }
}

void StageFlip(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    MemoryBlock rows = Rows(w, h);
    NoErrors errors;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FlipRows(rows, w, h, errors).Data());
    }
}

void StageBitmap(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    MemoryBlock raw = Rows(w, h);
    NoErrors errors;
    for (auto _ : state) {
        benchmark::DoNotOptimize(BuildBitmap(raw, w, h, errors).Data());
    }
}

void StageLoad(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    NoErrors errors;
    MemoryBlock bmp = BuildBitmap(Rows(w, h), w, h, errors);
    CLead& lead = Lead();
    lead.SetAutoRedraw(false);
    for (auto _ : state) {
        lead.LoadMemory(bmp, 0, 0, long(bmp.Size()));
    }
}

void StageResize(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    NoErrors errors;
    MemoryBlock bmp = BuildBitmap(Rows(w, h), w, h, errors);
    CLead& lead = Lead();
    lead.SetAutoRedraw(false);
    for (auto _ : state) {
        state.PauseTiming();
        lead.LoadMemory(bmp, 0, 0, long(bmp.Size()));
        state.ResumeTiming();
        if (Resized(h)) {
            lead.Resize(960, 768, 1);
        }
    }
}

void StageSharpen(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    NoErrors errors;
    MemoryBlock bmp = BuildBitmap(Rows(w, h), w, h, errors);
    CLead& lead = Lead();
    lead.SetAutoRedraw(false);
    lead.LoadMemory(bmp, 0, 0, long(bmp.Size()));
    if (Resized(h)) {
        lead.Resize(960, 768, 1);
    }
    for (auto _ : state) {
        lead.Sharpen(950);
    }
}

void StageFit(benchmark::State& state) {
    CLead& lead = Lead();
    for (auto _ : state) {
        lead.SetZoomMode(CLead::kZoomModeFactor);
        lead.SetZoomPercent(100.0f * 900 / lead.GetPictureWidth());
    }
}

}  // namespace

#define STAGE(fn) \
    BENCHMARK(fn)->Args({1280, 1024})->Args({1280, 768})->Unit(benchmark::kMicrosecond)
STAGE(Pipeline);
STAGE(StageFlip);
STAGE(StageBitmap);
STAGE(StageLoad);
STAGE(StageResize);
STAGE(StageSharpen);
STAGE(StageFit);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    tavelo::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nPipeline over the sum of its stages (the glue between them):\n");
    for (const char* size : {"1280/1024", "1280/768"}) {
        const std::string s = size;
        double sum = 0;
        const char* stages[] = {"StageFlip",   "StageBitmap",  "StageLoad",
                                "StageResize", "StageSharpen", "StageFit"};
        for (const char* st : stages) {
            sum += reporter.Time(std::string(st) + "/" + s);
        }
        const double pipeline = reporter.Time("Pipeline/" + s);
        if (sum <= 0 || pipeline <= 0) {
            continue;
        }
        std::printf("  %s: pipeline / sum of stages = %.3f\n", size, pipeline / sum);
        for (const char* st : stages) {
            std::printf("    %-13s %5.1f %%\n", st,
                        100.0 * reporter.Time(std::string(st) + "/" + s) / sum);
        }
    }
    benchmark::Shutdown();
    return 0;
}
