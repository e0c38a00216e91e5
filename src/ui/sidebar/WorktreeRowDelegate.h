#pragma once

#include <QStyledItemDelegate>

namespace tolvane {

// Paints a worktree row: folder symbol, folder name, a checkmark on the selected worktree, and
// under the name "detached" or the branch symbol with the branch name.
class WorktreeRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit WorktreeRowDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace tolvane
