#pragma once

#include <QPageSize>
#include <QString>
#include <functional>
#include <vector>

#include "pages/PdfPages.h"

class QPrinter;
class QWidget;

namespace tavelo {

// What Export PDF asks before the file name: the paper and whether only the selected pages
// go into the document. All pages go unless the user chooses otherwise.
struct ExportChoice {
    QPageSize::PageSizeId paper = QPageSize::A4;
    int pages = 0;     // pages of the sitting
    int selected = 0;  // of them selected in the Pages dock
    bool selectedOnly = false;
};

// The choice of the selected pages as the dialog offers it: "Only the &selected pages
// (3 of 20 pages)".
QString SelectedOnlyText(const ExportChoice& choice);

// The dialogs of Export PDF and Print. The product shows its own choice dialog and Qt's
// print dialog; tests install handlers that answer at once. False on Cancel.
bool AskExportChoice(QWidget* parent, ExportChoice& choice);
// `pages` pages exist besides the shown picture; the printer's range says what to print:
// the current page (the shown picture), all pages or a range of them.
bool AskPrint(QWidget* parent, QPrinter& printer, int pages);

using ExportHandler = std::function<bool(ExportChoice&)>;
using PrintHandler = std::function<bool(QPrinter&, int pages)>;
void SetExportHandler(ExportHandler handler);
void SetPrintHandler(PrintHandler handler);

// `count` pictures, one a sheet, each fitted to the printable area. False when the printer
// could not be started, nothing was printed, or a picture was missing where `skipped` is
// not given; with it, a missing picture is left out and its index added there.
bool PrintPictures(QPrinter& printer, int count, const PagePicture& picture,
                   std::vector<int>* skipped = nullptr);

// The one line that names the pages (numbered from 1) an export or a print left out
// because they could not be read.
QString LeftOutText(const std::vector<int>& pageNumbers);

}  // namespace tavelo
