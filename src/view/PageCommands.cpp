// The pages of the sitting in the view: every capture and every opened picture becomes a
// page; a page shows again as if just captured or opened, turned as it was; Copy puts the
// shown picture on the clipboard.

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>

#include "pages/PageList.h"
#include "pages/Sitting.h"
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
        s.Enable(m_bImage || (m_pSitting != nullptr && m_pSitting->Count() > 0));
    });
    f.SetUpdateHandler(ID_EXPORT_PDF, [this](CommandState& s) {
        s.Enable(m_pSitting != nullptr && m_pSitting->Count() > 0);
    });
    RegisterSittingCommands();
    RegisterDocumentCommands();
    RegisterTextCommands();
}

bool CTavelo2View::StartPages(const QString& root, const QString& runId) {
    StopReading();
    delete m_pPages;
    delete m_pSitting;
    m_pPages = nullptr;
    m_pFinder = nullptr;  // goes with its sitting
    m_shownPage.clear();
    m_pSitting = new Sitting(this);
    if (!m_pSitting->Open(root, runId)) {
        delete m_pSitting;
        m_pSitting = nullptr;
        return false;
    }
    StartDocument();
    m_pPages = new PageList(*m_pSitting, this);
    StartReading();
    // Pages of another sitting may take the names of those shown before.
    connect(m_pSitting, &Sitting::pagesReset, this, [this] { m_shownPage.clear(); });
    connect(m_pSitting, &Sitting::pageChanged, this, &CTavelo2View::FollowPageTurns);
    connect(m_pSitting, &Sitting::notRestored, this, &CTavelo2View::SayNotRestored);
    return true;
}

bool CTavelo2View::CaptureAsPage(bool* pageKept) {
    const bool captured = OnCapture();
    if (captured) {
        ShowAsPage(-1);
    }
    if (captured && m_pSitting != nullptr) {
        PageRecord record;
        record.width = m_nWidth;
        record.height = m_nHeight;
        record.mode = m_nMode;
        record.camRotation = m_nCamRotation;
        record.sharpIndex = m_nSharpIndex;
        const bool kept = m_pSitting->AddCapture(m_hRaw, record, m_lead->Engine().Image());
        if (kept) {
            ShowAsPage(m_pSitting->Count() - 1);
        }
        if (pageKept != nullptr) {
            *pageKept = kept;
        } else if (!kept && m_pFrame != nullptr) {
            m_pFrame->ReportError(ERR_SAVE);  // shown, but not kept as a page
        }
    }
    return captured;
}

void CTavelo2View::AddOpenedPage(const QString& path) {
    ShowAsPage(-1);
    if (m_pSitting == nullptr) {
        return;
    }
    if (m_pSitting->AddFile(path, m_lead->Engine().Image())) {
        ShowAsPage(m_pSitting->Count() - 1);
    } else if (m_pFrame != nullptr) {
        m_pFrame->ReportError(ERR_SAVE);
    }
}

bool CTavelo2View::ShowPage(int row) {
    if (m_pSitting == nullptr || row < 0 || row >= m_pSitting->Count()) {
        return false;
    }
    const PageStore& store = m_pSitting->Store();
    const PageRecord page = store.Page(row);
    if (m_pFrame != nullptr) {
        m_pFrame->SetStatusText(IDS_BUSY);
    }
    WaitCursor wait;
    m_lead->SetAutoRedraw(false);
    bool loaded = false;
    if (page.raw) {
        MemoryBlock raw = store.LoadRaw(row);
        FrameErrors errors(m_pFrame);
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
    // The page's own turns, recorded as if turned here, so Sharpness turns it the same way.
    m_nRotIndex = 3 + page.turns;
    m_nRotAngle = RotationAngle();
    if (m_nRotAngle != 0) {
        m_lead->Rotate(m_nRotAngle, true, FILL_COLOUR);
    }
    ShowLoadedPicture();
    ShowAsPage(row);
    return true;
}

void CTavelo2View::ShowLoadFailed() {
    // The window shows what counts as shown: nothing. A picture left on screen that could
    // be neither saved, zoomed nor turned would look like one that had been loaded.
    m_lead->SetPictureHandle(0);
    m_bImage = false;
    ShowAsPage(-1);
    if (m_pFrame != nullptr) {
        m_pFrame->ShowZoom(-1.0f);
    }
    GreyPictureMenus(true);
    m_lead->SetAutoRedraw(true);
    ShowIdleStatus();
    if (m_pFrame != nullptr) {
        // Not only after a command: a page shown from the dock changes what works too.
        m_pFrame->UpdateCommandUI();
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
    if (m_pFrame != nullptr) {
        m_pFrame->UpdateCommandUI();
    }
}

void CTavelo2View::OnEditCopy() {
    // A page is copied as its document page; a picture that is no page, as shown.
    if (const QImage copied = ShownDocumentPicture(); !copied.isNull()) {
        QGuiApplication::clipboard()->setImage(copied);
    }
}

}  // namespace tavelo
