#include "settings/ReadingSettings.h"

#include "res/Strings.h"
#include "settings/Profile.h"

namespace tavelo {
namespace {

constexpr const char* kReadText = "ReadText";
constexpr const char* kReadLanguages = "ReadLanguages";

}  // namespace

ReadingSettings FitReadingSettings(int storedReadText, const QString& storedLanguages,
                                   const QStringList& installed) {
    QStringList chosen;
    for (const QString& language : storedLanguages.split(QLatin1Char('+'), Qt::SkipEmptyParts)) {
        if (installed.contains(language) && !chosen.contains(language)) {
            chosen.append(language);
        }
    }
    if (chosen.isEmpty() && !installed.isEmpty()) {
        chosen.append(installed.contains(QStringLiteral("eng")) ? QStringLiteral("eng")
                                                                : installed.first());
    }
    ReadingSettings s;
    s.languages = chosen.join(QLatin1Char('+'));
    s.readText = storedReadText != 0 && !chosen.isEmpty();
    return s;
}

ReadingSettings LoadReadingSettings(const QStringList& installed) {
    return FitReadingSettings(GetProfileInt(SETTINGS_SECTION, kReadText, -1),
                              GetProfileString(SETTINGS_SECTION, kReadLanguages), installed);
}

bool SaveReadingSettings(const ReadingSettings& s) {
    return WriteProfileInt(SETTINGS_SECTION, kReadText, s.readText ? 1 : 0) &&
           WriteProfileString(SETTINGS_SECTION, kReadLanguages, s.languages);
}

}  // namespace tavelo
