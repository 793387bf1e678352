// The pages of the sitting in the view: every capture and every opened picture becomes a
// page; a page shows again as if just captured or opened; pages earlier runs left are
// taken back at the next start; Copy puts the shown picture on the clipboard.

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>

#include "pages/PageList.h"
#include "picture/CaptureLook.h"
#include "picture/RawConversion.h"
#include "picture/RawPicture.h"
#include "res/CommandIds.h"
#include "res/ErrorCode.h"
#include "res/Strings.h"
#include "ui/CLead.h"
#include "ui/FrameErrors.h"
#include "ui/Prompts.h"
#include "ui/ViewHost.h"
#include "ui/WaitCursor.h"
#include "view/LeadTarget.h"
#include "view/Tavelo2View.h"

namespace tavelo {

void CTavelo2View::RegisterPageCommands() {
    if (m_pFrame == nullptr) {
        return;
    }
    ViewHost& f = *m_pFrame;
    // Capture itself is unchanged; what it brings becomes a page as well.
    f.SetCommandHandler(ID_CAPTURE, [this] { CaptureAsPage(); });
    f.SetCommandHandler(ID_CAPTURE_SERIES, [this] { OnCaptureToSeries(); });
    f.SetCommandHandler(ID_SERIES_SETTING, [this] { OnSeriesSetting(); });
    f.SetCommandHandler(ID_EXPORT_PDF, [this] { OnExportPdf(); });
    f.SetCommandHandler(ID_FILE_PRINT, [this] { OnFilePrint(); });
    f.SetCommandHandler(ID_EDIT_COPY, [this] { OnEditCopy(); });
    f.SetUpdateHandler(ID_CAPTURE_SERIES, [this](CommandState& s) { s.Enable(!m_bNotReady); });
    f.SetUpdateHandler(ID_EDIT_COPY, [this](CommandState& s) { s.Enable(m_bImage); });
    f.SetUpdateHandler(ID_FILE_PRINT, [this](CommandState& s) {
        s.Enable(m_bImage || (m_pPages != nullptr && m_pPages->rowCount() > 0));
    });
    f.SetUpdateHandler(ID_EXPORT_PDF, [this](CommandState& s) {
        s.Enable(m_pPages != nullptr && m_pPages->rowCount() > 0);
    });
}

bool CTavelo2View::StartPages(const QString& root, const QString& runId) {
    delete m_pPages;
    m_pPages = new PageList(this);
    if (!m_pPages->Store().Open(root, runId)) {
        delete m_pPages;
        m_pPages = nullptr;
        return false;
    }
    return true;
}

void CTavelo2View::RestoreLeftoverPages() {
    if (m_pPages == nullptr) {
        return;
    }
    // Taken back without a question, however many runs left pages; only what could not be
    // read back is told, in one box.
    const QString root = QFileInfo(m_pPages->Store().Folder()).absolutePath();
    QStringList notRestored;
    for (const QString& folder : PageStore::LeftoverSittings(root)) {
        const QString summary = m_pPages->Adopt(folder).summary;
        if (!summary.isEmpty()) {
            notRestored.append(summary);
        }
    }
    if (!notRestored.isEmpty()) {
        MessagePrompt prompt;
        prompt.parent = window();
        prompt.caption = QString::fromLatin1(APP_TITLE);
        prompt.text = notRestored.join(QLatin1Char('\n'));
        prompt.icon = PromptIcon::Warning;
        ShowMessage(prompt);
    }
}

bool CTavelo2View::CaptureAsPage(bool* pageKept) {
    const bool captured = OnCapture();
    if (captured && m_pPages != nullptr) {
        PageRecord record;
        record.width = m_nWidth;
        record.height = m_nHeight;
        record.mode = m_nMode;
        record.camRotation = m_nCamRotation;
        record.sharpIndex = m_nSharpIndex;
        const bool kept = m_pPages->AddCapture(m_hRaw, record, m_lead->Engine().Image());
        if (pageKept != nullptr) {
            *pageKept = kept;
        } else if (!kept && m_pFrame != nullptr) {
            m_pFrame->ReportError(ERR_SAVE);  // shown, but not kept as a page
        }
    }
    return captured;
}

void CTavelo2View::AddOpenedPage(const QString& path) {
    if (m_pPages != nullptr && !m_pPages->AddFile(path, m_lead->Engine().Image()) &&
        m_pFrame != nullptr) {
        m_pFrame->ReportError(ERR_SAVE);
    }
}

bool CTavelo2View::ShowPage(int row) {
    if (m_pPages == nullptr || row < 0 || row >= m_pPages->rowCount()) {
        return false;
    }
    const PageStore& store = m_pPages->Store();
    const PageRecord page = store.Page(row);
    if (m_pFrame != nullptr) {
        m_pFrame->SetStatusText(IDS_BUSY);
    }
    WaitCursor wait;
    m_lead->SetAutoRedraw(false);
    bool loaded = false;
    if (page.raw) {
        FrameErrors errors(m_pFrame);
        MemoryBlock raw = store.LoadRaw(row);
        const int amount = SharpnessValue(m_nSharpIndex);
        const RawShape shape{page.width, page.height, page.mode, page.camRotation};
        LeadTarget target(*m_lead);
        const RawPictureResult result = ShowRawCapture(target, raw, {}, shape, amount, errors);
        if (result == RawPictureResult::BitmapFailed) {
            // The shortage has been told once; the picture shown before stays, as after a
            // capture that ran short at the same step.
            wait.Restore();
            m_lead->SetAutoRedraw(true);
            ShowIdleStatus();
            return false;
        }
        loaded = result == RawPictureResult::Shown || result == RawPictureResult::NotFinished;
        if (loaded) {
            // The page's rows become the raw capture, so Sharpness rebuilds this page.
            m_hRaw = std::move(raw);
            m_nWidth = page.width;
            m_nHeight = page.height;
            m_nMode = page.mode;
            m_nCamRotation = page.camRotation;
            m_nBmpSize = static_cast<int>(BitmapFileSize(m_nWidth, m_nHeight));
            m_nRotAngle = 0;
            m_nRotIndex = 3;
            m_nSharpValue = amount;
        }
    } else {
        m_hRaw.Free();
        loaded = m_lead->LoadFile(store.DataPath(row), 0, 0, 1) == 0;
        m_nSharpValue = 0;
    }
    wait.Restore();
    if (!loaded) {
        ShowLoadFailed();
        return false;
    }
    ShowLoadedPicture();
    return true;
}

void CTavelo2View::ShowLoadFailed() {
    m_bImage = false;
    if (m_pFrame != nullptr) {
        m_pFrame->ShowZoom(-1.0f);
    }
    GreyPictureMenus(true);
    m_lead->SetAutoRedraw(true);
    ShowIdleStatus();
    if (m_pFrame != nullptr) {
        m_pFrame->ReportError(ERR_LOAD);
    }
}

void CTavelo2View::ShowLoadedPicture() {
    m_bImage = true;
    const float fit = CalcFitZoom();
    m_lead->SetZoomMode(CLead::kZoomModeFactor);
    m_lead->SetZoomPercent(fit);
    m_lead->SetAutoRedraw(true);
    if (m_pFrame != nullptr) {
        m_pFrame->ShowZoom(fit);
    }
    GreyPictureMenus(false);
    ShowIdleStatus();
}

void CTavelo2View::OnEditCopy() {
    if (m_bImage) {
        QGuiApplication::clipboard()->setImage(m_lead->Engine().Image());
    }
}

}  // namespace tavelo
