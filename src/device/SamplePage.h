#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include "device/SceneRandom.h"

namespace tavelo {

// One page of the short sample document the simulated camera photographs: a title, a page
// number and paragraphs of generated prose, in a font, size and paper tint the random source
// picks. Needs a QGuiApplication (fonts).
struct SamplePage {
    QImage picture;  // upright, RGB32
    QString text;    // the words on it, lines separated by '\n'
};

inline constexpr int kSampleDocumentPages = 5;

// Page `number` (1..kSampleDocumentPages) drawn width x height pixels on paper of `paper`.
// The type's size goes with the width, as on an A4 sheet; a narrower paper (A5) passes
// `typeScale` = A4's width over its own: body type is set in points whatever the paper.
SamplePage RenderSamplePage(int number, int width, int height, QColor paper, SceneRandom& random,
                            double typeScale = 1.0);

}  // namespace tavelo
