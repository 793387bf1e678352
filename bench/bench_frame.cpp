// The Capture command as the user waits for it, through the frame and the view on the
// simulated camera (command issued to picture painted), against the steps it cannot do
// without, each timed on its own in the same run: the status query, the picture size, the
// transfer of the rows, flip, bitmap, load, finish (resize, sharpen) and the first paint of
// the picture into a window of the view's size. The difference is what the window adds:
// status texts, the progress bar, enabling and disabling, extra repaints, copies.

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>

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
    double status = 0, size = 0, transfer = 0, flip = 0, bitmap = 0, load = 0, finish = 0,
           paint = 0;
    bench::Stopwatch watch;
    for (auto _ : state) {
        watch.Start();
        StatusReply reply;
        const LinkResult queried = QueryStatus(link, cmd::QUERY_GROUP2, reply);
        const StatusGroup2 group = DecodeGroup2(reply);
        double t = watch.Stop();
        status += t;
        double sum = t;

        watch.Start();
        int w = 0, h = 0;
        const bool sized = RawCaptureSize(group.captureMode, group.rotation, w, h);
        t = watch.Stop();
        size += t;
        sum += t;
        if (queried != LinkResult::Done || !sized) {
            state.SkipWithError("no picture size");
            break;
        }

        watch.Start();
        LinkResult sent = SendAndConfirm(link, cmd::TRANSFER);
        MemoryBlock rows = MemoryBlock::Allocate(2u * std::size_t(w) * std::size_t(h));
        if (sent == LinkResult::Done) {
            sent = link.ReadImage(rows, w, h, nullptr);
        }
        t = watch.Stop();
        transfer += t;
        sum += t;
        if (sent != LinkResult::Done) {
            state.SkipWithError("transfer failed");
            break;
        }

        watch.Start();
        MemoryBlock raw = FlipRows(rows, w, h, errors);
        t = watch.Stop();
        flip += t;
        sum += t;
        rows.Free();

        watch.Start();
        MemoryBlock bmp = BuildBitmap(raw, w, h, errors);
        t = watch.Stop();
        bitmap += t;
        sum += t;

        watch.Start();
        lead->SetAutoRedraw(false);
        lead->SetPictureHandle(0);
        lead->LoadMemory(bmp, 0, 0, long(bmp.Size()));
        t = watch.Stop();
        load += t;
        sum += t;

        watch.Start();
        FinishCapturedPicture(*lead, group.captureMode, group.rotation, amount);
        t = watch.Stop();
        finish += t;
        sum += t;

        // Fitted as the view fits it, then painted once.
        watch.Start();
        const float fit = std::min(100.0f * float(lead->width()) / lead->GetPictureWidth(),
                                   100.0f * float(lead->height()) / lead->GetPictureHeight());
        lead->SetZoomMode(CLead::kZoomModeFactor);
        lead->SetZoomPercent(fit);
        lead->SetAutoRedraw(true);
        lead->viewport()->repaint();
        t = watch.Stop();
        paint += t;
        sum += t;

        state.SetIterationTime(sum);
    }
    const double us = 1e6 / double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["status_us"] = status * us;
    state.counters["size_us"] = size * us;
    state.counters["transfer_us"] = transfer * us;
    state.counters["flip_us"] = flip * us;
    state.counters["bitmap_us"] = bitmap * us;
    state.counters["load_us"] = load * us;
    state.counters["finish_us"] = finish * us;
    state.counters["paint_us"] = paint * us;
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
