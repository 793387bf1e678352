// A series of captures on the simulated camera, through the frame and the view: Capture to
// Series against one capture plus one JPEG save of the same picture; the resident memory
// after 10 pages and after many; and Export PDF of 100 pages against writing the same 100
// pictures as JPEG files.
//
//   bench_series [--pages=N] [benchmark flags]   (N pages for the memory figure, default 100)

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <memory>

#include "AppRig.h"
#include "BenchRatio.h"
#include "pages/PageList.h"
#include "pages/PdfPages.h"
#include "picture/PictureEngine.h"
#include "settings/SeriesSettings.h"

using namespace tavelo;

namespace {

QTemporaryDir* g_dir = nullptr;

// The frame and the view as the application builds them, ready, pages and series in the
// benchmark's folder.
struct Rig : bench::AppRig {
    QString series;

    explicit Rig(const QString& name) {
        const QString root = g_dir->filePath(name);
        series = QDir(root).filePath("series");
        SeriesSettings s;
        s.folder = series;
        s.pattern = QStringLiteral("page-{n:04}");
        SaveSeriesSettings(s);
        view->StartPages(QDir(root).filePath("cache"), QStringLiteral("run"));
    }
};

long ResidentKiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void BM_CaptureThenJpegSave(benchmark::State& state) {
    Rig rig("reference");
    const QString path = QDir(rig.series).filePath("one.JPG");
    QDir().mkpath(rig.series);
    for (auto _ : state) {
        rig.view->OnCapture();
        if (rig.view->m_lead->SaveFile(path, PictureEngine::kFormatJpeg, 24,
                                       static_cast<short>(rig.view->m_nQFactor), 0) != 0) {
            state.SkipWithError("save failed");
        }
    }
}

// The series goes on in a folder that already holds range(0) of its pictures: what one
// more page costs should not depend on how many came before.
void BM_CaptureToSeries(benchmark::State& state) {
    Rig rig(QStringLiteral("series%1").arg(state.range(0)));
    QDir().mkpath(rig.series);
    for (int i = 1; i <= state.range(0); ++i) {
        QFile(QDir(rig.series).filePath(QString::asprintf("page-%04d.JPG", i)))
            .open(QIODevice::WriteOnly);
    }
    for (auto _ : state) {
        rig.view->OnCaptureToSeries();
    }
    state.counters["pages"] = rig.view->Pages()->rowCount();
}

// 100 pages in a run, written out either way; both rebuild every picture from its rows.
struct HundredPages {
    std::unique_ptr<Rig> rig;
    HundredPages() {
        rig = std::make_unique<Rig>("hundred");
        for (int i = 0; i < 100; ++i) {
            rig->view->CaptureAsPage();
        }
    }
};
// Made on first use, gone before the application object.
std::unique_ptr<HundredPages> g_hundred;
HundredPages& Hundred() {
    if (!g_hundred) {
        g_hundred = std::make_unique<HundredPages>();
    }
    return *g_hundred;
}

void BM_Write100Jpeg(benchmark::State& state) {
    const PageStore& store = Hundred().rig->view->Pages()->Store();
    const QString folder = g_dir->filePath("jpeg100");
    QDir().mkpath(folder);
    for (auto _ : state) {
        for (int i = 0; i < store.Count(); ++i) {
            PictureEngine engine;
            engine.SetImage(store.Picture(i));
            engine.SaveFile(QDir(folder).filePath(QString("p%1.jpg").arg(i)),
                            PictureEngine::kFormatJpeg, 24, 15, 0);
        }
    }
}

void BM_ExportPdf100(benchmark::State& state) {
    const PageStore& store = Hundred().rig->view->Pages()->Store();
    const QString path = g_dir->filePath("pages.pdf");
    for (auto _ : state) {
        if (WritePdf(
                path, store.Count(), [&](int i) { return store.Picture(i); }, QPageSize::A4) != 0) {
            state.SkipWithError("export failed");
        }
    }
}

BENCHMARK(BM_CaptureThenJpegSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptureToSeries)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write100Jpeg)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_ExportPdf100)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// Resident memory of a series run after 10 pages and after `total`.
void MemoryFigure(int total) {
    Rig rig("memory");
    long after10 = 0;
    for (int i = 1; i <= total; ++i) {
        rig.view->OnCaptureToSeries();
        if (i == 10) {
            after10 = ResidentKiB();
        }
    }
    const long afterAll = ResidentKiB();
    std::printf("\nResident memory: %ld KiB after 10 pages, %ld KiB after %d pages (%+.1f %%)\n",
                after10, afterAll, rig.view->Pages()->rowCount(),
                after10 > 0 ? 100.0 * double(afterAll - after10) / double(after10) : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    g_dir = &dir;
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    int pages = 100;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--pages=", 8) == 0) {
            pages = std::max(10, std::atoi(argv[i] + 8));
        } else {
            rest.push_back(argv[i]);
        }
    }
    int restCount = static_cast<int>(rest.size());
    QApplication app(restCount, rest.data());
    tavelo::bench::DefaultArgs args(restCount, rest.data(), 3, 0.5);
    benchmark::Initialize(args.Argc(), args.Argv());
    tavelo::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios(
        {{"BM_CaptureToSeries/0", "BM_CaptureThenJpegSave"},
         {"BM_CaptureToSeries/1000", "BM_CaptureThenJpegSave"},
         {"BM_ExportPdf100/iterations:1/repeats:3", "BM_Write100Jpeg/iterations:1/repeats:3"}});
    std::fflush(stdout);
    g_hundred.reset();
    MemoryFigure(pages);
    return 0;
}
