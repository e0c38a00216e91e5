// The confirmations of the working-tree operations: discarding files or hunks, moving files to
// the Trash.
#include "engine/gitText.h"
#include "engine/pathNames.h"
#include "state/confirmationActions.h"
#include "state/confirmationDialogs.h"
#include "state/listedChanges.h"

namespace tolvane {
namespace {

// The file's own name as people read it.
QString shownName(const FileChange& file) {
    return displayText(lastPathComponent(file.path));
}

QString count(qsizetype number) {
    return QString::number(number);
}

} // namespace

ConfirmationDialog discardChangesDialog(RepositoryState& state) {
    const qsizetype files = state.filesToDiscard().size();
    QString title = QStringLiteral("Discard Changes?");
    QString message;
    if (files < 2) {
        if (const auto& file = state.fileToDiscard())
            message =
                QStringLiteral("Are you sure you want to discard changes to \"") +
                shownName(*file) +
                QStringLiteral("\"? Discarded changes can be restored from the Stashes page.");
    } else {
        title = QStringLiteral("Discard ") + count(files) + QStringLiteral(" Files?");
        message =
            QStringLiteral("Are you sure you want to discard changes to ") + count(files) +
            QStringLiteral(" files? Discarded changes can be restored from the Stashes page.");
    }
    return confirmOrCancel(title, message, QStringLiteral("Discard"), DialogButtonRole::Destructive,
                           state, &RepositoryState::confirmDiscardChanges);
}

ConfirmationDialog discardAllDialog(RepositoryState& state) {
    const qsizetype hidden = state.hiddenUnstagedCount();
    const QString hiddenNote = hidden == 0   ? QString()
                               : hidden == 1 ? QStringLiteral(" The hidden file is left as it is.")
                                             : QStringLiteral(" The ") + hiddenFilesText(hidden) +
                                                   QStringLiteral(" are left as they are.");
    return confirmOrCancel(
        QStringLiteral("Discard All Changes?"),
        QStringLiteral("Are you sure you want to discard all unstaged changes?") + hiddenNote +
            QStringLiteral(" Discarded changes can be restored from the Stashes page."),
        QStringLiteral("Discard All"), DialogButtonRole::Destructive, state,
        &RepositoryState::confirmDiscardAllChanges);
}

ConfirmationDialog discardHunkDialog(RepositoryState& state) {
    const qsizetype hunks = state.hunksToDiscard().size();
    const QString what = hunks == 1
                             ? QStringLiteral("this hunk")
                             : QStringLiteral("these ") + count(hunks) + QStringLiteral(" hunks");
    return confirmOrCancel(
        QStringLiteral("Discard Hunk?"),
        QStringLiteral("Are you sure you want to discard ") + what +
            QStringLiteral("? Discarded changes can be restored from the Stashes page."),
        QStringLiteral("Discard"), DialogButtonRole::Destructive, state,
        &RepositoryState::confirmDiscardHunks);
}

ConfirmationDialog deleteFileDialog(RepositoryState& state) {
    const qsizetype files = state.filesToDelete().size();
    QString title = QStringLiteral("Delete File?");
    QString message;
    if (files < 2) {
        if (const auto& file = state.fileToDelete())
            message =
                QStringLiteral("Move \"") + shownName(*file) + QStringLiteral("\" to the Trash?");
    } else {
        title = QStringLiteral("Delete ") + count(files) + QStringLiteral(" Files?");
        message = QStringLiteral("Move ") + count(files) + QStringLiteral(" files to the Trash?");
    }
    return confirmOrCancel(title, message, QStringLiteral("Delete"), DialogButtonRole::Destructive,
                           state, &RepositoryState::confirmDeleteFile);
}

} // namespace tolvane
