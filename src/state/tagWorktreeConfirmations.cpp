// The tag sheet and the tag and worktree confirmations.
#include "engine/pathNames.h"
#include "state/confirmationActions.h"
#include "state/confirmationDialogs.h"

namespace tolvane {

ConfirmationDialog tagCommitSheet(RepositoryState& state) {
    QString caption;
    for (const GitCommit& commit : state.commits()) {
        if (commit.id == state.tagCommitHash()) {
            caption = commit.shortHash + QStringLiteral(" – ") + commit.message;
            break;
        }
    }
    return {QStringLiteral("Tag Commit"),
            caption,
            {cancelButton(),
             {QStringLiteral("Create Tag"), DialogButtonRole::Default,
              callOperation(state, &RepositoryState::confirmTagCommit), true,
              !state.tagCommitName().isEmpty()}},
            {QStringLiteral("Tag name (e.g. v1.31.0)"), QStringLiteral("Message (optional)")},
            {},
            {boundField(state, &RepositoryState::tagCommitName, &RepositoryState::setTagCommitName),
             boundField(state, &RepositoryState::tagCommitMessage,
                        &RepositoryState::setTagCommitMessage)}};
}

ConfirmationDialog deleteTagDialog(RepositoryState& state) {
    return confirmOrCancel(QStringLiteral("Delete Tag?"),
                           QStringLiteral("Are you sure you want to delete tag \"") +
                               state.tagToDelete() + QStringLiteral("\"?"),
                           QStringLiteral("Delete"), DialogButtonRole::Destructive, state,
                           &RepositoryState::confirmDeleteTag);
}

ConfirmationDialog removeWorktreeDialog(RepositoryState& state) {
    const QString path = state.worktreeToRemove() ? state.worktreeToRemove()->path : QString();
    return confirmOrCancel(QStringLiteral("Remove Worktree?"),
                           QStringLiteral("Are you sure you want to remove the worktree at \"") +
                               lastPathComponent(path) + QStringLiteral("\"?"),
                           QStringLiteral("Remove"), DialogButtonRole::Destructive, state,
                           &RepositoryState::confirmRemoveWorktree);
}

} // namespace tolvane
