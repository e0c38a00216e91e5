// The confirmations of renaming a branch, checking out a commit and deleting a tag on the remote.
#include "state/confirmationActions.h"
#include "state/confirmationDialogs.h"

namespace tolvane {
namespace {

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

ConfirmationDialog renameBranchDialog(RepositoryState& state) {
    const QString name = state.branchToRename() ? state.branchToRename()->name : QString();
    const QString newName = state.renameBranchNewName();
    const auto rename = [&state](bool alsoRemote) {
        return changeThenCall(
            state, [alsoRemote](RepositoryState& s) { s.setRenameAlsoOnRemote(alsoRemote); },
            &RepositoryState::confirmRenameBranch);
    };
    return {
        QStringLiteral("Rename Branch?"),
        QStringLiteral("Branch ") + quoted(name) + QStringLiteral(" tracks ") +
            quoted(state.branchToRenameUpstreamName()) + QStringLiteral(". Rename it to ") +
            quoted(newName) +
            QStringLiteral(" here only, or on the remote too? Renaming on the remote pushes "
                           "the new name and deletes the old one there, which affects "
                           "everyone who uses it."),
        {cancelButton(
             changeThenCall(state, [](RepositoryState& s) { s.setBranchToRename(std::nullopt); })),
         {QStringLiteral("Rename Local and Remote"), DialogButtonRole::Destructive, rename(true)},
         {QStringLiteral("Rename Local Only"), DialogButtonRole::Default, rename(false), true}}};
}

ConfirmationDialog checkoutCommitDialog(RepositoryState& state) {
    const std::optional<GitCommit>& commit = state.commitToCheckout();
    const QString shortHash = commit ? commit->shortHash : QString();
    return {QStringLiteral("Check Out Commit?"),
            QStringLiteral("Commit ") + shortHash +
                QStringLiteral(" will be checked out without a branch (detached HEAD). Commits "
                               "made there belong to no branch until you create one."),
            {cancelButton(changeThenCall(
                 state, [](RepositoryState& s) { s.setCommitToCheckout(std::nullopt); })),
             {QStringLiteral("Check Out"), DialogButtonRole::Default,
              callOperation(state, &RepositoryState::confirmCheckoutCommit), true}}};
}

ConfirmationDialog deleteRemoteTagDialog(RepositoryState& state) {
    return {QStringLiteral("Delete Tag from Remote?"),
            QStringLiteral("The tag ") + quoted(state.remoteTagToDelete()) +
                QStringLiteral(" will be deleted from the remote repository. This affects "
                               "everyone who uses this repository; the local tag stays."),
            {cancelButton(changeThenCall(
                 state, [](RepositoryState& s) { s.setRemoteTagToDelete(QString()); })),
             {QStringLiteral("Delete"), DialogButtonRole::Destructive,
              callOperation(state, &RepositoryState::confirmDeleteRemoteTag)}}};
}

} // namespace tolvane
