#pragma once

#include <QHash>
#include <QPixmap>
#include <QSet>
#include <QStyledItemDelegate>

namespace tolvane {

// Paints the rows of the changes lists: file rows with their status icon and path, highlighted in
// the status colour when selected; the show-more row carries its own widget.
class FileRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int fileRowHeight = 24;
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
