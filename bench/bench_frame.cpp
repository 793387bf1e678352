// The Capture command as the user waits for it, through the frame and the view on the
// simulated camera (command issued to picture painted), against the steps it cannot do
// without, each timed on its own in the same run: the status query, the picture size, the
// transfer of the rows, flip, bitmap, load, finish (resize, sharpen) and the first paint of
// the picture into a window of the view's size. The difference is what the window adds:
// status texts, the progress bar, enabling and disabling, extra repaints, copies.

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>
#include <map>
#include <string>

#include "AppRig.h"
#include "BenchRatio.h"
#include "RawSamples.h"
#include "Stopwatch.h"
#include "camera/Capture.h"
#include "camera/CommandSet.h"
#include "device/DeviceLink.h"
#include "picture/CaptureLook.h"
#include "picture/RawConversion.h"
#include "res/CommandIds.h"

using namespace tavelo;

namespace {

bench::AppRig& Rig() {
    static auto* rig = new bench::AppRig;  // lives as long as the application object
    return *rig;
}

void BM_CaptureCommand(benchmark::State& state) {
    bench::AppRig& rig = Rig();
    bench::Stopwatch watch;
    for (auto _ : state) {
        const int painted = rig.Lead().RenderCount();
        watch.Start();
        rig.frame->RunCommand(ID_CAPTURE);
        bench::AppRig::Settle();
        state.SetIterationTime(watch.Stop());
        if (rig.Lead().RenderCount() == painted || !rig.view->m_bImage) {
            state.SkipWithError("no picture shown");
            break;
        }
    }
}

// The steps alone: on the same camera, into a bare imaging control of the view's size.
void BM_CaptureStages(benchmark::State& state) {
    bench::AppRig& rig = Rig();
    static CLead* lead = [&] {
        auto* l = new CLead;
        l->resize(rig.Lead().size());
        bench::AppRig::ShowExposed(*l);
        return l;
    }();
    DeviceLink link(rig.camera);
    bench::NoErrors errors;
    const int amount = rig.view->m_nSharpValue;
    std::map<std::string, double> totals;  // seconds of each step over all iterations
    bench::Stopwatch watch;
    for (auto _ : state) {
        double sum = 0;
        const auto timed = [&](const char* step, auto&& work) {
            watch.Start();
            work();
            const double t = watch.Stop();
            totals[step] += t;
            sum += t;
        };

        StatusReply reply;
        LinkResult queried{};
        StatusGroup2 group;
        timed("status", [&] {
            queried = QueryStatus(link, cmd::QUERY_GROUP2, reply);
            group = DecodeGroup2(reply);
        });
        int w = 0, h = 0;
        bool sized = false;
        timed("size", [&] { sized = RawCaptureSize(group.captureMode, group.rotation, w, h); });
        if (queried != LinkResult::Done || !sized) {
            state.SkipWithError("no picture size");
            break;
        }

        MemoryBlock rows;
        LinkResult sent{};
        timed("transfer", [&] {
            sent = SendAndConfirm(link, cmd::TRANSFER);
            rows = MemoryBlock::Allocate(2u * std::size_t(w) * std::size_t(h));
            if (sent == LinkResult::Done) {
                sent = link.ReadImage(rows, w, h, nullptr);
            }
        });
        if (sent != LinkResult::Done) {
            state.SkipWithError("transfer failed");
            break;
        }

        MemoryBlock raw, bmp;
        timed("flip", [&] { raw = FlipRows(rows, w, h, errors); });
        rows.Free();
        timed("bitmap", [&] { bmp = BuildBitmap(raw, w, h, errors); });
        timed("load", [&] {
            lead->SetAutoRedraw(false);
            lead->SetPictureHandle(0);
            lead->LoadMemory(bmp, 0, 0, long(bmp.Size()));
        });
        timed("finish",
              [&] { FinishCapturedPicture(*lead, group.captureMode, group.rotation, amount); });
        // Fitted as the view fits it, then painted once.
        timed("paint", [&] {
            const float fit = std::min(100.0f * float(lead->width()) / lead->GetPictureWidth(),
                                       100.0f * float(lead->height()) / lead->GetPictureHeight());
            lead->SetZoomMode(CLead::kZoomModeFactor);
            lead->SetZoomPercent(fit);
            lead->SetAutoRedraw(true);
            lead->viewport()->repaint();
        });

        state.SetIterationTime(sum);
    }
    const double us = 1e6 / double(std::max<benchmark::IterationCount>(1, state.iterations()));
    for (const auto& [step, seconds] : totals) {
        state.counters[step + "_us"] = seconds * us;
    }
}

}  // namespace

BENCHMARK(BM_CaptureCommand)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptureStages)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings of the benchmark's own: the default sharpness and quality.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    bench::DefaultArgs args(argc, argv, 5, 0.3);
    benchmark::Initialize(args.Argc(), args.Argv());
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios({{"BM_CaptureCommand/manual_time", "BM_CaptureStages/manual_time"}});
    benchmark::Shutdown();
    return 0;
}
