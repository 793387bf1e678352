#pragma once

#include <QString>

namespace tavelo {

// The picture file a name stands for: BMP when its extension is "BMP" in any case, JPEG for
// every other name, with or without an extension. Only the name decides, never the filter
// the user chose in the dialog. Returns PictureEngine::kFormatBmp or kFormatJpeg.
int SaveFormatOfPath(const QString& path);

}  // namespace tavelo
