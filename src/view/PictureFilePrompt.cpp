#include "view/PictureFilePrompt.h"

#include "settings/SeriesSettings.h"

namespace tavelo {

FilePrompt PictureFilePrompt(QWidget* parent, bool save) {
    FilePrompt prompt;
    prompt.parent = parent;
    prompt.save = save;
    // The dialog's file list matches these without regard to case, so "page.bmp" shows too.
    prompt.nameFilters = {QStringLiteral("Bitmap Files (*.BMP)"),
                          QStringLiteral("JPEG Files (*.JPG)")};
    prompt.defaultSuffix = QStringLiteral("BMP");
    if (save) {
        // Save writes PNG too; Open reads BMP and JPEG only.
        prompt.nameFilters.append(QStringLiteral("PNG Files (*.PNG)"));
        // A name typed without an extension takes the chosen filter's; the first filter is
        // the bitmap one, so until another is chosen that is "BMP" still.
        prompt.filterSuffixes = {QStringLiteral("BMP"), QStringLiteral("JPG"),
                                 QStringLiteral("PNG")};
        prompt.directory = SaveDialogFolder();
    }
    return prompt;
}

}  // namespace tavelo
