#include "PageRun.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "DocumentStep.h"
#include "ExitCodes.h"
#include "HeldPages.h"
#include "pages/DocumentPage.h"
#include "pages/PdfPages.h"
#include "pages/SeriesNames.h"
#include "picture/PictureResult.h"
#include "res/ErrorCode.h"

namespace tavelo::cli {
namespace {

// The whole file image, in memory first: a picture that cannot be encoded never touches the
// disk. BMP at the picture's depth, JPEG with the Q factor and PNG, as a save writes them.
bool Encode(const PictureEngine& picture, const CaptureOptions& o, QByteArray& bytes) {
    switch (o.target.format) {
        case FileFormat::Bmp:
            return picture.Encode(PictureEngine::kFormatBmp, 0, o.qFactor, bytes) == PIC_OK;
        case FileFormat::Jpeg:
            return picture.Encode(PictureEngine::kFormatJpeg, 0, o.qFactor, bytes) == PIC_OK;
        case FileFormat::Png:
            return picture.Encode(PictureEngine::kFormatPng, 0, o.qFactor, bytes) == PIC_OK;
        case FileFormat::Pdf:
        case FileFormat::Text:
            break;
    }
    return false;
}

// One picture file: the plain name replaced as a save replaces it, or the next free name of
// the series, never over a file that is there. `written` gets the name.
int WritePictureFile(const PictureEngine& picture, const CaptureOptions& o, CliHost& host,
                     QString& written) {
    const CaptureTarget& t = o.target;
    QByteArray bytes;
    WriteFailure why;
    if (!Encode(picture, o, bytes)) {
        host.ReportError(ERR_SAVE);
        return EXIT_SAVE;
    }
    if (t.series) {
        const SeriesPattern pattern(t.pattern);
        errno = 0;
        // Cleaned so that a name given without a folder is reported without "./".
        written = QDir::cleanPath(CreateSeriesFile(t.folder, pattern, t.extension,
                                                   NextSeriesNumber(t.folder, pattern, t.extension),
                                                   bytes));
        if (written.isEmpty()) {
            why = ProbeFailure(t.path, errno);
        }
    } else if (WriteFileDurably(t.path, bytes, &why) == PIC_OK) {
        written = t.path;
    }
    if (written.isEmpty()) {
        host.ReportSaveFailure(t.path, ReasonOf(why));
        return EXIT_SAVE;
    }
    return EXIT_OK;
}

int WritePictureFiles(const PictureSource& source, const CaptureOptions& o, CliHost& host) {
    for (int i = 0; i < o.count; ++i) {
        SourcePicture shown;
        if (const int code = source(i, shown); code != EXIT_OK) {
            return code;
        }
        PageFacts facts;
        PictureEngine document;
        if (o.document) {
            const MadePage made = MakePage(shown.picture.Image(), o);
            if (made.outline.state == OutlineState::NotFound) {
                TellNoPageEdge(shown, i, host);
            }
            if (document.SetImage(EngineImage(made.picture)) != PIC_OK) {
                host.ReportError(ERR_MEMORY);
                return EXIT_MEMORY;
            }
            facts.outline = made.outline;
            facts.paper = made.paper;
        }
        const PictureEngine& picture = o.document ? document : shown.picture;
        if (const int code = WritePictureFile(picture, o, host, facts.file); code != EXIT_OK) {
            return code;
        }
        facts.input = shown.input;
        facts.page = i + 1;
        facts.pages = o.count;
        facts.size = picture.Image().size();
        PrintPage(facts, o, QLatin1String(FormatName(o.target.format)));
    }
    return EXIT_OK;
}

// The pictures as shown, each fitted on a page of the paper asked for by Qt's PDF writer.
// Each page is had when the writer asks for it, so only one picture is held at a time. The
// pages are reported once the file is complete: a run that fails leaves no PDF.
int WritePlainPdf(const PictureSource& source, const CaptureOptions& o, CliHost& host) {
    int failure = EXIT_OK;
    std::vector<PageFacts> pages;
    const auto page = [&](int index) -> QImage {
        SourcePicture shown;
        failure = source(index, shown);
        if (failure != EXIT_OK) {
            return {};
        }
        PageFacts facts;
        facts.input = shown.input;
        facts.size = shown.picture.Image().size();
        pages.push_back(facts);
        return shown.picture.Image();
    };
    errno = 0;
    const std::int16_t result = WritePdf(o.target.path, o.count, page, o.paper);
    const int lastError = errno;
    if (failure != EXIT_OK) {
        return failure;
    }
    if (result != PIC_OK) {
        host.ReportSaveFailure(o.target.path, ReasonOf(ProbeFailure(o.target.path, lastError)));
        return EXIT_SAVE;
    }
    for (std::size_t i = 0; i < pages.size(); ++i) {
        pages[i].file = o.target.path;
        pages[i].page = int(i) + 1;
        pages[i].pages = int(pages.size());
        PrintPage(pages[i], o, QStringLiteral("PDF page %1 of %2").arg(i + 1).arg(pages.size()));
    }
    return EXIT_OK;
}

}  // namespace

WriteFailure ProbeFailure(const QString& path, int lastError) {
    WriteFailure why;
    const QByteArray folder = QFile::encodeName(QFileInfo(path).path());
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (stat(folder.constData(), &st) != 0) {
        why.error = errno;
    } else if (!S_ISDIR(st.st_mode)) {
        why.error = ENOTDIR;
    } else if (access(folder.constData(), W_OK) != 0) {
        why.error = errno;
    } else if (stat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        why.notRegularFile = true;
    } else {
        why.error = lastError;
    }
    return why;
}

QString ReasonOf(const WriteFailure& why) {
    return why.error == 0 && !why.notRegularFile ? QString() : WriteFailureText(why);
}

void PrintPage(const PageFacts& facts, const CaptureOptions& options, const QString& what) {
    if (options.json) {
        std::printf("%s\n", PageJson(facts).constData());
    } else {
        std::printf("%s: %d x %d %s\n", facts.file.toLocal8Bit().constData(), facts.size.width(),
                    facts.size.height(), what.toLocal8Bit().constData());
    }
    std::fflush(stdout);  // a script reading along sees each page as it lands
}

QString PageName(const SourcePicture& source, int index) {
    return source.input.isEmpty() ? QStringLiteral("page %1").arg(index + 1) : source.input;
}

void TellNoPageEdge(const SourcePicture& source, int index, CliHost& host) {
    host.Tell(
        QStringLiteral("%1: %2").arg(PageName(source, index), QLatin1String(kNoPageEdgeText)));
}

int WritePages(const PictureSource& source, const CaptureOptions& options, CliHost& host) {
    switch (options.target.format) {
        case FileFormat::Bmp:
        case FileFormat::Jpeg:
        case FileFormat::Png:
            return WritePictureFiles(source, options, host);
        case FileFormat::Pdf:
            if (!options.document && options.languages.isEmpty()) {
                return WritePlainPdf(source, options, host);
            }
            break;
        case FileFormat::Text:
            break;
    }
    return WriteHeldPages(source, options, host);
}

}  // namespace tavelo::cli
