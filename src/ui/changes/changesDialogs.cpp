#include "ui/changes/changesDialogs.h"

#include "engine/gitText.h"
#include "state/RepositoryState.h"

#include <QFileInfo>
#include <QPointer>

namespace tolvane {
namespace {

using Operation = QCoro::Task<> (RepositoryState::*)();

std::function<QCoro::Task<>()> call(RepositoryState& state, Operation operation) {
    QPointer<RepositoryState> target(&state);
    return [target, operation]() -> QCoro::Task<> {
        if (!target)
            co_return;
        co_await ((*target).*operation)();
    };
}

DialogButton cancel() {
    return DialogButton{QStringLiteral("Cancel"), DialogButtonRole::Cancel};
}

// The file's own name as people read it.
QString lastComponent(const QString& path) {
    return displayText(QFileInfo(path).fileName());
}

} // namespace

ConfirmationDialog discardChangesDialog(RepositoryState& state) {
    const qsizetype count = state.filesToDiscard().size();
    QString title = QStringLiteral("Discard Changes?");
    QString message;
    if (count < 2) {
        if (const auto& file = state.fileToDiscard())
            message = QStringLiteral("Are you sure you want to discard changes to \"") +
                      lastComponent(file->path) + QStringLiteral("\"? This cannot be undone.");
    } else {
        title = QStringLiteral("Discard ") + QString::number(count) + QStringLiteral(" Files?");
        message = QStringLiteral("Are you sure you want to discard changes to ") +
                  QString::number(count) + QStringLiteral(" files? This cannot be undone.");
    }
    return {title,
            message,
            {cancel(),
             {QStringLiteral("Discard"), DialogButtonRole::Destructive,
              call(state, &RepositoryState::confirmDiscardChanges)}}};
}

ConfirmationDialog discardAllDialog(RepositoryState& state) {
    return {QStringLiteral("Discard All Changes?"),
            QStringLiteral("Are you sure you want to discard all unstaged changes? This cannot be "
                           "undone."),
            {cancel(),
             {QStringLiteral("Discard All"), DialogButtonRole::Destructive,
              call(state, &RepositoryState::confirmDiscardAllChanges)}}};
}

ConfirmationDialog discardHunkDialog(RepositoryState& state) {
    const qsizetype count = state.hunksToDiscard().size();
    const QString what =
        count == 1 ? QStringLiteral("this hunk")
                   : QStringLiteral("these ") + QString::number(count) + QStringLiteral(" hunks");
    return {QStringLiteral("Discard Hunk?"),
            QStringLiteral("Are you sure you want to discard ") + what +
                QStringLiteral("? This cannot be undone."),
            {cancel(),
             {QStringLiteral("Discard"), DialogButtonRole::Destructive,
              call(state, &RepositoryState::confirmDiscardHunks)}}};
}

ConfirmationDialog deleteFileDialog(RepositoryState& state) {
    const qsizetype count = state.filesToDelete().size();
    QString title = QStringLiteral("Delete File?");
    QString message;
    if (count < 2) {
        if (const auto& file = state.fileToDelete())
            message = QStringLiteral("Move \"") + lastComponent(file->path) +
                      QStringLiteral("\" to the Trash?");
    } else {
        title = QStringLiteral("Delete ") + QString::number(count) + QStringLiteral(" Files?");
        message = QStringLiteral("Move ") + QString::number(count) +
                  QStringLiteral(" files to the Trash?");
    }
    return {title,
            message,
            {cancel(),
             {QStringLiteral("Delete"), DialogButtonRole::Destructive,
              call(state, &RepositoryState::confirmDeleteFile)}}};
}

} // namespace tolvane
