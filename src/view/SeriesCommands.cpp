// Capture to Series, the Series dialog, Export PDF and Print: the commands that write the
// pages of a sitting out.

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <algorithm>

#include "pages/PageList.h"
#include "pages/PdfPages.h"
#include "pages/SeriesNames.h"
#include "pages/Sitting.h"
#include "picture/PictureEngine.h"
#include "res/ErrorCode.h"
#include "res/Strings.h"
#include "settings/SeriesDlg.h"
#include "settings/SeriesSettings.h"
#include "ui/CLead.h"
#include "ui/Prompts.h"
#include "ui/ViewHost.h"
#include "ui/WaitCursor.h"
#include "view/PagePrompts.h"
#include "view/Tavelo2View.h"

namespace tavelo {
namespace {

// How long the message pane names a file just written.
constexpr int kSavedMessageMs = 4000;
// The text item a JPEG carries as its comment: saved pictures carry none (as in Save).
constexpr short kJpegCommentItem = 3;

}  // namespace

void CTavelo2View::OnCaptureToSeries() {
    if (!CaptureAsPage()) {
        return;  // the capture itself said what went wrong, if anything did
    }
    const QString path = SaveToSeries();
    if (path.isEmpty()) {
        if (m_pFrame != nullptr) {
            m_pFrame->ReportError(ERR_SAVE);
        }
        return;
    }
    MarkShownKept();
    if (m_pFrame != nullptr) {
        m_pFrame->ShowMessageFor(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(path)),
                                 kSavedMessageMs);
    }
}

QString CTavelo2View::SaveToSeries() {
    const SeriesSettings settings = LoadSeriesSettings();
    if (!QDir().mkpath(settings.folder)) {
        return {};
    }
    if (!settings.bmp) {
        m_lead->SetTextItem(kJpegCommentItem, QString());
    }
    QByteArray bytes;
    if (m_lead->Engine().Encode(
            settings.bmp ? PictureEngine::kFormatBmp : PictureEngine::kFormatJpeg,
            m_lead->GetPictureBits(), m_nQFactor, bytes) != 0) {
        return {};
    }
    const SeriesPattern pattern(settings.pattern);
    const QString extension = settings.Extension();
    WaitCursor wait;
    return CreateSeriesFile(settings.folder, pattern, extension,
                            NextSeriesNumber(settings.folder, pattern, extension), bytes);
}

void CTavelo2View::OnSeriesSetting() {
    CSeriesDlg dialog(LoadSeriesSettings(), window());
    if (dialog.exec() == QDialog::Accepted) {
        SaveSeriesSettings(dialog.Settings());
    }
}

void CTavelo2View::OnExportPdf() {
    if (m_pSitting == nullptr || m_pSitting->Count() == 0) {
        return;
    }
    // Every page unless the user asks for the selected ones only.
    const std::vector<int> selected = m_pPages->Selected();
    ExportChoice choice;
    choice.paper = DefaultPaper();
    choice.pages = m_pSitting->Count();
    choice.selected = static_cast<int>(selected.size());
    if (!AskExportChoice(window(), choice)) {
        return;
    }
    FilePrompt prompt;
    prompt.parent = window();
    prompt.save = true;
    prompt.nameFilters = {QStringLiteral("PDF Files (*.pdf)")};
    prompt.defaultSuffix = QStringLiteral("pdf");
    prompt.directory = SaveDialogFolder();
    const QString path = AskFileName(prompt);
    if (path.isEmpty()) {
        return;
    }
    std::vector<int> rows = selected;
    if (!choice.selectedOnly || rows.empty()) {
        rows.clear();
        for (int i = 0; i < m_pSitting->Count(); ++i) {
            rows.push_back(i);
        }
    }
    if (m_pFrame != nullptr) {
        m_pFrame->SetStatusText(IDS_BUSY);
    }
    WaitCursor wait;
    const PageStore& store = m_pSitting->Store();
    const std::int16_t result = WritePdf(
        path, static_cast<int>(rows.size()),
        [&](int i) { return store.Picture(rows[static_cast<std::size_t>(i)]); }, choice.paper);
    wait.Restore();
    if (EndSave(path, result)) {
        m_pSitting->MarkKept(rows);
    }
}

void CTavelo2View::OnFilePrint() {
    const int pages = m_pSitting != nullptr ? m_pSitting->Count() : 0;
    if (!m_bImage && pages == 0) {
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    if (!AskPrint(window(), printer, pages)) {
        return;
    }
    std::vector<int> rows;
    if (pages > 0 && printer.printRange() == QPrinter::AllPages) {
        for (int i = 0; i < pages; ++i) {
            rows.push_back(i);
        }
    } else if (pages > 0 && printer.printRange() == QPrinter::PageRange) {
        for (int i = std::max(printer.fromPage(), 1); i <= std::min(printer.toPage(), pages); ++i) {
            rows.push_back(i - 1);
        }
    }
    WaitCursor wait;
    bool printed = false;
    if (rows.empty()) {
        const QImage shown = m_lead->Engine().Image();
        printed = m_bImage && PrintPictures(printer, 1, [&](int) { return shown; });
    } else {
        const PageStore& store = m_pSitting->Store();
        printed = PrintPictures(printer, static_cast<int>(rows.size()), [&](int i) {
            return store.Picture(rows[static_cast<std::size_t>(i)]);
        });
    }
    wait.Restore();
    if (printed && rows.empty()) {
        MarkShownKept();
    } else if (printed) {
        m_pSitting->MarkKept(rows);
    }
    if (!printed) {
        MessagePrompt prompt;
        prompt.parent = window();
        prompt.caption = QString::fromLatin1(APP_TITLE);
        prompt.text = QStringLiteral("The picture could not be printed.\n\n");
        prompt.icon = PromptIcon::Warning;
        ShowMessage(prompt);
    }
}

}  // namespace tavelo
