#pragma once

#include "engine/GitCommit.h"
#include "engine/GitService.h"
#include "engine/conflictState.h"
#include "state/ObservableField.h"
#include "state/historyPlan.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>

namespace tolvane {

class RepositoryState;

// An editable plan of the commits from one commit of the current branch to HEAD, carried out by
// one `git rebase -i` whose sequence and message editors are our own executable writing the plan.
// Owned by its RepositoryState; rows are in the order git applies them (oldest first).
class HistoryEditor : public QObject {
    Q_OBJECT

    TOLVANE_FIELD(bool, isEditing, setIsEditing)
    TOLVANE_FIELD(QList<PlanRow>, rows, setRows)
    TOLVANE_FIELD(bool, placeFixups, setPlaceFixupsField)
    // Why the last edit or start was refused; empty once an edit succeeds.
    TOLVANE_FIELD(QString, refusal, setRefusal)
    TOLVANE_FIELD(bool, isRunning, setIsRunning)
    // The range holds commits a remote already has; the user is asked before they are rewritten.
    TOLVANE_FIELD(bool, showPushedConfirmation, setShowPushedConfirmation)

public:
    explicit HistoryEditor(RepositoryState* state);

    // Opens the plan of `commit` to HEAD; refuses, saying why, for a commit not on the current
    // branch, a range holding a merge, or while git is stopped in another operation.
    QCoro::Task<> begin(GitCommit commit);
    void cancel();

    void setAction(qsizetype row, PlanAction action);
    void moveRow(qsizetype from, qsizetype to);
    void meld(qsizetype dragged, qsizetype target, bool fixup);
    void setRewordMessage(qsizetype row, const QString& message);
    // The message a chain holding a Squash ends with; `row` is any row of the chain.
    void setChainMessage(qsizetype row, const QString& message);
    // Ticking places fixup!/squash! commits as --autosquash would; unticking restores the order
    // the plan was opened with.
    void setPlaceFixups(bool place);

    // Carries the plan out; asks first when a remote has any of the commits.
    QCoro::Task<> start();
    QCoro::Task<> confirmStartPushed();

    // The environment `git rebase --continue` needs so that the plan's later messages are still
    // written by us: our message editor while a plan is under way, else git's own message kept.
    static QCoro::Task<ExtraEnvironment> continueEnvironment(GitService git);
    // Our own program, as git starts it for the editors.
    static QString editorProgram();

Q_SIGNALS:
    void isEditingChanged();
    void rowsChanged();
    void placeFixupsChanged();
    void refusalChanged();
    void isRunningChanged();
    void showPushedConfirmationChanged();

private:
    void apply(const PlanEdit& edit);
    QCoro::Task<> removeFinishedPlan();
    // After a stop is continued to the end, the selection follows as after an edit that ran
    // through.
    QCoro::Task<> followAfterStop(QList<PlanRow> plan);
    QCoro::Task<> run(bool confirmed);
    QCoro::Task<> followSelection(GitService git, QList<PlanRow> plan);

    RepositoryState* m_state;
    // The rows as they were opened, for unticking "Place fixup commits".
    QList<PlanRow> m_opened;
    QString m_gitDir;
    QString m_head;
    // The first parent of the oldest commit; empty when the plan starts at the root.
    QString m_base;
    // The commit selected when the plan was opened.
    QString m_selectedId;
    OperationKind m_lastOperation = OperationKind::None;
    // The plan of an edit that stopped, until it ends.
    std::optional<QList<PlanRow>> m_stoppedPlan;
};

} // namespace tolvane
