#include "CaptureTarget.h"

#include <QFileInfo>

#include "pages/SeriesNames.h"

namespace tavelo::cli {
namespace {

bool FormatOfExtension(const QString& extension, FileFormat& format) {
    const QString e = extension.toLower();
    if (e == QLatin1String("bmp")) {
        format = FileFormat::Bmp;
    } else if (e.isEmpty() || e == QLatin1String("jpg") || e == QLatin1String("jpeg")) {
        format = FileFormat::Jpeg;  // no extension stays a JPEG, as a save writes it
    } else if (e == QLatin1String("png")) {
        format = FileFormat::Png;
    } else if (e == QLatin1String("pdf")) {
        format = FileFormat::Pdf;
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool ParseCaptureTarget(const std::string& output, int count, bool read, CaptureTarget& target,
                        std::string& error) {
    const QString path = QString::fromLocal8Bit(output.c_str());
    const QFileInfo info(path);
    const QString extension = info.suffix();
    const QString quoted = QStringLiteral("\"%1\"").arg(path);
    if (read) {
        if (extension.toLower() == QLatin1String("txt")) {
            target.format = FileFormat::Text;
        } else if (extension.toLower() == QLatin1String("pdf")) {
            target.format = FileFormat::Pdf;
        } else {
            error = QStringLiteral(
                        "cannot write %1 with --ocr: the text goes into a .pdf, which becomes "
                        "searchable, or a .txt of the text alone")
                        .arg(quoted)
                        .toStdString();
            return false;
        }
    } else if (!FormatOfExtension(extension, target.format)) {
        error = QStringLiteral(
                    "cannot write %1: the extension must be one of %2, or none for a "
                    "JPEG")
                    .arg(quoted, QLatin1String(kWritableExtensions))
                    .toStdString();
        return false;
    }
    const bool fields = SeriesPattern::HasFields(info.fileName());
    if (SeriesPattern::HasFields(info.path())) {
        error = QStringLiteral(
                    "%1: {n}, {date} and {time} belong in the file name, not its "
                    "folder")
                    .arg(quoted)
                    .toStdString();
        return false;
    }
    const bool oneFile = target.format == FileFormat::Pdf || target.format == FileFormat::Text;
    if (oneFile && fields) {
        error = QStringLiteral(
                    "%1: a %2 is one file for all pictures; its name takes no {n}, "
                    "{date} or {time}")
                    .arg(quoted, target.format == FileFormat::Pdf ? QStringLiteral("PDF")
                                                                  : QStringLiteral("text file"))
                    .toStdString();
        return false;
    }
    target.path = path;
    target.series = !oneFile && (fields || count > 1);
    if (target.series) {
        target.folder = info.path();
        target.pattern = info.completeBaseName();
        target.extension = extension.isEmpty() ? QStringLiteral("jpg") : extension;
    }
    return true;
}

const char* FormatName(FileFormat format) {
    switch (format) {
        case FileFormat::Bmp:
            return "BMP";
        case FileFormat::Jpeg:
            return "JPEG";
        case FileFormat::Png:
            return "PNG";
        case FileFormat::Pdf:
            return "PDF";
        case FileFormat::Text:
            return "text";
    }
    return "";
}

}  // namespace tavelo::cli
