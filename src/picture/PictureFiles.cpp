#include "picture/PictureFiles.h"

#include <QFileInfo>

#include "picture/PictureEngine.h"

namespace tavelo {

int SaveFormatOfPath(const QString& path) {
    const bool bmp =
        QFileInfo(path).suffix().compare(QLatin1String("BMP"), Qt::CaseInsensitive) == 0;
    return bmp ? PictureEngine::kFormatBmp : PictureEngine::kFormatJpeg;
}

}  // namespace tavelo
