// The confirmations and sheets of committing and rewriting history.
#include "state/confirmationActions.h"
#include "state/confirmationDialogs.h"

namespace tolvane {
namespace {

QString commitSummary(const std::optional<GitCommit>& commit) {
    return commit ? commit->shortHash + QStringLiteral(" (") + commit->message + QLatin1Char(')')
                  : QString();
}

bool blank(const QString& text) {
    return text.trimmed().isEmpty();
}

} // namespace

ConfirmationDialog popCommitDialog(RepositoryState& state) {
    return confirmOrCancel(
        QStringLiteral("Pop Commit?"),
        QStringLiteral("This will undo the last commit and move its changes back to the staging "
                       "area. The commit message will be restored."),
        QStringLiteral("Pop"), DialogButtonRole::Destructive, state,
        &RepositoryState::confirmPopCommit);
}

ConfirmationDialog revertCommitDialog(RepositoryState& state) {
    const auto& commit = state.commitToRevert();
    return confirmOrCancel(QStringLiteral("Revert Commit?"),
                           commit ? QStringLiteral("This will stage the inverse of the changes "
                                                   "from ") +
                                        commitSummary(commit) +
                                        QStringLiteral(". Review the changes before committing.")
                                  : QString(),
                           QStringLiteral("Revert"), DialogButtonRole::Destructive, state,
                           &RepositoryState::confirmRevertCommit);
}

ConfirmationDialog cherryPickCommitDialog(RepositoryState& state) {
    const auto& commit = state.commitToCherryPick();
    return confirmOrCancel(QStringLiteral("Cherry-pick Commit?"),
                           commit ? QStringLiteral("This will apply the changes from ") +
                                        commitSummary(commit) +
                                        QStringLiteral(" as a new commit on the current branch.")
                                  : QString(),
                           QStringLiteral("Cherry-pick"), DialogButtonRole::Normal, state,
                           &RepositoryState::confirmCherryPickCommit);
}

ConfirmationDialog undoResetDialog(RepositoryState& state) {
    return confirmOrCancel(
        QStringLiteral("Undo Last Reset?"),
        QStringLiteral("This will restore to the state before the reset, delete the '") +
            state.lastResetBranchName().value_or(QString()) +
            QStringLiteral("' branch, and force push."),
        QStringLiteral("Undo Reset"), DialogButtonRole::Destructive, state,
        &RepositoryState::undoLastReset);
}

ConfirmationDialog resetSheet(RepositoryState& state) {
    const auto& commit = state.commitToReset();
    return {QStringLiteral("Reset to ") + (commit ? commit->shortHash : QString()),
            QStringLiteral("Save the current HEAD to a branch, then reset to this commit and force "
                           "push."),
            {cancelButton(),
             {QStringLiteral("Reset"), DialogButtonRole::Destructive,
              callOperation(state, &RepositoryState::confirmReset), true,
              !blank(state.resetBranchName())}},
            {QStringLiteral("Branch name for saved commits")},
            QStringLiteral("This rewrites remote history and discards uncommitted changes. Only "
                           "use on branches you own."),
            {boundField(state, &RepositoryState::resetBranchName,
                        &RepositoryState::setResetBranchName)}};
}

ConfirmationDialog squashSheet(RepositoryState& state) {
    return {QStringLiteral("Squash ") + QString::number(state.selectedCommits().size()) +
                QStringLiteral(" Commits"),
            QStringLiteral("This will combine the selected commits into a single commit. This "
                           "rewrites history."),
            {cancelButton(),
             {QStringLiteral("Squash"), DialogButtonRole::Default,
              callOperation(state, &RepositoryState::confirmSquashCommits), true,
              !blank(state.squashMessage())}},
            {},
            QStringLiteral("Commit message:"),
            {boundField(state, &RepositoryState::squashMessage, &RepositoryState::setSquashMessage,
                        true)}};
}

} // namespace tolvane
