#pragma once

#include <QStyledItemDelegate>

namespace tolvane {

// Paints a submodule's row: its path in semibold, then its state in the state's colour and the
// commits recorded and checked out in the secondary colour.
class SubmoduleRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace tolvane
