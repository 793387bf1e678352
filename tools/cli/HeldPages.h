#pragma once

#include "PageRun.h"

namespace tavelo::cli {

// The pages of a document PDF (--document, each page of its paper), a searchable PDF or a
// text file (--ocr): each page made and handed to the reading workers as it comes, so that
// pages are read while the next ones are captured; the one file written once every page
// is had and read. A page that could not be read is named and written without text.
int WriteHeldPages(const PictureSource& source, const CaptureOptions& options, CliHost& host);

}  // namespace tavelo::cli
