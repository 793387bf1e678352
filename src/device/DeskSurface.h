#pragma once

#include <QImage>

#include "device/SceneRandom.h"

namespace tavelo {

// The desk a page lies on in the simulated camera's desk scenes, drawn procedurally so that
// every scene shows a different one.
enum class DeskKind { Wood, Pattern, Light, Dark };

// A desk of `kind` filling width x height pixels (RGB32).
QImage RenderDesk(DeskKind kind, int width, int height, SceneRandom& random);

}  // namespace tavelo
