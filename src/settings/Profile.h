#pragma once

#include <QString>
#include <QVariant>
#include <memory>

class QSettings;

namespace tavelo {

// The per-user settings store: company "Noctra", application "Tavelo (ZEV)". Values live in
// section "Settings" ("WindowPos", "Qfactor", "Sharpness").
std::unique_ptr<QSettings> OpenProfile();

int GetProfileInt(const char* section, const char* entry, int defaultValue);
bool WriteProfileInt(const char* section, const char* entry, int value);
// Empty when the value is missing.
QString GetProfileString(const char* section, const char* entry);
bool WriteProfileString(const char* section, const char* entry, const QString& value);

}  // namespace tavelo
