#pragma once

#include <QColor>
#include <QPalette>
#include <QStyledItemDelegate>

namespace tolvane {

// A changed-file row of a commit: the status letter in its colour, then the path.
class CommitFileDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 20;
    using QStyledItemDelegate::QStyledItemDelegate;

    static QColor letterColor(const QString& status, const QPalette& palette);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace tolvane
