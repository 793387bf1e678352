// The page editor while a handle is dragged across a desk picture of the camera's size: the
// longest the window is kept from answering (a mouse move handled, or a turn of the event
// loop between moves, which takes in the previews as they come) against the same drag on the
// outline alone, without a preview (what the preview costs the window), and against
// straightening the page once (what the window would stop for at every move if it made the
// preview itself).

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <thread>

#include "BenchRatio.h"
#include "Stopwatch.h"
#include "device/DeskScene.h"
#include "pages/Sitting.h"
#include "view/PageCanvas.h"
#include "view/PageEditor.h"

using namespace tavelo;

namespace {

constexpr int kMoves = 40;                                // mouse moves in one drag
constexpr auto kBetween = std::chrono::milliseconds(16);  // a hand gives about 60 a second

// A window shown, once the window system has exposed it.
void ShowExposed(QWidget& window) {
    window.show();
    for (int i = 0; i < 100 && !(window.windowHandle() && window.windowHandle()->isExposed());
         ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QCoreApplication::processEvents();
}

struct EditorRig {
    QTemporaryDir dir;
    Sitting sitting;
    QImage picture;
    std::unique_ptr<PageEditor> editor;
    std::unique_ptr<PageCanvas> canvas;  // the outline alone, the editor's canvas's size

    EditorRig() {
        sitting.Open(dir.filePath("cache"), "bench");
        picture = RenderDeskScene(3, 1280, 1024, DeskCase::Ordinary).picture;
        const QString file = dir.filePath("desk.bmp");
        picture.save(file);
        sitting.AddFile(file, picture);
        sitting.TakeOutline(0, OutlineFor(picture, true));
        editor = std::make_unique<PageEditor>(sitting, 0);
        editor->resize(900, 560);
        ShowExposed(*editor);
        canvas = std::make_unique<PageCanvas>();
        canvas->SetPicture(picture, editor->Canvas()->Corners());
        canvas->resize(editor->Canvas()->size());
        ShowExposed(*canvas);
    }
};

std::unique_ptr<EditorRig>& TheRig() {
    static std::unique_ptr<EditorRig> rig;  // ended in main, before the application object
    return rig;
}

EditorRig& Rig() {
    if (!TheRig()) {
        TheRig() = std::make_unique<EditorRig>();
    }
    return *TheRig();
}

void Send(QWidget& canvas, QEvent::Type type, QPoint at) {
    const QPointF global = canvas.mapToGlobal(QPointF(at));
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), global,
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&canvas, &event);
}

// The window's own processor time so far: what a pause costs it, without the time the
// machine's other work takes the processor away from it.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

struct Pauses {
    double longest = 0;     // seconds of wall time
    double longestCpu = 0;  // seconds of the window's processor time
};

// The longest pause of the window over a drag of the bottom-right handle of `canvas`.
Pauses Drag(PageCanvas& canvas) {
    bench::Stopwatch watch;
    Pauses pauses;
    const auto timed = [&](auto&& work) {
        const double cpu = ThreadSeconds();
        watch.Start();
        work();
        pauses.longest = std::max(pauses.longest, watch.Stop());
        pauses.longestCpu = std::max(pauses.longestCpu, ThreadSeconds() - cpu);
    };
    const QPoint from = canvas.ToWidget(canvas.Corners()[2]).toPoint();
    timed([&] { Send(canvas, QEvent::MouseButtonPress, from); });
    for (int i = 1; i <= kMoves; ++i) {
        // Up and to the left and back again, a few pixels a move.
        const int out = i % 20 < 10 ? i % 10 : 10 - i % 10;
        timed([&] { Send(canvas, QEvent::MouseMove, from - QPoint(4 * out, 3 * out)); });
        const auto next = std::chrono::steady_clock::now() + kBetween;
        while (std::chrono::steady_clock::now() < next) {
            timed([] { QCoreApplication::processEvents(); });
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    timed([&] { Send(canvas, QEvent::MouseButtonRelease, from); });
    return pauses;
}

void Measure(benchmark::State& state, PageCanvas& canvas) {
    Pauses slowest;
    for (auto _ : state) {
        const Pauses drag = Drag(canvas);
        state.SetIterationTime(drag.longest);
        slowest.longest = std::max(slowest.longest, drag.longest);
        slowest.longestCpu = std::max(slowest.longestCpu, drag.longestCpu);
    }
    state.counters["slowest_ms"] = slowest.longest * 1000;
    state.counters["slowest_cpu_ms"] = slowest.longestCpu * 1000;
}

void BM_DragPause(benchmark::State& state) {
    EditorRig& rig = Rig();
    Measure(state, *rig.editor->Canvas());
    if (rig.editor->PreviewShown() == 0) {
        state.SkipWithError("no preview came");
    }
}
BENCHMARK(BM_DragPause)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same drag on the outline alone: what the window costs without a preview.
void BM_DragOutlineOnly(benchmark::State& state) {
    Measure(state, *Rig().canvas);
}
BENCHMARK(BM_DragOutlineOnly)->UseManualTime()->Unit(benchmark::kMillisecond);

// What each move would cost the window if it straightened the page itself.
void BM_StraightenOnce(benchmark::State& state) {
    EditorRig& rig = Rig();
    const PageOutline outline = rig.editor->Outline();
    for (auto _ : state) {
        benchmark::DoNotOptimize(DocumentPicture(rig.picture, outline, PageLook::Grey));
    }
}
BENCHMARK(BM_StraightenOnce)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    qputenv("XDG_CACHE_HOME", home.filePath("cache").toUtf8());
    QApplication app(argc, argv);
    bench::DefaultArgs args(argc, argv, 5, 0.05);
    benchmark::Initialize(args.Argc(), args.Argv());
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios({{"BM_DragPause/manual_time", "BM_DragOutlineOnly/manual_time"},
                          {"BM_DragPause/manual_time", "BM_StraightenOnce"}});
    benchmark::Shutdown();
    TheRig().reset();  // its preview thread ends while the libraries it uses are still there
    return 0;
}
