#pragma once

#include <QString>
#include <QStringList>

namespace tavelo {

// Whether the pages' text is read and in which languages ("eng+deu"), kept in the settings
// store beside the other values of section "Settings".
struct ReadingSettings {
    bool readText = false;
    QString languages;
    bool operator==(const ReadingSettings&) const = default;
};

// The stored choice made to fit the languages `installed`: those no longer installed are
// dropped; with none left, English when it is installed, else the first there is. Reading is
// on unless the user turned it off, and never without a language.
ReadingSettings FitReadingSettings(int storedReadText, const QString& storedLanguages,
                                   const QStringList& installed);
ReadingSettings LoadReadingSettings(const QStringList& installed);
bool SaveReadingSettings(const ReadingSettings& settings);

}  // namespace tavelo
