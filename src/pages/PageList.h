#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QItemSelectionModel>
#include <QPixmap>

#include "pages/Sitting.h"

namespace tavelo {

class SittingReader;

// The pages of the sitting as a list of thumbnails for the Pages dock: a view of the
// sitting that follows its notifications, a few thumbnails in memory at a time. Rows
// removed or dragged to a new place are edits of the sitting (undoable); the selection says
// which pages Export PDF may take.
class PageList : public QAbstractListModel {
    Q_OBJECT
public:
    explicit PageList(Sitting& sitting, QObject* parent = nullptr);

    // A line saying how far reading the page's text has come ("read, 120 words"); empty
    // without a reader.
    static constexpr int ReadingRole = Qt::UserRole + 1;
    void SetReader(const SittingReader* reader);

    Sitting& Pages() { return m_sitting; }
    const PageStore& Store() const { return m_sitting.Store(); }
    QItemSelectionModel* Selection() { return &m_selection; }
    // Selected rows in page order.
    std::vector<int> Selected() const;

    // QAbstractListModel
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                  const QModelIndex& destinationParent, int destinationChild) override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

private:
    void Added(int row);
    void Removed(int row);
    void Moved(int from, int to);
    void Changed(int row);
    void Reset();

    Sitting& m_sitting;
    int m_nRows = 0;  // the rows the views know of, which follow the sitting's news
    QItemSelectionModel m_selection;
    mutable QCache<QString, QPixmap> m_thumbnails;
    const SittingReader* m_pReader = nullptr;
};

}  // namespace tavelo
