#include "ui/sidebar/WorktreeListModel.h"

#include "engine/pathNames.h"

#include <QDir>

namespace tolvane {

WorktreeListModel::WorktreeListModel(QObject* parent) : QAbstractListModel(parent) {}

void WorktreeListModel::setWorktrees(const QList<GitWorktree>& worktrees,
                                     const std::optional<GitWorktree>& selected) {
    beginResetModel();
    m_worktrees = worktrees;
    m_selected = selected;
    endResetModel();
}

std::optional<GitWorktree> WorktreeListModel::worktreeAt(int row) const {
    if (row < 0 || row >= m_worktrees.size())
        return std::nullopt;
    return m_worktrees.at(row);
}

int WorktreeListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_worktrees.size());
}

QVariant WorktreeListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_worktrees.size())
        return {};
    const GitWorktree& worktree = m_worktrees.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case FolderNameRole:
        return lastPathComponent(QDir::cleanPath(worktree.path));
    case Qt::ToolTipRole:
    case PathRole:
        return worktree.path;
    case BranchRole:
        return worktree.branch;
    case IsDetachedRole:
        return worktree.isDetached || worktree.branch.isEmpty();
    case IsMainRole:
        return worktree.isMain;
    case IsSelectedRole:
        return m_selected ? m_selected->path == worktree.path : worktree.isMain;
    default:
        return {};
    }
}

} // namespace tolvane
