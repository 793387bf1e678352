#pragma once

#include <QString>

#include "res/Prompts.h"

class QWidget;

namespace tavelo {

// The picture file a name stands for: BMP when its extension is "BMP" in any case, JPEG for
// every other name, with or without an extension. Only the name decides, never the filter
// the user chose in the dialog. Returns PictureEngine::kFormatBmp or kFormatJpeg.
int SaveFormatOfPath(const QString& path);

// The file dialog of Open and Save: bitmap and JPEG filters, default extension "BMP"; the
// save kind asks before overwriting and wants an existing folder.
FilePrompt PictureFilePrompt(QWidget* parent, bool save);

}  // namespace tavelo
