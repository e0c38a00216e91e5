#pragma once

#include <QHash>
#include <QPixmap>
#include <QSet>
#include <QStyledItemDelegate>

namespace tolvane {

// Paints the rows of the changes list: file rows with their status icon and path, highlighted in
// the status colour when selected; header, divider and show-more rows carry their own widgets.
class FileRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int fileRowHeight = 24;
    static constexpr int headerRowHeight = 30;
    static constexpr int dividerRowHeight = 9;
    static constexpr int showMoreRowHeight = 32;

    using QStyledItemDelegate::QStyledItemDelegate;

    void setSelectedIds(const QSet<QString>& ids) { m_selected = ids; }
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QSet<QString> m_selected;
    mutable QHash<QString, QPixmap> m_icons; // symbol + colour -> tinted icon
};

} // namespace tolvane
