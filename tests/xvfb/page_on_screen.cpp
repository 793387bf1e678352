// Reads a screenshot of the running application and says whether it shows the simulated
// camera's page: its colour chart in order and in its own colours, the arrow pointing up, at
// the places the page puts them, and the page filling the view's height at best fit.
//
//   page_on_screen blank SHOT.png   0 if the window is drawn and no page is shown
//   page_on_screen page SHOT.png    0 if the page is shown as described
//   page_on_screen dock N SHOT.png  0 if the Pages dock shows N thumbnails beside it
//
// Exit code 1 means "not (yet)", so a caller can poll; 2 is a usage or file error.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The page as the simulated camera draws it, in fractions of its width and height; its
// default picture is 1280 x 1024 and is shown unresized.
constexpr double kPageAspect = 1280.0 / 1024.0;
constexpr double kChartLeft = 0.05, kChartTop = 0.05, kPatch = 0.07, kChartBottom = 0.15;
constexpr int kPatches = 6;
const QColor kChart[kPatches] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta};
const char* const kChartNames[kPatches] = {"red", "green", "blue", "yellow", "cyan", "magenta"};

// The smallest chart patch taken for one: the toolbar's icons carry a little red too.
constexpr int kMinPatchSide = 10;

bool Near(QRgb pixel, const QColor& want, int tolerance = 60) {
    return std::abs(qRed(pixel) - want.red()) <= tolerance &&
           std::abs(qGreen(pixel) - want.green()) <= tolerance &&
           std::abs(qBlue(pixel) - want.blue()) <= tolerance;
}

bool IsPaper(QRgb pixel) {
    return qRed(pixel) >= 245 && qGreen(pixel) >= 245 && qBlue(pixel) >= 245;
}

bool IsInk(QRgb pixel) {
    return qRed(pixel) <= 70 && qGreen(pixel) <= 70 && qBlue(pixel) <= 70;
}

struct Area {
    QRect box;
    long count = 0;
};

// Every 4-connected area of pure red.
std::vector<Area> RedAreas(const QImage& shot) {
    const int w = shot.width(), h = shot.height();
    std::vector<char> seen(static_cast<std::size_t>(w) * h, 0);
    auto index = [w](int x, int y) { return static_cast<std::size_t>(y) * w + x; };
    auto red = [&shot](int x, int y) { return Near(shot.pixel(x, y), Qt::red, 40); };
    std::vector<Area> areas;
    std::vector<QPoint> stack;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (seen[index(x, y)] || !red(x, y)) {
                continue;
            }
            long count = 0;
            QRect box(x, y, 1, 1);
            stack.assign(1, QPoint(x, y));
            seen[index(x, y)] = 1;
            while (!stack.empty()) {
                const QPoint p = stack.back();
                stack.pop_back();
                ++count;
                box = box.united(QRect(p, QSize(1, 1)));
                const QPoint next[] = {
                    {p.x() + 1, p.y()}, {p.x() - 1, p.y()}, {p.x(), p.y() + 1}, {p.x(), p.y() - 1}};
                for (const QPoint& n : next) {
                    if (n.x() >= 0 && n.y() >= 0 && n.x() < w && n.y() < h &&
                        !seen[index(n.x(), n.y())] && red(n.x(), n.y())) {
                        seen[index(n.x(), n.y())] = 1;
                        stack.push_back(n);
                    }
                }
            }
            areas.push_back({box, count});
        }
    }
    return areas;
}

// A filled rectangle of at least `side` pixels each way, not a stroke of an icon.
bool IsPatch(const Area& a, int side) {
    return a.box.width() >= side && a.box.height() >= side &&
           a.count >= 0.9 * a.box.width() * a.box.height();
}

// Bounding box of the largest 4-connected area of pure red, or an empty rectangle.
QRect LargestRedArea(const QImage& shot) {
    QRect best;
    long bestCount = 0;
    for (const Area& a : RedAreas(shot)) {
        if (a.count > bestCount) {
            bestCount = a.count;
            best = a.box;
        }
    }
    // A patch is a filled rectangle, not a stroke of an icon.
    if (best.width() < kMinPatchSide || best.height() < kMinPatchSide ||
        bestCount < 0.9 * best.width() * best.height()) {
        return {};
    }
    return best;
}

// The Pages dock right of the view: the red patch of each thumbnail's chart, smaller than
// the shown page's and right of it.
int Thumbnails(const QImage& shot, int expected) {
    const QRect page = LargestRedArea(shot);
    if (page.isEmpty()) {
        std::printf("no page shown\n");
        return 1;
    }
    const double pageW = page.width() / kPatch;
    const double pageRight = page.left() + (1.0 - kChartLeft) * pageW;
    int thumbnails = 0;
    for (const Area& a : RedAreas(shot)) {
        thumbnails += a.box.left() > pageRight && IsPatch(a, 3) && a.box.width() < kMinPatchSide;
    }
    std::printf("%d thumbnails right of the page (%d expected)\n", thumbnails, expected);
    return thumbnails == expected ? 0 : 1;
}

int Blank(const QImage& shot) {
    long drawn = 0, paper = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb p = shot.pixel(x, y);
            drawn += (qRed(p) | qGreen(p) | qBlue(p)) != 0;
            paper += IsPaper(p);
        }
    }
    const long all = static_cast<long>(shot.width()) * shot.height();
    const QRect red = LargestRedArea(shot);
    std::printf("screen %dx%d: %ld%% drawn, %ld%% paper white, red patch %s\n", shot.width(),
                shot.height(), 100 * drawn / all, 100 * paper / all,
                red.isEmpty() ? "none" : "found");
    if (drawn < all / 10) {
        std::printf("the window is not drawn yet\n");
        return 1;
    }
    return red.isEmpty() && paper < all / 50 ? 0 : 1;
}

struct Checker {
    const QImage& shot;
    int failures = 0;

    QRgb At(double x, double y) const {
        const int px = static_cast<int>(std::lround(x)), py = static_cast<int>(std::lround(y));
        if (px < 0 || py < 0 || px >= shot.width() || py >= shot.height()) {
            return qRgb(0, 0, 0);
        }
        return shot.pixel(px, py);
    }
    void Expect(bool ok, const char* what, double x, double y) {
        const QRgb p = At(x, y);
        std::printf("%-4s %s at (%.0f, %.0f): (%d, %d, %d)\n", ok ? "ok" : "FAIL", what, x, y,
                    qRed(p), qGreen(p), qBlue(p));
        failures += ok ? 0 : 1;
    }
};

int Page(const QImage& shot) {
    const QRect red = LargestRedArea(shot);
    if (red.isEmpty()) {
        std::printf("no colour chart on the screen\n");
        return 1;
    }
    // The chart's width (six patches) gives the page's scale more closely than one patch.
    const int row = red.center().y();
    int right = red.right();
    while (right + 1 < shot.width() && !IsPaper(shot.pixel(right + 1, row))) {
        ++right;
    }
    const double pageW = (right + 1 - red.left()) / (kPatches * kPatch);
    const double pageH = pageW / kPageAspect;
    const double left = red.left() - kChartLeft * pageW;
    const double top = red.top() - kChartTop * pageH;
    std::printf("chart %d..%d x %d..%d: page %.0f x %.0f at (%.0f, %.0f)\n", red.left(), right,
                red.top(), red.bottom(), pageW, pageH, left, top);

    Checker c{shot};
    const double patchH = (kChartBottom - kChartTop) * pageH;
    c.Expect(std::abs(red.height() - patchH) <= 3, "patch height fits the page's shape", red.left(),
             red.bottom());
    // Left to right in the page's order and colours: not mirrored, red and blue not swapped.
    for (int i = 0; i < kPatches; ++i) {
        const double x = left + (kChartLeft + (i + 0.5) * kPatch) * pageW;
        const double y = top + (kChartTop + kChartBottom) / 2 * pageH;
        c.Expect(Near(c.At(x, y), kChart[i]), kChartNames[i], x, y);
    }
    // Paper around the chart and the arrow, the arrow's shaft below its tip: upright.
    auto page = [&](double u, double v) { return QPointF(left + u * pageW, top + v * pageH); };
    const QPointF paper1 = page(0.02, 0.02), paper2 = page(0.60, 0.10);
    const QPointF shaft = page(0.80, 0.22), head = page(0.80, 0.12);
    const QPointF beside1 = page(0.76, 0.06), beside2 = page(0.84, 0.06);
    const QPointF wide1 = page(0.76, 0.135), wide2 = page(0.84, 0.135);
    c.Expect(IsPaper(c.At(paper1.x(), paper1.y())), "paper above the chart", paper1.x(),
             paper1.y());
    c.Expect(IsPaper(c.At(paper2.x(), paper2.y())), "paper right of the chart", paper2.x(),
             paper2.y());
    c.Expect(IsInk(c.At(shaft.x(), shaft.y())), "arrow shaft", shaft.x(), shaft.y());
    c.Expect(IsInk(c.At(head.x(), head.y())), "arrow head", head.x(), head.y());
    c.Expect(IsPaper(c.At(beside1.x(), beside1.y())), "paper beside the tip", beside1.x(),
             beside1.y());
    c.Expect(IsPaper(c.At(beside2.x(), beside2.y())), "paper beside the tip", beside2.x(),
             beside2.y());
    c.Expect(IsInk(c.At(wide1.x(), wide1.y())), "head wide at its base", wide1.x(), wide1.y());
    c.Expect(IsInk(c.At(wide2.x(), wide2.y())), "head wide at its base", wide2.x(), wide2.y());
    // Best fit of a wide page into the view: the page takes the view's whole height, so its
    // top and bottom edges meet the toolbar and the status bar, neither more paper nor the
    // view's empty background, which shows right of the page.
    const QPointF rightEdge = page(1.0, 0.5);
    const QRgb empty = c.At(rightEdge.x() + 3, rightEdge.y());
    c.Expect(!IsPaper(empty), "the view's empty background right of the page", rightEdge.x() + 3,
             rightEdge.y());
    auto frame = [empty](QRgb p) { return !IsPaper(p) && !Near(p, QColor(empty), 12); };
    const QPointF bottomRow = page(0.5, 1.0), topRow = page(0.5, 0.0);
    c.Expect(IsPaper(c.At(bottomRow.x(), bottomRow.y() - 3)), "paper in the page's last rows",
             bottomRow.x(), bottomRow.y() - 3);
    c.Expect(frame(c.At(bottomRow.x(), bottomRow.y() + 3)), "the frame below the page",
             bottomRow.x(), bottomRow.y() + 3);
    c.Expect(IsPaper(c.At(topRow.x(), topRow.y() + 3)), "paper in the page's first rows",
             topRow.x(), topRow.y() + 3);
    c.Expect(frame(c.At(topRow.x(), topRow.y() - 3)), "the frame above the page", topRow.x(),
             topRow.y() - 3);
    std::printf("%d of the checks failed\n", c.failures);
    return c.failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "dock") == 0) {
        const QImage shot =
            QImage(QString::fromLocal8Bit(argv[3])).convertToFormat(QImage::Format_RGB32);
        return shot.isNull() ? 2 : Thumbnails(shot, std::atoi(argv[2]));
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s blank|page SHOT.png | dock N SHOT.png\n", argv[0]);
        return 2;
    }
    const QImage shot =
        QImage(QString::fromLocal8Bit(argv[2])).convertToFormat(QImage::Format_RGB32);
    if (shot.isNull()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[2]);
        return 2;
    }
    const QString mode = QString::fromLatin1(argv[1]);
    if (mode == QLatin1String("blank")) {
        return Blank(shot);
    }
    if (mode == QLatin1String("page")) {
        return Page(shot);
    }
    std::fprintf(stderr, "usage: %s blank|page SHOT.png\n", argv[0]);
    return 2;
}
