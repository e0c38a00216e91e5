// The stash sheet, the drop confirmation, deleting a save of discarded changes and the warning
// before amending a pushed commit.
#include "engine/gitText.h"
#include "state/confirmationActions.h"
#include "state/confirmationDialogs.h"

namespace tolvane {

ConfirmationDialog stashChangesSheet(RepositoryState& state) {
    return {QStringLiteral("Stash Changes"),
            QStringLiteral("Put the uncommitted changes aside and leave a clean working tree."),
            {cancelButton(),
             {QStringLiteral("Stash"), DialogButtonRole::Default,
              callOperation(state, &RepositoryState::confirmStashChanges), true}},
            {QStringLiteral("Message (optional)")},
            {},
            {boundField(state, &RepositoryState::stashMessage, &RepositoryState::setStashMessage)}};
}

ConfirmationDialog dropStashDialog(RepositoryState& state) {
    QString what;
    if (const auto& stash = state.stashToDrop())
        what = QStringLiteral(" \"") + displayText(stash->message) + QLatin1Char('"');
    return {QStringLiteral("Drop Stash?"),
            QStringLiteral("Are you sure you want to drop the stash") + what +
                QStringLiteral("? Its changes will be gone."),
            {cancelButton(
                 changeThenCall(state, [](RepositoryState& s) { s.setStashToDrop(std::nullopt); })),
             {QStringLiteral("Drop"), DialogButtonRole::Destructive,
              callOperation(state, &RepositoryState::confirmDropStash), true}}};
}

ConfirmationDialog deleteDiscardedDialog(RepositoryState& state) {
    QString what;
    if (const auto& change = state.discardedChangeToDelete())
        what = QStringLiteral(" \"") + displayText(change->description) + QLatin1Char('"');
    return {QStringLiteral("Delete Saved Changes?"),
            QStringLiteral("Are you sure you want to delete") + what +
                QStringLiteral("? The changes it holds can then no longer be restored."),
            {cancelButton(changeThenCall(
                 state, [](RepositoryState& s) { s.setDiscardedChangeToDelete(std::nullopt); })),
             {QStringLiteral("Delete"), DialogButtonRole::Destructive,
              callOperation(state, &RepositoryState::confirmDeleteDiscarded), true}}};
}

ConfirmationDialog amendPushedDialog(RepositoryState& state) {
    return confirmOrCancel(
        QStringLiteral("Amend a Pushed Commit?"),
        QStringLiteral("The last commit is already on a remote. Amending it rewrites a pushed "
                       "commit: the branch will then need a force push, and anyone who has "
                       "pulled it will have to reconcile their copy."),
        QStringLiteral("Amend"), DialogButtonRole::Destructive, state,
        &RepositoryState::confirmAmendPushed);
}

} // namespace tolvane
