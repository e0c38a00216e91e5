#pragma once

#include "state/ConfirmationDialog.h"
#include "state/RepositoryState.h"

namespace tolvane {

// The texts, buttons and fields of every confirmation and sheet, filled from the state's current
// subjects; each operation group keeps its own in a source file of its own. Button actions and
// fields keep only a guarded pointer to the state: pressing a button after the tab closed does
// nothing.

// Working tree (workingTreeConfirmations.cpp).
ConfirmationDialog discardChangesDialog(RepositoryState& state);
ConfirmationDialog discardAllDialog(RepositoryState& state);
ConfirmationDialog discardHunkDialog(RepositoryState& state);
ConfirmationDialog deleteFileDialog(RepositoryState& state);

// Committing and rewriting history (historyConfirmations.cpp). The reset sheet's one field is
// the name of the branch that keeps the current HEAD, the squash sheet's the new message.
ConfirmationDialog popCommitDialog(RepositoryState& state);
ConfirmationDialog revertCommitDialog(RepositoryState& state);
ConfirmationDialog cherryPickCommitDialog(RepositoryState& state);
ConfirmationDialog undoResetDialog(RepositoryState& state);
ConfirmationDialog resetSheet(RepositoryState& state);
ConfirmationDialog squashSheet(RepositoryState& state);

// Branches and remotes (branchConfirmations.cpp). The merge sheet's mode picker and check boxes
// bind to the state's merge options directly: "Remove branch after merge" can be ticked when
// mergeDeleteBranchEnabled, "Also delete from remote" is shown when mergeDeleteRemoteVisible.
ConfirmationDialog deleteBranchDialog(RepositoryState& state);
ConfirmationDialog forceDeleteBranchDialog(RepositoryState& state);
ConfirmationDialog deleteRemoteBranchDialog(RepositoryState& state);
ConfirmationDialog publishBranchDialog(RepositoryState& state);
ConfirmationDialog pullThenPushDialog(RepositoryState& state);
ConfirmationDialog mergeSheet(RepositoryState& state);
bool mergeDeleteBranchEnabled(const RepositoryState& state);
bool mergeDeleteRemoteVisible(const RepositoryState& state);

// Tags and worktrees (tagWorktreeConfirmations.cpp). The tag sheet's fields are the tag's name
// and its optional message.
ConfirmationDialog tagCommitSheet(RepositoryState& state);
ConfirmationDialog deleteTagDialog(RepositoryState& state);
ConfirmationDialog removeWorktreeDialog(RepositoryState& state);

// Renaming a branch, checking out a commit, deleting a tag on the remote
// (refConfirmations.cpp).
ConfirmationDialog renameBranchDialog(RepositoryState& state);
ConfirmationDialog checkoutCommitDialog(RepositoryState& state);
ConfirmationDialog deleteRemoteTagDialog(RepositoryState& state);

// Stashes and amending (stashConfirmations.cpp). The stash sheet's field is the stash's
// message; its check boxes bind to stashIncludeUntracked and stashKeepIndex directly.
ConfirmationDialog stashChangesSheet(RepositoryState& state);
ConfirmationDialog dropStashDialog(RepositoryState& state);
ConfirmationDialog deleteDiscardedDialog(RepositoryState& state);
ConfirmationDialog amendPushedDialog(RepositoryState& state);

// Operations stopped on conflicts (conflictConfirmations.cpp).
ConfirmationDialog abortOperationDialog(RepositoryState& state);
ConfirmationDialog markResolvedWithMarkersDialog(RepositoryState& state);
ConfirmationDialog continueWithMarkersDialog(RepositoryState& state);

// Each confirmation with the `show...` flag that opens it; `Flag` is the flag's name as it
// follows "set" in its setter.
#define TOLVANE_CONFIRMATION(name, flag, Flag, describe)                                           \
    inline const Confirmation name{&RepositoryState::flag, &RepositoryState::set##Flag,            \
                                   &RepositoryState::flag##Changed, &describe};

TOLVANE_CONFIRMATION(discardChangesConfirmation, showDiscardConfirmation, ShowDiscardConfirmation,
                     discardChangesDialog)
TOLVANE_CONFIRMATION(discardAllConfirmation, showDiscardAllConfirmation, ShowDiscardAllConfirmation,
                     discardAllDialog)
TOLVANE_CONFIRMATION(discardHunkConfirmation, showDiscardHunkConfirmation,
                     ShowDiscardHunkConfirmation, discardHunkDialog)
TOLVANE_CONFIRMATION(deleteFileConfirmation, showDeleteConfirmation, ShowDeleteConfirmation,
                     deleteFileDialog)
TOLVANE_CONFIRMATION(popCommitConfirmation, showPopCommitConfirmation, ShowPopCommitConfirmation,
                     popCommitDialog)
TOLVANE_CONFIRMATION(revertCommitConfirmation, showRevertConfirmation, ShowRevertConfirmation,
                     revertCommitDialog)
TOLVANE_CONFIRMATION(cherryPickCommitConfirmation, showCherryPickConfirmation,
                     ShowCherryPickConfirmation, cherryPickCommitDialog)
TOLVANE_CONFIRMATION(undoResetConfirmation, showUndoResetConfirmation, ShowUndoResetConfirmation,
                     undoResetDialog)
TOLVANE_CONFIRMATION(resetConfirmation, showResetSheet, ShowResetSheet, resetSheet)
TOLVANE_CONFIRMATION(squashConfirmation, showSquashConfirmation, ShowSquashConfirmation,
                     squashSheet)
TOLVANE_CONFIRMATION(deleteBranchConfirmation, showDeleteBranchConfirmation,
                     ShowDeleteBranchConfirmation, deleteBranchDialog)
TOLVANE_CONFIRMATION(forceDeleteBranchConfirmation, showForceDeleteBranchConfirmation,
                     ShowForceDeleteBranchConfirmation, forceDeleteBranchDialog)
TOLVANE_CONFIRMATION(deleteRemoteBranchConfirmation, showDeleteRemoteBranchConfirmation,
                     ShowDeleteRemoteBranchConfirmation, deleteRemoteBranchDialog)
TOLVANE_CONFIRMATION(publishBranchConfirmation, showPublishBranchConfirmation,
                     ShowPublishBranchConfirmation, publishBranchDialog)
TOLVANE_CONFIRMATION(pullThenPushConfirmation, showPullThenPushConfirmation,
                     ShowPullThenPushConfirmation, pullThenPushDialog)
TOLVANE_CONFIRMATION(mergeConfirmation, showMergeSheet, ShowMergeSheet, mergeSheet)
TOLVANE_CONFIRMATION(tagCommitConfirmation, showTagCommitSheet, ShowTagCommitSheet, tagCommitSheet)
TOLVANE_CONFIRMATION(deleteTagConfirmation, showDeleteTagConfirmation, ShowDeleteTagConfirmation,
                     deleteTagDialog)
TOLVANE_CONFIRMATION(removeWorktreeConfirmation, showRemoveWorktreeConfirmation,
                     ShowRemoveWorktreeConfirmation, removeWorktreeDialog)

TOLVANE_CONFIRMATION(renameBranchConfirmation, showRenameBranchConfirmation,
                     ShowRenameBranchConfirmation, renameBranchDialog)
TOLVANE_CONFIRMATION(checkoutCommitConfirmation, showCheckoutCommitConfirmation,
                     ShowCheckoutCommitConfirmation, checkoutCommitDialog)
TOLVANE_CONFIRMATION(deleteRemoteTagConfirmation, showDeleteRemoteTagConfirmation,
                     ShowDeleteRemoteTagConfirmation, deleteRemoteTagDialog)

TOLVANE_CONFIRMATION(stashChangesConfirmation, showStashSheet, ShowStashSheet, stashChangesSheet)
TOLVANE_CONFIRMATION(dropStashConfirmation, showDropStashConfirmation, ShowDropStashConfirmation,
                     dropStashDialog)
TOLVANE_CONFIRMATION(deleteDiscardedConfirmation, showDeleteDiscardedConfirmation,
                     ShowDeleteDiscardedConfirmation, deleteDiscardedDialog)
TOLVANE_CONFIRMATION(amendPushedConfirmation, showAmendPushedConfirmation,
                     ShowAmendPushedConfirmation, amendPushedDialog)

TOLVANE_CONFIRMATION(abortOperationConfirmation, showAbortOperationConfirmation,
                     ShowAbortOperationConfirmation, abortOperationDialog)
TOLVANE_CONFIRMATION(markResolvedWithMarkersConfirmation, showMarkResolvedConfirmation,
                     ShowMarkResolvedConfirmation, markResolvedWithMarkersDialog)
TOLVANE_CONFIRMATION(continueWithMarkersConfirmation, showContinueWithMarkersConfirmation,
                     ShowContinueWithMarkersConfirmation, continueWithMarkersDialog)

#undef TOLVANE_CONFIRMATION

} // namespace tolvane
