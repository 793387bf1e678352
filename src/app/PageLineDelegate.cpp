#include "app/PageLineDelegate.h"

#include "pages/PageList.h"
#include "pages/PageStore.h"

namespace tavelo {

void CPageLineDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // Every thumbnail in the same square, whatever its shape: the list takes all its rows'
    // size from the first one, and a taller thumbnail further down would spill over the rows
    // next to it.
    option->decorationSize = QSize(PageStore::kThumbnailSize, PageStore::kThumbnailSize);
    const QString line = index.data(PageList::ReadingRole).toString();
    if (!line.isEmpty()) {
        option->text += QChar(QChar::LineSeparator) + line;
    }
}

}  // namespace tavelo
