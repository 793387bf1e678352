#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QItemSelectionModel>
#include <QPixmap>

#include "pages/PageStore.h"

namespace tavelo {

// The pages of the sitting as a list of thumbnails for the Pages dock: the store on disk
// behind it, a few thumbnails in memory at a time. Rows are dragged to a new place; the
// selection says which pages Export PDF takes.
class PageList : public QAbstractListModel {
    Q_OBJECT
public:
    explicit PageList(QObject* parent = nullptr);

    PageStore& Store() { return m_store; }
    const PageStore& Store() const { return m_store; }
    QItemSelectionModel* Selection() { return &m_selection; }
    // Selected rows in page order; every page when none is selected.
    std::vector<int> SelectedOrAll() const;

    bool AddCapture(const MemoryBlock& raw, const PageRecord& record, const QImage& shown);
    bool AddFile(const QString& path, const QImage& shown);
    PageStore::RestoreResult Adopt(const QString& folder);

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

Q_SIGNALS:
    void pageAdded(int row);

private:
    void Added(int first, int last);

    PageStore m_store;
    QItemSelectionModel m_selection;
    mutable QCache<QString, QPixmap> m_thumbnails;
};

}  // namespace tavelo
