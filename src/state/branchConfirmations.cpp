// The confirmations and the merge sheet of the branch and remote operations.
#include "state/confirmationActions.h"
#include "state/confirmationDialogs.h"

namespace tolvane {
namespace {

const QChar quote(u'"');

QString quoted(const QString& text) {
    return quote + text + quote;
}

// "Delete Local and Remote" and "Delete Local Only" when the branch tracks a remote branch,
// otherwise the one button `onlyLocal`; each runs `confirm`.
void addDeleteButtons(ConfirmationDialog& dialog, RepositoryState& state, const QString& onlyLocal,
                      StateOperation confirm) {
    if (!state.branchToDeleteHasRemote()) {
        dialog.buttons.append(
            {onlyLocal, DialogButtonRole::Destructive, callOperation(state, confirm)});
        return;
    }
    dialog.buttons.append(
        {QStringLiteral("Delete Local and Remote"), DialogButtonRole::Destructive,
         changeThenCall(
             state, [](RepositoryState& s) { s.setDeleteAlsoFromRemote(true); }, confirm)});
    dialog.buttons.append(
        {QStringLiteral("Delete Local Only"), DialogButtonRole::Normal,
         changeThenCall(
             state, [](RepositoryState& s) { s.setDeleteAlsoFromRemote(false); }, confirm)});
}

DialogButton forgetBranchToDelete(RepositoryState& state) {
    return cancelButton(
        changeThenCall(state, [](RepositoryState& s) { s.setBranchToDelete(std::nullopt); }));
}

} // namespace

ConfirmationDialog deleteBranchDialog(RepositoryState& state) {
    const QString name = state.branchToDelete() ? state.branchToDelete()->name : QString();
    // The remote branch is named: it is the one the branch tracks, wherever that is.
    const QString message = state.branchToDeleteHasRemote()
                                ? QStringLiteral("Branch ") + quoted(name) +
                                      QStringLiteral(" exists locally and on the remote as ") +
                                      quoted(state.branchToDeleteUpstreamName()) +
                                      QStringLiteral(". Delete just the local branch, or both?")
                                : QStringLiteral("Are you sure you want to delete branch ") +
                                      quoted(name) + QLatin1Char('?');
    ConfirmationDialog dialog{
        QStringLiteral("Delete Branch?"), message, {forgetBranchToDelete(state)}};
    addDeleteButtons(dialog, state, QStringLiteral("Delete"),
                     &RepositoryState::confirmDeleteBranch);
    return dialog;
}

ConfirmationDialog forceDeleteBranchDialog(RepositoryState& state) {
    const QString name = state.branchToDelete() ? state.branchToDelete()->name : QString();
    ConfirmationDialog dialog{
        QStringLiteral("Branch Not Fully Merged"),
        QStringLiteral("Branch ") + quoted(name) +
            QStringLiteral(" contains commits not present in the current "
                           "branch. Delete it anyway? This cannot be undone."),
        {forgetBranchToDelete(state)}};
    addDeleteButtons(dialog, state, QStringLiteral("Delete Anyway"),
                     &RepositoryState::confirmForceDeleteBranch);
    return dialog;
}

ConfirmationDialog deleteRemoteBranchDialog(RepositoryState& state) {
    return {QStringLiteral("Delete Remote Branch?"),
            QStringLiteral("The remote branch ") + quoted(state.remoteBranchDeleteDisplay()) +
                QStringLiteral(" will be permanently deleted from the remote repository. This "
                               "affects everyone who uses this repository."),
            {cancelButton(changeThenCall(
                 state, [](RepositoryState& s) { s.setRemoteBranchToDelete(std::nullopt); })),
             {QStringLiteral("Delete"), DialogButtonRole::Destructive,
              callOperation(state, &RepositoryState::confirmDeleteRemoteBranch)}}};
}

ConfirmationDialog publishBranchDialog(RepositoryState& state) {
    return confirmOrCancel(
        QStringLiteral("Publish Branch?"),
        QStringLiteral("The local branch ") + quoted(state.branchToPublish()) +
            QStringLiteral(" will be published to ") + state.publishRemoteDisplay() +
            QStringLiteral(" and become visible to everyone who clones this repository."),
        QStringLiteral("Publish"), DialogButtonRole::Normal, state,
        &RepositoryState::confirmPublishBranch);
}

ConfirmationDialog pullThenPushDialog(RepositoryState& state) {
    return confirmOrCancel(
        QStringLiteral("Push Rejected"),
        QStringLiteral("The remote branch has commits that are not in ") +
            quoted(state.currentBranch()) +
            QStringLiteral(". Merge them into your branch with a pull and push again?"),
        QStringLiteral("Pull, then Push"), DialogButtonRole::Normal, state,
        &RepositoryState::confirmPullThenPush);
}

ConfirmationDialog mergeSheet(RepositoryState& state) {
    const QString name = state.branchToMerge() ? state.branchToMerge()->name : QString();
    return {QStringLiteral("Merge '") + name + QStringLiteral("' into '") + state.currentBranch() +
                QLatin1Char('\''),
            QString(),
            {cancelButton(changeThenCall(state,
                                         [](RepositoryState& s) {
                                             s.setShowMergeSheet(false);
                                             s.setBranchToMerge(std::nullopt);
                                         })),
             {QStringLiteral("Merge"), DialogButtonRole::Default,
              callOperation(state, &RepositoryState::confirmMergeBranch), true}}};
}

bool mergeDeleteBranchEnabled(const RepositoryState& state) {
    return !state.mergeStageOnly() && !(state.branchToMerge() && state.branchToMerge()->isRemote);
}

bool mergeDeleteRemoteVisible(const RepositoryState& state) {
    return state.mergeBranchHasRemote() && state.mergeDeleteBranch();
}

} // namespace tolvane
