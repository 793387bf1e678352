#include "pages/SeriesNames.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <algorithm>

#include "picture/DurableFile.h"
#include "picture/PictureResult.h"

namespace tavelo {
namespace {

const QRegularExpression& Field() {
    static const QRegularExpression field(QStringLiteral("\\{(n(?::0(\\d))?|date|time)\\}"));
    return field;
}

// Tries enough names to get past any number of other writers, yet ends.
constexpr int kMaxTries = 10000;
// The largest page number: nine digits, so that the number after it, and every try past a
// name taken meanwhile, still fit an int. A larger number in a name is not one of ours.
constexpr int kMaxNumber = 999'999'999;

}  // namespace

SeriesPattern::SeriesPattern(const QString& pattern) : m_pattern(pattern) {
    m_pattern.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (m_pattern.isEmpty()) {
        m_pattern = QStringLiteral("page");
    }
    bool hasNumber = false;
    for (auto it = Field().globalMatch(m_pattern); it.hasNext();) {
        hasNumber |= it.next().captured(1).startsWith(QLatin1Char('n'));
    }
    if (!hasNumber) {
        m_pattern += QStringLiteral("-{n}");
    }
}

bool SeriesPattern::HasFields(const QString& text) {
    return text.contains(Field());
}

QString SeriesPattern::Name(int number, const QString& extension, const QDateTime& when) const {
    QString name;
    qsizetype at = 0;
    for (auto it = Field().globalMatch(m_pattern); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        name += m_pattern.mid(at, m.capturedStart() - at);
        const QString field = m.captured(1);
        if (field == QLatin1String("date")) {
            name += when.toString(QStringLiteral("yyyy-MM-dd"));
        } else if (field == QLatin1String("time")) {
            name += when.toString(QStringLiteral("HH-mm-ss"));
        } else {
            const int width = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
            name += QStringLiteral("%1").arg(number, width, 10, QLatin1Char('0'));
        }
        at = m.capturedEnd();
    }
    name += m_pattern.mid(at);
    return name + QLatin1Char('.') + extension;
}

int SeriesPattern::NumberOf(const QString& fileName, const QString& extension) const {
    return NumberIn(NamesWith(extension), fileName);
}

QRegularExpression SeriesPattern::NamesWith(const QString& extension) const {
    QString expression = QStringLiteral("^");
    qsizetype at = 0;
    for (auto it = Field().globalMatch(m_pattern); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        expression += QRegularExpression::escape(m_pattern.mid(at, m.capturedStart() - at));
        const QString field = m.captured(1);
        if (field == QLatin1String("date")) {
            expression += QStringLiteral("\\d{4}-\\d{2}-\\d{2}");
        } else if (field == QLatin1String("time")) {
            expression += QStringLiteral("\\d{2}-\\d{2}-\\d{2}");
        } else {
            expression += QStringLiteral("(\\d+)");
        }
        at = m.capturedEnd();
    }
    expression += QRegularExpression::escape(m_pattern.mid(at));
    expression +=
        QStringLiteral("\\.") + QRegularExpression::escape(extension) + QStringLiteral("$");
    QRegularExpression names(expression, QRegularExpression::CaseInsensitiveOption);
    names.optimize();
    return names;
}

int SeriesPattern::NumberIn(const QRegularExpression& names, const QString& fileName) {
    const QRegularExpressionMatch m = names.match(fileName);
    if (!m.hasMatch()) {
        return -1;
    }
    bool ok = false;
    const int number = m.captured(1).toInt(&ok);
    return ok && number <= kMaxNumber ? number : -1;
}

int NextSeriesNumber(const QString& folder, const SeriesPattern& pattern,
                     const QString& extension) {
    // Names straight from the folder, without a look at every file's details: only a name
    // of the series is asked whether it is a folder, which does not count.
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr) {
        return 1;
    }
    const QRegularExpression names = pattern.NamesWith(extension);
    int highest = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        const int number = SeriesPattern::NumberIn(names, name);
        if (number <= highest || entry->d_type == DT_DIR) {
            continue;
        }
        struct stat info;
        if (entry->d_type != DT_REG && ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 &&
            S_ISDIR(info.st_mode)) {
            continue;
        }
        highest = number;
    }
    ::closedir(dir);
    return highest + 1;
}

QString CreateSeriesFile(const QString& folder, const SeriesPattern& pattern,
                         const QString& extension, int number, const QByteArray& bytes,
                         const QDateTime& when) {
    DurableFile file;
    if (file.OpenInFolder(folder) != PIC_OK || !file.Write(bytes)) {
        return {};
    }
    const QString name = file.CommitAsNew([&](int tried) {
        const int n = number + tried;
        return tried < kMaxTries && number > 0 && n <= kMaxNumber + kMaxTries
                   ? pattern.Name(n, extension, when)
                   : QString();
    });
    return name.isEmpty() ? QString() : QDir(folder).filePath(name);
}

}  // namespace tavelo
