#include "CaptureCommand.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "ExitCodes.h"
#include "camera/Capture.h"
#include "pages/PdfPages.h"
#include "pages/SeriesNames.h"
#include "picture/DurableFile.h"
#include "picture/PictureEngine.h"
#include "picture/PictureResult.h"
#include "picture/RawConversion.h"
#include "picture/RawPicture.h"
#include "res/ErrorCode.h"

namespace tavelo::cli {
namespace {

void Pause(double seconds) {
    if (seconds > 0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
}

// The capture exchange, the flip, the conversion, and the look the application gives a
// fresh capture (the mode-2 resize, the sharpen amount of the sharpness position).
int CaptureOne(DeviceLink& link, CliHost& host, const CaptureOptions& o, PictureEngine& picture) {
    CapturedRows captured = CaptureRows(link, host);
    if (captured.result == LinkResult::NoPictureSize) {
        std::fprintf(stderr, "tavelo-cli: no picture size for capture mode %d, rotation %d\n",
                     captured.mode, captured.rotation);
        return EXIT_UNKNOWN_STATUS;
    }
    if (captured.result != LinkResult::Done) {
        return host.Fail(captured.result);
    }
    const RawShape shape{captured.width, captured.height, captured.mode, captured.rotation};
    MemoryBlock raw;
    EngineTarget target(picture);
    switch (ShowRawCapture(target, raw, std::move(captured.rows), shape,
                           kSharpAmounts[o.sharpIndex], host)) {
        case RawPictureResult::Shown:
            break;
        case RawPictureResult::NoRows:
        case RawPictureResult::FlipFailed:
        case RawPictureResult::BitmapFailed:
            return EXIT_MEMORY;  // told once already, where it was told at all
        case RawPictureResult::LoadFailed:
        case RawPictureResult::NotFinished:
            host.ReportError(ERR_MEMORY);  // our own bitmap fails only for want of memory
            return EXIT_MEMORY;
    }
    return EXIT_OK;
}

// The whole file image, in memory first: a picture that cannot be encoded never touches the
// disk. BMP at the picture's depth and JPEG with the Q factor, as a save writes them.
bool Encode(const PictureEngine& picture, const CaptureOptions& o, QByteArray& bytes) {
    switch (o.target.format) {
        case FileFormat::Bmp:
            return picture.Encode(PictureEngine::kFormatBmp, 0, o.qFactor, bytes) == PIC_OK;
        case FileFormat::Jpeg:
            return picture.Encode(PictureEngine::kFormatJpeg, 0, o.qFactor, bytes) == PIC_OK;
        case FileFormat::Png: {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            return QImageWriter(&buffer, "png").write(picture.Image());
        }
        case FileFormat::Pdf:
            break;
    }
    return false;
}

// One picture file: the plain name replaced as a save replaces it, or the next free name of
// the series, never over a file that is there.
int WritePictureFile(const PictureEngine& picture, const CaptureOptions& o, CliHost& host) {
    const CaptureTarget& t = o.target;
    QByteArray bytes;
    QString written;
    if (Encode(picture, o, bytes)) {
        if (t.series) {
            const SeriesPattern pattern(t.pattern);
            // Cleaned so that a name given without a folder is reported without "./".
            written = QDir::cleanPath(
                CreateSeriesFile(t.folder, pattern, t.extension,
                                 NextSeriesNumber(t.folder, pattern, t.extension), bytes));
        } else if (WriteFileDurably(t.path, bytes) == PIC_OK) {
            written = t.path;
        }
    }
    if (written.isEmpty()) {
        host.ReportError(ERR_SAVE);
        return EXIT_SAVE;
    }
    std::printf("%s: %d x %d %s\n", written.toLocal8Bit().constData(), picture.Width(),
                picture.Height(), FormatName(t.format));
    std::fflush(stdout);  // a script reading along sees each picture as it lands
    return EXIT_OK;
}

int CaptureFiles(DeviceLink& link, CliHost& host, const CaptureOptions& o) {
    for (int i = 0; i < o.count; ++i) {
        if (i > 0) {
            Pause(o.intervalSeconds);
        }
        PictureEngine picture;
        if (const int code = CaptureOne(link, host, o, picture); code != EXIT_OK) {
            return code;
        }
        if (const int code = WritePictureFile(picture, o, host); code != EXIT_OK) {
            return code;
        }
    }
    return EXIT_OK;
}

// Each page is captured when the writer asks for it, so only one picture is held at a time.
// The pages are reported once the file is complete: a run that fails leaves no PDF.
int CapturePdf(DeviceLink& link, CliHost& host, const CaptureOptions& o) {
    int failure = EXIT_OK;
    std::vector<QSize> sizes;
    const auto page = [&](int index) -> QImage {
        if (index > 0) {
            Pause(o.intervalSeconds);
        }
        PictureEngine picture;
        failure = CaptureOne(link, host, o, picture);
        if (failure != EXIT_OK) {
            return {};
        }
        sizes.push_back(picture.Image().size());
        return picture.Image();
    };
    const std::int16_t result = WritePdf(o.target.path, o.count, page, o.paper);
    if (failure != EXIT_OK) {
        return failure;
    }
    if (result != PIC_OK) {
        host.ReportError(ERR_SAVE);
        return EXIT_SAVE;
    }
    const QByteArray path = o.target.path.toLocal8Bit();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        std::printf("%s: %d x %d PDF page %zu of %zu\n", path.constData(), sizes[i].width(),
                    sizes[i].height(), i + 1, sizes.size());
    }
    return EXIT_OK;
}

}  // namespace

int CaptureCommand(DeviceLink& link, CliHost& host, const CaptureOptions& options) {
    return options.target.format == FileFormat::Pdf ? CapturePdf(link, host, options)
                                                    : CaptureFiles(link, host, options);
}

}  // namespace tavelo::cli
