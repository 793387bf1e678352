#include "pages/TextLayerWords.h"

#include <qpdf/QUtil.hh>

#include <cstdlib>

namespace tavelo {

void TextLayerWords::handleToken(QPDFTokenizer::Token const& token) {
    if (m_stretchAt < 0) {
        if (token.isWord("Tz")) {
            int number = int(m_pending.size()) - 1;
            while (number >= 0 &&
                   m_pending[std::size_t(number)].getType() == QPDFTokenizer::tt_space) {
                --number;
            }
            if (number >= 0 &&
                (m_pending[std::size_t(number)].isInteger() ||
                 m_pending[std::size_t(number)].getType() == QPDFTokenizer::tt_real)) {
                m_stretchAt = number;
                m_pending.push_back(token);
                return;
            }
        }
        // Numbers wait for the operator that takes them; anything else goes through.
        if (token.getType() == QPDFTokenizer::tt_real || token.isInteger()) {
            m_pending.push_back(token);
            return;
        }
        if (token.getType() == QPDFTokenizer::tt_space && !m_pending.empty()) {
            m_pending.push_back(token);
            return;
        }
        Flush(0);
        writeToken(token);
        return;
    }
    m_pending.push_back(token);
    if (token.getType() == QPDFTokenizer::tt_string) {
        // The text layer's font takes two bytes a glyph.
        const std::string& text = token.getValue();
        m_glyphs += int(text.size() / 2);
        m_endsInSpace = text.size() >= 2 && text[text.size() - 2] == '\0' && text.back() == ' ';
    } else if (token.isWord("TJ") || token.isWord("Tj")) {
        const double stretch =
            std::strtod(m_pending[std::size_t(m_stretchAt)].getValue().c_str(), nullptr);
        Flush(m_endsInSpace && m_glyphs > 1 ? stretch * m_glyphs / (m_glyphs - 1) : 0);
    } else if (token.getType() == QPDFTokenizer::tt_word) {
        Flush(0);  // another operator: the stretch is not one of a word's
    }
}

void TextLayerWords::handleEOF() {
    Flush(0);
}

void TextLayerWords::Flush(double stretch) {
    for (int i = 0; i < int(m_pending.size()); ++i) {
        if (i == m_stretchAt && stretch > 0) {
            write(QUtil::double_to_string(stretch, 3));
        } else {
            writeToken(m_pending[std::size_t(i)]);
        }
    }
    m_pending.clear();
    m_stretchAt = -1;
    m_glyphs = 0;
    m_endsInSpace = false;
}

}  // namespace tavelo
