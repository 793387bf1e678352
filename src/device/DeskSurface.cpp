#include "device/DeskSurface.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavelo {

namespace {

// Value noise: a coarse grid of random values, interpolated smoothly over the picture.
class SmoothNoise {
public:
    SmoothNoise(int width, int height, int cells, SceneRandom& random)
        : m_cells(cells), m_sx(double(cells) / width), m_sy(double(cells) / height) {
        m_grid.resize(std::size_t(cells + 2) * (cells + 2));
        for (float& v : m_grid) {
            v = static_cast<float>(random.Uniform(-1, 1));
        }
    }

    float At(int x, int y) const {
        const double gx = x * m_sx, gy = y * m_sy;
        const int ix = static_cast<int>(gx), iy = static_cast<int>(gy);
        const double fx = Fade(gx - ix), fy = Fade(gy - iy);
        const auto g = [this](int i, int j) { return m_grid[std::size_t(j) * (m_cells + 2) + i]; };
        const double top = g(ix, iy) + (g(ix + 1, iy) - g(ix, iy)) * fx;
        const double bottom = g(ix, iy + 1) + (g(ix + 1, iy + 1) - g(ix, iy + 1)) * fx;
        return static_cast<float>(top + (bottom - top) * fy);
    }

private:
    static double Fade(double t) { return t * t * (3 - 2 * t); }

    int m_cells;
    double m_sx, m_sy;
    std::vector<float> m_grid;
};

QRgb Shade(const QColor& c, double factor, double grain) {
    const auto ch = [&](int v) {
        return std::clamp(static_cast<int>(std::lround(v * factor + grain)), 0, 255);
    };
    return qRgb(ch(c.red()), ch(c.green()), ch(c.blue()));
}

void Wood(QImage& desk, SceneRandom& random) {
    static const QColor kWoods[] = {{196, 156, 106}, {150, 100, 62}, {112, 72, 44},
                                    {205, 175, 130}, {170, 120, 80}, {90, 60, 40}};
    const QColor base = kWoods[random.Int(0, 5)];
    const double angle = random.Uniform(0, 3.14159), c = std::cos(angle), s = std::sin(angle);
    const double frequency = random.Uniform(0.04, 0.12);
    const SmoothNoise warp(desk.width(), desk.height(), random.Int(3, 7), random);
    const SmoothNoise fine(desk.width(), desk.height(), random.Int(60, 120), random);
    const double warpAmount = random.Uniform(8, 30);
    // Planks: the grain runs along them, their joints across.
    const double plank = random.Uniform(90, 260);
    for (int y = 0; y < desk.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(desk.scanLine(y));
        for (int x = 0; x < desk.width(); ++x) {
            const double along = x * c + y * s, across = -x * s + y * c;
            const double ring = std::sin(across * frequency + warp.At(x, y) * warpAmount);
            const double joint = std::fmod(std::abs(across) + 1000 * plank, plank) < 2 ? 0.7 : 1.0;
            const double streak = 0.06 * std::sin(along * 0.01 + across * 0.7);
            row[x] = Shade(base, joint * (0.9 + 0.1 * ring + streak), 10 * fine.At(x, y));
        }
    }
}

void Pattern(QImage& desk, SceneRandom& random) {
    const QColor a = QColor::fromHsv(random.Int(0, 359), random.Int(40, 200), random.Int(90, 230));
    const QColor b = QColor::fromHsv(random.Int(0, 359), random.Int(20, 160), random.Int(60, 250));
    const int style = random.Int(0, 2);  // checks, stripes, dots
    const double cell = random.Uniform(14, 60);
    const double angle = random.Uniform(-0.5, 0.5), c = std::cos(angle), s = std::sin(angle);
    const SmoothNoise fine(desk.width(), desk.height(), 150, random);
    for (int y = 0; y < desk.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(desk.scanLine(y));
        for (int x = 0; x < desk.width(); ++x) {
            const double u = (x * c + y * s) / cell, v = (-x * s + y * c) / cell;
            const double fu = u - std::floor(u), fv = v - std::floor(v);
            bool first = false;
            if (style == 0) {
                first = (int(std::floor(u)) + int(std::floor(v))) % 2 == 0;
            } else if (style == 1) {
                first = fu < 0.35;
            } else {
                first = (fu - 0.5) * (fu - 0.5) + (fv - 0.5) * (fv - 0.5) < 0.08;
            }
            row[x] = Shade(first ? a : b, 1.0, 8 * fine.At(x, y));
        }
    }
}

void Plain(QImage& desk, QColor base, double speckle, SceneRandom& random) {
    const SmoothNoise broad(desk.width(), desk.height(), 4, random);
    const SmoothNoise fine(desk.width(), desk.height(), 200, random);
    for (int y = 0; y < desk.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(desk.scanLine(y));
        for (int x = 0; x < desk.width(); ++x) {
            row[x] = Shade(base, 1.0 + 0.04 * broad.At(x, y), speckle * fine.At(x, y));
        }
    }
}

}  // namespace

QImage RenderDesk(DeskKind kind, int width, int height, SceneRandom& random) {
    QImage desk(width, height, QImage::Format_RGB32);
    switch (kind) {
        case DeskKind::Wood:
            Wood(desk, random);
            break;
        case DeskKind::Pattern:
            Pattern(desk, random);
            break;
        case DeskKind::Light: {
            const int v = random.Int(200, 235);
            Plain(desk, QColor(v, v - random.Int(0, 8), v - random.Int(0, 18)), 6, random);
            break;
        }
        case DeskKind::Dark: {
            const int v = random.Int(25, 75);
            Plain(desk, QColor(v, v + random.Int(0, 10), v + random.Int(0, 20)), 14, random);
            break;
        }
    }
    return desk;
}

}  // namespace tavelo
