#include "view/PagePrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStringList>

namespace tavelo {
namespace {

ExportHandler& CurrentExportHandler() {
    static ExportHandler handler;
    return handler;
}

PrintHandler& CurrentPrintHandler() {
    static PrintHandler handler;
    return handler;
}

bool RunExportDialog(QWidget* parent, ExportChoice& choice) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Export PDF"));
    auto* paper = new QComboBox(&dialog);
    paper->addItem(QStringLiteral("A4"), int(QPageSize::A4));
    paper->addItem(QStringLiteral("Letter"), int(QPageSize::Letter));
    paper->setCurrentIndex(choice.paper == QPageSize::Letter ? 1 : 0);
    auto* selected = new QCheckBox(SelectedOnlyText(choice), &dialog);
    selected->setEnabled(choice.selected > 0);
    selected->setChecked(choice.selected > 0 && choice.selectedOnly);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("&Paper:"), paper);
    form->addRow(selected);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    choice.paper = static_cast<QPageSize::PageSizeId>(paper->currentData().toInt());
    choice.selectedOnly = selected->isChecked();
    return true;
}

}  // namespace

QString SelectedOnlyText(const ExportChoice& choice) {
    return QStringLiteral("Only the &selected pages (%1 of %2 page%3)")
        .arg(choice.selected)
        .arg(choice.pages)
        .arg(choice.pages == 1 ? QString() : QStringLiteral("s"));
}

bool AskExportChoice(QWidget* parent, ExportChoice& choice) {
    if (const ExportHandler& handler = CurrentExportHandler()) {
        return handler(choice);
    }
    return RunExportDialog(parent, choice);
}

bool AskPrint(QWidget* parent, QPrinter& printer, int pages) {
    // What is shown is printed unless the user asks for the pages.
    printer.setPrintRange(QPrinter::CurrentPage);
    if (pages > 0) {
        printer.setFromTo(1, pages);
    }
    if (const PrintHandler& handler = CurrentPrintHandler()) {
        return handler(printer, pages);
    }
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, pages > 0);
    if (pages > 0) {
        dialog.setMinMax(1, pages);
    }
    return dialog.exec() == QDialog::Accepted;
}

void SetExportHandler(ExportHandler handler) {
    CurrentExportHandler() = std::move(handler);
}

void SetPrintHandler(PrintHandler handler) {
    CurrentPrintHandler() = std::move(handler);
}

bool PrintPictures(QPrinter& printer, int count, const PagePicture& picture,
                   std::vector<int>* skipped) {
    if (count <= 0) {
        return false;
    }
    QPainter painter;
    bool complete = true;
    int printed = 0;
    for (int i = 0; i < count; ++i) {
        const QImage page = picture(i);
        if (page.isNull() && skipped != nullptr) {
            skipped->push_back(i);
            continue;
        }
        if (page.isNull()) {
            complete = false;
            break;
        }
        // The printer starts with the first picture there is: a job of no sheet is none.
        if (printed == 0 ? !painter.begin(&printer) : !printer.newPage()) {
            complete = false;
            break;
        }
        DrawPictureFitted(painter, QRectF(0, 0, printer.width(), printer.height()), page);
        ++printed;
    }
    return printed > 0 && painter.end() && complete;
}

QString LeftOutText(const std::vector<int>& pageNumbers) {
    QStringList numbers;
    for (int number : pageNumbers) {
        numbers << QString::number(number);
    }
    if (numbers.size() == 1) {
        return QStringLiteral("Page %1 could not be read and was left out.").arg(numbers[0]);
    }
    const QString last = numbers.takeLast();
    return QStringLiteral("Pages %1 and %2 could not be read and were left out.")
        .arg(numbers.join(QStringLiteral(", ")), last);
}

}  // namespace tavelo
