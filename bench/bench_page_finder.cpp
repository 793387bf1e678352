// Finding the page on the desk and straightening it, on the simulated camera's desk scenes.
//
// Timing, as ratios in one run: finding the corners against the capture pipeline after the
// transfer (flip, bitmap, load, resize, sharpen, fit: as bench_capture_pipeline runs it), and
// straightening plus clean-up against a bare warp of the picture to the same output size.
// Accuracy: on 200 scenes of fixed seeds (every hard case among them), the intersection over
// union of the found page with the true one, printed as a distribution, and whether every
// scene without a page gives the whole picture back.

#include <QApplication>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "BenchRatio.h"
#include "RawSamples.h"
#include "device/DeskScene.h"
#include "pages/CvImage.h"
#include "pages/PageFinder.h"
#include "pages/PageStraightener.h"
#include "picture/CaptureLook.h"
#include "picture/RawConversion.h"
#include "support/PageOverlap.h"
#include "ui/CLead.h"

using namespace tavelo;

namespace {

constexpr int kSharpAmount = 950;  // as in bench_capture_pipeline
constexpr int kWindow = 900;
constexpr int kScenes = 200;

const std::vector<DeskScene>& TimingScenes() {
    static const std::vector<DeskScene> scenes = [] {
        std::vector<DeskScene> s;
        for (std::uint32_t seed = 1001; seed <= 1010; ++seed) {
            s.push_back(RenderDeskScene(seed, 1280, 1024));
        }
        return s;
    }();
    return scenes;
}

CLead& Lead() {
    static CLead* lead = [] {
        auto* l = new CLead;
        l->resize(kWindow, 700);
        l->show();
        return l;
    }();
    return *lead;
}

// The reference: the capture pipeline after the transfer for a 1280 x 1024 picture.
void CapturePipeline(benchmark::State& state) {
    const int w = 1280, h = 1024;
    const MemoryBlock rows = bench::NoisyRaw(w, h, 7);
    bench::NoErrors errors;
    CLead& lead = Lead();
    for (auto _ : state) {
        MemoryBlock flipped = FlipRows(rows, w, h, errors);
        MemoryBlock bitmap = BuildBitmap(flipped, w, h, errors);
        lead.SetAutoRedraw(false);
        lead.SetPictureHandle(0);
        lead.LoadMemory(bitmap, 0, 0, long(bitmap.Size()));
        FinishCapturedPicture(lead, 3, 0, kSharpAmount);
        lead.SetZoomMode(CLead::kZoomModeFactor);
        lead.SetZoomPercent(100.0f * kWindow / lead.GetPictureWidth());
        lead.SetAutoRedraw(true);
    }
}

void FindCorners(benchmark::State& state) {
    const auto& scenes = TimingScenes();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindPage(scenes[i++ % scenes.size()].picture));
    }
}

// The page's corners as found, so that both sides below warp the same quadrilateral.
const std::vector<PageCorners>& FoundCorners() {
    static const std::vector<PageCorners> corners = [] {
        std::vector<PageCorners> c;
        for (const DeskScene& s : TimingScenes()) {
            c.push_back(FindPage(s.picture).corners);
        }
        return c;
    }();
    return corners;
}

void Straighten(benchmark::State& state) {
    const auto& scenes = TimingScenes();
    const auto& corners = FoundCorners();
    const auto look = static_cast<PageLook>(state.range(0));
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t k = i++ % scenes.size();
        benchmark::DoNotOptimize(StraightenPage(scenes[k].picture, corners[k], look));
    }
}

// The reference: the picture warped to the same size, nothing else.
void BareWarp(benchmark::State& state) {
    const auto& scenes = TimingScenes();
    const auto& corners = FoundCorners();
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t k = i++ % scenes.size();
        const PageCorners& c = corners[k];
        const QSize size = StraightSize(c);
        QImage keep;
        const cv::Mat picture = BgraView(scenes[k].picture, keep);
        const cv::Point2f from[4] = {{float(c[0].x()), float(c[0].y())},
                                     {float(c[1].x()), float(c[1].y())},
                                     {float(c[2].x()), float(c[2].y())},
                                     {float(c[3].x()), float(c[3].y())}};
        const cv::Point2f to[4] = {{0, 0},
                                   {float(size.width()), 0},
                                   {float(size.width()), float(size.height())},
                                   {0, float(size.height())}};
        cv::Mat out;
        cv::warpPerspective(picture, out, cv::getPerspectiveTransform(from, to),
                            cv::Size(size.width(), size.height()));
        benchmark::DoNotOptimize(out.data);
    }
}

double Iou(const DeskScene& scene, const FoundPage& found) {
    return test::PageOverlap(scene.picture.size(), scene.corners, found.corners);
}

struct Spread {
    double least = 0, p5 = 0, median = 0, mean = 0;
};

Spread SpreadOf(std::vector<double> values) {
    Spread s;
    if (values.empty()) {
        return s;
    }
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) { return values[std::size_t(q * double(values.size() - 1))]; };
    s.least = values.front(), s.p5 = at(0.05), s.median = at(0.5);
    for (double v : values) {
        s.mean += v / double(values.size());
    }
    return s;
}

// The picture with the true outline (green) and the found one (red), for looking at a miss.
void SaveMiss(const QString& folder, int seed, const DeskScene& scene, const FoundPage& found) {
    QImage shown = scene.picture.copy();
    QPainter painter(&shown);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto draw = [&](const PageCorners& c, QColor colour) {
        painter.setPen(QPen(colour, 3));
        painter.drawPolygon(QPolygonF({c[0], c[1], c[2], c[3]}));
    };
    draw(scene.corners, Qt::green);
    draw(found.corners, Qt::red);
    painter.end();
    shown.save(QString("%1/seed-%2.png").arg(folder).arg(seed));
}

// Accuracy on `count` scenes from seed `first`; the scenes scoring below `saveBelow` are saved
// to `saveFolder` when one is given.
void PrintAccuracy(int first, int count, const QString& saveFolder, double saveBelow) {
    const QSize sizes[] = {{1280, 1024}, {1280, 1024}, {960, 768}, {1024, 1280}};
    std::vector<double> ious;
    std::vector<std::pair<double, int>> worst;
    int noPage = 0, noPageWhole = 0;
    std::vector<double> byKind[kDeskCaseCount];
    for (int seed = first; seed < first + count; ++seed) {
        const QSize size = sizes[seed % 4];
        const DeskScene scene = RenderDeskScene(std::uint32_t(seed), size.width(), size.height());
        const FoundPage found = FindPage(scene.picture);
        if (!scene.hasPage) {
            ++noPage;
            noPageWhole += !found.found;
            if (found.found && !saveFolder.isEmpty()) {
                SaveMiss(saveFolder, seed, scene, found);
            }
            continue;
        }
        const double iou = Iou(scene, found);
        ious.push_back(iou);
        worst.emplace_back(iou, seed);
        byKind[int(scene.kind)].push_back(iou);
        if (iou < saveBelow && !saveFolder.isEmpty()) {
            SaveMiss(saveFolder, seed, scene, found);
        }
    }
    std::sort(worst.begin(), worst.end());
    const Spread all = SpreadOf(ious);
    std::printf(
        "\nAccuracy on %d desk scenes (seeds %d..%d), IoU of the found page with the "
        "true one:\n",
        int(ious.size()), first, first + count - 1);
    std::printf(
        "  all             min %.4f  p5 %.4f  median %.4f  mean %.4f   (targets: median >= 0.98, "
        "p5 >= 0.95)\n",
        all.least, all.p5, all.median, all.mean);
    const char* kinds[] = {"ordinary",   "white on light", "fills frame", "partly outside",
                           "two sheets", "fingers",        "no page"};
    for (int k = 0; k < kDeskCaseCount; ++k) {
        if (!byKind[k].empty()) {
            const Spread s = SpreadOf(byKind[k]);
            std::printf("  %-15s min %.4f  p5 %.4f  median %.4f  mean %.4f  over %d\n", kinds[k],
                        s.least, s.p5, s.median, s.mean, int(byKind[k].size()));
        }
    }
    std::printf("  lowest:");
    for (std::size_t i = 0; i < std::min<std::size_t>(8, worst.size()); ++i) {
        std::printf(" seed %d %.3f;", worst[i].second, worst[i].first);
    }
    std::printf("\n  scenes without a page: %d, the whole picture given back for %d\n", noPage,
                noPageWhole);
}

}  // namespace

BENCHMARK(CapturePipeline)->Unit(benchmark::kMillisecond);
BENCHMARK(FindCorners)->Unit(benchmark::kMillisecond);
BENCHMARK(Straighten)
    ->Arg(int(PageLook::Grey))
    ->Arg(int(PageLook::Colour))
    ->Arg(int(PageLook::BlackWhite))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BareWarp)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // --accuracy [FIRST COUNT [FOLDER [BELOW]]]: the accuracy alone, on other seeds if given
    // (scenes the tests never use), saving the scenes found worse than BELOW to FOLDER.
    // --timing: the timings alone.
    const QStringList args = app.arguments();
    const bool accuracyOnly = args.size() > 1 && args[1] == "--accuracy";
    const bool timingOnly = args.size() > 1 && args[1] == "--timing";
    if (!accuracyOnly) {
        tavelo::bench::DefaultArgs args(argc - timingOnly, argv + timingOnly);
        benchmark::Initialize(args.Argc(), args.Argv());
        bench::RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.PrintRatios({{"FindCorners", "CapturePipeline"},
                              {"Straighten/1", "BareWarp"},
                              {"Straighten/0", "BareWarp"},
                              {"Straighten/2", "BareWarp"}});
        benchmark::Shutdown();
    }
    if (timingOnly) {
        return 0;
    }
    const int first = accuracyOnly && args.size() > 3 ? args[2].toInt() : 1;
    const int count = accuracyOnly && args.size() > 3 ? args[3].toInt() : kScenes;
    const QString folder = accuracyOnly && args.size() > 4 ? args[4] : QString();
    const double below = accuracyOnly && args.size() > 5 ? args[5].toDouble() : 0.95;
    PrintAccuracy(first, count, folder, below);
    return 0;
}
