#pragma once

#include "pages/DocumentPage.h"

namespace tavelo {

// "Find the page" and the look of the sitting's document pages, kept in the settings store
// ("FindPage": 1 or 0; "PageLook": Colour, Grey or BlackWhite). The fields this does not
// keep come back as `base` has them.
DocumentOptions LoadDocumentOptions(const DocumentOptions& base = {});
bool SaveDocumentOptions(const DocumentOptions& options);

// The looks by name, in the order the choices offer them: "Colour", "Grey", "Black and White".
QString LookName(PageLook look);

}  // namespace tavelo
