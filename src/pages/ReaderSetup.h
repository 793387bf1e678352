#pragma once

#include <QString>
#include <QStringList>

namespace tavelo {

// Where reading finds its parts: the worker program and the language models.

// The worker executable: $TAVELO_READER when set, else beside the running program (a build
// tree, a portable copy), else where the package installs it.
QString ReaderProgram();

// The folder of tesseract's language models: $TESSDATA_PREFIX when set (tesseract's own
// rule), else the folder of the tesseract this build was made with.
QString TessdataFolder();

// The languages installed in `folder`, by tesseract's names ("eng", "deu", "chi_sim"), sorted;
// the orientation model is no language and is left out.
QStringList ReadingLanguages(const QString& folder = TessdataFolder());

// Whether the orientation model (tesseract-ocr-osd) is installed in `folder`.
bool CanDetectOrientation(const QString& folder = TessdataFolder());

}  // namespace tavelo
