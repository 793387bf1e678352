#pragma once

#include <QString>
#include <string>

namespace tavelo::cli {

// The files a capture writes, as its -o name says. The extension alone chooses the format;
// the tool writes more formats than the application saves, so it keeps its own rule.
enum class FileFormat { Bmp, Jpeg, Png, Pdf, Text };

// What the tool can write, for the usage text and its error.
inline constexpr char kWritableExtensions[] = ".bmp .jpg .jpeg .png .pdf";

struct CaptureTarget {
    FileFormat format = FileFormat::Jpeg;
    QString path;  // the name as given: the one file of a plain name or a PDF
    // Series: each picture a new file of the pattern (see SeriesPattern), never over another.
    bool series = false;
    QString folder;     // where the series goes
    QString pattern;    // the file name without its extension
    QString extension;  // as given, or "jpg" for a name without one
};

// The target of `capture -o output --count count` (or of convert, `count` its pictures). A plain
// name (no {n}, {date} or {time}) with one picture is that file, replaced as a save replaces it;
// with fields, or with more than one picture, it is a series, a plain name taking "-{n}" before its
// extension. A PDF is always the one file, holding every picture as a page. Returns false, with the
// line to print in `error`, for a name the tool cannot write. When the pages' text is `read`, the
// target is a searchable PDF or, for ".txt" in any case, a text file of every page; no
// picture file.
bool ParseCaptureTarget(const std::string& output, int count, bool read, CaptureTarget& target,
                        std::string& error);

// "BMP", "JPEG", "PNG", "PDF" or "text", as the tool reports what it wrote.
const char* FormatName(FileFormat format);

}  // namespace tavelo::cli
