// The sitting's document pages in the view: the options kept in the user's settings, the
// sheets looked for in the background, the word once a capture when none was found, and Save
// Page As, which writes the shown page's document page.

#include "pages/DocumentExport.h"
#include "pages/SheetFinder.h"
#include "pages/Sitting.h"
#include "picture/DurableFile.h"
#include "picture/PictureEngine.h"
#include "picture/PictureFiles.h"
#include "picture/PictureResult.h"
#include "res/CommandIds.h"
#include "res/Strings.h"
#include "settings/DocumentSettings.h"
#include "ui/CLead.h"
#include "ui/Prompts.h"
#include "ui/ViewHost.h"
#include "ui/WaitCursor.h"
#include "view/Tavelo2View.h"

namespace tavelo {
namespace {

// How long the message pane says that no page edge was found.
constexpr int kNoPageEdgeMs = 6000;

}  // namespace

void CTavelo2View::StartDocument() {
    m_pSitting->SetOptions(LoadDocumentOptions(m_pSitting->Options()));
    // A child of the sitting: it goes with it, never outliving the pages it works on.
    m_pFinder = new SheetFinder(*m_pSitting, m_pSitting);
    connect(m_pFinder, &SheetFinder::pageLooked, this, [this](int row, bool found) {
        // Only the page just captured or opened is spoken of; pages looked for because the
        // option was switched on are marked in the dock instead.
        if (!found && row == ShownPage() && m_pFrame != nullptr) {
            m_pFrame->ShowMessageFor(QString::fromLatin1(kNoPageEdgeText), kNoPageEdgeMs);
        }
    });
}

void CTavelo2View::RegisterDocumentCommands() {
    m_pFrame->SetCommandHandler(ID_SAVE_PAGE, [this] { OnSavePageAs(); });
    m_pFrame->SetUpdateHandler(ID_SAVE_PAGE,
                               [this](CommandState& s) { s.Enable(m_bImage && ShownPage() >= 0); });
}

void CTavelo2View::SetDocumentOptions(const DocumentOptions& options) {
    if (m_pSitting != nullptr) {
        m_pSitting->SetOptions(options);
    }
    SaveDocumentOptions(options);
}

QImage CTavelo2View::ShownDocumentPicture() const {
    const int row = ShownPage();
    if (row < 0) {
        return m_bImage ? m_lead->Engine().Image() : QImage();
    }
    return SettledDocumentPage(*m_pSitting, row).picture;
}

std::int16_t CTavelo2View::EncodeDocumentPage(int format, QByteArray& bytes) const {
    const QImage page = ShownDocumentPicture();
    PictureEngine engine;
    if (page.isNull() || engine.SetImage(page) != PIC_OK) {
        return PIC_NO_PICTURE;
    }
    // A JPEG holds only true colour, as Save makes it.
    if (format == PictureEngine::kFormatJpeg && engine.Bits() < 24) {
        engine.ConvertBits(24, 4, 1, 0);
    }
    return engine.Encode(format, engine.Bits(), m_nQFactor, bytes);
}

void CTavelo2View::OnSavePageAs() {
    if (!m_bImage || ShownPage() < 0) {
        return;
    }
    int format = kNoSaveFormat;
    const QString path = AskSavePath(format);
    if (path.isEmpty()) {
        return;
    }
    if (m_pFrame != nullptr) {
        m_pFrame->SetStatusText(IDS_BUSY);
    }
    WaitCursor wait;
    QByteArray bytes;
    std::int16_t result = EncodeDocumentPage(format, bytes);
    if (result == PIC_OK) {
        result = WriteFileDurably(path, bytes);
    }
    wait.Restore();
    if (EndSave(path, result)) {
        MarkShownKept();
    }
}

}  // namespace tavelo
