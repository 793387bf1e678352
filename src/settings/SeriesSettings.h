#pragma once

#include <QString>

namespace tavelo {

// Where and how Capture to Series writes its pictures, kept in the settings store beside
// the other values of section "Settings".
struct SeriesSettings {
    QString folder;    // default: the user's Pictures folder, "Tavelo" in it
    QString pattern;   // default "page-{n:03}"
    bool bmp = false;  // JPEG unless BMP was chosen
    // Each file is the page found in the picture (its document page) rather than the
    // picture as shown.
    bool documentPage = false;

    QString Extension() const { return bmp ? QStringLiteral("BMP") : QStringLiteral("JPG"); }
};

// The series folder a person typed, made whole: "~" and "~/..." stand for the home folder.
// Returns what is wrong with it in one sentence (nothing typed, a relative path, which
// would depend on where Tavelo was started, or a file), else an empty text with `folder`
// set. A folder that does not exist yet is fine: the first capture makes it.
QString ResolveSeriesFolder(const QString& typed, QString& folder);

SeriesSettings LoadSeriesSettings();
bool SaveSeriesSettings(const SeriesSettings& settings);

// The folder File Save opens in: the one last saved to, else the user's Pictures folder
// when it exists, else the home folder; never the working folder.
QString SaveDialogFolder();
void RememberSaveFolder(const QString& savedPath);

}  // namespace tavelo
