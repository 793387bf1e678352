#include "pages/PageList.h"

#include <QMimeData>
#include <algorithm>

namespace tavelo {
namespace {

const QString kPageMime = QStringLiteral("application/x-tavelo-page");
// Thumbnails kept in memory: a dock's worth; the others come from disk when shown.
constexpr int kCachedThumbnails = 64;

}  // namespace

PageList::PageList(QObject* parent) : QAbstractListModel(parent), m_selection(this) {
    m_thumbnails.setMaxCost(kCachedThumbnails);
}

std::vector<int> PageList::SelectedOrAll() const {
    std::vector<int> rows;
    for (const QModelIndex& index : m_selection.selectedIndexes()) {
        rows.push_back(index.row());
    }
    if (rows.empty()) {
        for (int i = 0; i < m_store.Count(); ++i) {
            rows.push_back(i);
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void PageList::Added(int first, int last) {
    beginInsertRows({}, first, last);
    endInsertRows();
    for (int row = first; row <= last; ++row) {
        Q_EMIT pageAdded(row);
    }
}

bool PageList::AddCapture(const MemoryBlock& raw, const PageRecord& record, const QImage& shown) {
    // Rows are announced after the store has them: a view asking for the new row's data
    // while it is being inserted finds it.
    if (!m_store.AddCapture(raw, record, shown)) {
        return false;
    }
    Added(m_store.Count() - 1, m_store.Count() - 1);
    return true;
}

bool PageList::AddFile(const QString& path, const QImage& shown) {
    if (!m_store.AddFile(path, shown)) {
        return false;
    }
    Added(m_store.Count() - 1, m_store.Count() - 1);
    return true;
}

PageStore::RestoreResult PageList::Adopt(const QString& folder) {
    const int first = m_store.Count();
    const PageStore::RestoreResult result = m_store.Adopt(folder);
    if (result.taken > 0) {
        Added(first, first + result.taken - 1);
    }
    return result;
}

int PageList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_store.Count();
}

QVariant PageList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_store.Count()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return QString::number(index.row() + 1);
    }
    if (role == Qt::DecorationRole) {
        const QString name = m_store.Page(index.row()).name;
        if (QPixmap* cached = m_thumbnails.object(name)) {
            return *cached;
        }
        auto* pixmap = new QPixmap(QPixmap::fromImage(m_store.Thumbnail(index.row())));
        const QPixmap result = *pixmap;
        m_thumbnails.insert(name, pixmap);
        return result;
    }
    return {};
}

Qt::ItemFlags PageList::flags(const QModelIndex& index) const {
    const Qt::ItemFlags base = QAbstractListModel::flags(index);
    return index.isValid() ? base | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled
                           : base | Qt::ItemIsDropEnabled;
}

bool PageList::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > m_store.Count()) {
        return false;
    }
    beginRemoveRows({}, row, row + count - 1);
    for (int i = 0; i < count; ++i) {
        m_store.Remove(row);
    }
    endRemoveRows();
    return true;
}

bool PageList::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                        const QModelIndex& destinationParent, int destinationChild) {
    // One page at a time; destinationChild is the row it goes before, as Qt counts.
    if (sourceParent.isValid() || destinationParent.isValid() || count != 1 || sourceRow < 0 ||
        sourceRow >= m_store.Count() || destinationChild < 0 ||
        destinationChild > m_store.Count() || destinationChild == sourceRow ||
        destinationChild == sourceRow + 1) {
        return false;
    }
    if (!beginMoveRows({}, sourceRow, sourceRow, {}, destinationChild)) {
        return false;
    }
    const int to = destinationChild > sourceRow ? destinationChild - 1 : destinationChild;
    m_store.Move(sourceRow, to);
    endMoveRows();
    return true;
}

QStringList PageList::mimeTypes() const {
    return {kPageMime};
}

QMimeData* PageList::mimeData(const QModelIndexList& indexes) const {
    if (indexes.isEmpty()) {
        return nullptr;
    }
    auto* mime = new QMimeData;
    mime->setData(kPageMime, QByteArray::number(indexes.constFirst().row()));
    return mime;
}

bool PageList::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                            const QModelIndex& parent) {
    if (action != Qt::MoveAction || data == nullptr || !data->hasFormat(kPageMime)) {
        return false;
    }
    const int from = data->data(kPageMime).toInt();
    const int before = row >= 0 ? row : (parent.isValid() ? parent.row() : m_store.Count());
    moveRows({}, from, 1, {}, before);
    // The page has moved already: answering false keeps the view from removing the dragged
    // row as if it had been copied elsewhere.
    return false;
}

}  // namespace tavelo
