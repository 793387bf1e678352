// The pages' text in the view: the sitting's pages read in the background while the user
// works, and Copy Text, which puts the shown page's text on the clipboard.

#include <QClipboard>
#include <QGuiApplication>

#include "pages/PageList.h"
#include "pages/PageReader.h"
#include "pages/Sitting.h"
#include "pages/SittingReader.h"
#include "res/CommandIds.h"
#include "ui/ViewHost.h"
#include "view/Tavelo2View.h"

namespace tavelo {

void CTavelo2View::RegisterTextCommands() {
    if (m_pFrame == nullptr) {
        return;
    }
    m_pFrame->SetCommandHandler(ID_EDIT_COPY_TEXT, [this] { OnEditCopyText(); });
    m_pFrame->SetUpdateHandler(ID_EDIT_COPY_TEXT, [this](CommandState& s) {
        const int row = ShownPage();
        s.Enable(m_bImage && m_pReader != nullptr && row >= 0 &&
                 !m_pReader->Text(row).trimmed().isEmpty());
    });
}

void CTavelo2View::StartReading() {
    m_pReadingPool = new PageReader(this);
    m_pReader = new SittingReader(*m_pSitting, *m_pReadingPool, this);
    m_pPages->SetReader(m_pReader);
    // A page read may give Copy Text something to copy.
    connect(m_pReader, &SittingReader::stateChanged, this, [this](int row) {
        if (m_pFrame != nullptr && row == ShownPage()) {
            m_pFrame->UpdateCommandUI();
        }
    });
}

void CTavelo2View::StopReading() {
    // The one that reads goes before the pool it reads with.
    delete m_pReader;
    m_pReader = nullptr;
    delete m_pReadingPool;
    m_pReadingPool = nullptr;
}

void CTavelo2View::OnEditCopyText() {
    const int row = ShownPage();
    if (m_bImage && m_pReader != nullptr && row >= 0) {
        const QString text = m_pReader->Text(row);
        if (!text.trimmed().isEmpty()) {
            QGuiApplication::clipboard()->setText(text);
        }
    }
}

}  // namespace tavelo
