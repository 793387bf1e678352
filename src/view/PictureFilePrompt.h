#pragma once

#include "ui/Prompts.h"

class QWidget;

namespace tavelo {

// The file dialog of Open and Save: bitmap and JPEG filters (Save adds PNG after them),
// default extension "BMP"; the save kind asks before overwriting, wants an existing folder, opens
// in the folder last saved to and gives a name typed without extension the chosen filter's.
FilePrompt PictureFilePrompt(QWidget* parent, bool save);

}  // namespace tavelo
