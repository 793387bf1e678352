#include "HeldPages.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTransform>
#include <memory>
#include <vector>

#include "BackgroundReader.h"
#include "DocumentStep.h"
#include "ExitCodes.h"
#include "pages/SearchablePdf.h"
#include "picture/PictureResult.h"
#include "res/ErrorCode.h"

namespace tavelo::cli {
namespace {

// A page kept until the file of all pages is written.
struct HeldPage {
    QByteArray file;  // a JPEG, stored as it is
    QImage picture;   // a black and white page, stored at one bit a pixel
    PageGeometry geometry;
    PageFacts facts;
    QString name;  // as messages name it
    ReadReply reply;
};

QByteArray Png(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return QImageWriter(&buffer, "png").write(picture) ? bytes : QByteArray();
}

// The page's picture as stored and as read: a black and white page losslessly (it is one bit
// a pixel), a JPEG loaded without --document as its own bytes, any other as a JPEG of the
// Q factor. Returns the bytes to read, empty when the picture could not be encoded.
QByteArray Store(const MadePage& made, const SourcePicture& shown, const CaptureOptions& o,
                 HeldPage& page) {
    if (o.document && o.look == PageLook::BlackWhite) {
        page.picture = made.picture;
        return Png(made.picture);
    }
    if (!o.document && !shown.jpeg.isEmpty()) {
        page.file = shown.jpeg;
        return page.file;
    }
    PictureEngine engine;
    if (engine.SetImage(EngineImage(made.picture)) != PIC_OK ||
        engine.EncodeJpeg(o.qFactor, page.file) != PIC_OK) {
        page.file.clear();
    }
    return page.file;
}

// Turns a page the reader found lying on its side upright, as the application turns it: its
// picture, its size and the paper it lies on. The reader read the page so turned, so its text
// layer lies on the words. A JPEG is turned through its pixels and stored again; false when it
// cannot be.
bool TurnUpright(HeldPage& page, const CaptureOptions& o) {
    const int steps = (page.reply.orientation / 90) % 4;
    if (!page.reply.turned || steps == 0) {
        return true;
    }
    const QTransform turn = QTransform().rotate(90 * steps);
    if (!page.picture.isNull()) {
        page.picture = page.picture.transformed(turn).convertToFormat(page.picture.format());
    } else if (!page.file.isEmpty()) {
        const QImage picture = QImage::fromData(page.file, "JPEG").transformed(turn);
        PictureEngine engine;
        if (picture.isNull() || engine.SetImage(EngineImage(picture)) != PIC_OK ||
            engine.EncodeJpeg(o.qFactor, page.file) != PIC_OK) {
            return false;
        }
    }
    if (steps % 2 != 0) {
        page.facts.size.transpose();
        page.facts.paper.landscape = !page.facts.paper.landscape;
    }
    page.geometry = GeometryOf(page.facts.size, page.facts.paper, o.document, o.paper);
    return true;
}

// Takes every page's reply, naming those that could not be read, and turns those read turned
// upright. False when a page could not be turned.
bool TakeReplies(BackgroundReader& reader, std::vector<HeldPage>& pages, const CaptureOptions& o,
                 CliHost& host) {
    for (std::size_t i = 0; i < pages.size(); ++i) {
        HeldPage& page = pages[i];
        page.reply = reader.Take(int(i));
        if (page.reply.status != ReadStatus::Read) {
            host.Tell(QStringLiteral("%1 could not be read: %2; it is written without text")
                          .arg(page.name, QLatin1String(ReadFailureText(page.reply.status))));
            page.reply.textLayer.clear();
            page.reply.text.clear();
            continue;
        }
        page.facts.read = true;
        page.facts.words = int(page.reply.words.size());
        page.facts.textConfidence = page.reply.confidence / 100.0;
        if (!TurnUpright(page, o)) {
            return false;
        }
    }
    return true;
}

std::int16_t WriteFile(const std::vector<HeldPage>& pages, const CaptureOptions& o,
                       WriteFailure* why) {
    if (o.target.format == FileFormat::Text) {
        QByteArray text;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            text += (i > 0 ? "\f" : "") + pages[i].reply.text.toUtf8();
        }
        return WriteFileDurably(o.target.path, text, why);
    }
    return WriteSearchablePdf(o.target.path, int(pages.size()), [&](int i, SearchablePage* page) {
        const HeldPage& held = pages[std::size_t(i)];
        page->file = held.file;
        page->picture = held.picture;
        page->points = held.geometry.points;
        page->pixelsPerInch = held.geometry.pixelsPerInch;
        page->textLayer = held.reply.textLayer;
        return true;
    });
}

}  // namespace

int WriteHeldPages(const PictureSource& source, const CaptureOptions& o, CliHost& host) {
    std::unique_ptr<BackgroundReader> reader;
    if (!o.languages.isEmpty()) {
        reader = std::make_unique<BackgroundReader>(o.languages);
    }
    const bool text = o.target.format == FileFormat::Text;
    std::vector<HeldPage> pages;
    for (int i = 0; i < o.count; ++i) {
        SourcePicture shown;
        if (const int code = source(i, shown); code != EXIT_OK) {
            return code;
        }
        const MadePage made = MakePage(shown.picture.Image(), o);
        if (made.outline.state == OutlineState::NotFound) {
            TellNoPageEdge(shown, i, host);
        }
        HeldPage page;
        page.name = PageName(shown, i);
        page.geometry = GeometryOf(made.picture.size(), made.paper, o.document, o.paper);
        const QByteArray stored = Store(made, shown, o, page);
        if (stored.isEmpty()) {
            host.ReportError(ERR_MEMORY);  // our own picture fails to encode only so
            return EXIT_MEMORY;
        }
        if (reader) {
            // A document page is turned upright as the application turns it.
            reader->Read(i, stored, page.geometry.pixelsPerInch, o.document);
        }
        if (text) {  // the text alone is written: the picture is not kept
            page.file.clear();
            page.picture = QImage();
        }
        page.facts.input = shown.input;
        page.facts.size = made.picture.size();
        page.facts.outline = made.outline;
        page.facts.paper = made.paper;
        pages.push_back(std::move(page));
    }
    if (reader) {
        const bool taken = TakeReplies(*reader, pages, o, host);
        reader.reset();
        if (!taken) {
            host.ReportError(ERR_MEMORY);  // our own picture fails to turn only so
            return EXIT_MEMORY;
        }
    }
    errno = 0;
    WriteFailure why;
    if (WriteFile(pages, o, &why) != PIC_OK) {
        if (why.error == 0 && !why.notRegularFile) {
            why = ProbeFailure(o.target.path, errno);
        }
        host.ReportSaveFailure(o.target.path, ReasonOf(why));
        return EXIT_SAVE;
    }
    const QString kind = text ? QStringLiteral("text") : QStringLiteral("PDF");
    for (std::size_t i = 0; i < pages.size(); ++i) {
        PageFacts& facts = pages[i].facts;
        facts.file = o.target.path;
        facts.page = int(i) + 1;
        facts.pages = int(pages.size());
        PrintPage(facts, o,
                  QStringLiteral("%1 page %2 of %3").arg(kind).arg(i + 1).arg(pages.size()));
    }
    return EXIT_OK;
}

}  // namespace tavelo::cli
