// The pages of the sitting in the view: every capture and every opened picture becomes a
// page; a page shows again as if just captured or opened; pages of a run that was killed
// are offered back at the next start; Copy puts the shown picture on the clipboard.

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>

#include "picture/CaptureLook.h"
#include "picture/RawConversion.h"
#include "res/CommandIds.h"
#include "res/ErrorCode.h"
#include "res/Strings.h"
#include "ui/CLead.h"
#include "ui/FrameErrors.h"
#include "ui/Prompts.h"
#include "ui/ViewHost.h"
#include "ui/WaitCursor.h"
#include "view/PageList.h"
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

void CTavelo2View::OfferAbandonedPages() {
    if (m_pPages == nullptr) {
        return;
    }
    const QString root = QFileInfo(m_pPages->Store().Folder()).absolutePath();
    for (const QString& folder : PageStore::AbandonedRuns(root)) {
        MessagePrompt prompt;
        prompt.parent = window();
        prompt.caption = QString::fromLatin1(APP_TITLE);
        prompt.text = QStringLiteral(
                          "Tavelo did not end normally last time. %1 page(s) of "
                          "that session are still there.\n\nTake them back?")
                          .arg(PageStore::PageCountOf(folder));
        prompt.icon = PromptIcon::Question;
        prompt.buttons = PROMPT_YES_NO;
        if (ShowMessage(prompt) == IDYES) {
            m_pPages->Adopt(folder);
        } else {
            PageStore::Discard(folder);
        }
    }
}

bool CTavelo2View::CaptureAsPage() {
    // A capture that goes through puts a new block in place of the raw capture (made while
    // the old one was still held, so at another address) and shows it.
    const std::uint8_t* before = m_hRaw.Data();
    OnCapture();
    const bool captured = m_bImage && !m_hRaw.IsNull() && m_hRaw.Data() != before;
    if (captured && m_pPages != nullptr) {
        PageRecord record;
        record.width = m_nWidth;
        record.height = m_nHeight;
        record.mode = m_nMode;
        record.camRotation = m_nCamRotation;
        record.sharpIndex = m_nSharpIndex;
        if (!m_pPages->AddCapture(m_hRaw, record, m_lead->Engine().Image()) &&
            m_pFrame != nullptr) {
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
        const MemoryBlock bitmap = BuildBitmap(raw, page.width, page.height, errors);
        if (!bitmap.IsNull()) {
            m_lead->SetPictureHandle(0);
            loaded = m_lead->LoadMemory(bitmap, 0, 0, static_cast<long>(bitmap.Size())) == 0;
        }
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
            m_nSharpValue = SharpnessValue(m_nSharpIndex);
            FinishCapturedPicture(*m_lead, m_nMode, m_nCamRotation, m_nSharpValue);
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
    // The window shows what counts as shown: nothing. A picture left on screen that could
    // be neither saved, zoomed nor turned would look like one that had been loaded.
    m_lead->SetPictureHandle(0);
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
