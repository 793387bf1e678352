#include "app/PageLineDelegate.h"

#include "pages/PageList.h"

namespace tavelo {

void CPageLineDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString line = index.data(PageList::ReadingRole).toString();
    if (!line.isEmpty()) {
        option->text += QChar(QChar::LineSeparator) + line;
    }
}

}  // namespace tavelo
