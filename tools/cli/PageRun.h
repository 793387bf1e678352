#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "CaptureCommand.h"
#include "CliHost.h"
#include "PageJson.h"
#include "picture/DurableFile.h"
#include "picture/PictureEngine.h"

namespace tavelo::cli {

// A picture to write, as shown: captured from the camera or loaded from a file.
struct SourcePicture {
    PictureEngine picture;
    QByteArray jpeg;  // a loaded JPEG's own bytes, stored as they are in a searchable PDF
    QString input;    // the file it was loaded from; empty for a capture
};

// Puts picture `index` (0-based) into `picture`; returns the exit code, EXIT_OK to go on.
using PictureSource = std::function<int(int index, SourcePicture& picture)>;

// Writes the `options.count` pictures of `source` as the options say: each into a picture
// file as it comes, or all of them into one PDF or text file once every page is had (and
// read). One line on stdout for each page written, plain or JSON. The first failure ends the
// run with its exit code; files already written stay, a PDF or text file is written only
// whole. Returns the exit code.
int WritePages(const PictureSource& source, const CaptureOptions& options, CliHost& host);

// Shared by the writers.

// Why `path` could not be written where the writer could not say: what its folder and the
// name show, else `lastError`, the error its last step left.
WriteFailure ProbeFailure(const QString& path, int lastError);
QString ReasonOf(const WriteFailure& why);
// The page's line on stdout: `facts` as JSON, or "FILE: W x H WHAT".
void PrintPage(const PageFacts& facts, const CaptureOptions& options, const QString& what);
// "page N" of a capture, or the file a picture came from, as messages name it.
QString PageName(const SourcePicture& source, int index);
// Tells on stderr that no page edge was found in `source`.
void TellNoPageEdge(const SourcePicture& source, int index, CliHost& host);

}  // namespace tavelo::cli
