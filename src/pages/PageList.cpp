#include "pages/PageList.h"

#include <QMimeData>
#include <algorithm>

#include "pages/SittingReader.h"
#include "pages/ThumbnailMark.h"

namespace tavelo {
namespace {

const QString kPageMime = QStringLiteral("application/x-tavelo-page");
// Thumbnails kept in memory: a dock's worth; the others come from disk when shown.
constexpr int kCachedThumbnails = 64;

}  // namespace

PageList::PageList(Sitting& sitting, QObject* parent)
    : QAbstractListModel(parent), m_sitting(sitting), m_nRows(sitting.Count()), m_selection(this) {
    m_thumbnails.setMaxCost(kCachedThumbnails);
    connect(&sitting, &Sitting::pageAdded, this, &PageList::Added);
    connect(&sitting, &Sitting::pageRemoved, this, &PageList::Removed);
    connect(&sitting, &Sitting::pageMoved, this, &PageList::Moved);
    connect(&sitting, &Sitting::pageChanged, this, &PageList::Changed);
    connect(&sitting, &Sitting::pagesReset, this, &PageList::Reset);
}

void PageList::SetReader(const SittingReader* reader) {
    m_pReader = reader;
    if (reader != nullptr) {
        connect(reader, &SittingReader::stateChanged, this, [this](int row) {
            if (row >= 0 && row < m_nRows) {
                Q_EMIT dataChanged(index(row), index(row), {ReadingRole});
            }
        });
    }
}

std::vector<int> PageList::Selected() const {
    std::vector<int> rows;
    for (const QModelIndex& index : m_selection.selectedIndexes()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// The sitting has changed already when it says so; the rows the views know of change
// between the begin and the end of each notice, as the views expect.
void PageList::Added(int row) {
    beginInsertRows({}, row, row);
    ++m_nRows;
    endInsertRows();
}

void PageList::Removed(int row) {
    beginRemoveRows({}, row, row);
    --m_nRows;
    endRemoveRows();
}

void PageList::Moved(int from, int to) {
    // Qt counts the destination as the row the page goes before.
    if (beginMoveRows({}, from, from, {}, to > from ? to + 1 : to)) {
        endMoveRows();
    }
}

void PageList::Changed(int row) {
    m_thumbnails.remove(m_sitting.Page(row).name);
    Q_EMIT dataChanged(index(row), index(row), {Qt::DecorationRole, Qt::ToolTipRole});
}

void PageList::Reset() {
    beginResetModel();
    m_thumbnails.clear();
    m_nRows = m_sitting.Count();
    endResetModel();
}

int PageList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_nRows;
}

QVariant PageList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_sitting.Count()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return QString::number(index.row() + 1);
    }
    if (role == ReadingRole) {
        return m_pReader == nullptr
                   ? QString()
                   : ReadingLine(m_pReader->StateOf(index.row()), m_pReader->Words(index.row()));
    }
    if (role == Qt::DecorationRole) {
        const QString name = m_sitting.Page(index.row()).name;
        if (QPixmap* cached = m_thumbnails.object(name)) {
            return *cached;
        }
        const bool noEdge = m_sitting.Page(index.row()).outline.state == OutlineState::NotFound;
        const QImage thumbnail = Store().Thumbnail(index.row());
        auto* pixmap =
            new QPixmap(QPixmap::fromImage(noEdge ? MarkNoPageEdge(thumbnail) : thumbnail));
        const QPixmap result = *pixmap;
        m_thumbnails.insert(name, pixmap);
        return result;
    }
    if (role == Qt::ToolTipRole &&
        m_sitting.Page(index.row()).outline.state == OutlineState::NotFound) {
        return QString::fromLatin1(kNoPageEdgeText);
    }
    return {};
}

Qt::ItemFlags PageList::flags(const QModelIndex& index) const {
    const Qt::ItemFlags base = QAbstractListModel::flags(index);
    return index.isValid() ? base | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled
                           : base | Qt::ItemIsDropEnabled;
}

bool PageList::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > m_sitting.Count()) {
        return false;
    }
    std::vector<int> rows;
    for (int i = row; i < row + count; ++i) {
        rows.push_back(i);
    }
    return m_sitting.RemovePages(rows);
}

bool PageList::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                        const QModelIndex& destinationParent, int destinationChild) {
    // One page at a time; destinationChild is the row it goes before, as Qt counts.
    if (sourceParent.isValid() || destinationParent.isValid() || count != 1 ||
        destinationChild < 0 || destinationChild > m_sitting.Count()) {
        return false;
    }
    const int to = destinationChild > sourceRow ? destinationChild - 1 : destinationChild;
    return m_sitting.MovePage(sourceRow, to);
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
    const int before = row >= 0 ? row : (parent.isValid() ? parent.row() : m_sitting.Count());
    moveRows({}, from, 1, {}, before);
    // The page has moved already: answering false keeps the view from removing the dragged
    // row as if it had been copied elsewhere.
    return false;
}

}  // namespace tavelo
