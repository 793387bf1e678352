#pragma once

#include <QImage>
#include <QString>

#include "pages/PageCorners.h"
#include "pages/PageStraightener.h"

namespace tavelo {

// How the pages of a sitting are made into a document: whether the sheet is looked for in
// each picture, and the look its straightened page takes unless the page has its own.
struct DocumentOptions {
    bool findPage = true;
    PageLook look = PageLook::Grey;
    // Whether each page's text is read, in which of the installed languages ("eng+deu").
    bool readText = true;
    QString languages = QStringLiteral("eng");
    bool operator==(const DocumentOptions&) const = default;
};

// The one road from a picture as shown to its document page, shared by the windows, the
// exports and the command-line tool.

// The outline of a picture that has just come: looked for when `findPage`, else Unknown.
PageOutline OutlineFor(const QImage& picture, bool findPage);

// The page's look: its own (0..2) or else the sitting's.
PageLook LookOf(int pageLook, PageLook sittingLook);

// The document page of `picture` (the page before its turns) with `outline`, in `look`,
// then turned `turns` quarter turns to the right. An Unknown outline (the sheet was not
// looked for) gives the picture itself, turned; any other the sheet within the outline,
// straightened and cleaned, the whole picture where no edge was found. `paper` is Unknown
// for the picture itself. A null picture when it could not be made.
StraightPage DocumentPicture(const QImage& picture, const PageOutline& outline, PageLook look,
                             int turns = 0);

// The text for a picture whose outline was looked for and not found.
inline constexpr const char* kNoPageEdgeText = "No page edge found; the whole picture is kept";

}  // namespace tavelo
