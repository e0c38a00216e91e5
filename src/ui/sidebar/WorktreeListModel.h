#pragma once

#include "engine/GitWorktree.h"

#include <QAbstractListModel>
#include <QList>
#include <optional>

namespace tolvane {

// The repository's worktrees in the state's order, and which one is selected.
class WorktreeListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        FolderNameRole = Qt::UserRole + 1,
        BranchRole,     // the branch name, empty when detached
        IsDetachedRole, // no branch checked out
        IsMainRole,
        IsSelectedRole,
        PathRole,
    };

    explicit WorktreeListModel(QObject* parent = nullptr);

    // No selection means the repository's own (main) worktree is the active one.
    void setWorktrees(const QList<GitWorktree>& worktrees,
                      const std::optional<GitWorktree>& selected);
    std::optional<GitWorktree> worktreeAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<GitWorktree> m_worktrees;
    std::optional<GitWorktree> m_selected;
};

} // namespace tolvane
