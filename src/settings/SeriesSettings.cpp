#include "settings/SeriesSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "res/Strings.h"
#include "settings/Profile.h"

namespace tavelo {
namespace {

constexpr const char* kSeriesFolder = "SeriesFolder";
constexpr const char* kSeriesPattern = "SeriesPattern";
constexpr const char* kSeriesFormat = "SeriesFormat";
constexpr const char* kSeriesSave = "SeriesSave";  // "Shown" or "Page"
constexpr const char* kLastSaveFolder = "LastSaveFolder";

QString PicturesFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return pictures.isEmpty() ? QDir::homePath() : pictures;
}

}  // namespace

QString ResolveSeriesFolder(const QString& typed, QString& folder) {
    QString path = typed.trimmed();
    if (path.isEmpty()) {
        return QStringLiteral("Choose the folder the pictures go to.");
    }
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/"))) {
        path = QDir::homePath() + path.mid(1);
    }
    if (QDir::isRelativePath(path)) {
        return QStringLiteral("\"%1\" is not a whole path; start it with / or ~.").arg(path);
    }
    const QFileInfo info(path);
    if (info.exists() && !info.isDir()) {
        return QStringLiteral("\"%1\" is a file, not a folder.").arg(path);
    }
    folder = QDir::cleanPath(path);
    return {};
}

SeriesSettings LoadSeriesSettings() {
    SeriesSettings s;
    s.folder = GetProfileString(SETTINGS_SECTION, kSeriesFolder);
    if (s.folder.isEmpty()) {
        s.folder = QDir(PicturesFolder()).filePath(QStringLiteral("Tavelo"));
    }
    s.pattern = GetProfileString(SETTINGS_SECTION, kSeriesPattern);
    if (s.pattern.isEmpty()) {
        s.pattern = QStringLiteral("page-{n:03}");
    }
    s.bmp = GetProfileString(SETTINGS_SECTION, kSeriesFormat) == QLatin1String("BMP");
    s.documentPage = GetProfileString(SETTINGS_SECTION, kSeriesSave) == QLatin1String("Page");
    return s;
}

bool SaveSeriesSettings(const SeriesSettings& s) {
    return WriteProfileString(SETTINGS_SECTION, kSeriesFolder, s.folder) &&
           WriteProfileString(SETTINGS_SECTION, kSeriesPattern, s.pattern) &&
           WriteProfileString(SETTINGS_SECTION, kSeriesFormat,
                              s.bmp ? QStringLiteral("BMP") : QStringLiteral("JPEG")) &&
           WriteProfileString(SETTINGS_SECTION, kSeriesSave,
                              s.documentPage ? QStringLiteral("Page") : QStringLiteral("Shown"));
}

QString SaveDialogFolder() {
    const QString last = GetProfileString(SETTINGS_SECTION, kLastSaveFolder);
    if (!last.isEmpty() && QFileInfo(last).isDir()) {
        return last;
    }
    // A dialog given a folder that is not there opens in the working folder instead.
    const QString pictures = PicturesFolder();
    return QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

void RememberSaveFolder(const QString& savedPath) {
    WriteProfileString(SETTINGS_SECTION, kLastSaveFolder, QFileInfo(savedPath).absolutePath());
}

}  // namespace tavelo
