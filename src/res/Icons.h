#pragma once

#include <QIcon>
#include <QPixmap>

namespace tavelo {

// Toolbar and menu icon of a command: the desktop theme's icon where the theme has one,
// else a bundled one drawn here (no picture files to keep in step with the code).
QIcon CommandIcon(int id);

// The bundled drawing of a command's icon alone; null for a command without one.
QIcon BundledCommandIcon(int id);

// The application's icon: a document camera over a page.
QIcon AppIcon();

// The start-up picture, 320 x 320 pixels.
QPixmap SplashPicture();

}  // namespace tavelo
