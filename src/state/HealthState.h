#pragma once

#include "engine/GitCancellation.h"
#include "engine/GitService.h"
#include "engine/repositoryHealth.h"
#include "log/LogLevel.h"
#include "state/ObservableField.h"

#include <QCoroTask>
#include <QObject>
#include <QStringList>
#include <optional>

namespace tolvane {

// What git offers one repository for its size, whether each is on, and the commands that turn
// them on. Nothing changes in the repository unless the user confirms the command shown.
class HealthState : public QObject {
    Q_OBJECT

    TOLVANE_FIELD(std::optional<HealthFacts>, facts, setFacts)
    TOLVANE_FIELD(QList<HealthItem>, items, setItems)
    TOLVANE_FIELD(bool, isLoading, setIsLoading)
    // The command waiting for the user's yes, without "git", and the item it belongs to.
    TOLVANE_FIELD(QStringList, commandToConfirm, setCommandToConfirm)
    TOLVANE_FIELD(bool, showCommandConfirmation, setShowCommandConfirmation)
    TOLVANE_FIELD(bool, isRunningCommand, setIsRunningCommand)
    // "Optimise now": how many of its tasks are done and the one running.
    TOLVANE_FIELD(bool, isOptimising, setIsOptimising)
    TOLVANE_FIELD(int, optimiseTasksDone, setOptimiseTasksDone)
    TOLVANE_FIELD(QString, optimiseTask, setOptimiseTask)
    // The folders at the top of HEAD's tree, for choosing a sparse checkout.
    TOLVANE_FIELD(QStringList, topLevelFolders, setTopLevelFolders)
    // Whether a look found something worth doing (for the status bar).
    TOLVANE_FIELD(bool, worthAttention, setWorthAttention)

public:
    HealthState(GitService git, QObject* parent = nullptr, QString logName = {});

    // Reads every figure again.
    QCoro::Task<> reload();
    // Shows the command of the item with this id for confirmation; nothing for an item that has
    // none or is already on.
    void askToRun(const QString& itemId);
    // Shows the command that keeps only `folders` (cone mode) for confirmation.
    void askToChooseSparseFolders(const QStringList& folders);
    // Runs the confirmed command, then reads the figures again.
    QCoro::Task<bool> confirmCommand();
    void dismissCommand();
    // Runs the maintenance tasks one after another; stops at the first failure or on cancel.
    QCoro::Task<bool> optimiseNow();
    void cancelOptimise();
    // Lists the folders at the top of HEAD's tree.
    QCoro::Task<> loadTopLevelFolders();

Q_SIGNALS:
    void factsChanged();
    void itemsChanged();
    void isLoadingChanged();
    void commandToConfirmChanged();
    void showCommandConfirmationChanged();
    void isRunningCommandChanged();
    void isOptimisingChanged();
    void optimiseTasksDoneChanged();
    void optimiseTaskChanged();
    void topLevelFoldersChanged();
    void worthAttentionChanged();
    // A failure or a success to show in the window; failures are also in the activity log.
    void outcomeAnnounced(const QString& message, LogLevel level) const;

private:
    void log(const QString& message, LogLevel level) const;

    GitService m_git;
    QString m_logName;
    GitCancellation m_optimiseCancellation;
};

} // namespace tolvane
