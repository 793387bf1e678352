// Reading pages: one page through the worker process against the tesseract API on the same
// page in this process; ten pages on two workers against ten times one page; then, on a set
// of generated pages, the character error rate (the Levenshtein distance between the text
// as set and as read, both with whitespace collapsed, over the length of the text as set),
// words read per second, the slowest pause of this process's event loop while the pages are
// read, and the searchable PDF's size against its pictures'.
//
//   bench_reader [--pages=N] [--desk=M] [--desk-first=K] [--seeds=S,S,..]
//                [--look=grey|colour|bw] [flags]
//
// N generated pages for the accuracy (default 40); then M desk scenes of the simulated camera
// (default 200, 0 for none; seeds from K, default 0) as the user gets them: the sheet looked
// for, straightened and evened in the look (default Grey), and read, turned upright by the
// reader when the orientation model is there, as the application reads. Each scene's error rate is
// also measured on the sheet straightened with its true corners, which tells the finder's share
// from the reader's. Scenes whose page lies partly outside the frame or under fingers lose words
// that cannot be read, and the desk alone has none: they are shown per kind, outside the overall
// figures.
//
// The pages stand in for straightened camera pages: 200 pixels per inch, fonts, sizes and
// paper tints varied, made at twice the size and reduced (the softness of a camera), grain
// added, saved as JPEG.

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QLineF>
#include <QPolygonF>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <tuple>

#include "BenchRatio.h"
#include "device/DeskScene.h"
#include "pages/DocumentPage.h"
#include "pages/PageReader.h"
#include "pages/ReaderSetup.h"
#include "pages/SearchablePdf.h"
#include "pages/Sitting.h"
#include "pages/SittingReader.h"
#include "support/TextPages.h"

using namespace tavelo;

namespace {

constexpr int kPpi = 200;

struct Sample {
    QByteArray jpeg;
    QString text;
};
std::vector<Sample> g_pages;

Sample MakePage(quint32 seed) {
    static const QStringList families = {"DejaVu Serif", "DejaVu Sans",   "Nimbus Roman",
                                         "Nimbus Sans",  "URW Bookman",   "C059",
                                         "P052",         "Nimbus Mono PS"};
    QRandomGenerator random(seed);
    const QString family = test::InstalledFamily({families[random.bounded(int(families.size()))]});
    const qreal points = 9 + random.bounded(5);
    const int tint = 225 + random.bounded(30);
    const QColor paper(tint, tint - random.bounded(8), tint - random.bounded(20));
    const QColor ink(random.bounded(40), random.bounded(40), random.bounded(60));
    // A half sheet (A5 across) set at twice the resolution and reduced.
    const auto page =
        test::RenderTextPage(seed, 2 * kPpi, QSizeF(5.8, 4.1), points, family, paper, ink);
    QImage soft = page.picture.scaled(page.picture.size() / 2, Qt::IgnoreAspectRatio,
                                      Qt::SmoothTransformation);
    for (int y = 0; y < soft.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(soft.scanLine(y));
        for (int x = 0; x < soft.width(); ++x) {
            const int n = random.bounded(13) - 6;
            row[x] =
                qRgb(std::clamp(qRed(row[x]) + n, 0, 255), std::clamp(qGreen(row[x]) + n, 0, 255),
                     std::clamp(qBlue(row[x]) + n, 0, 255));
        }
    }
    return {test::Encoded(soft, "JPEG", 85), page.text};
}

// Reads `count` pages from `first` on `reader` and waits in an event loop; the replies in
// page order.
std::vector<ReadReply> ReadPages(PageReader& reader, int first, int count) {
    std::vector<ReadReply> replies(static_cast<std::size_t>(count));
    std::map<std::uint32_t, int> index;
    int left = count;
    QEventLoop loop;
    auto connection = QObject::connect(&reader, &PageReader::finished, [&](const ReadReply& reply) {
        replies[std::size_t(index[reply.id])] = reply;
        if (--left == 0) {
            loop.quit();
        }
    });
    for (int i = 0; i < count; ++i) {
        const Sample& page = g_pages[std::size_t((first + i) % g_pages.size())];
        index[reader.Read(page.jpeg, kPpi, QStringLiteral("eng"))] = i;
    }
    loop.exec();
    QObject::disconnect(connection);
    return replies;
}

PageReader& Reader(int workers) {
    static std::map<int, std::unique_ptr<PageReader>> readers;
    auto& reader = readers[workers];
    if (!reader) {
        reader = std::make_unique<PageReader>(ReaderProgram(), workers);
        ReadPages(*reader, 0, workers);  // the workers started and their engines loaded
    }
    return *reader;
}

// The reference: tesseract's API on the same picture in this process, as the worker uses it.
void BM_ReadInProcess(benchmark::State& state) {
    tesseract::TessBaseAPI api;
    if (api.Init(nullptr, "eng", tesseract::OEM_DEFAULT) != 0) {
        state.SkipWithError("no English model");
        return;
    }
    api.SetPageSegMode(tesseract::PSM_AUTO);
    const QByteArray& jpeg = g_pages[0].jpeg;
    for (auto _ : state) {
        Pix* pix = pixReadMem(reinterpret_cast<const l_uint8*>(jpeg.constData()),
                              std::size_t(jpeg.size()));
        api.SetImage(pix);
        api.SetSourceResolution(kPpi);
        delete[] api.GetUTF8Text();
        api.Clear();
        pixDestroy(&pix);
    }
}

void BM_ReadThroughWorker(benchmark::State& state) {
    PageReader& reader = Reader(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadPages(reader, 0, 1));
    }
}

void BM_TenTimesOnePage(benchmark::State& state) {
    PageReader& reader = Reader(1);
    for (auto _ : state) {
        for (int i = 0; i < 10; ++i) {
            benchmark::DoNotOptimize(ReadPages(reader, i, 1));
        }
    }
}

void BM_TenPagesTwoWorkers(benchmark::State& state) {
    PageReader& reader = Reader(2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadPages(reader, 0, 10));
    }
}

BENCHMARK(BM_ReadInProcess)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadThroughWorker)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TenTimesOnePage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_TenPagesTwoWorkers)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

double Quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[std::size_t(q * double(values.size() - 1) + 0.5)];
}

// The event loop's longest pause from now until Stop(): a timer ticks every 5 ms, and the
// longest gap between two ticks beyond those 5 ms is the slowest pause a window would see.
class PauseMeter {
public:
    PauseMeter() {
        m_beat.setInterval(5);
        QObject::connect(&m_beat, &QTimer::timeout,
                         [this] { m_slowest = std::max(m_slowest, m_tick.restart() - 5); });
        m_tick.start();
        m_beat.start();
    }
    qint64 Stop() {
        m_beat.stop();
        return m_slowest;
    }

private:
    QElapsedTimer m_tick;
    QTimer m_beat;
    qint64 m_slowest = 0;
};

// Accuracy, speed and the event loop's longest pause over `count` pages on one worker per
// core, then the searchable PDF of the first ten.
void MeasurePages(int count) {
    PageReader reader;
    QElapsedTimer clock;
    PauseMeter pauses;
    clock.start();
    const std::vector<ReadReply> replies = ReadPages(reader, 0, count);
    const qint64 slowest = pauses.Stop();
    const double seconds = clock.elapsed() / 1000.0;
    std::vector<double> rates;
    qsizetype words = 0;
    int unread = 0;
    for (int i = 0; i < count; ++i) {
        const ReadReply& reply = replies[std::size_t(i)];
        unread += reply.status != ReadStatus::Read;
        words += reply.words.size();
        rates.push_back(test::CharacterErrorRate(g_pages[std::size_t(i)].text, reply.text));
    }
    std::printf(
        "\nAccuracy over %d pages at %d ppi (%d unread): character error rate median "
        "%.2f %%, 95th percentile %.2f %%, worst %.2f %%\n",
        count, kPpi, unread, 100 * Quantile(rates, 0.5), 100 * Quantile(rates, 0.95),
        100 * Quantile(rates, 1.0));
    std::printf("Speed: %lld words in %.1f s on %d workers = %.1f words per second\n",
                static_cast<long long>(words), seconds, QThread::idealThreadCount(),
                double(words) / seconds);
    std::printf("Slowest pause of the event loop while reading: %lld ms\n",
                static_cast<long long>(slowest));

    const int pages = std::min(count, 10);
    qint64 pictures = 0;
    for (int i = 0; i < pages; ++i) {
        pictures += g_pages[std::size_t(i)].jpeg.size();
    }
    const auto pdf = [&](bool text) {
        return SearchablePdf(pages,
                             [&](int i, SearchablePage* page) {
                                 page->file = g_pages[std::size_t(i)].jpeg;
                                 page->pixelsPerInch = kPpi;
                                 page->textLayer =
                                     text ? replies[std::size_t(i)].textLayer : QByteArray();
                                 return true;
                             })
            .size();
    };
    const qint64 withText = pdf(true), without = pdf(false);
    std::printf(
        "PDF of %d pages: pictures %lld B, PDF %lld B without text, %lld B with text: "
        "%.1f KB a page above the pictures (bound 15 KB)\n",
        pages, static_cast<long long>(pictures), static_cast<long long>(without),
        static_cast<long long>(withText), double(withText - pictures) / pages / 1024);
}

const char* CaseName(DeskCase kind) {
    static const char* const names[] = {"ordinary",       "white on light", "fills the frame",
                                        "partly outside", "two sheets",     "fingers",
                                        "no page"};
    return names[int(kind)];
}

// The area of a polygon (shoelace).
double Area(const QPolygonF& polygon) {
    double twice = 0;
    for (int i = 0; i < polygon.size(); ++i) {
        const QPointF& a = polygon[i];
        const QPointF& b = polygon[(i + 1) % polygon.size()];
        twice += a.x() * b.y() - b.x() * a.y();
    }
    return std::abs(twice) / 2;
}

// The intersection over union of the found outline with the true one, and the clockwise
// quarter turn (degrees) that brings the page straightened within the found one as the one
// straightened within the true one lies: which true corner the found top-left lies nearest
// to. A reply's turn for the found page should be the true page's turn plus this.
std::pair<double, int> OutlineAgainstTruth(const DeskScene& scene, const PageCorners& found) {
    QPolygonF truth, shown;
    for (int i = 0; i < 4; ++i) {
        truth << scene.corners[std::size_t(i)];
        shown << found[std::size_t(i)];
    }
    const double common = Area(truth.intersected(shown));
    const double all = Area(truth) + Area(shown) - common;
    int nearest = 0;
    for (int i = 1; i < 4; ++i) {
        if (QLineF(found[0], truth[i]).length() < QLineF(found[0], truth[nearest]).length()) {
            nearest = i;
        }
    }
    return {all > 0 ? common / all : 0.0, 90 * nearest};
}

bool WholePageVisible(DeskCase kind) {
    return kind != DeskCase::PartlyOutside && kind != DeskCase::Fingers && kind != DeskCase::NoPage;
}

// The desk scenes read as the user's pages are: the error rate with the found outline and
// with the true one, overall over the scenes whose whole page is in view, and per kind.
// Lists the scenes over 3 %, or `everyScene`.
void MeasureDesk(const std::vector<int>& seeds, PageLook look, bool everyScene) {
    struct Scene {
        int seed;
        DeskCase kind;
        QString text;
        std::uint32_t found = 0, truth = 0;  // reading ids
        double iou = 0;                      // of the found outline with the true one
        int turn = 0;                        // of the found page against the true page
    };
    std::vector<Scene> scenes;
    PageReader reader;
    std::map<std::uint32_t, ReadReply> replies;
    QElapsedTimer clock;
    clock.start();
    const bool upright = CanDetectOrientation();
    // Replies are taken as they come while the next scenes are made: a reply left waiting
    // while this thread is busy would find its page's time-out run out first.
    QEventLoop loop;
    QObject::connect(&reader, &PageReader::finished, [&](const ReadReply& reply) {
        replies[reply.id] = reply;
        if (reader.Pending() == 0) {
            loop.quit();
        }
    });
    for (const int seed : seeds) {
        QCoreApplication::processEvents();
        const DeskScene scene = RenderDeskScene(std::uint32_t(seed), 1280, 1024);
        if (!scene.hasPage) {
            continue;
        }
        const auto read = [&](const PageOutline& outline) {
            const StraightPage page = DocumentPicture(scene.picture, outline, look);
            // TAVELO_BENCH_PAGES=<folder>: each page as read, to look at.
            if (const QString folder = qEnvironmentVariable("TAVELO_BENCH_PAGES");
                !folder.isEmpty()) {
                page.picture.save(
                    QStringLiteral("%1/desk-%2-%3.png")
                        .arg(folder)
                        .arg(seed)
                        .arg(outline.state == OutlineState::Edited ? "true" : "found"));
            }
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            page.picture.save(&buffer, "PNG", 90);
            return reader.Read(png, int(kStraightPixelsPerInch), QStringLiteral("eng"), upright);
        };
        PageOutline truth{OutlineState::Edited, 1.0, {}};
        std::copy(scene.corners.begin(), scene.corners.end(), truth.corners.begin());
        Scene s{seed, scene.kind, scene.text};
        const PageOutline outline = OutlineFor(scene.picture, true);
        std::tie(s.iou, s.turn) = OutlineAgainstTruth(scene, outline.corners);
        s.found = read(outline);
        s.truth = read(truth);
        scenes.push_back(s);
    }
    if (reader.Pending() > 0) {
        loop.exec();
    }
    const double seconds = clock.elapsed() / 1000.0;
    std::map<int, std::vector<double>> foundByKind, truthByKind;
    std::vector<double> found, truth;
    qsizetype words = 0;
    for (const Scene& s : scenes) {
        const double f = test::CharacterErrorRate(s.text, replies[s.found].text);
        const double t = test::CharacterErrorRate(s.text, replies[s.truth].text);
        words += replies[s.found].words.size() + replies[s.truth].words.size();
        // TAVELO_BENCH_PAGES=<folder>: the text as set and as read beside the pages.
        if (const QString folder = qEnvironmentVariable("TAVELO_BENCH_PAGES"); !folder.isEmpty()) {
            for (const auto& [name, text] : {std::pair{"text", s.text},
                                             {"found", replies[s.found].text},
                                             {"true", replies[s.truth].text}}) {
                QFile file(QStringLiteral("%1/desk-%2-%3.txt").arg(folder).arg(s.seed).arg(name));
                if (file.open(QIODevice::WriteOnly)) {
                    file.write(text.toUtf8());
                }
            }
        }
        foundByKind[int(s.kind)].push_back(f);
        truthByKind[int(s.kind)].push_back(t);
        if (WholePageVisible(s.kind)) {
            found.push_back(f);
            truth.push_back(t);
        }
        if (WholePageVisible(s.kind) && (std::max(f, t) > 0.03 || everyScene)) {
            // The turns as needed / as detected / whether taken, found outline then true.
            const ReadReply& rf = replies[s.found];
            const ReadReply& rt = replies[s.truth];
            std::printf(
                "  seed %d (%s): %.2f %% found, %.2f %% true outline; IoU %.3f; turn found "
                "%d/%d%s, true 0/%d%s\n",
                s.seed, CaseName(s.kind), 100 * f, 100 * t, s.iou, s.turn, rf.orientation,
                rf.turned ? " taken" : "", rt.orientation, rt.turned ? " taken" : "");
        }
    }
    std::printf(
        "\nDesk scenes: %zu seeds from %d, %zu with a page wholly in view, read in %.1f s "
        "(%.1f words per second, finding and straightening included)\n",
        seeds.size(), seeds.empty() ? 0 : seeds.front(), found.size(), seconds,
        double(words) / seconds);
    const auto line = [](const char* what, const std::vector<double>& rates) {
        std::printf("  %-22s n=%3zu  median %6.2f %%  95th %6.2f %%  worst %6.2f %%\n", what,
                    rates.size(), 100 * Quantile(rates, 0.5), 100 * Quantile(rates, 0.95),
                    100 * Quantile(rates, 1.0));
    };
    line("found outline", found);
    line("true outline", truth);
    for (const auto& [kind, rates] : foundByKind) {
        line(qPrintable(QStringLiteral("%1, found").arg(CaseName(DeskCase(kind)))), rates);
        line(qPrintable(QStringLiteral("%1, true").arg(CaseName(DeskCase(kind)))),
             truthByKind[kind]);
    }
}

// The application's way of reading: ten desk scenes as pages of a sitting, their sheets where
// the scenes put them, read by the sitting's reader (each document page made on its thread,
// then read by the workers) while the event loop ticks every 5 ms; the longest gap between
// two ticks beyond the 5 ms is the slowest pause the window would see.
void MeasureSittingPause() {
    QTemporaryDir dir;
    Sitting sitting;
    DocumentOptions options;
    options.readText = false;
    sitting.SetOptions(options);
    if (!sitting.Open(dir.filePath("root"), "bench")) {
        std::printf("no sitting folder\n");
        return;
    }
    for (std::uint32_t seed = 1; sitting.Count() < 10; ++seed) {
        const DeskScene scene = RenderDeskScene(seed, 1280, 1024, DeskCase::Ordinary);
        const QString file = dir.filePath(QStringLiteral("%1.jpg").arg(seed));
        if (!scene.picture.save(file, "JPEG", 90) || !sitting.AddFile(file, scene.picture)) {
            std::printf("page %u not added\n", seed);
            return;
        }
        PageOutline outline;
        outline.state = OutlineState::Found;
        outline.confidence = 1;
        std::copy(scene.corners.begin(), scene.corners.end(), outline.corners.begin());
        sitting.TakeOutline(sitting.Count() - 1, outline);
    }
    PageReader reader;
    SittingReader pages(sitting, reader);
    int words = 0;
    QEventLoop loop;
    QObject::connect(&pages, &SittingReader::stateChanged, [&] {
        int settled = 0;
        words = 0;
        for (int row = 0; row < sitting.Count(); ++row) {
            const SittingReader::State state = pages.StateOf(row);
            settled +=
                state == SittingReader::State::Read || state == SittingReader::State::Unreadable;
            words += pages.Words(row);
        }
        if (settled == sitting.Count()) {
            loop.quit();
        }
    });
    QElapsedTimer clock;
    PauseMeter pauses;
    clock.start();
    options.readText = true;
    sitting.SetOptions(options);
    loop.exec();
    const qint64 slowest = pauses.Stop();
    std::printf(
        "Sitting of 10 desk pages read through SittingReader on %d workers: %lld words in "
        "%.1f s; slowest pause of the event loop %lld ms (target under 100 ms)\n",
        QThread::idealThreadCount(), static_cast<long long>(words), clock.elapsed() / 1000.0,
        static_cast<long long>(slowest));
}

}  // namespace

int main(int argc, char** argv) {
    // The same thread limit the workers run under, for a fair reference; it must be there
    // when the OpenMP runtime loads, so the benchmark starts itself again with it.
    if (std::getenv("OMP_THREAD_LIMIT") == nullptr) {
        ::setenv("OMP_THREAD_LIMIT", "1", 1);
        ::execv("/proc/self/exe", argv);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int count = 40;
    int desk = 200;
    int deskFirst = 0;
    PageLook look = PageLook::Grey;
    std::vector<int> seeds;  // --seeds=3,50,103: these scenes alone
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--pages=", 8) == 0) {
            count = std::max(1, std::atoi(argv[i] + 8));
        } else if (std::strncmp(argv[i], "--desk-first=", 13) == 0) {
            deskFirst = std::max(0, std::atoi(argv[i] + 13));
        } else if (std::strncmp(argv[i], "--look=", 7) == 0) {
            const std::string name = argv[i] + 7;
            look = name == "colour" ? PageLook::Colour
                   : name == "bw"   ? PageLook::BlackWhite
                                    : PageLook::Grey;
        } else if (std::strncmp(argv[i], "--seeds=", 8) == 0) {
            for (const QString& seed : QString::fromLatin1(argv[i] + 8).split(',')) {
                seeds.push_back(seed.toInt());
            }
        } else if (std::strncmp(argv[i], "--desk=", 7) == 0) {
            desk = std::max(0, std::atoi(argv[i] + 7));
        } else {
            rest.push_back(argv[i]);
        }
    }
    int restCount = int(rest.size());
    QGuiApplication app(restCount, rest.data());
    for (int i = 0; i < std::max(count, 10); ++i) {
        g_pages.push_back(MakePage(quint32(1000 + i)));
    }
    bench::DefaultArgs args(restCount, rest.data(), 3, 0.01);
    benchmark::Initialize(args.Argc(), args.Argv());
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios({{"BM_ReadThroughWorker/real_time", "BM_ReadInProcess/real_time"},
                          {"BM_TenPagesTwoWorkers/iterations:1/real_time",
                           "BM_TenTimesOnePage/iterations:1/real_time"}});
    MeasurePages(count);
    const bool chosen = !seeds.empty();
    if (!chosen) {
        for (int seed = deskFirst; seed < deskFirst + desk; ++seed) {
            seeds.push_back(seed);
        }
    }
    MeasureDesk(seeds, look, chosen);
    MeasureSittingPause();
    benchmark::Shutdown();
    return 0;
}
