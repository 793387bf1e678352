// The capture pipeline after the transfer (flip, bitmap, load, resize, sharpen, fit) against
// the sum of its stages run alone: the difference is the glue between them (parsing, format
// conversions, copies from one stage's output to the next one's input).
//
// Each iteration runs the whole pipeline once and then every stage once on its own prepared
// input, so that load from other processes falls on both sides alike; the ratio is taken per
// repetition and its lowest and median values are printed.

#include <QApplication>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "RawSamples.h"
#include "Stopwatch.h"
#include "picture/CaptureLook.h"
#include "picture/RawConversion.h"
#include "ui/CLead.h"

using namespace tavelo;

namespace {

constexpr int kSharpAmount = 950;  // the strongest slider position
constexpr int kWindow = 900;       // the view's client width the picture is fitted into

const char* const kStages[] = {"flip", "bitmap", "load", "resize", "sharpen", "fit"};

// 1280 x 1024 comes from capture mode 3 (shown as captured), 1280 x 768 from mode 2 (resized).
int ModeOf(int height) {
    return height == 768 ? 2 : 3;
}

CLead& Lead() {
    static CLead* lead = [] {
        auto* l = new CLead;
        l->resize(kWindow, 700);
        l->show();  // on screen, as in the view: turning repainting off keeps what it shows
        return l;
    }();
    return *lead;
}

// What the view does after the picture is loaded and made to look right.
void Fit(CLead& lead) {
    lead.SetZoomMode(CLead::kZoomModeFactor);
    lead.SetZoomPercent(100.0f * kWindow / lead.GetPictureWidth());
    lead.SetAutoRedraw(true);
}

void Capture(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const int mode = ModeOf(h);
    const MemoryBlock rows = bench::NoisyRaw(w, h, 7);
    bench::NoErrors errors;
    CLead& lead = Lead();
    // Inputs for the stages alone, made as the pipeline makes them.
    const MemoryBlock raw = FlipRows(rows, w, h, errors);
    const MemoryBlock bmp = BuildBitmap(raw, w, h, errors);
    int shownW = 0, shownH = 0;
    const bool resized = ShownCaptureSize(mode, 0, shownW, shownH);

    std::map<std::string, double> stage;
    double pipeline = 0;
    bench::Stopwatch watch;
    for (auto _ : state) {
        watch.Start();
        {
            MemoryBlock flipped = FlipRows(rows, w, h, errors);
            MemoryBlock bitmap = BuildBitmap(flipped, w, h, errors);
            lead.SetAutoRedraw(false);
            lead.SetPictureHandle(0);
            lead.LoadMemory(bitmap, 0, 0, long(bitmap.Size()));
            FinishCapturedPicture(lead, mode, 0, kSharpAmount);
            Fit(lead);
        }
        const double whole = watch.Stop();
        pipeline += whole;
        state.SetIterationTime(whole);

        watch.Start();
        benchmark::DoNotOptimize(FlipRows(rows, w, h, errors).Data());
        stage["flip"] += watch.Stop();

        watch.Start();
        benchmark::DoNotOptimize(BuildBitmap(raw, w, h, errors).Data());
        stage["bitmap"] += watch.Stop();

        lead.SetAutoRedraw(false);
        lead.SetPictureHandle(0);
        watch.Start();
        lead.LoadMemory(bmp, 0, 0, long(bmp.Size()));
        stage["load"] += watch.Stop();

        if (resized) {
            watch.Start();
            lead.Resize(float(shownW), float(shownH), kCaptureResizeFlags);
            stage["resize"] += watch.Stop();
        }

        watch.Start();
        lead.Sharpen(kSharpAmount);
        stage["sharpen"] += watch.Stop();

        watch.Start();
        Fit(lead);
        stage["fit"] += watch.Stop();
    }
    const double n = double(state.iterations());
    state.counters["pipeline_us"] = 1e6 * pipeline / n;
    for (const char* name : kStages) {
        state.counters[std::string(name) + "_us"] = 1e6 * stage[name] / n;
    }
}

// Keeps the per-iteration stage times of every repetition.
class StageReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                std::map<std::string, double> times;
                for (const auto& [name, counter] : run.counters) {
                    times[name] = counter.value;
                }
                m_runs[run.benchmark_name()].push_back(times);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintGlue() const {
        std::printf("\nPipeline over the sum of its stages (the glue between them):\n");
        for (const auto& [name, reps] : m_runs) {
            std::vector<std::pair<double, std::size_t>> ratios;
            for (std::size_t i = 0; i < reps.size(); ++i) {
                double sum = 0;
                for (const char* st : kStages) {
                    sum += reps[i].at(std::string(st) + "_us");
                }
                ratios.emplace_back(reps[i].at("pipeline_us") / sum, i);
            }
            std::sort(ratios.begin(), ratios.end());
            const auto& [median, at] = ratios[ratios.size() / 2];
            const auto& times = reps[at];
            double sum = 0;
            for (const char* st : kStages) {
                sum += times.at(std::string(st) + "_us");
            }
            std::printf("  %s: pipeline / sum of stages = %.3f lowest, %.3f median (%zu runs)\n",
                        name.c_str(), ratios.front().first, median, ratios.size());
            std::printf("    pipeline %8.0f us, stages %8.0f us (median run)\n",
                        times.at("pipeline_us"), sum);
            for (const char* st : kStages) {
                const double t = times.at(std::string(st) + "_us");
                std::printf("    %-8s %8.0f us %5.1f %%\n", st, t, 100.0 * t / sum);
            }
        }
    }

private:
    std::map<std::string, std::vector<std::map<std::string, double>>> m_runs;
};

}  // namespace

BENCHMARK(Capture)
    ->Args({1280, 1024})
    ->Args({1280, 768})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tavelo::bench::DefaultArgs args(argc, argv);
    benchmark::Initialize(args.Argc(), args.Argv());
    StageReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintGlue();
    benchmark::Shutdown();
    return 0;
}
