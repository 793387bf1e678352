// The view's file commands: Save writes the shown picture as a BMP, JPEG or PNG file, Open (in
// hidden mode only) shows a picture file instead of a capture.

#include <QFileInfo>

#include "picture/PictureEngine.h"
#include "picture/PictureFiles.h"
#include "res/ErrorCode.h"
#include "res/Strings.h"
#include "settings/SeriesSettings.h"
#include "ui/CLead.h"
#include "ui/Prompts.h"
#include "ui/ViewHost.h"
#include "ui/WaitCursor.h"
#include "view/PictureFilePrompt.h"
#include "view/Tavelo2View.h"

namespace tavelo {
namespace {

// The colour resolution change before a JPEG: to 24 bits a pixel; the other three
// arguments are the control's own and fixed.
constexpr short kJpegBits = 24;
constexpr short kJpegColorResolution = 4;
constexpr short kJpegDither = 1;
constexpr short kJpegPalette = 0;
// The text item a JPEG carries as its comment: saved pictures carry none.
constexpr short kJpegCommentItem = 3;

}  // namespace

QString CTavelo2View::AskSavePath(int& format) {
    const QString path = AskFileName(PictureFilePrompt(window(), true));
    if (path.isEmpty()) {
        return {};
    }
    format = SaveFormatOfPath(path);
    if (format == kNoSaveFormat) {
        // Nothing is written: the name promises a format whose bytes Tavelo cannot make.
        MessagePrompt prompt;
        prompt.parent = window();
        prompt.caption = QString::fromLatin1(APP_TITLE);
        prompt.text = QString::fromLatin1(SAVE_FORMAT_NOT_WRITTEN)
                          .arg(QLatin1Char('.') + QFileInfo(path).suffix()) +
                      QStringLiteral("\n\n");
        prompt.icon = PromptIcon::Warning;
        ShowMessage(prompt);
        return {};
    }
    return path;
}

void CTavelo2View::OnFileSave() {
    int format = kNoSaveFormat;
    const QString path = AskSavePath(format);
    if (path.isEmpty()) {
        return;
    }
    short bits = m_lead->GetPictureBits();
    if (format == PictureEngine::kFormatJpeg) {
        // A JPEG holds only true colour: the shown picture itself becomes 24-bit and stays
        // so, whether or not the save then goes through.
        if (bits < kJpegBits) {
            m_lead->ConvertBits(kJpegBits, kJpegColorResolution, kJpegDither, kJpegPalette);
            m_lead->Redraw();
            bits = m_lead->GetPictureBits();
        }
        m_lead->SetTextItem(kJpegCommentItem, QString());
    }

    if (m_pFrame != nullptr) {
        m_pFrame->SetStatusText(IDS_BUSY);
    }
    WaitCursor wait;
    // The picture goes to a temporary file next to the target, renamed over it only once
    // complete: a failure anywhere leaves an existing file as it was.
    const std::int16_t result =
        m_lead->SaveFile(path, static_cast<short>(format), bits, static_cast<short>(m_nQFactor), 0);
    wait.Restore();
    if (EndSave(path, result)) {
        MarkShownKept();
    }
}

bool CTavelo2View::EndSave(const QString& path, std::int16_t result) {
    ShowIdleStatus();
    if (result != 0) {
        if (m_pFrame != nullptr) {
            m_pFrame->ReportError(ERR_SAVE);
        }
        return false;
    }
    RememberSaveFolder(path);
    return true;
}

void CTavelo2View::OnFileOpen() {
    if (!m_bHiddenMode) {
        return;
    }
    // The raw capture no longer belongs to what will be shown, whatever the user picks.
    m_hRaw.Free();
    const QString path = AskFileName(PictureFilePrompt(window(), false));
    if (path.isEmpty()) {
        return;
    }

    if (m_pFrame != nullptr) {
        m_pFrame->SetStatusText(IDS_BUSY);
    }
    WaitCursor wait;
    m_lead->SetAutoRedraw(false);
    const bool loaded = m_lead->LoadFile(path, 0, 0, 1) == 0;
    wait.Restore();
    if (!loaded) {
        ShowLoadFailed();
        return;
    }
    // A file is shown as it is: not resized, turned or sharpened.
    m_nSharpValue = 0;
    ShowLoadedPicture();
    AddOpenedPage(path);
}

}  // namespace tavelo
