#include "view/PageEditor.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTransform>
#include <QVBoxLayout>
#include <algorithm>

#include "pages/Sitting.h"
#include "res/Strings.h"
#include "settings/Profile.h"
#include "ui/WaitCursor.h"
#include "view/PageCanvas.h"
#include "view/StraightPreview.h"

namespace tavelo {

namespace {

const char* const kSizeEntry = "PageEditorSize";  // "900x560"

PageEditorHandler& CurrentHandler() {
    static PageEditorHandler handler;
    return handler;
}

QImage Turned(const QImage& picture, int turns) {
    return turns == 0 ? picture : picture.transformed(QTransform().rotate(90.0 * turns));
}

}  // namespace

PageEditor::PageEditor(Sitting& sitting, int row, QWidget* parent)
    : QDialog(parent), m_sitting(sitting), m_nRow(row) {
    setWindowTitle(QStringLiteral("Edit Page %1").arg(row + 1));
    setSizeGripEnabled(true);
    const PageRecord& page = sitting.Page(row);
    {
        WaitCursor wait;
        m_picture = sitting.Store().Picture(row, /*turned=*/false);
    }
    m_outline = page.outline;
    m_nTurns = page.turns;
    if (page.outline.state == OutlineState::Found) {
        m_found = page.outline;
        m_bFoundKnown = true;
    }

    m_pCanvas = new PageCanvas(this);
    m_pPreview = new QLabel(this);
    m_pPreview->setAlignment(Qt::AlignCenter);
    m_pPreview->setMinimumSize(160, 200);
    m_pPreview->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_pPreview->setAccessibleName(QStringLiteral("Straightened page"));
    m_pNote = new QLabel(this);

    auto* reset = new QPushButton(QStringLiteral("&Reset"), this);
    reset->setToolTip(QStringLiteral("Back to the corners the page finder found"));
    auto* whole = new QPushButton(QStringLiteral("&Whole picture"), this);
    auto* left = new QPushButton(QStringLiteral("Turn &left"), this);
    auto* right = new QPushButton(QStringLiteral("Turn righ&t"), this);
    for (QPushButton* button : {reset, whole, left, right}) {
        button->setAutoDefault(false);  // Enter is OK's
        button->setAccessibleName(button->text().remove(QLatin1Char('&')));
    }
    m_pLook = new QComboBox(this);
    m_pLook->addItems(
        {QStringLiteral("Colour"), QStringLiteral("Grey"), QStringLiteral("Black and white")});
    m_pLook->setCurrentIndex(int(LookOf(page.look, sitting.Options().look)));
    m_pLook->setAccessibleName(QStringLiteral("Look"));
    auto* lookLabel = new QLabel(QStringLiteral("Loo&k:"), this);
    lookLabel->setBuddy(m_pLook);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* controls = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{reset, whole, left, right, lookLabel}) {
        controls->addWidget(w);
    }
    controls->addWidget(m_pLook);
    controls->addStretch(1);
    controls->addWidget(buttons);
    auto* grid = new QGridLayout(this);
    grid->addWidget(m_pCanvas, 0, 0);
    grid->addWidget(m_pPreview, 0, 1);
    grid->addWidget(m_pNote, 1, 0, 1, 2);
    grid->addLayout(controls, 2, 0, 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    grid->setRowStretch(0, 1);

    m_pMaker = new StraightPreview(this);
    connect(m_pMaker, &StraightPreview::ready, this, &PageEditor::ShowPreview);
    connect(m_pCanvas, &PageCanvas::cornersChanged, this, &PageEditor::TakeCanvasCorners);
    connect(m_pLook, &QComboBox::currentIndexChanged, this, &PageEditor::AskPreview);
    connect(reset, &QPushButton::clicked, this, &PageEditor::Reset);
    connect(whole, &QPushButton::clicked, this, &PageEditor::TakeWholePicture);
    connect(left, &QPushButton::clicked, this, [this] { Turn(-1); });
    connect(right, &QPushButton::clicked, this, [this] { Turn(+1); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    QSize size(900, 560);
    const QStringList saved = GetProfileString(SETTINGS_SECTION, kSizeEntry).split('x');
    if (saved.size() == 2 && saved[0].toInt() > 0 && saved[1].toInt() > 0) {
        size = QSize(saved[0].toInt(), saved[1].toInt());
    }
    if (const QScreen* screen = parent != nullptr ? parent->screen() : this->screen()) {
        size = size.boundedTo(screen->availableGeometry().size());
    }
    resize(size.expandedTo(minimumSizeHint()));
    m_pCanvas->setFocus();
    ShowOutline();
}

int PageEditor::Look() const {
    const int own = m_sitting.Page(m_nRow).look;
    const int chosen = m_pLook->currentIndex();
    // The sitting's look chosen again stays the sitting's, and follows it when it changes.
    return own < 0 && chosen == int(m_sitting.Options().look) ? -1 : chosen;
}

void PageEditor::Reset() {
    if (!m_bFoundKnown) {
        WaitCursor wait;
        m_found = OutlineFor(m_picture, /*findPage=*/true);
        m_bFoundKnown = true;
    }
    m_outline = m_found;
    ShowOutline();
}

void PageEditor::TakeWholePicture() {
    m_outline.state = OutlineState::Edited;  // the finder's confidence stays
    m_outline.corners = WholePicture(m_picture.size());
    ShowOutline();
}

void PageEditor::Turn(int steps) {
    m_nTurns = (((m_nTurns + steps) % 4) + 4) % 4;
    ShowOutline();
}

void PageEditor::ShowOutline() {
    const PageCorners corners = m_outline.state == OutlineState::Unknown
                                    ? WholePicture(m_picture.size())
                                    : m_outline.corners;
    m_pCanvas->SetPicture(Turned(m_picture, m_nTurns),
                          TurnCorners(corners, m_picture.size(), m_nTurns));
    m_pNote->setText(m_outline.state == OutlineState::NotFound ? QString::fromUtf8(kNoPageEdgeText)
                                                               : QString());
    AskPreview();
}

void PageEditor::TakeCanvasCorners() {
    m_outline.corners = TurnCorners(m_pCanvas->Corners(), m_pCanvas->PictureSize(), -m_nTurns);
    m_outline.state = OutlineState::Edited;
    m_pNote->clear();
    AskPreview();
}

void PageEditor::AskPreview() {
    // Made for the room it is shown in, once there is one.
    if (!HasPicture() || !isVisible()) {
        return;
    }
    const QSize box = m_pPreview->contentsRect().size() * m_pPreview->devicePixelRatioF();
    m_nAsked = m_pMaker->Ask({m_picture, m_outline, PageLook(m_pLook->currentIndex()), m_nTurns,
                              box.isEmpty() ? QSize(400, 560) : box});
}

void PageEditor::ShowPreview(const QImage& preview, quint64 number) {
    m_preview = preview;
    m_nShown = number;
    if (preview.isNull()) {
        m_pPreview->setText(QStringLiteral("The page could not be straightened"));
        return;
    }
    QPixmap pixmap = QPixmap::fromImage(preview);
    pixmap.setDevicePixelRatio(m_pPreview->devicePixelRatioF());
    m_pPreview->setPixmap(pixmap);
}

void PageEditor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    AskPreview();
}

void PageEditor::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    AskPreview();  // fitted to the new room
}

void PageEditor::done(int result) {
    if (isVisible()) {
        WriteProfileString(SETTINGS_SECTION, kSizeEntry,
                           QStringLiteral("%1x%2").arg(width()).arg(height()));
    }
    QDialog::done(result);
}

QImage PageEditor::ThumbnailSource() const {
    // The latest preview is the page as it now is; it serves if it is large enough.
    if (m_nShown == m_nAsked && !m_preview.isNull() &&
        std::max(m_preview.width(), m_preview.height()) >= PageStore::kThumbnailSize) {
        return m_preview;
    }
    WaitCursor wait;
    return DocumentPicture(m_picture, m_outline, PageLook(m_pLook->currentIndex()), m_nTurns)
        .picture;
}

bool PageEditor::Apply() {
    if (!HasPicture()) {
        return false;
    }
    const PageRecord page = m_sitting.Page(m_nRow);
    const int look = Look();
    const int turns = (((m_nTurns - page.turns) % 4) + 4) % 4;
    const bool edited = !(m_outline == page.outline) || look != page.look;
    if (!edited && turns == 0) {
        return false;  // nothing changed: no step in the history
    }
    QUndoStack& history = m_sitting.History();
    history.beginMacro(QStringLiteral("Edit Page"));
    bool done = turns == 0 || m_sitting.TurnPage(m_nRow, turns == 3 ? -1 : turns);
    if (done && edited) {
        done = m_sitting.EditPage(m_nRow, m_outline, look, ThumbnailSource());
    }
    history.endMacro();
    return done;
}

bool EditPageInDialog(Sitting& sitting, int row, QWidget* parent) {
    if (row < 0 || row >= sitting.Count()) {
        return false;
    }
    PageEditor editor(sitting, row, parent);
    if (!editor.HasPicture()) {
        return false;
    }
    if (const PageEditorHandler& handler = CurrentHandler()) {
        handler(editor);
    } else {
        editor.exec();
    }
    return editor.result() == QDialog::Accepted && editor.Apply();
}

void SetPageEditorHandler(PageEditorHandler handler) {
    CurrentHandler() = std::move(handler);
}

}  // namespace tavelo
