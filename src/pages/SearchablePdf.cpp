#include "pages/SearchablePdf.h"

#include <qpdf/Buffer.hh>
#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFMatrix.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QDateTime>
#include <map>
#include <memory>
#include <vector>

#include "pages/PdfPicture.h"
#include "pages/TextLayerWords.h"
#include "picture/DurableFile.h"
#include "picture/PictureResult.h"

namespace tavelo {
namespace {

using Handle = QPDFObjectHandle;

constexpr double kPointsPerInch = 72.0;

Handle Name(const char* name) {
    return Handle::newName(name);
}

Handle ImageObject(QPDF& pdf, const PdfPicture& picture) {
    Handle image = Handle::newStream(&pdf);
    image.replaceStreamData(picture.data.toStdString(),
                            picture.jpeg ? Name("/DCTDecode") : Handle::newNull(),
                            Handle::newNull());
    Handle dict = image.getDict();
    dict.replaceKey("/Type", Name("/XObject"));
    dict.replaceKey("/Subtype", Name("/Image"));
    dict.replaceKey("/Width", Handle::newInteger(picture.width));
    dict.replaceKey("/Height", Handle::newInteger(picture.height));
    dict.replaceKey("/ColorSpace", Name(picture.components == 1 ? "/DeviceGray" : "/DeviceRGB"));
    dict.replaceKey("/BitsPerComponent", Handle::newInteger(picture.bitsPerComponent));
    return image;
}

// The text layers' fonts: every page of the reading worker carries the same font, which the
// file then holds once.
class SharedFonts {
public:
    void Share(Handle resources) {
        if (!resources.isDictionary() || !resources.getKey("/Font").isDictionary()) {
            return;
        }
        Handle fonts = resources.getKey("/Font");
        for (const std::string& key : fonts.getKeys()) {
            Handle font = fonts.getKey(key);
            const std::string id = Identity(font);
            if (id.empty()) {
                continue;
            }
            auto [it, added] = m_fonts.emplace(id, font);
            if (!added) {
                fonts.replaceKey(key, it->second);
            }
        }
    }

private:
    // The font's name and its embedded program: equal fonts are the same font.
    static std::string Identity(Handle font) {
        if (!font.isDictionary()) {
            return {};
        }
        std::string id = font.getKey("/BaseFont").unparse();
        Handle descendants = font.getKey("/DescendantFonts");
        Handle descriptor = descendants.isArray() && descendants.getArrayNItems() > 0
                                ? descendants.getArrayItem(0).getKey("/FontDescriptor")
                                : font.getKey("/FontDescriptor");
        if (!descriptor.isDictionary()) {
            return {};
        }
        for (const char* key : {"/FontFile", "/FontFile2", "/FontFile3"}) {
            Handle program = descriptor.getKey(key);
            if (program.isStream()) {
                const std::shared_ptr<Buffer> data = program.getRawStreamData();
                id += key;
                id.append(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
            }
        }
        return id;
    }

    std::map<std::string, Handle> m_fonts;
};

// A text layer's document, read from its bytes (which qpdf reads in place, not copying).
struct Layer {
    QByteArray bytes;
    QPDF pdf;
};

// The form of the text layer's page, copied into `pdf`, with the size of that page.
bool TextForm(QPDF& pdf, std::vector<std::unique_ptr<Layer>>& sources, const QByteArray& layer,
              Handle* form, QPDFObjectHandle::Rectangle* box) {
    auto source = std::make_unique<Layer>();
    source->bytes = layer;
    source->pdf.setSuppressWarnings(true);
    source->pdf.processMemoryFile("text layer", source->bytes.constData(),
                                  std::size_t(source->bytes.size()));
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(source->pdf).getAllPages();
    if (pages.size() != 1) {
        return false;
    }
    *box = pages[0].getMediaBox().getArrayAsRectangle();
    if (box->urx <= box->llx || box->ury <= box->lly) {
        return false;
    }
    // The page's content as a form over ours, each word fitted to its place.
    Pl_Buffer content("text layer");
    TextLayerWords words;
    pages[0].filterContents(&words, &content);
    std::unique_ptr<Buffer> bytes(content.getBuffer());
    *form = Handle::newStream(
        &pdf, std::string(reinterpret_cast<const char*>(bytes->getBuffer()), bytes->getSize()));
    Handle dict = form->getDict();
    dict.replaceKey("/Type", Name("/XObject"));
    dict.replaceKey("/Subtype", Name("/Form"));
    dict.replaceKey("/BBox", Handle::newFromRectangle(*box));
    // Resources are often written inline; qpdf copies objects of their own number only.
    Handle resources = source->pdf.makeIndirectObject(pages[0].getAttribute("/Resources", true));
    dict.replaceKey("/Resources", pdf.copyForeignObject(resources));
    sources.push_back(std::move(source));  // the copied streams are read from it on writing
    return true;
}

QSizeF PagePoints(const SearchablePage& page, const PdfPicture& picture) {
    if (!page.points.isEmpty()) {
        return page.points;
    }
    const double ppi = page.pixelsPerInch > 0 ? page.pixelsPerInch : kPointsPerInch;
    return QSizeF(picture.width * kPointsPerInch / ppi, picture.height * kPointsPerInch / ppi);
}

// A PDF date, in UTC: D:YYYYMMDDHHmmSSZ.
std::string PdfDate(const QDateTime& utc) {
    return utc.toString(QStringLiteral("'D:'yyyyMMddHHmmss'Z'")).toStdString();
}

std::string Placement(double a, double d, double e, double f, const char* name) {
    return "q " + QPDFMatrix(a, 0, 0, d, e, f).unparse() + " cm " + name + " Do Q\n";
}

QByteArray Write(int count, const SearchablePageSource& source, std::int16_t* result,
                 const QString& title) {
    QPDF pdf;
    pdf.emptyPDF();
    std::vector<std::unique_ptr<Layer>> layers;
    SharedFonts fonts;
    QPDFPageDocumentHelper document(pdf);
    for (int i = 0; i < count; ++i) {
        SearchablePage page;
        PdfPicture picture;
        if (!source(i, &page) || !MakePdfPicture(page.file, page.picture, &picture)) {
            *result = PIC_NO_PICTURE;
            return {};
        }
        const QSizeF size = PagePoints(page, picture);
        const QRectF place = page.place.isEmpty() ? QRectF(QPointF(), size) : page.place;
        Handle xobjects = Handle::newDictionary();
        xobjects.replaceKey("/Im0", pdf.makeIndirectObject(ImageObject(pdf, picture)));
        // The picture fills its place; the text layer is stretched onto the same rectangle,
        // so each word lies over its picture.
        std::string content =
            Placement(place.width(), place.height(), place.x(), place.y(), "/Im0");
        if (!page.textLayer.isEmpty()) {
            Handle form;
            QPDFObjectHandle::Rectangle box;
            if (!TextForm(pdf, layers, page.textLayer, &form, &box)) {
                *result = PIC_MALFORMED;
                return {};
            }
            fonts.Share(form.getDict().getKey("/Resources"));
            xobjects.replaceKey("/Tx0", form);
            const double sx = place.width() / (box.urx - box.llx);
            const double sy = place.height() / (box.ury - box.lly);
            content +=
                Placement(sx, sy, place.x() - box.llx * sx, place.y() - box.lly * sy, "/Tx0");
        }
        Handle resources = Handle::newDictionary();
        resources.replaceKey("/XObject", xobjects);
        Handle dict = Handle::newDictionary();
        dict.replaceKey("/Type", Name("/Page"));
        dict.replaceKey("/MediaBox", Handle::newFromRectangle(QPDFObjectHandle::Rectangle(
                                         0, 0, size.width(), size.height())));
        dict.replaceKey("/Resources", resources);
        dict.replaceKey("/Contents", Handle::newStream(&pdf, content));
        document.addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(dict)), false);
    }
    Handle info = Handle::newDictionary();
    info.replaceKey("/Creator", Handle::newUnicodeString("Tavelo"));
    if (!title.isEmpty()) {
        info.replaceKey("/Title", Handle::newUnicodeString(title.toStdString()));
    }
    info.replaceKey("/CreationDate", Handle::newString(PdfDate(QDateTime::currentDateTimeUtc())));
    pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(info));
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.setObjectStreamMode(qpdf_o_generate);  // a compressed cross-reference: smaller
    writer.write();
    std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
    return QByteArray(reinterpret_cast<const char*>(buffer->getBuffer()),
                      qsizetype(buffer->getSize()));
}

}  // namespace

QByteArray SearchablePdf(int count, const SearchablePageSource& page, std::int16_t* result,
                         const QString& title) {
    std::int16_t ignored = PIC_OK;
    result = result ? result : &ignored;
    *result = PIC_NO_PICTURE;
    if (count <= 0) {
        return {};
    }
    // qpdf reports damaged input by throwing; here it is a failed document like any other.
    try {
        *result = PIC_OK;
        return Write(count, page, result, title);
    } catch (const std::exception&) {
        *result = PIC_MALFORMED;
        return {};
    }
}

std::int16_t WriteSearchablePdf(const QString& path, int count, const SearchablePageSource& page,
                                const QString& title) {
    std::int16_t result = PIC_OK;
    const QByteArray bytes = SearchablePdf(count, page, &result, title);
    return result != PIC_OK ? result : WriteFileDurably(path, bytes);
}

}  // namespace tavelo
