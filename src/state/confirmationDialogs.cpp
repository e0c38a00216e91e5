#include "state/confirmationDialogs.h"

#include "state/RepositoryState.h"

#include <QPointer>

namespace tolvane {
namespace {

using Action = std::function<QCoro::Task<>()>;
using Operation = QCoro::Task<> (RepositoryState::*)();

const QChar quote(u'"');

QCoro::Task<> runNow(std::function<void()> work) {
    work();
    co_return;
}

// Starts `operation` on the state if it still exists.
Action call(RepositoryState& state, Operation operation) {
    QPointer<RepositoryState> target(&state);
    return [target, operation]() -> QCoro::Task<> {
        if (!target)
            return runNow([] {});
        return ((*target).*operation)();
    };
}

// Changes fields first, then optionally starts an operation.
Action setThen(RepositoryState& state, std::function<void(RepositoryState&)> change,
               Operation operation = nullptr) {
    QPointer<RepositoryState> target(&state);
    return [target, change, operation]() -> QCoro::Task<> {
        if (!target)
            return runNow([] {});
        change(*target);
        if (!operation)
            return runNow([] {});
        return ((*target).*operation)();
    };
}

DialogButton cancelButton(Action action = {}) {
    return DialogButton{QStringLiteral("Cancel"), DialogButtonRole::Cancel, std::move(action)};
}

QString commitSummary(const std::optional<GitCommit>& commit) {
    return commit ? commit->shortHash + QStringLiteral(" (") + commit->message + QLatin1Char(')')
                  : QString();
}

bool blank(const QString& text) {
    return text.trimmed().isEmpty();
}

} // namespace

ConfirmationDialog popCommitDialog(RepositoryState& state) {
    return {QStringLiteral("Pop Commit?"),
            QStringLiteral("This will undo the last commit and move its changes back to the "
                           "staging area. The commit message will be restored."),
            {cancelButton(),
             {QStringLiteral("Pop"), DialogButtonRole::Destructive,
              call(state, &RepositoryState::confirmPopCommit)}}};
}

ConfirmationDialog revertCommitDialog(RepositoryState& state) {
    const auto& commit = state.commitToRevert();
    return {QStringLiteral("Revert Commit?"),
            commit ? QStringLiteral("This will stage the inverse of the changes from ") +
                         commitSummary(commit) +
                         QStringLiteral(". Review the changes before committing.")
                   : QString(),
            {cancelButton(),
             {QStringLiteral("Revert"), DialogButtonRole::Destructive,
              call(state, &RepositoryState::confirmRevertCommit)}}};
}

ConfirmationDialog cherryPickCommitDialog(RepositoryState& state) {
    const auto& commit = state.commitToCherryPick();
    return {QStringLiteral("Cherry-pick Commit?"),
            commit ? QStringLiteral("This will apply the changes from ") + commitSummary(commit) +
                         QStringLiteral(" as a new commit on the current branch.")
                   : QString(),
            {cancelButton(),
             {QStringLiteral("Cherry-pick"), DialogButtonRole::Normal,
              call(state, &RepositoryState::confirmCherryPickCommit)}}};
}

ConfirmationDialog undoResetDialog(RepositoryState& state) {
    return {QStringLiteral("Undo Last Reset?"),
            QStringLiteral("This will restore to the state before the reset, delete the '") +
                state.lastResetBranchName().value_or(QString()) +
                QStringLiteral("' branch, and force push."),
            {cancelButton(),
             {QStringLiteral("Undo Reset"), DialogButtonRole::Destructive,
              call(state, &RepositoryState::undoLastReset)}}};
}

ConfirmationDialog resetSheet(RepositoryState& state) {
    const auto& commit = state.commitToReset();
    return {QStringLiteral("Reset to ") + (commit ? commit->shortHash : QString()),
            QStringLiteral("Save the current HEAD to a branch, then reset to this commit and force "
                           "push."),
            {cancelButton(),
             {QStringLiteral("Reset"), DialogButtonRole::Destructive,
              call(state, &RepositoryState::confirmReset), true, !blank(state.resetBranchName())}},
            {QStringLiteral("Branch name for saved commits")},
            QStringLiteral("This rewrites remote history and discards uncommitted changes. Only "
                           "use on branches you own.")};
}

ConfirmationDialog squashSheet(RepositoryState& state) {
    return {QStringLiteral("Squash ") + QString::number(state.selectedCommits().size()) +
                QStringLiteral(" Commits"),
            QStringLiteral("This will combine the selected commits into a single commit. This "
                           "rewrites history."),
            {cancelButton(),
             {QStringLiteral("Squash"), DialogButtonRole::Default,
              call(state, &RepositoryState::confirmSquashCommits), true,
              !blank(state.squashMessage())}},
            {},
            QStringLiteral("Commit message:")};
}

ConfirmationDialog deleteBranchDialog(RepositoryState& state) {
    const QString name = state.branchToDelete() ? state.branchToDelete()->name : QString();
    const bool hasRemote = state.branchToDeleteHasRemote();
    // The remote branch is named: it is the one the branch tracks, wherever that is.
    const QString message = hasRemote
                                ? QStringLiteral("Branch ") + quote + name + quote +
                                      QStringLiteral(" exists locally and on the remote as ") +
                                      quote + state.branchToDeleteUpstreamName() + quote +
                                      QStringLiteral(". Delete just the local branch, or both?")
                                : QStringLiteral("Are you sure you want to delete branch ") +
                                      quote + name + quote + QLatin1Char('?');
    ConfirmationDialog dialog{QStringLiteral("Delete Branch?"),
                              message,
                              {cancelButton(setThen(state, [](RepositoryState& s) {
                                  s.setBranchToDelete(std::nullopt);
                              }))}};
    if (hasRemote) {
        dialog.buttons.append(
            {QStringLiteral("Delete Local and Remote"), DialogButtonRole::Destructive,
             setThen(
                 state, [](RepositoryState& s) { s.setDeleteAlsoFromRemote(true); },
                 &RepositoryState::confirmDeleteBranch)});
        dialog.buttons.append(
            {QStringLiteral("Delete Local Only"), DialogButtonRole::Normal,
             setThen(
                 state, [](RepositoryState& s) { s.setDeleteAlsoFromRemote(false); },
                 &RepositoryState::confirmDeleteBranch)});
    } else {
        dialog.buttons.append({QStringLiteral("Delete"), DialogButtonRole::Destructive,
                               call(state, &RepositoryState::confirmDeleteBranch)});
    }
    return dialog;
}

ConfirmationDialog forceDeleteBranchDialog(RepositoryState& state) {
    const QString name = state.branchToDelete() ? state.branchToDelete()->name : QString();
    ConfirmationDialog dialog{
        QStringLiteral("Branch Not Fully Merged"),
        QStringLiteral("Branch ") + quote + name + quote +
            QStringLiteral(" contains commits not present in the current branch. Delete it "
                           "anyway? This cannot be undone."),
        {cancelButton(
            setThen(state, [](RepositoryState& s) { s.setBranchToDelete(std::nullopt); }))}};
    if (state.branchToDeleteHasRemote()) {
        dialog.buttons.append(
            {QStringLiteral("Delete Local and Remote"), DialogButtonRole::Destructive,
             setThen(
                 state, [](RepositoryState& s) { s.setDeleteAlsoFromRemote(true); },
                 &RepositoryState::confirmForceDeleteBranch)});
        dialog.buttons.append(
            {QStringLiteral("Delete Local Only"), DialogButtonRole::Normal,
             setThen(
                 state, [](RepositoryState& s) { s.setDeleteAlsoFromRemote(false); },
                 &RepositoryState::confirmForceDeleteBranch)});
    } else {
        dialog.buttons.append({QStringLiteral("Delete Anyway"), DialogButtonRole::Destructive,
                               call(state, &RepositoryState::confirmForceDeleteBranch)});
    }
    return dialog;
}

ConfirmationDialog deleteRemoteBranchDialog(RepositoryState& state) {
    return {QStringLiteral("Delete Remote Branch?"),
            QStringLiteral("The remote branch ") + quote + state.remoteBranchDeleteDisplay() +
                quote +
                QStringLiteral(" will be permanently deleted from the remote repository. This "
                               "affects everyone who uses this repository."),
            {cancelButton(setThen(
                 state, [](RepositoryState& s) { s.setRemoteBranchToDelete(std::nullopt); })),
             {QStringLiteral("Delete"), DialogButtonRole::Destructive,
              call(state, &RepositoryState::confirmDeleteRemoteBranch)}}};
}

ConfirmationDialog publishBranchDialog(RepositoryState& state) {
    return {QStringLiteral("Publish Branch?"),
            QStringLiteral("The local branch ") + quote + state.branchToPublish() + quote +
                QStringLiteral(" will be published to ") + state.publishRemoteDisplay() +
                QStringLiteral(" and become visible to everyone who clones this repository."),
            {cancelButton(),
             {QStringLiteral("Publish"), DialogButtonRole::Normal,
              call(state, &RepositoryState::confirmPublishBranch)}}};
}

ConfirmationDialog pullThenPushDialog(RepositoryState& state) {
    return {QStringLiteral("Push Rejected"),
            QStringLiteral("The remote branch has commits that are not in ") + quote +
                state.currentBranch() + quote +
                QStringLiteral(". Merge them into your branch with a pull and push again?"),
            {cancelButton(),
             {QStringLiteral("Pull, then Push"), DialogButtonRole::Normal,
              call(state, &RepositoryState::confirmPullThenPush)}}};
}

ConfirmationDialog mergeSheet(RepositoryState& state) {
    const QString name = state.branchToMerge() ? state.branchToMerge()->name : QString();
    return {QStringLiteral("Merge '") + name + QStringLiteral("' into '") + state.currentBranch() +
                QLatin1Char('\''),
            QString(),
            {cancelButton(setThen(state,
                                  [](RepositoryState& s) {
                                      s.setShowMergeSheet(false);
                                      s.setBranchToMerge(std::nullopt);
                                  })),
             {QStringLiteral("Merge"), DialogButtonRole::Default,
              call(state, &RepositoryState::confirmMergeBranch), true}}};
}

bool mergeDeleteBranchEnabled(const RepositoryState& state) {
    return !state.mergeStageOnly() && !(state.branchToMerge() && state.branchToMerge()->isRemote);
}

bool mergeDeleteRemoteVisible(const RepositoryState& state) {
    return state.mergeBranchHasRemote() && state.mergeDeleteBranch();
}

ConfirmationDialog tagCommitSheet(RepositoryState& state) {
    QString caption;
    for (const GitCommit& commit : state.commits()) {
        if (commit.id == state.tagCommitHash()) {
            caption = commit.shortHash + QStringLiteral(" – ") + commit.message;
            break;
        }
    }
    return {
        QStringLiteral("Tag Commit"),
        caption,
        {cancelButton(),
         {QStringLiteral("Create Tag"), DialogButtonRole::Default,
          call(state, &RepositoryState::confirmTagCommit), true, !state.tagCommitName().isEmpty()}},
        {QStringLiteral("Tag name (e.g. v1.31.0)"), QStringLiteral("Message (optional)")}};
}

ConfirmationDialog deleteTagDialog(RepositoryState& state) {
    return {QStringLiteral("Delete Tag?"),
            QStringLiteral("Are you sure you want to delete tag ") + quote + state.tagToDelete() +
                quote + QLatin1Char('?'),
            {cancelButton(),
             {QStringLiteral("Delete"), DialogButtonRole::Destructive,
              call(state, &RepositoryState::confirmDeleteTag)}}};
}

ConfirmationDialog removeWorktreeDialog(RepositoryState& state) {
    const QString path = state.worktreeToRemove() ? state.worktreeToRemove()->path : QString();
    return {QStringLiteral("Remove Worktree?"),
            QStringLiteral("Are you sure you want to remove the worktree at ") + quote +
                path.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty) + quote +
                QLatin1Char('?'),
            {cancelButton(),
             {QStringLiteral("Remove"), DialogButtonRole::Destructive,
              call(state, &RepositoryState::confirmRemoveWorktree)}}};
}

} // namespace tolvane
