#pragma once

// Pages of desk scenes in a sitting, for the tests of the document pages.

#include <QDir>
#include <QImage>
#include <QtTest>

#include "device/DeskScene.h"
#include "pages/Sitting.h"

namespace tavelo::test {

// Adds the desk scene of `seed` and `kind` as an opened picture file, 1280 x 1024 as the
// camera's mode 3 shows it.
inline bool AddDeskPage(Sitting& sitting, const QString& folder, std::uint32_t seed,
                        DeskCase kind) {
    const DeskScene scene = RenderDeskScene(seed, 1280, 1024, kind);
    const QString file = QDir(folder).filePath(QStringLiteral("desk-%1.bmp").arg(seed));
    return scene.picture.save(file) && sitting.AddFile(file, scene.picture);
}

// Height over width of an image.
inline double Tallness(const QImage& image) {
    return image.isNull() ? 0.0 : double(image.height()) / image.width();
}

inline constexpr double kA4Tallness = 297.0 / 210.0;

}  // namespace tavelo::test
