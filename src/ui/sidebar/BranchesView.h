#pragma once

#include "engine/GitBranch.h"
#include "ui/common/namePrompts.h"

#include <QWidget>

class QListView;
class QMenu;
class QPushButton;

namespace tolvane {

class BranchListModel;
class ConfirmationAlert;
class ConfirmationPresenter;
class RepositoryState;

// The "Branches" sidebar page: local and remote-tracking branches with their context menus, the
// "New Branch" button and dialog, and the branch confirmations and merge sheet.
class BranchesView : public QWidget {
    Q_OBJECT
public:
    BranchesView(RepositoryState* state, QWidget* parent);

    // Tests answer the name dialog and the warning without showing them.
    void setNewBranchPrompt(BranchNamePrompt prompt) { m_prompt = std::move(prompt); }
    void setWarningAlert(WarningAlert alert) { m_warning = std::move(alert); }
    void setRenamePrompt(BranchNamePrompt prompt) { m_renamePrompt = std::move(prompt); }

    // Asks for the branch's new name (an invalid one is refused with a warning and asked again)
    // and hands it to the state, which asks about the remote branch when there is one.
    void showRenameDialog(const GitBranch& branch);

    // The new-branch dialog loop: ask, reject an invalid name with a warning and ask again with
    // the typed text, create the branch from a valid one.
    void showNewBranchDialog();

    // The context menu of a branch row, parented to `parent`.
    QMenu* contextMenu(const GitBranch& branch, QWidget* parent);

    QListView* list() const { return m_list; }
    BranchListModel* model() const { return m_model; }
    // The confirmation or sheet open now, if any.
    ConfirmationAlert* openDialog() const;

private:
    void decorateMergeSheet(ConfirmationAlert* sheet);

    RepositoryState* m_state;
    BranchListModel* m_model;
    QListView* m_list;
    QPushButton* m_newBranch;
    ConfirmationPresenter* m_confirmations = nullptr;
    BranchNamePrompt m_prompt;
    BranchNamePrompt m_renamePrompt;
    WarningAlert m_warning;
};

} // namespace tolvane
