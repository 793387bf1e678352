#include "pages/ReaderSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tavelo {
namespace {

const QString kModelSuffix = QStringLiteral(".traineddata");

}  // namespace

QString ReaderProgram() {
    const QString chosen = qEnvironmentVariable("TAVELO_READER");
    if (!chosen.isEmpty()) {
        return chosen;
    }
    const QString beside =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tavelo-reader"));
    if (QFileInfo(beside).isExecutable()) {
        return beside;
    }
    return QStringLiteral(TAVELO_READER_INSTALLED);
}

QString TessdataFolder() {
    const QString chosen = qEnvironmentVariable("TESSDATA_PREFIX");
    return chosen.isEmpty() ? QStringLiteral(TAVELO_TESSDATA) : chosen;
}

QStringList ReadingLanguages(const QString& folder) {
    QStringList languages;
    const QStringList files = QDir(folder).entryList({QLatin1Char('*') + kModelSuffix},
                                                     QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& file : files) {
        const QString name = file.chopped(kModelSuffix.size());
        if (name != QLatin1String("osd") && !name.isEmpty()) {
            languages.append(name);
        }
    }
    return languages;
}

bool CanDetectOrientation(const QString& folder) {
    return QFileInfo(QDir(folder).filePath(QStringLiteral("osd") + kModelSuffix)).isReadable();
}

}  // namespace tavelo
