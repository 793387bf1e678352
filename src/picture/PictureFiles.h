#pragma once

#include <QString>

namespace tavelo {

// What SaveFormatOfPath gives a name whose extension names a picture format Tavelo does not
// write (".tif", ".gif", ".webp", ...): such a name is written in no format at all.
inline constexpr int kNoSaveFormat = 0;

// The picture file a name stands for: BMP when its extension is "BMP" in any case, PNG for
// "PNG", kNoSaveFormat for another picture format's extension, and JPEG for every other
// name, with or without an extension. Only the name decides, never the filter the user chose
// in the dialog. Returns PictureEngine::kFormatBmp, kFormatJpeg, kFormatPng or kNoSaveFormat.
int SaveFormatOfPath(const QString& path);

}  // namespace tavelo
