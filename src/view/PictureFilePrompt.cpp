#include "view/PictureFilePrompt.h"

namespace tavelo {

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
