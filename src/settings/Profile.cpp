#include "settings/Profile.h"

#include <QSettings>

#include "res/Strings.h"

namespace tavelo {
namespace {

QString Key(const char* section, const char* entry) {
    return QString::fromLatin1(section) + QLatin1Char('/') + QString::fromLatin1(entry);
}

}  // namespace

std::unique_ptr<QSettings> OpenProfile() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QString::fromLatin1(SETTINGS_COMPANY),
                                       QString::fromLatin1(SETTINGS_APPLICATION));
}

int GetProfileInt(const char* section, const char* entry, int defaultValue) {
    bool ok = false;
    const int value = OpenProfile()->value(Key(section, entry)).toInt(&ok);
    return ok ? value : defaultValue;
}

bool WriteProfileInt(const char* section, const char* entry, int value) {
    auto settings = OpenProfile();
    settings->setValue(Key(section, entry), value);
    settings->sync();
    return settings->status() == QSettings::NoError;
}

QString GetProfileString(const char* section, const char* entry) {
    const QVariant value = OpenProfile()->value(Key(section, entry));
    // A hand-edited file may hold "1,2,3" unquoted, which the store reads back as a list.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1Char(','));
    }
    return value.toString();
}

bool WriteProfileString(const char* section, const char* entry, const QString& value) {
    auto settings = OpenProfile();
    settings->setValue(Key(section, entry), value);
    settings->sync();
    return settings->status() == QSettings::NoError;
}

}  // namespace tavelo
