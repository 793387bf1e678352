#include "app/PagesDock.h"

#include <QAction>
#include <QKeyEvent>
#include <QLayout>
#include <QListView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/PageLineDelegate.h"
#include "app/PagesHeader.h"
#include "pages/PageList.h"
#include "pages/PageStore.h"
#include "pages/ReaderSetup.h"
#include "pages/Sitting.h"
#include "res/CommandIds.h"
#include "settings/ReadingBox.h"
#include "view/PageEditor.h"
#include "view/Tavelo2View.h"

namespace tavelo {

CPagesDock::CPagesDock(CMainFrame& frame, CTavelo2View& view)
    : QDockWidget(QStringLiteral("Pages"), &frame), m_view(view) {
    setObjectName(QStringLiteral("pagesDock"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);

    auto* series = new QToolButton(body);
    series->setObjectName(QStringLiteral("captureToSeries"));
    QAction* seriesAction = frame.Commands().Action(ID_CAPTURE_SERIES);
    // The button names the command without the key the menu item shows after a tab.
    seriesAction->setIconText(seriesAction->text().section(QLatin1Char('\t'), 0, 0).remove('&'));
    series->setDefaultAction(seriesAction);
    series->setToolButtonStyle(Qt::ToolButtonTextOnly);
    series->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layout->addWidget(series);
    auto* header = new CPagesHeader(view, body);
    layout->addWidget(header);
    layout->addWidget(
        new CReadingBox(view.PagesSitting(), view.PagesReader(), ReadingLanguages(), body));

    m_pList = new QListView(body);
    m_pList->setObjectName(QStringLiteral("pageList"));
    m_pList->setViewMode(QListView::ListMode);
    m_pList->setIconSize(QSize(PageStore::kThumbnailSize, PageStore::kThumbnailSize));
    m_pList->setSpacing(2);
    m_pList->setUniformItemSizes(true);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setDragDropMode(QAbstractItemView::InternalMove);
    m_pList->setDefaultDropAction(Qt::MoveAction);
    m_pList->setMinimumWidth(PageStore::kThumbnailSize + 60);
    m_pList->installEventFilter(this);
    m_pList->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_pList->addActions(header->Actions());
    m_pList->setItemDelegate(new CPageLineDelegate(m_pList));
    layout->addWidget(m_pList, 1);
    setWidget(body);

    if (PageList* pages = view.Pages()) {
        m_pList->setModel(pages);
        m_pList->setSelectionModel(pages->Selection());
        connect(view.PagesSitting(), &Sitting::pageAdded, this, [this](int row) {
            // Shown with the first page; closed by the user, it stays closed until asked for.
            if (!m_bShownOnce) {
                m_bShownOnce = true;
                show();
                // The dock takes width from the view: the picture just shown is fitted
                // again into what is left, or it would no longer fit.
                if (QWidget* frame = parentWidget(); frame != nullptr && frame->layout()) {
                    frame->layout()->activate();
                }
                if (m_view.m_bImage) {
                    m_view.OnBestFit();
                }
            }
            m_pList->scrollTo(m_pList->model()->index(row, 0));
        });
    }
    connect(m_pList, &QListView::clicked, this,
            [this](const QModelIndex& index) { m_view.ShowPage(index.row()); });
    // The click before it has shown the page already.
    connect(m_pList, &QListView::doubleClicked, this,
            [this](const QModelIndex& index) { EditPage(index.row()); });

    frame.addDockWidget(Qt::RightDockWidgetArea, this);
    hide();
    frame.SetCommandHandler(ID_VIEW_PAGES, [this] { setVisible(!isVisible()); });
    frame.SetUpdateHandler(ID_VIEW_PAGES, [this](CommandState& s) { s.SetCheck(isVisible()); });
    if (view.Pages() != nullptr && view.Pages()->rowCount() > 0) {
        m_bShownOnce = true;
        show();
    }
}

bool CPagesDock::eventFilter(QObject* watched, QEvent* event) {
    // Ctrl+C is the frame's Copy of the shown picture, not the list's copy of a page number.
    if (watched == m_pList && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        event->ignore();
        return true;
    }
    if (watched == m_pList && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            DeleteSelected();
            return true;
        }
        if (key->modifiers() == Qt::ControlModifier &&
            (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            MoveCurrent(key->key() == Qt::Key_Up ? -1 : +1);
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (m_view.ShowPage(m_pList->currentIndex().row())) {
                EditPage(m_pList->currentIndex().row());
            }
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

void CPagesDock::EditPage(int row) {
    if (Sitting* sitting = m_view.PagesSitting()) {
        EditPageInDialog(*sitting, row, window());
    }
}

void CPagesDock::DeleteSelected() {
    if (Sitting* sitting = m_view.PagesSitting()) {
        std::vector<int> rows;
        for (const QModelIndex& index : m_pList->selectionModel()->selectedIndexes()) {
            rows.push_back(index.row());
        }
        sitting->RemovePages(rows);  // one step for Undo, however many pages
    }
}

void CPagesDock::MoveCurrent(int step) {
    QAbstractItemModel* model = m_pList->model();
    const int row = m_pList->currentIndex().row();
    if (model == nullptr || row < 0) {
        return;
    }
    const int to = row + step;
    if (to < 0 || to >= model->rowCount()) {
        return;
    }
    // Qt counts the destination as the row the page goes before.
    if (model->moveRow({}, row, {}, step > 0 ? to + 1 : to)) {
        m_pList->setCurrentIndex(model->index(to, 0));
    }
}

}  // namespace tavelo
