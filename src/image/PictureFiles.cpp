#include "image/PictureFiles.h"

#include <QFileInfo>

#include "image/PictureEngine.h"

namespace tavelo {

int SaveFormatOfPath(const QString& path) {
    const bool bmp =
        QFileInfo(path).suffix().compare(QLatin1String("BMP"), Qt::CaseInsensitive) == 0;
    return bmp ? PictureEngine::kFormatBmp : PictureEngine::kFormatJpeg;
}

FilePrompt PictureFilePrompt(QWidget* parent, bool save) {
    FilePrompt prompt;
    prompt.parent = parent;
    prompt.save = save;
    // The dialog's file list matches these without regard to case, so "page.bmp" shows too.
    prompt.nameFilters = {QStringLiteral("Bitmap Files (*.BMP)"),
                          QStringLiteral("JPEG Files (*.JPG)")};
    prompt.defaultSuffix = QStringLiteral("BMP");
    return prompt;
}

}  // namespace tavelo
