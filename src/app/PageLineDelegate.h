#pragma once

#include <QStyledItemDelegate>

namespace tavelo {

// Draws a page of the Pages dock as its thumbnail and number with, under the number, how
// far reading its text has come (PageList::ReadingRole).
class CPageLineDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace tavelo
