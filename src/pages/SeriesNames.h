#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QRegularExpression>
#include <QString>

namespace tavelo {

// The names of a series of pictures: a pattern such as "page-{n:03}" where {n} is the
// page number, {n:0W} the number padded with zeros to W digits, {date} the day (yyyy-MM-dd)
// and {time} the time of day (HH-mm-ss). A pattern without {n} gets "-{n}" at its end, so
// every picture of a series has a name of its own. Other text is taken as it stands; a
// slash is not allowed in a name and becomes "_".
class SeriesPattern {
public:
    explicit SeriesPattern(const QString& pattern);

    // Whether `text` holds any of the fields above; other text in braces is no field.
    static bool HasFields(const QString& text);

    // The file name (with `extension`, e.g. "JPG") of picture `number` taken at `when`.
    QString Name(int number, const QString& extension, const QDateTime& when) const;
    // The number in a name this pattern made with `extension` (any date and time, any case
    // of the extension), or -1 when the name is not one of them; a number of more than nine
    // digits is none of ours.
    int NumberOf(const QString& fileName, const QString& extension) const;
    // The expression NumberOf matches a name against, made once for a whole folder.
    QRegularExpression NamesWith(const QString& extension) const;
    static int NumberIn(const QRegularExpression& names, const QString& fileName);

private:
    QString m_pattern;
};

// One more than the highest number of the pattern's names in `folder`: gaps are not filled,
// so a series always grows at its end. 1 for a folder without any.
int NextSeriesNumber(const QString& folder, const SeriesPattern& pattern, const QString& extension);

// Writes `bytes` under the first free name of the pattern from `number` on, never over
// anything there: through the durable writer, whose finished file takes a name only if
// nothing holds it yet (a name another writer took in between is skipped), on file systems
// with hard links and without. Returns the full path written, or an empty text when
// nothing could be written.
QString CreateSeriesFile(const QString& folder, const SeriesPattern& pattern,
                         const QString& extension, int number, const QByteArray& bytes,
                         const QDateTime& when = QDateTime::currentDateTime());

}  // namespace tavelo
