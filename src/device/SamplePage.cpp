#include "device/SamplePage.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QStringList>

namespace tavelo {

namespace {

constexpr const char* kWords[] = {
    "the",      "camera",    "page",     "light",    "paper",   "desk",    "document", "reads",
    "every",    "line",      "of",       "a",        "sheet",   "which",   "lies",     "under",
    "lamp",     "and",       "is",       "kept",     "for",     "later",   "with",     "its",
    "corners",  "found",     "straight", "clean",    "text",    "that",    "people",   "write",
    "letters",  "notes",     "minutes",  "meeting",  "report",  "invoice", "number",   "date",
    "account",  "summary",   "result",   "we",       "will",    "send",    "copy",     "to",
    "office",   "before",    "after",    "morning",  "evening", "table",   "figure",   "shows",
    "measured", "values",    "between",  "two",      "three",   "four",    "weeks",    "year",
    "project",  "plan",      "budget",   "review",   "agreed",  "changes", "signed",   "on",
    "behalf",   "committee", "members",  "question", "answer",  "school",  "library",  "books",
    "history",  "river",     "village",  "market",   "winter",  "summer",  "garden",   "window",
};
constexpr int kWordCount = sizeof(kWords) / sizeof(kWords[0]);

// Fonts that set Latin text as words (no symbol, dingbat or mathematics fonts), sorted so
// that a seed picks the same font on every run of this machine.
QStringList TextFamilies() {
    QStringList families;
    for (const QString& family : QFontDatabase::families(QFontDatabase::Latin)) {
        const QString lower = family.toLower();
        if (!lower.contains(QLatin1String("symbol")) && !lower.contains(QLatin1String("math")) &&
            !lower.startsWith(QLatin1String("d050000l")) &&
            !lower.startsWith(QLatin1String("z003"))) {
            families << family;
        }
    }
    families.sort();
    return families;
}

QString Sentence(SceneRandom& random) {
    QString sentence;
    const int words = random.Int(6, 16);
    for (int i = 0; i < words; ++i) {
        QString word = QString::fromLatin1(kWords[random.Int(0, kWordCount - 1)]);
        if (i == 0) {
            word[0] = word[0].toUpper();
        }
        if (i > 0) {
            sentence += QLatin1Char(' ');
        }
        sentence += word;
        if (i > 0 && i + 1 < words && random.Chance(0.06)) {
            sentence += QLatin1Char(' ') + QString::number(random.Int(2, 2030));
        }
    }
    return sentence + QLatin1Char('.');
}

}  // namespace

SamplePage RenderSamplePage(int number, int width, int height, QColor paper, SceneRandom& random,
                            double typeScale) {
    SamplePage page;
    page.picture = QImage(width, height, QImage::Format_RGB32);
    page.picture.fill(paper);
    QPainter painter(&page.picture);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(QColor::fromHsv(random.Int(200, 240), random.Int(0, 120), random.Int(0, 60)));

    const QStringList families = TextFamilies();
    QFont font;
    if (!families.isEmpty()) {
        font.setFamily(families.at(random.Int(0, int(families.size()) - 1)));
    }
    const double margin = width * random.Uniform(0.08, 0.13);
    const double right = width - margin;
    double y = height * random.Uniform(0.06, 0.1);
    QStringList lines;
    const auto drawLine = [&](const QString& line, double x) {
        const QFontMetricsF metrics(painter.font());
        y += metrics.ascent();
        painter.drawText(QPointF(x, y), line);
        y += metrics.descent() + metrics.leading();
        lines << line;
    };

    QFont title = font;
    title.setPixelSize(std::max(8, int(width * random.Uniform(0.035, 0.05))));
    title.setBold(true);
    painter.setFont(title);
    drawLine(QStringLiteral("Notes on the %1 %2")
                 .arg(QString::fromLatin1(kWords[random.Int(0, kWordCount - 1)]),
                      QString::fromLatin1(kWords[random.Int(0, kWordCount - 1)])),
             margin);
    y += title.pixelSize() * 0.8;

    font.setPixelSize(std::max(6, int(width * typeScale * random.Uniform(0.018, 0.03))));
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const double bottom = height - margin - 2 * metrics.height();
    while (y < bottom - 3 * metrics.height()) {
        // One paragraph: sentences set word by word into lines that fit the measure.
        QString line;
        const int sentences = random.Int(2, 5);
        QStringList words;
        for (int i = 0; i < sentences; ++i) {
            words << Sentence(random).split(QLatin1Char(' '));
        }
        for (const QString& word : words) {
            const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (metrics.horizontalAdvance(longer) > right - margin && !line.isEmpty()) {
                drawLine(line, margin);
                line = word;
                if (y > bottom) {
                    break;
                }
            } else {
                line = longer;
            }
        }
        if (y <= bottom && !line.isEmpty()) {
            drawLine(line, margin);
        }
        y += metrics.height() * random.Uniform(0.5, 1.2);
    }
    const QString folio = QStringLiteral("Page %1 of %2").arg(number).arg(kSampleDocumentPages);
    y = height - margin * 0.8 - metrics.height();
    drawLine(folio, (width - metrics.horizontalAdvance(folio)) / 2);
    page.text = lines.join(QLatin1Char('\n'));
    return page;
}

}  // namespace tavelo
