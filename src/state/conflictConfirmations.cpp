// The confirmation of abandoning an operation stopped on conflicts.
#include "state/confirmationActions.h"
#include "state/confirmationDialogs.h"

namespace tolvane {

ConfirmationDialog abortOperationDialog(RepositoryState& state) {
    QString what;
    switch (state.operation().kind) {
    case OperationKind::Merge:
        what = QStringLiteral("Merge");
        break;
    case OperationKind::CherryPick:
        what = QStringLiteral("Cherry-pick");
        break;
    case OperationKind::Revert:
        what = QStringLiteral("Revert");
        break;
    case OperationKind::Rebase:
        what = QStringLiteral("Rebase");
        break;
    case OperationKind::Am:
        what = QStringLiteral("Patch Series");
        break;
    case OperationKind::None:
        break;
    }
    return confirmOrCancel(
        QStringLiteral("Abort ") + what + QLatin1Char('?'),
        state.operationTitle() +
            QStringLiteral(" will be abandoned: the branch and the working tree go back to where "
                           "they were before it started, and every conflict resolved so far is "
                           "lost."),
        QStringLiteral("Abort"), DialogButtonRole::Destructive, state,
        &RepositoryState::confirmAbortOperation);
}

} // namespace tolvane
