#pragma once

#include "ui/Prompts.h"

class QWidget;

namespace tavelo {

// The file dialog of Open and Save: bitmap and JPEG filters, default extension "BMP"; the
// save kind asks before overwriting and wants an existing folder.
FilePrompt PictureFilePrompt(QWidget* parent, bool save);

}  // namespace tavelo
