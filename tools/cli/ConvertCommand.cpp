#include "ConvertCommand.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "ExitCodes.h"
#include "PageRun.h"
#include "picture/PictureResult.h"
#include "res/ErrorCode.h"
#include "res/Strings.h"

namespace tavelo::cli {
namespace {

const QByteArray kPngSignature("\x89PNG\r\n\x1A\n", 8);
constexpr int kPngLimitMegabytes = 1024;  // as many pixels as any picture the tool writes

QByteArray Head(const QString& path, int bytes) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(bytes) : QByteArray();
}

// The picture engine reads BMP and JPEG within its bounds; a PNG comes through Qt's reader.
std::int16_t Load(const QString& path, PictureEngine& picture) {
    if (!Head(path, kPngSignature.size()).startsWith(kPngSignature)) {
        return picture.LoadFile(path, 0, 0, 0);
    }
    QImageReader reader(path, "png");
    reader.setAllocationLimit(kPngLimitMegabytes);
    const QImage image = reader.read();
    if (image.isNull()) {
        return reader.error() == QImageReader::InvalidDataError ? PIC_MALFORMED : PIC_FILE_OPEN;
    }
    return picture.SetImage(image);
}

QString Reason(const QString& path, std::int16_t result) {
    const QFileInfo info(path);
    switch (result) {
        case PIC_FILE_OPEN:
            if (!info.exists()) {
                return QStringLiteral("no such file");
            }
            if (!info.isFile()) {
                return QStringLiteral("not a regular file");
            }
            return info.isReadable() ? QStringLiteral("cannot be opened")
                                     : QStringLiteral("permission denied");
        case PIC_TRUNCATED:
            return QStringLiteral("the picture is cut short");
        case PIC_TOO_LARGE:
        case PIC_BAD_ARGUMENT:
            return QStringLiteral("the picture is too large");
        case PIC_NO_MEMORY:
            return QStringLiteral("out of memory");
        default:
            return QStringLiteral("not a BMP, JPEG or PNG picture");
    }
}

}  // namespace

int ConvertCommand(const std::vector<std::string>& inputs, CliHost& host,
                   const CaptureOptions& options) {
    return WritePages(
        [&](int index, SourcePicture& shown) {
            shown.input = QString::fromLocal8Bit(inputs[std::size_t(index)].c_str());
            const std::int16_t result = Load(shown.input, shown.picture);
            if (result != PIC_OK) {
                host.Tell(QStringLiteral("%1 %2: %3")
                              .arg(QLatin1String(ErrorText(ERR_LOAD)), shown.input,
                                   Reason(shown.input, result)));
                return int(EXIT_LOAD);
            }
            // Without --document a JPEG goes into a searchable PDF as its own bytes.
            const bool oneFile = options.target.format == FileFormat::Pdf ||
                                 options.target.format == FileFormat::Text;
            if (!options.document && oneFile &&
                Head(shown.input, 3) == QByteArray("\xFF\xD8\xFF", 3)) {
                QFile file(shown.input);
                shown.jpeg = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            }
            return int(EXIT_OK);
        },
        options, host);
}

}  // namespace tavelo::cli
