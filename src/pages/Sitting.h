#pragma once

#include <QObject>
#include <QUndoStack>
#include <vector>

#include "pages/DocumentPage.h"
#include "pages/PageStore.h"

namespace tavelo {

// The pages of one sitting, in order, as the document the user works on: it owns the store
// on disk and the undo history of what was done to the pages (delete, move, turn, discard),
// and says what changed, so that the list in the dock and the view follow it instead of
// being told by hand. Nothing here knows of widgets.
class Sitting : public QObject {
    Q_OBJECT
public:
    explicit Sitting(QObject* parent = nullptr);

    // Makes and locks the sitting folder `id` under `root`.
    bool Open(const QString& root, const QString& id);
    bool IsOpen() const { return m_store.IsOpen(); }
    const PageStore& Store() const { return m_store; }
    QUndoStack& History() { return m_history; }

    int Count() const { return m_store.Count(); }
    const PageRecord& Page(int row) const { return m_store.Page(row); }
    // The row of the page stored under `name`; -1 when no page of the sitting has it.
    int RowOf(const QString& name) const;

    // New pages go at the end; taking them is not an edit the history undoes.
    bool AddCapture(const MemoryBlock& raw, const PageRecord& record, const QImage& shown);
    bool AddFile(const QString& path, const QImage& shown);

    // Edits the history can undo. Several rows removed at once are one step.
    bool RemovePages(std::vector<int> rows);
    bool MovePage(int from, int to);
    // `steps` quarter turns to the right (negative: to the left) added to the page's own.
    bool TurnPage(int row, int steps);

    // The sheet placed anew in a page by the user, and the page's look (-1: the sitting's):
    // an edit the history undoes. `thumbnail`, when given, is the page's document page.
    bool EditPage(int row, const PageOutline& outline, int look, const QImage& thumbnail = {});
    // What looking for the sheet found when the page came: not an edit the history undoes.
    bool TakeOutline(int row, const PageOutline& outline, const QImage& thumbnail = {});

    // How the pages are made into a document; set by the user's settings.
    const DocumentOptions& Options() const { return m_options; }
    void SetOptions(const DocumentOptions& options);
    // The document page of `row`: its sheet straightened in its look (or the sitting's), or
    // the page itself when its sheet was not looked for. Null picture on failure.
    StraightPage DocumentPage(int row) const;

    // The page's text as read, kept with the page on disk (see PageStore::SetPageText).
    bool SetPageText(int row, const QByteArray& bytes) { return m_store.SetPageText(row, bytes); }

    // Pages never saved, exported or printed; those that were are marked so.
    int UnkeptCount() const;
    void MarkKept(const std::vector<int>& rows);

    // Takes in, silently, every sitting an earlier run left under the root: one line saying
    // what could not be brought back, empty when everything came.
    QString RestoreLeftovers();
    // Puts this sitting aside and starts an empty one; undoing it brings it back.
    bool Discard();

Q_SIGNALS:
    void pageAdded(int row);
    void pageRemoved(int row);
    void pageMoved(int from, int to);
    void pageChanged(int row);
    void pagesReset();  // a whole other sitting is now in place
    void optionsChanged();
    // An undone discard could not bring everything back: one line for the user.
    void notRestored(const QString& summary);

private:
    friend class RemoveEdit;
    friend class MoveEdit;
    friend class TurnEdit;
    friend class OutlineEdit;
    friend class DiscardEdit;

    bool SetTurns(int row, int turns);

    PageStore m_store;
    QUndoStack m_history;
    DocumentOptions m_options;
};

}  // namespace tavelo
