#pragma once

#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFTokenizer.hh>

#include <vector>

namespace tavelo {

// Makes each word of the reading worker's text layer exactly as wide as the word on the
// picture. Tesseract stretches a word and the space after it together over the word's
// width, so the word's own letters end short of the picture's and a viewer's selection
// misses the end of every word; the stretch of a word that ends in a space is widened by
// letters / (letters - 1), leaving the space to reach into the gap after the word.
class TextLayerWords : public QPDFObjectHandle::TokenFilter {
public:
    void handleToken(QPDFTokenizer::Token const& token) override;
    void handleEOF() override;

private:
    void Flush(double stretch);

    std::vector<QPDFTokenizer::Token> m_pending;  // from a stretch (Tz) to its text (TJ)
    int m_stretchAt = -1;                         // the stretch's number in m_pending
    int m_glyphs = 0;                             // of the text after the stretch
    bool m_endsInSpace = false;
};

}  // namespace tavelo
