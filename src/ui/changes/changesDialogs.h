#pragma once

#include "state/ConfirmationDialog.h"

namespace tolvane {

class RepositoryState;

// The confirmations the changes list owns, filled from the state's current subjects.
ConfirmationDialog discardChangesDialog(RepositoryState& state);
ConfirmationDialog discardAllDialog(RepositoryState& state);
ConfirmationDialog discardHunkDialog(RepositoryState& state);
ConfirmationDialog deleteFileDialog(RepositoryState& state);

} // namespace tolvane
