#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include "pages/PageCorners.h"
#include "pages/PaperSize.h"

namespace tavelo::cli {

// What --json tells of one page written.
struct PageFacts {
    QString file;   // the file written (the PDF or text file of every page)
    QString input;  // convert: the picture file it came from
    int page = 1;   // 1-based, in the run
    int pages = 1;
    QSize size;                 // of the picture written, in pixels
    PageOutline outline;        // Unknown (nothing told) without --document
    PaperShape paper;           // with --document
    bool read = false;          // the text was read (--ocr)
    int words = 0;              // then: its words
    double textConfidence = 0;  // and their mean confidence, 0..1
};

// One line of JSON, without its line end: "file", "page", "pages", "width", "height"; with an
// outline "found", "confidence" (0..1), "corners" ([x, y] in the pixels of the picture as
// shown, top-left, top-right, bottom-right, bottom-left) and "paper" ("A4", "Letter", "A5",
// "Legal" or null); when read "words" and "text_confidence"; "input" for convert.
QByteArray PageJson(const PageFacts& facts);

}  // namespace tavelo::cli
