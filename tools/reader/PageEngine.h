#pragma once

#include <initializer_list>
#include <memory>
#include <string>

#include "pages/ReaderProtocol.h"

struct Pix;
namespace tesseract {
class TessBaseAPI;
}

namespace tavelo {

// One tesseract engine and what the worker does with a page: decode, enlarge a page of too
// few pixels per inch, turn it upright, read it, and make its text layer. Tesseract's engine
// is not to be shared between threads, so a process holds one of these and reads one page at
// a time. The benchmark uses it in its own process as the reference.
class PageEngine {
public:
    // `tessdata` is the folder of the language models; empty for tesseract's own default.
    // `scratch` is a folder where the text layer is written before it is read back.
    PageEngine(std::string tessdata, std::string scratch);
    ~PageEngine();
    PageEngine(const PageEngine&) = delete;
    PageEngine& operator=(const PageEngine&) = delete;

    ReadReply Read(const ReadRequest& request);

    // The resolution a page is enlarged to when it has fewer than kLeastPixelsPerInch.
    static constexpr int kLeastPixelsPerInch = 200;
    static constexpr int kReadingPixelsPerInch = 300;

private:
    bool UseLanguages(const std::string& languages);
    int UprightTurn(Pix* page, int pixelsPerInch);  // clockwise degrees, 0 when unsure
    // Of `turns` (clockwise degrees), the one under which a sample from the page's middle
    // reads clearly surest, else the first: the orientation model is often unsure of pages
    // enlarged from the camera, or sure of the opposite way round; the reading model is not.
    int SurestTurn(Pix* page, int pixelsPerInch, std::initializer_list<int> turns);
    QByteArray TextLayer();

    std::string m_tessdata;
    std::string m_scratch;
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
    std::string m_languages;  // those m_api was started with
    std::unique_ptr<tesseract::TessBaseAPI> m_osd;
    int m_layers = 0;
};

}  // namespace tavelo
