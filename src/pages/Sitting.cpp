#include "pages/Sitting.h"

#include <QDir>
#include <QFileInfo>
#include <QTransform>
#include <algorithm>

namespace tavelo {

// A page taken out; undone, it comes back at its place with its files from the store's
// "removed" folder.
class RemoveEdit : public QUndoCommand {
public:
    RemoveEdit(Sitting& sitting, int row, QUndoCommand* parent)
        : QUndoCommand(QStringLiteral("Delete"), parent), m_sitting(sitting), m_nRow(row) {}
    void redo() override {
        m_page = m_sitting.m_store.Page(m_nRow);
        if (m_sitting.m_store.Remove(m_nRow)) {
            Q_EMIT m_sitting.pageRemoved(m_nRow);
        }
    }
    void undo() override {
        if (m_sitting.m_store.Reinsert(m_nRow, m_page)) {
            Q_EMIT m_sitting.pageAdded(m_nRow);
        }
    }

private:
    Sitting& m_sitting;
    int m_nRow;
    PageRecord m_page;
};

class MoveEdit : public QUndoCommand {
public:
    MoveEdit(Sitting& sitting, int from, int to)
        : QUndoCommand(QStringLiteral("Move")), m_sitting(sitting), m_nFrom(from), m_nTo(to) {}
    void redo() override { Move(m_nFrom, m_nTo); }
    void undo() override { Move(m_nTo, m_nFrom); }

private:
    void Move(int from, int to) {
        if (m_sitting.m_store.Move(from, to)) {
            Q_EMIT m_sitting.pageMoved(from, to);
        }
    }
    Sitting& m_sitting;
    int m_nFrom;
    int m_nTo;
};

class TurnEdit : public QUndoCommand {
public:
    TurnEdit(Sitting& sitting, int row, int steps)
        : QUndoCommand(QStringLiteral("Turn")), m_sitting(sitting), m_nRow(row), m_nSteps(steps) {}
    void redo() override { m_sitting.SetTurns(m_nRow, m_sitting.Page(m_nRow).turns + m_nSteps); }
    void undo() override { m_sitting.SetTurns(m_nRow, m_sitting.Page(m_nRow).turns - m_nSteps); }

private:
    Sitting& m_sitting;
    int m_nRow;
    int m_nSteps;
};

// The sheet placed anew in a page, or its look changed: the thumbnail of each state is kept
// with the edit, so that undoing and redoing need not straighten the page again.
class OutlineEdit : public QUndoCommand {
public:
    OutlineEdit(Sitting& sitting, int row, const PageOutline& outline, int look,
                const QImage& thumbnail)
        : QUndoCommand(QStringLiteral("Edit Page")),
          m_sitting(sitting),
          m_nRow(row),
          m_before{sitting.Page(row).outline, sitting.Page(row).look,
                   sitting.Store().Thumbnail(row)},
          m_after{outline, look, thumbnail} {}
    void redo() override { Apply(m_after); }
    void undo() override { Apply(m_before); }

private:
    struct State {
        PageOutline outline;
        int look;
        QImage thumbnail;
    };
    void Apply(const State& state) {
        if (m_sitting.m_store.SetOutline(m_nRow, state.outline, state.look, state.thumbnail)) {
            Q_EMIT m_sitting.pageChanged(m_nRow);
        }
    }
    Sitting& m_sitting;
    int m_nRow;
    State m_before;
    State m_after;
};

// The whole sitting set aside for an empty one; undone, the store takes it back in.
class DiscardEdit : public QUndoCommand {
public:
    explicit DiscardEdit(Sitting& sitting)
        : QUndoCommand(QStringLiteral("New Document")), m_sitting(sitting) {}
    void redo() override {
        if (m_sitting.m_store.Discard()) {
            Q_EMIT m_sitting.pagesReset();
        }
    }
    void undo() override {
        const PageStore::RestoreResult result = m_sitting.m_store.UndoDiscard();
        Q_EMIT m_sitting.pagesReset();
        if (!result.summary.isEmpty()) {
            Q_EMIT m_sitting.notRestored(result.summary);
        }
    }

private:
    Sitting& m_sitting;
};

Sitting::Sitting(QObject* parent) : QObject(parent), m_history(this) {}

bool Sitting::Open(const QString& root, const QString& id) {
    m_history.clear();
    const bool opened = m_store.Open(root, id);
    Q_EMIT pagesReset();
    return opened;
}

int Sitting::RowOf(const QString& name) const {
    for (int row = 0; row < Count(); ++row) {
        if (Page(row).name == name) {
            return row;
        }
    }
    return -1;
}

bool Sitting::AddCapture(const MemoryBlock& raw, const PageRecord& record, const QImage& shown) {
    if (!m_store.AddCapture(raw, record, shown)) {
        return false;
    }
    Q_EMIT pageAdded(Count() - 1);
    return true;
}

bool Sitting::AddFile(const QString& path, const QImage& shown) {
    if (!m_store.AddFile(path, shown)) {
        return false;
    }
    Q_EMIT pageAdded(Count() - 1);
    return true;
}

bool Sitting::RemovePages(std::vector<int> rows) {
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](int row) { return row < 0 || row >= Count(); }),
               rows.end());
    // From the last, so the rows still to go keep their numbers.
    std::sort(rows.rbegin(), rows.rend());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty()) {
        return false;
    }
    auto* step = new QUndoCommand(QStringLiteral("Delete"));
    for (int row : rows) {
        new RemoveEdit(*this, row, step);
    }
    m_history.push(step);
    return true;
}

bool Sitting::MovePage(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) {
        return false;
    }
    m_history.push(new MoveEdit(*this, from, to));
    return true;
}

bool Sitting::TurnPage(int row, int steps) {
    if (row < 0 || row >= Count() || steps % 4 == 0) {
        return false;
    }
    m_history.push(new TurnEdit(*this, row, steps));
    return true;
}

bool Sitting::EditPage(int row, const PageOutline& outline, int look, const QImage& thumbnail) {
    if (row < 0 || row >= Count() || look < -1 || look > 2) {
        return false;
    }
    if (Page(row).outline == outline && Page(row).look == look) {
        return true;  // nothing changed: no step in the history
    }
    m_history.push(new OutlineEdit(*this, row, outline, look, thumbnail));
    return true;
}

bool Sitting::TakeOutline(int row, const PageOutline& outline, const QImage& thumbnail) {
    if (row < 0 || row >= Count() || !m_store.SetOutline(row, outline, Page(row).look, thumbnail)) {
        return false;
    }
    Q_EMIT pageChanged(row);
    return true;
}

bool Sitting::SetTurns(int row, int turns) {
    const int now = Page(row).turns;
    const int next = ((turns % 4) + 4) % 4;
    // The thumbnail turns with the page: a quarter turn of the small picture is exact, so
    // the whole picture need not be rebuilt for it.
    const QImage thumbnail =
        m_store.Thumbnail(row).transformed(QTransform().rotate(90.0 * (next - now)));
    if (!m_store.SetTurns(row, next, thumbnail)) {
        return false;
    }
    Q_EMIT pageChanged(row);
    return true;
}

void Sitting::SetOptions(const DocumentOptions& options) {
    if (!(options == m_options)) {
        m_options = options;
        Q_EMIT optionsChanged();
    }
}

StraightPage Sitting::DocumentPage(int row) const {
    if (row < 0 || row >= Count()) {
        return {};
    }
    const PageRecord& page = Page(row);
    return DocumentPicture(m_store.Picture(row, false), page.outline,
                           LookOf(page.look, m_options.look), page.turns);
}

int Sitting::UnkeptCount() const {
    int count = 0;
    for (int row = 0; row < Count(); ++row) {
        count += Page(row).kept ? 0 : 1;
    }
    return count;
}

void Sitting::MarkKept(const std::vector<int>& rows) {
    for (int row : rows) {
        if (row >= 0 && row < Count() && !Page(row).kept) {
            m_store.SetKept(row, true);
        }
    }
}

QString Sitting::RestoreLeftovers() {
    if (!IsOpen()) {
        return {};
    }
    const QString root = QFileInfo(m_store.Folder()).absolutePath();
    QStringList lost;
    const int first = Count();
    for (const QString& folder : PageStore::LeftoverSittings(root)) {
        const PageStore::RestoreResult result = m_store.Adopt(folder);
        if (!result.summary.isEmpty()) {
            lost.append(result.summary);
        }
    }
    for (int row = first; row < Count(); ++row) {
        Q_EMIT pageAdded(row);
    }
    return lost.join(QLatin1Char(' '));
}

bool Sitting::Discard() {
    if (!IsOpen()) {
        return false;
    }
    // What was done to the pages set aside is not undone in the new sitting, one by one:
    // only the discard itself is.
    m_history.clear();
    m_history.push(new DiscardEdit(*this));
    return IsOpen();
}

}  // namespace tavelo
