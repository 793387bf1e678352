// The sitting as the document the view works on: which page is shown, turns that belong to
// that page, undo and redo of what was done to the pages, and New Document.

#include "pages/Sitting.h"
#include "res/CommandIds.h"
#include "res/Strings.h"
#include "ui/CLead.h"
#include "ui/Prompts.h"
#include "ui/ViewHost.h"
#include "view/Tavelo2View.h"

namespace tavelo {

void CTavelo2View::RegisterSittingCommands() {
    if (m_pFrame == nullptr) {
        return;
    }
    ViewHost& f = *m_pFrame;
    f.SetCommandHandler(ID_FILE_NEW, [this] { OnFileNew(); });
    f.SetCommandHandler(ID_EDIT_UNDO, [this] {
        if (m_pSitting != nullptr) {
            m_pSitting->History().undo();
        }
    });
    f.SetCommandHandler(ID_EDIT_REDO, [this] {
        if (m_pSitting != nullptr) {
            m_pSitting->History().redo();
        }
    });
    f.SetUpdateHandler(ID_FILE_NEW, [this](CommandState& s) { s.Enable(m_pSitting != nullptr); });
    f.SetUpdateHandler(ID_EDIT_UNDO, [this](CommandState& s) {
        s.Enable(m_pSitting != nullptr && m_pSitting->History().canUndo());
    });
    f.SetUpdateHandler(ID_EDIT_REDO, [this](CommandState& s) {
        s.Enable(m_pSitting != nullptr && m_pSitting->History().canRedo());
    });
}

void CTavelo2View::RestorePages() {
    if (m_pSitting != nullptr) {
        SayNotRestored(m_pSitting->RestoreLeftovers());
    }
}

void CTavelo2View::SayNotRestored(const QString& summary) {
    if (summary.isEmpty()) {
        return;
    }
    MessagePrompt prompt;
    prompt.parent = window();
    prompt.caption = QString::fromLatin1(APP_TITLE);
    prompt.text = summary;
    prompt.icon = PromptIcon::Warning;
    ShowMessage(prompt);
}

int CTavelo2View::ShownPage() const {
    return m_pSitting == nullptr || m_shownPage.isEmpty() ? -1 : m_pSitting->RowOf(m_shownPage);
}

void CTavelo2View::ShowAsPage(int row) {
    if (m_pSitting == nullptr || row < 0 || row >= m_pSitting->Count()) {
        m_shownPage.clear();
        m_nShownTurns = 0;
        return;
    }
    m_shownPage = m_pSitting->Page(row).name;
    m_nShownTurns = m_pSitting->Page(row).turns;
}

void CTavelo2View::TurnShown(int step) {
    Rotate(step);
    const int row = ShownPage();
    if (row >= 0) {
        m_nShownTurns = (m_nShownTurns + step + 4) % 4;
        m_pSitting->TurnPage(row, step);
    }
}

void CTavelo2View::FollowPageTurns(int row) {
    if (!m_bImage || row < 0 || row != ShownPage()) {
        return;
    }
    // An undone or redone turn: the shown picture turns as a Rotate command would turn it.
    const int turns = m_pSitting->Page(row).turns;
    while (m_nShownTurns != turns) {
        const int step = (turns - m_nShownTurns + 4) % 4 == 3 ? -1 : +1;
        Rotate(step);
        m_nShownTurns = (m_nShownTurns + step + 4) % 4;
    }
}

void CTavelo2View::MarkShownKept() {
    const int row = ShownPage();
    if (row >= 0) {
        m_pSitting->MarkKept({row});
    }
}

void CTavelo2View::ClearPicture() {
    m_hRaw.Free();
    m_lead->SetPictureHandle(0);
    m_bImage = false;
    ShowAsPage(-1);
    m_lead->Redraw();
    if (m_pFrame != nullptr) {
        m_pFrame->ShowZoom(-1.0f);
    }
    GreyPictureMenus(true);
}

void CTavelo2View::OnFileNew() {
    if (m_pSitting == nullptr) {
        return;
    }
    if (const int unkept = m_pSitting->UnkeptCount(); unkept > 0) {
        MessagePrompt prompt;
        prompt.parent = window();
        prompt.caption = QString::fromLatin1(APP_TITLE);
        prompt.text = unkept == 1
                          ? QStringLiteral("Discard 1 page that was never saved?")
                          : QStringLiteral("Discard %1 pages that were never saved?").arg(unkept);
        prompt.icon = PromptIcon::Question;
        prompt.buttons = PROMPT_DISCARD_CANCEL;
        if (ShowMessage(prompt) != IDDISCARD) {
            return;
        }
    }
    if (m_pSitting->Discard()) {
        ClearPicture();
    }
}

}  // namespace tavelo
