#pragma once

#include <QStyledItemDelegate>

namespace tolvane {

// Paints the rows of the branches and tags lists: section headings in small secondary capitals,
// items as a 16-point symbol frame and the name. The symbol, its colour and the weight of the
// name come from the model's SidebarRoles.
class SidebarRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit SidebarRowDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace tolvane
