#include "picture/PictureFiles.h"

#include <QFileInfo>
#include <algorithm>
#include <iterator>

#include "picture/PictureEngine.h"

namespace tavelo {
namespace {

// Extensions of picture formats Tavelo does not write. JPEG bytes under one of these names
// would be a file that lies about its contents, so such a name is refused rather than taken
// as "any other name".
constexpr const char* kOtherPictureFormats[] = {
    "avif", "cur", "dds",  "exr", "gif", "hdr",  "heic", "heif", "icns", "ico", "j2k",
    "jp2",  "jpf", "jpx",  "jxl", "jxr", "pam",  "pbm",  "pcx",  "pgm",  "pnm", "ppm",
    "psd",  "svg", "svgz", "tga", "tif", "tiff", "wbmp", "webp", "xbm",  "xpm",
};

}  // namespace

int SaveFormatOfPath(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("bmp")) {
        return PictureEngine::kFormatBmp;
    }
    if (extension == QLatin1String("png")) {
        return PictureEngine::kFormatPng;
    }
    const bool other = std::any_of(std::begin(kOtherPictureFormats), std::end(kOtherPictureFormats),
                                   [&](const char* e) { return extension == QLatin1String(e); });
    return other ? kNoSaveFormat : PictureEngine::kFormatJpeg;
}

}  // namespace tavelo
