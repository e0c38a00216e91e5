// The confirmations of an operation stopped on conflicts: abandoning it, and staging or
// committing files that still hold conflict markers.
#include "state/confirmationActions.h"
#include "state/confirmationDialogs.h"

#include "engine/gitText.h"

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

ConfirmationDialog markResolvedWithMarkersDialog(RepositoryState& state) {
    return confirmOrCancel(QStringLiteral("Mark Resolved?"),
                           displayText(state.conflictToMarkResolved()) +
                               QStringLiteral(" still contains conflict markers. Mark it resolved "
                                              "anyway?"),
                           QStringLiteral("Mark Resolved"), DialogButtonRole::Destructive, state,
                           &RepositoryState::confirmMarkConflictResolved);
}

ConfirmationDialog continueWithMarkersDialog(RepositoryState& state) {
    const QStringList& files = state.filesWithConflictMarkers();
    const bool merge = state.operation().kind == OperationKind::Merge;
    const QString action = state.continueOperationLabel();
    QString message;
    if (files.size() == 1) {
        message = displayText(files.first()) + QStringLiteral(" still contains conflict markers.");
    } else {
        // A long list names the first few; the count says how many there are.
        QStringList named;
        for (qsizetype i = 0; i < files.size() && i < 5; ++i)
            named.append(displayText(files[i]));
        if (files.size() > 5)
            named.append(QStringLiteral("…"));
        message = QString::number(files.size()) +
                  QStringLiteral(" files still contain conflict markers: ") +
                  named.join(QStringLiteral(", ")) + QLatin1Char('.');
    }
    message +=
        merge ? QStringLiteral(" Commit the merge anyway?") : QStringLiteral(" Continue anyway?");
    return confirmOrCancel(action + QLatin1Char('?'), message, action,
                           DialogButtonRole::Destructive, state,
                           &RepositoryState::confirmContinueOperation);
}

} // namespace tolvane
