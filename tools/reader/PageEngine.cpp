#include "PageEngine.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/renderer.h>

#include <QFile>
#include <algorithm>
#include <cmath>

namespace tavelo {
namespace {

struct PixFree {
    void operator()(Pix* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<Pix, PixFree>;

// Larger pictures are refused rather than read for minutes; an A3 sheet at 600 ppi fits.
constexpr int kMaxSide = 12000;
constexpr double kMaxPixels = 80e6;
// OSD's confidence above which a turn is trusted; tesseract calls 15 "reasonably confident"
// but upright pages of few lines score lower, and a wrong turn costs more than none.
constexpr float kTurnConfidence = 4.0f;
// The unsharp mask every page is read through: pages from the camera are soft, and small soft
// type reads far better with its strokes' edges given back (blurred, "lies" is read "bes").
constexpr int kSharpenHalfWidth = 3;
constexpr float kSharpenFraction = 1.0f;
// How much surer, in tesseract's mean word confidence (0..100), the reading of a sample under
// another turn must be than under the one first thought right before that turn is taken.
constexpr int kTurnMargin = 15;

bool IsLanguageName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
    });
}

std::string Text(char* utf8) {
    std::string text = utf8 ? utf8 : "";
    delete[] utf8;
    return text;
}

}  // namespace

PageEngine::PageEngine(std::string tessdata, std::string scratch)
    : m_tessdata(std::move(tessdata)), m_scratch(std::move(scratch)) {
    setMsgSeverity(L_SEVERITY_NONE);  // a bad picture is a reply, not a message on stderr
}

PageEngine::~PageEngine() {
    if (m_api) {
        m_api->End();
    }
    if (m_osd) {
        m_osd->End();
    }
}

bool PageEngine::UseLanguages(const std::string& languages) {
    if (m_api && languages == m_languages) {
        return true;
    }
    std::vector<std::string> wanted;
    for (std::size_t at = 0; at <= languages.size();) {
        const std::size_t plus = std::min(languages.find('+', at), languages.size());
        wanted.push_back(languages.substr(at, plus - at));
        if (!IsLanguageName(wanted.back())) {
            return false;
        }
        at = plus + 1;
    }
    if (m_api) {
        m_api->End();
    }
    m_api = std::make_unique<tesseract::TessBaseAPI>();
    m_languages.clear();
    const char* folder = m_tessdata.empty() ? nullptr : m_tessdata.c_str();
    // Tesseract starts with the languages it has and leaves out the others; a page read
    // without a language asked for would be read wrong, so a missing one is refused.
    std::vector<std::string> loaded;
    if (m_api->Init(folder, languages.c_str(), tesseract::OEM_DEFAULT) == 0) {
        m_api->GetLoadedLanguagesAsVector(&loaded);
    }
    for (const std::string& language : wanted) {
        if (std::find(loaded.begin(), loaded.end(), language) == loaded.end()) {
            m_api.reset();
            return false;
        }
    }
    // Tesseract's own program reads a page as a page; the library's default is one block.
    m_api->SetPageSegMode(tesseract::PSM_AUTO);
    m_languages = languages;
    return true;
}

int PageEngine::UprightTurn(Pix* page, int pixelsPerInch) {
    if (!m_osd) {
        m_osd = std::make_unique<tesseract::TessBaseAPI>();
        const char* folder = m_tessdata.empty() ? nullptr : m_tessdata.c_str();
        if (m_osd->Init(folder, "osd", tesseract::OEM_TESSERACT_ONLY) != 0) {
            m_osd.reset();
            return 0;  // no orientation model installed: the page is read as it lies
        }
    }
    m_osd->SetPageSegMode(tesseract::PSM_OSD_ONLY);
    m_osd->SetImage(page);
    m_osd->SetSourceResolution(pixelsPerInch);
    int degrees = 0;
    float confidence = 0;
    const bool found = m_osd->DetectOrientationScript(&degrees, &confidence, nullptr, nullptr);
    m_osd->Clear();
    if (found && confidence >= kTurnConfidence) {
        if (degrees == 0) {
            return 0;
        }
        // Tesseract gives the anticlockwise turn of the text; the same angle clockwise undoes
        // it. The model can be sure of a page yet have it the opposite way round, which leaves
        // the page upside down: the reading model settles which of the two it is.
        const int turn = (360 - degrees) % 360;
        return SurestTurn(page, pixelsPerInch, {turn, (turn + 180) % 360});
    }
    return SurestTurn(page, pixelsPerInch, {0, 90, 180, 270});
}

int PageEngine::SurestTurn(Pix* page, int pixelsPerInch, std::initializer_list<int> turns) {
    const int w = pixGetWidth(page), h = pixGetHeight(page);
    Box* middle = boxCreate(w * 3 / 10, h * 3 / 10, w * 2 / 5, h * 2 / 5);
    PixPtr sample(pixClipRectangle(page, middle, nullptr));
    boxDestroy(&middle);
    const int first = *turns.begin();
    if (!sample) {
        return first;
    }
    // As one block of level lines: a turned sample is then read as nonsense, not as lines
    // standing on end.
    m_api->SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
    int firstConfidence = 0, best = first, bestConfidence = 0;
    for (const int degrees : turns) {
        PixPtr turned(degrees == 0 ? pixClone(sample.get())
                                   : pixRotateOrth(sample.get(), degrees / 90));
        if (!turned) {
            continue;
        }
        m_api->SetImage(turned.get());
        m_api->SetSourceResolution(pixelsPerInch);
        const int confidence = m_api->MeanTextConf();
        firstConfidence = degrees == first ? confidence : firstConfidence;
        if (confidence > bestConfidence) {
            best = degrees;
            bestConfidence = confidence;
        }
    }
    m_api->Clear();
    m_api->SetPageSegMode(tesseract::PSM_AUTO);
    // Another turn is taken only when the reading is clearly surer of the page under it.
    return bestConfidence >= firstConfidence + kTurnMargin ? best : first;
}

QByteArray PageEngine::TextLayer() {
    const std::string base = m_scratch + "/layer" + std::to_string(++m_layers);
    QByteArray bytes;
    {
        tesseract::TessPDFRenderer renderer(base.c_str(), m_api->GetDatapath(), true);
        if (!renderer.BeginDocument("") || !renderer.AddImage(m_api.get()) ||
            !renderer.EndDocument() || !renderer.happy()) {
            return {};
        }
    }
    QFile file(QString::fromStdString(base + ".pdf"));
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
    }
    file.remove();
    return bytes;
}

ReadReply PageEngine::Read(const ReadRequest& request) {
    ReadReply reply;
    reply.id = request.id;
    PixPtr decoded(pixReadMem(reinterpret_cast<const l_uint8*>(request.picture.constData()),
                              std::size_t(request.picture.size())));
    if (!decoded || pixGetWidth(decoded.get()) > kMaxSide ||
        pixGetHeight(decoded.get()) > kMaxSide ||
        double(pixGetWidth(decoded.get())) * pixGetHeight(decoded.get()) > kMaxPixels) {
        reply.status = ReadStatus::BadPicture;
        return reply;
    }
    if (!UseLanguages(request.languages.toStdString())) {
        reply.status = ReadStatus::NoLanguage;
        return reply;
    }
    const int ppi = request.pixelsPerInch > 0 ? request.pixelsPerInch : kReadingPixelsPerInch;
    // Grey is what the engine reads; converting first makes enlarging a third of the work.
    PixPtr page(pixConvertTo8(decoded.get(), 0));
    decoded.reset();
    double scale = 1.0;
    if (ppi < kLeastPixelsPerInch) {
        scale = double(kReadingPixelsPerInch) / ppi;
        page.reset(pixScaleGrayLI(page.get(), float(scale), float(scale)));
    }
    if (page) {
        PixPtr sharp(pixUnsharpMaskingGray(page.get(), kSharpenHalfWidth, kSharpenFraction));
        if (sharp) {
            pixCopyResolution(sharp.get(), page.get());  // else the engine warns of 0 ppi
            page = std::move(sharp);
        }
    }
    if (!page) {
        reply.status = ReadStatus::Failed;
        return reply;
    }
    const int readingPpi = int(std::lround(ppi * scale));
    if (request.detectOrientation) {
        reply.orientation = UprightTurn(page.get(), readingPpi);
        if (reply.orientation != 0) {
            page.reset(pixRotateOrth(page.get(), reply.orientation / 90));
            reply.turned = page != nullptr;
            if (!page) {
                reply.status = ReadStatus::Failed;
                return reply;
            }
        }
    }
    pixSetResolution(page.get(), readingPpi, readingPpi);
    m_api->SetImage(page.get());
    m_api->SetSourceResolution(readingPpi);
    if (m_api->Recognize(nullptr) != 0) {
        m_api->Clear();
        reply.status = ReadStatus::Failed;
        return reply;
    }
    std::unique_ptr<tesseract::ResultIterator> it(m_api->GetIterator());
    double confidenceSum = 0;
    if (it) {
        do {
            const std::string word = Text(it->GetUTF8Text(tesseract::RIL_WORD));
            int left = 0, top = 0, right = 0, bottom = 0;
            if (word.empty() ||
                !it->BoundingBox(tesseract::RIL_WORD, &left, &top, &right, &bottom)) {
                continue;
            }
            ReadWord w;
            w.text = QString::fromStdString(word);
            w.confidence = it->Confidence(tesseract::RIL_WORD);
            const auto back = [scale](int v) { return int(std::lround(v / scale)); };
            w.box = QRect(QPoint(back(left), back(top)), QPoint(back(right) - 1, back(bottom) - 1));
            confidenceSum += w.confidence;
            reply.words.append(w);
        } while (it->Next(tesseract::RIL_WORD));
    }
    reply.confidence = reply.words.isEmpty() ? 0.0f : float(confidenceSum / reply.words.size());
    reply.text = QString::fromStdString(Text(m_api->GetUTF8Text()));
    reply.textLayer = TextLayer();
    m_api->Clear();
    reply.status = reply.textLayer.isEmpty() ? ReadStatus::Failed : ReadStatus::Read;
    return reply;
}

}  // namespace tavelo
