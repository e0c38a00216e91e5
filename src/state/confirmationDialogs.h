#pragma once

#include "state/ConfirmationDialog.h"

namespace tolvane {

class RepositoryState;

// The texts and buttons of the confirmations and sheets of the history, branch, tag and worktree
// operations, filled from the state's current subjects. Button actions keep only a guarded
// pointer to the state: pressing a button after the tab closed does nothing.

ConfirmationDialog popCommitDialog(RepositoryState& state);
ConfirmationDialog revertCommitDialog(RepositoryState& state);
ConfirmationDialog cherryPickCommitDialog(RepositoryState& state);
ConfirmationDialog undoResetDialog(RepositoryState& state);
ConfirmationDialog resetSheet(RepositoryState& state);
ConfirmationDialog squashSheet(RepositoryState& state);

ConfirmationDialog deleteBranchDialog(RepositoryState& state);
ConfirmationDialog forceDeleteBranchDialog(RepositoryState& state);
ConfirmationDialog deleteRemoteBranchDialog(RepositoryState& state);
ConfirmationDialog publishBranchDialog(RepositoryState& state);
ConfirmationDialog pullThenPushDialog(RepositoryState& state);
// The merge sheet's headline and buttons; its mode picker and check boxes bind to the state's
// merge options directly.
ConfirmationDialog mergeSheet(RepositoryState& state);
// Whether "Remove branch after merge" can be ticked, and whether "Also delete from remote" is
// shown.
bool mergeDeleteBranchEnabled(const RepositoryState& state);
bool mergeDeleteRemoteVisible(const RepositoryState& state);

ConfirmationDialog tagCommitSheet(RepositoryState& state);
ConfirmationDialog deleteTagDialog(RepositoryState& state);
ConfirmationDialog removeWorktreeDialog(RepositoryState& state);

} // namespace tolvane
