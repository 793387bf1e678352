#include "ui/Prompts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace tavelo {
namespace {

MessageHandler& CurrentMessageHandler() {
    static MessageHandler handler;
    return handler;
}

FileHandler& CurrentFileHandler() {
    static FileHandler handler;
    return handler;
}

QMessageBox::Icon BoxIcon(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Warning:
            return QMessageBox::Warning;
        case PromptIcon::Critical:
            return QMessageBox::Critical;
        case PromptIcon::Question:
            return QMessageBox::Question;
        case PromptIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

int RunMessageBox(const MessagePrompt& prompt) {
    QMessageBox box(BoxIcon(prompt.icon), prompt.caption, prompt.text, QMessageBox::NoButton,
                    prompt.parent);
    switch (prompt.buttons) {
        case PROMPT_OK_CANCEL:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case PROMPT_YES_NO:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case PROMPT_DISCARD_CANCEL:
            box.setStandardButtons(QMessageBox::Discard | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return IDOK;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        case QMessageBox::Discard:
            return IDDISCARD;
        default:
            // Closing the box with Escape or the close button is a Cancel, or OK for a
            // box that offers nothing else.
            return prompt.buttons == PROMPT_OK ? IDOK : IDCANCEL;
    }
}

QString RunFileDialog(const FilePrompt& prompt) {
    const std::unique_ptr<QFileDialog> made = MakeFileDialog(prompt);
    QFileDialog& dialog = *made;
    // A save dialog comes back while the chosen name lies in a folder that does not exist:
    // no file can be written there. (It asks before overwriting on its own.)
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return {};
        }
        const QFileInfo chosen(dialog.selectedFiles().constFirst());
        if (!prompt.save || chosen.dir().exists()) {
            return chosen.filePath();
        }
        QMessageBox::warning(&dialog, dialog.windowTitle(),
                             QStringLiteral("%1\nThe folder does not exist.\nCheck the path.")
                                 .arg(QDir::toNativeSeparators(chosen.absolutePath())));
    }
}

}  // namespace

std::unique_ptr<QFileDialog> MakeFileDialog(const FilePrompt& prompt) {
    auto dialog = std::make_unique<QFileDialog>(prompt.parent, prompt.caption);
    dialog->setAcceptMode(prompt.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(prompt.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!prompt.directory.isEmpty()) {
        dialog->setDirectory(prompt.directory);
    }
    if (!prompt.nameFilters.isEmpty()) {
        dialog->setNameFilters(prompt.nameFilters);
    }
    if (!prompt.defaultSuffix.isEmpty()) {
        dialog->setDefaultSuffix(prompt.defaultSuffix);
    }
    if (!prompt.filterSuffixes.isEmpty()) {
        QFileDialog* d = dialog.get();
        QObject::connect(d, &QFileDialog::filterSelected, d,
                         [d, filters = prompt.nameFilters,
                          suffixes = prompt.filterSuffixes](const QString& filter) {
                             const qsizetype i = filters.indexOf(filter);
                             if (i >= 0 && i < suffixes.size()) {
                                 d->setDefaultSuffix(suffixes[i]);
                             }
                         });
    }
    return dialog;
}

int ShowMessage(const MessagePrompt& prompt) {
    if (const MessageHandler& handler = CurrentMessageHandler()) {
        return handler(prompt);
    }
    return RunMessageBox(prompt);
}

QString AskFileName(const FilePrompt& prompt) {
    if (const FileHandler& handler = CurrentFileHandler()) {
        return handler(prompt);
    }
    return RunFileDialog(prompt);
}

void SetMessageHandler(MessageHandler handler) {
    CurrentMessageHandler() = std::move(handler);
}

void SetFileHandler(FileHandler handler) {
    CurrentFileHandler() = std::move(handler);
}

}  // namespace tavelo
