#pragma once

// Pages of known text for the reading tests and the reading benchmark: words of a seeded
// sequence set in a font of the machine with QPainter at a chosen resolution, and the
// character error rate that compares what was read with what was set.

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace tavelo::test {

struct TextPage {
    QImage picture;
    QString text;  // the words as set, one space between them
    int pixelsPerInch = 300;
};

inline const QStringList& Vocabulary() {
    static const QStringList words =
        QString(
            "the of and to in is that for it as was with be by on not he this are or his from at "
            "which but have an they you were her she there been one all we their has would when if "
            "so no out more what up said about other into than its time only could new them man "
            "some these then two first may any like now my such make over our even most me state "
            "after also made many did must before back see through way where get much go well your "
            "know should down work year because come people just say each those take day good how "
            "long Mr own too little use us very great still men here life both between old under "
            "last never place same another think house while high right might came off find states "
            "since used give against three himself look few general hand school part small "
            "American "
            "home during number again Mrs around thought went without however Government don't "
            "world until public form 1964 12.5% invoice total (page) page, receipt: delivery; "
            "October Bremen quarter minutes account address payment 2026-12-09 No. 4711")
            .split(' ', Qt::SkipEmptyParts);
    return words;
}

// The first of `families` the machine has, else the default sans serif.
inline QString InstalledFamily(const QStringList& families) {
    const QStringList present = QFontDatabase::families();
    for (const QString& family : families) {
        if (present.contains(family)) {
            return family;
        }
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

// A page of `inches` at `ppi`, `points` high type with a margin of half an inch, filled with
// lines of seeded words; black on white, or on `paper` with `ink`.
inline TextPage RenderTextPage(quint32 seed, int ppi, QSizeF inches, qreal points,
                               const QString& family, QColor paper = Qt::white,
                               QColor ink = Qt::black) {
    TextPage page;
    page.pixelsPerInch = ppi;
    page.picture =
        QImage(int(inches.width() * ppi), int(inches.height() * ppi), QImage::Format_RGB32);
    page.picture.fill(paper);
    page.picture.setDotsPerMeterX(int(ppi / 0.0254));
    page.picture.setDotsPerMeterY(int(ppi / 0.0254));
    QFont font(family);
    font.setPixelSize(std::max(6, int(points * ppi / 72.0)));
    QPainter painter(&page.picture);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(ink);
    const QFontMetricsF metrics(font);
    const qreal margin = ppi * 0.5, width = page.picture.width() - 2 * margin;
    QRandomGenerator random(seed);
    const QStringList& words = Vocabulary();
    QStringList all;
    for (qreal y = margin + metrics.ascent();
         y + metrics.descent() < page.picture.height() - margin; y += metrics.lineSpacing() * 1.2) {
        QString line;
        for (;;) {
            const QString word = words[random.bounded(int(words.size()))];
            const QString longer = line.isEmpty() ? word : line + ' ' + word;
            if (metrics.horizontalAdvance(longer) > width) {
                break;
            }
            line = longer;
        }
        painter.drawText(QPointF(margin, y), line);
        all.append(line);
    }
    page.text = all.join(' ');
    return page;
}

inline QByteArray Encoded(const QImage& picture, const char* format = "PNG", int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format, quality);
    return bytes;
}

// Levenshtein distance between the two texts with their whitespace collapsed, over the
// reference's length: 0 for a perfect reading, 1 for nothing read.
inline double CharacterErrorRate(const QString& reference, const QString& read) {
    const QString a = reference.simplified(), b = read.simplified();
    if (a.isEmpty()) {
        return b.isEmpty() ? 0.0 : 1.0;
    }
    std::vector<int> row(std::size_t(b.size()) + 1);
    for (std::size_t j = 0; j < row.size(); ++j) {
        row[j] = int(j);
    }
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int up = row[std::size_t(j)];
            row[std::size_t(j)] = std::min(
                {up + 1, row[std::size_t(j) - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return double(row.back()) / double(a.size());
}

}  // namespace tavelo::test
