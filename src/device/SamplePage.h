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
SamplePage RenderSamplePage(int number, int width, int height, QColor paper, SceneRandom& random);

}  // namespace tavelo
