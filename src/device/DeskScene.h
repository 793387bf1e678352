#pragma once

#include <QImage>
#include <QPointF>
#include <QString>
#include <array>
#include <cstdint>

namespace tavelo {

// What the simulated camera shows in its desk scenes: a page of the sample document lying on
// a desk, with the hard cases a page finder meets on real desks as fixed kinds.
enum class DeskCase {
    Ordinary,       // a page somewhere on a desk of any kind
    WhiteOnLight,   // a white page on a light desk
    FillsFrame,     // the page fills the whole frame, its edges at or past the borders
    PartlyOutside,  // part of the page lies outside the frame
    TwoSheets,      // a smaller sheet partly under a larger one: the front one is the page
    Fingers,        // fingers hold the page at an edge
    NoPage,         // the desk alone
};
inline constexpr int kDeskCaseCount = 7;

struct DeskScene {
    QImage picture;  // as shown (after any resize of the capture mode), RGB32
    DeskCase kind = DeskCase::Ordinary;
    bool hasPage = false;
    // The page's corners, top-left, top-right, bottom-right, bottom-left as shown; a corner
    // outside the frame lies outside the picture here.
    std::array<QPointF, 4> corners{};
    QString text;  // the page's words, lines separated by '\n'
};

// The kind a seed gives in the camera's sequence of scenes: mostly ordinary pages, every hard
// case once in ten captures.
DeskCase DeskCaseForSeed(std::uint32_t seed);

// The scene of `seed` as a picture width x height as shown. Needs a QGuiApplication (fonts).
// The same seed and size give the same picture and truth on every run.
DeskScene RenderDeskScene(std::uint32_t seed, int width, int height);
DeskScene RenderDeskScene(std::uint32_t seed, int width, int height, DeskCase kind);

}  // namespace tavelo
