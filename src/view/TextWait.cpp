#include "view/TextWait.h"

#include <QEventLoop>
#include <QProgressDialog>

#include "pages/SittingReader.h"
#include "res/Strings.h"

namespace tavelo {

bool WaitForText(QWidget* parent, const SittingReader* reader, const std::vector<int>& rows) {
    const int total = reader != nullptr ? reader->Underway(rows) : 0;
    if (total == 0) {
        return true;
    }
    QProgressDialog dialog(total == 1
                               ? QStringLiteral("Reading the text of 1 page...")
                               : QStringLiteral("Reading the text of %1 pages...").arg(total),
                           QStringLiteral("Without Their Text"), 0, total, parent);
    dialog.setObjectName(QStringLiteral("textWait"));
    dialog.setWindowTitle(QString::fromLatin1(APP_TITLE));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    QEventLoop loop;
    const auto follow = [&] {
        const int left = reader->Underway(rows);
        dialog.setValue(total - std::min(left, total));
        if (left == 0) {
            loop.quit();
        }
    };
    QObject::connect(reader, &SittingReader::stateChanged, &dialog, follow);
    // Its button, or Escape, which closes the dialog without saying it was cancelled.
    bool stopped = false;
    const auto stop = [&] {
        stopped = true;
        loop.quit();
    };
    QObject::connect(&dialog, &QProgressDialog::canceled, &loop, stop);
    QObject::connect(&dialog, &QDialog::rejected, &loop, stop);
    dialog.show();
    follow();
    if (reader->Underway(rows) > 0) {
        loop.exec();
    }
    return !stopped && reader->Underway(rows) == 0;
}

}  // namespace tavelo
