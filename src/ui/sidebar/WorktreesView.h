#pragma once

#include "engine/GitWorktree.h"

#include <QCoroTask>
#include <QWidget>

class QListView;
class QMenu;
class QStackedWidget;

namespace tolvane {

class AddWorktreeSheet;
class ConfirmationAlert;
class ConfirmationPresenter;
class RepositoryState;
class WorktreeListModel;

// The "Trees" sidebar page: the repository's worktrees or "No worktrees"; a click selects a
// worktree; "Add Worktree" opens the add sheet; the context menu reveals, copies the path or
// asks to remove a linked worktree.
class WorktreesView : public QWidget {
    Q_OBJECT
public:
    WorktreesView(RepositoryState* state, QWidget* parent);

    QMenu* contextMenu(const GitWorktree& worktree, QWidget* parent);
    // Adds the worktree the sheet describes; clears the sheet's fields once it exists.
    QCoro::Task<> submitAddSheet();

    QListView* list() const { return m_list; }
    AddWorktreeSheet* addSheet() const { return m_sheet; }
    ConfirmationAlert* openDialog() const;

private:
    void syncSheet();

    RepositoryState* m_state;
    WorktreeListModel* m_model;
    QStackedWidget* m_stack;
    QListView* m_list;
    AddWorktreeSheet* m_sheet;
    ConfirmationPresenter* m_confirmations = nullptr;
};

} // namespace tolvane
