// Capture to Series, the Series dialog, Export PDF and Print: the commands that write the
// pages of a sitting out.

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <algorithm>

#include "pages/DocumentExport.h"
#include "pages/PageList.h"
#include "pages/PdfPages.h"
#include "pages/SeriesNames.h"
#include "pages/Sitting.h"
#include "pages/SittingReader.h"
#include "picture/PictureEngine.h"
#include "picture/PictureResult.h"
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
#include "view/TextWait.h"

namespace tavelo {
namespace {

// How long the message pane names a file just written.
constexpr int kSavedMessageMs = 4000;
// The text item a JPEG carries as its comment: saved pictures carry none (as in Save).
constexpr short kJpegCommentItem = 3;

// One box naming the pages (of `rows`, by their index in it) an export or print left out.
void ReportLeftOut(QWidget* parent, const std::vector<int>& rows, const std::vector<int>& skipped) {
    if (skipped.empty()) {
        return;
    }
    std::vector<int> numbers;
    for (int i : skipped) {
        numbers.push_back(rows[static_cast<std::size_t>(i)] + 1);
    }
    MessagePrompt prompt;
    prompt.parent = parent;
    prompt.caption = QString::fromLatin1(APP_TITLE);
    prompt.text = LeftOutText(numbers) + QStringLiteral("\n\n");
    prompt.icon = PromptIcon::Warning;
    ShowMessage(prompt);
}

// The pages of `rows` that went out: all but the positions in `skipped`. Only those count
// as kept.
std::vector<int> PagesWritten(const std::vector<int>& rows, const std::vector<int>& skipped) {
    std::vector<int> written;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (std::find(skipped.begin(), skipped.end(), static_cast<int>(i)) == skipped.end()) {
            written.push_back(rows[i]);
        }
    }
    return written;
}

}  // namespace

void CTavelo2View::OnCaptureToSeries() {
    bool pageKept = true;
    if (!CaptureAsPage(&pageKept)) {
        return;  // the capture itself said what went wrong, if anything did
    }
    const QString path = SaveToSeries();
    // One box for the one command, whether the page, the series file or both failed.
    if ((path.isEmpty() || !pageKept) && m_pFrame != nullptr) {
        m_pFrame->ReportError(ERR_SAVE);
    }
    if (path.isEmpty()) {
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
    const int format = settings.bmp ? PictureEngine::kFormatBmp : PictureEngine::kFormatJpeg;
    if (settings.documentPage && ShownPage() >= 0) {
        if (EncodeDocumentPage(format, bytes) != 0) {
            return {};
        }
    } else if (m_lead->Engine().Encode(format, m_lead->GetPictureBits(), m_nQFactor, bytes) != 0) {
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
    WaitForText(window(), m_pReader, rows);  // cancelled: those pages go without their text
    if (m_pFrame != nullptr) {
        m_pFrame->SetStatusText(IDS_BUSY);
    }
    WaitCursor wait;
    // Each page on its own paper; the chosen one takes a page whose paper is not known.
    std::vector<int> skipped;
    const std::int16_t result = ExportDocumentPdf(
        *m_pSitting, rows, path, choice.paper,
        [this](int row) { return m_pReader != nullptr ? m_pReader->TextLayer(row) : QByteArray(); },
        &skipped);
    wait.Restore();
    // Pages that could not be read are named once; when none could, that is all there is
    // to say, and when the file failed, its failure is.
    const bool noneRead = skipped.size() == rows.size();
    bool written = false;
    if (noneRead) {
        ShowIdleStatus();
    } else {
        written = EndSave(path, result);
    }
    if (result == PIC_OK || noneRead) {
        ReportLeftOut(window(), rows, skipped);
    }
    if (written) {
        m_pSitting->MarkKept(PagesWritten(rows, skipped));
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
    std::vector<int> skipped;
    if (rows.empty()) {
        const QImage shown = ShownDocumentPicture();
        printed = m_bImage && PrintPictures(printer, 1, [&](int) { return shown; });
    } else {
        printed = PrintPictures(
            printer, static_cast<int>(rows.size()),
            [&](int i) {
                return SettledDocumentPage(*m_pSitting, rows[static_cast<std::size_t>(i)]).picture;
            },
            &skipped);
    }
    wait.Restore();
    if (printed && rows.empty()) {
        MarkShownKept();
    } else if (printed) {
        m_pSitting->MarkKept(PagesWritten(rows, skipped));
    }
    if (!skipped.empty()) {
        ReportLeftOut(window(), rows, skipped);
    } else if (!printed) {
        MessagePrompt prompt;
        prompt.parent = window();
        prompt.caption = QString::fromLatin1(APP_TITLE);
        prompt.text = QStringLiteral("The picture could not be printed.\n\n");
        prompt.icon = PromptIcon::Warning;
        ShowMessage(prompt);
    }
}

}  // namespace tavelo
