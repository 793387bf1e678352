#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QFileDialog;
class QWidget;

namespace tavelo {

// The one place where the program asks the person at the screen something: modal message
// boxes and file dialogs. The product shows QMessageBox / QFileDialog; tests install
// handlers that answer at once, so nothing waits for a person.

enum class PromptIcon { None, Information, Warning, Critical, Question };

// Button sets and answers, numbered as the message box results callers compare against.
// Discard / Cancel asks before work is thrown away; Cancel is its default and its Escape.
enum PromptButtons : int {
    PROMPT_OK = 0,
    PROMPT_OK_CANCEL = 1,
    PROMPT_YES_NO = 4,
    PROMPT_DISCARD_CANCEL = 0x100
};
enum PromptAnswer : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7, IDDISCARD = 0x100 };

struct MessagePrompt {
    QWidget* parent = nullptr;
    QString caption;
    QString text;
    PromptIcon icon = PromptIcon::None;
    int buttons = PROMPT_OK;
};

struct FilePrompt {
    QWidget* parent = nullptr;
    bool save = false;        // a save dialog (asks before overwriting), else an open one
    QString caption;          // empty: the dialog's own
    QStringList nameFilters;  // "Bitmap Files (*.BMP *.bmp)", ...
    QString defaultSuffix;    // appended to a name typed without extension
    // When not empty: the extension each filter gives a name typed without one, in the
    // order of nameFilters (the default suffix follows the filter chosen).
    QStringList filterSuffixes;
    QString directory;  // the folder the dialog opens in; empty: the dialog's own choice
};

using MessageHandler = std::function<int(const MessagePrompt&)>;
using FileHandler = std::function<QString(const FilePrompt&)>;

// Shows a modal message box; returns the answer (IDOK, IDCANCEL, IDYES or IDNO).
int ShowMessage(const MessagePrompt& prompt);

// Shows a modal file dialog; returns the chosen path, or an empty text on Cancel.
QString AskFileName(const FilePrompt& prompt);

// The file dialog the product shows for `prompt`, not yet run (tests drive it directly).
std::unique_ptr<QFileDialog> MakeFileDialog(const FilePrompt& prompt);

// Replace the real dialogs; an empty handler puts them back.
void SetMessageHandler(MessageHandler handler);
void SetFileHandler(FileHandler handler);

}  // namespace tavelo
